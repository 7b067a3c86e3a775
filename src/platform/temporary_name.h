// The names a file takes while it is written, the same on every system: a
// dot, the file's own name, ".tmp-" and a suffix of 16 hex digits (64 random
// bits), in the file's folder. A run that could not remove its temporaries
// leaves them under these names, and a later run knows them as its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scen {

inline constexpr std::string_view temporary_mark = ".tmp-";
inline constexpr std::size_t temporary_suffix_digits = 16;
// Names tried before a run gives up: each is 64 random bits, so a second
// one taken already means someone is planting files at our names.
inline constexpr int temporary_name_attempts = 16;

// The temporary name of `name` with `suffix`; with an empty suffix, what
// every temporary name of `name` begins with.
inline std::string temporary_name_of(std::string_view name, std::string_view suffix) {
  std::string t = ".";
  t += name;
  t += temporary_mark;
  t += suffix;
  return t;
}

// A suffix this program makes: 16 hex digits, or the "<pid>-<n>" of earlier
// versions.
inline bool is_our_temporary_suffix(std::string_view s) {
  const auto only_of = [](std::string_view t, std::string_view allowed) {
    return !t.empty() && t.find_first_not_of(allowed) == std::string_view::npos;
  };
  if (s.size() == temporary_suffix_digits && only_of(s, "0123456789abcdef")) return true;
  const auto dash = s.find('-');
  return dash != std::string_view::npos && only_of(s.substr(0, dash), "0123456789") &&
         only_of(s.substr(dash + 1), "0123456789");
}

}  // namespace scen
