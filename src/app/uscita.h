// Where the run's console texts go: standard error for the program, a string
// for tests. Plain write calls rather than C++ streams: the streams' start-up
// work (locales, the standard stream objects) cost every run more than the
// two short lines it may print.
#pragma once

#include <string>
#include <string_view>

namespace scen {

class uscita_testo {
 public:
  virtual ~uscita_testo() = default;
  // Writes `testo` whole, at once.
  virtual void scrivi(std::string_view testo) = 0;
};

// A file descriptor (2 for standard error). A text that cannot be written is
// dropped: there is nowhere left to report it.
class uscita_su_descrittore final : public uscita_testo {
 public:
  explicit uscita_su_descrittore(int fd) : fd_(fd) {}
  void scrivi(std::string_view testo) override;

 private:
  int fd_;
};

class uscita_in_stringa final : public uscita_testo {
 public:
  void scrivi(std::string_view testo) override { testo_.append(testo); }
  const std::string& testo() const { return testo_; }

 private:
  std::string testo_;
};

}  // namespace scen
