// Where a program's console texts go: standard error for the program, a
// string for tests. Plain write calls rather than C++ streams: the streams'
// start-up work (locales, the standard stream objects) cost every run more
// than the two short lines it may print.
#pragma once

#include <string>
#include <string_view>

namespace scen {

class text_sink {
 public:
  virtual ~text_sink() = default;
  // Writes `text` whole, at once.
  virtual void write(std::string_view text) = 0;
};

// The process's standard error. A text that cannot be written is dropped:
// there is nowhere left to report it.
class stderr_sink final : public text_sink {
 public:
  void write(std::string_view text) override;
};

class string_sink final : public text_sink {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace scen
