// The whole of scenario-tool behind its `main`: the command line parsed by
// the command table, the command run, and every way it can end turned into
// its message and exit status. Output goes to `out`, messages to `err`; the
// process is `main`'s to prepare. Tests call it in-process.
#pragma once

#include <iosfwd>

namespace scen::tool {

// argv[0] is the program's name, as `main` receives it.
int run_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace scen::tool
