// The exit statuses of both programs, `scenario` and `scenario-tool`: the
// same event ends either with the same number. Scripts rely on them; a
// change here is a change of the programs' interface.
#pragma once

namespace scen::exit_status {

inline constexpr int clean = 0;
// A compile error was recorded (the binary files are written all the same),
// or, for the tool's checks, a difference or a problem was found.
inline constexpr int problem = 1;
// A usage error, or a file that could not be read, created, written or
// deleted; the message names the file and the reason.
inline constexpr int failure = 2;
// The run ended through a fatal error (" Errore n. ..."): no binary file written.
inline constexpr int fatal = 3;
// Another run holds the folder and did not let go of it in time.
inline constexpr int busy = 4;
inline constexpr int out_of_memory = 5;
// A run ended by signal N exits with 128 + N, after removing its temporaries.
inline constexpr int signal_base = 128;

}  // namespace scen::exit_status
