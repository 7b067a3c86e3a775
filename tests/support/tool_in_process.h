// scenario-tool's library run in-process, as its `main` runs it, for the
// tests of the tool alone (they link scenario_tool_lib): the arguments, the
// folder it runs in, and what it wrote to its two streams.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "commands/run_tool.h"

namespace scen::test_util {

struct tool_result {
  int status = -1;  // what `main` would return
  std::string out;  // standard output
  std::string err;  // standard error
};

// The tool with `args` in `folder`.
inline tool_result run_tool_in_process(const std::vector<std::string>& args, const std::filesystem::path& folder) {
  std::vector<const char*> argv{"scenario-tool"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  // The tool reads relative paths from its working folder; the tests run
  // one at a time in a process, so it may be changed for the call.
  struct working_folder {
    std::filesystem::path before = std::filesystem::current_path();
    explicit working_folder(const std::filesystem::path& f) { std::filesystem::current_path(f); }
    ~working_folder() { std::filesystem::current_path(before); }
  } here(folder);
  tool_result r;
  r.status = tool::run_tool(static_cast<int>(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace scen::test_util
