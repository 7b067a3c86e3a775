// The plan view while the compile still fills it, as the writer of the line
// data file sees it: the compile says how far it is final, the writer waits
// for the metres it needs. Both sides may be on different threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>

namespace scen {

// What the writer meets when the file will not be written after all.
class linea_abbandonata : public std::exception {
 public:
  const char* what() const noexcept override { return "the line data file was given up"; }
};

class piano_in_corso {
 public:
  // The compile's side: the metres below `metri` are final.
  void pubblica(std::int64_t metri);
  // Every metre is final, filled or not.
  void completa();
  // The file will not be written: a writer waiting now or later gives up.
  void abbandona();

  // The writer's side: waits until metre `metro` is final and returns how
  // many metres are (more than `metro`). Throws linea_abbandonata when the
  // file was given up first.
  std::int64_t attendi(std::int64_t metro);

 private:
  std::mutex mutex_;
  std::condition_variable cambiato_;
  std::int64_t pronti_ = 0;
  bool abbandonato_ = false;
};

}  // namespace scen
