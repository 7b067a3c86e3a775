// scenario-tool: the scenario author's companion.
#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
  CLI::App app{"scenario-tool: compile, export, decode, check and draw scenarios"};
  app.set_version_flag("--version", "scenario-tool 1.0.0");
  app.require_subcommand(1);
  CLI11_PARSE(app, argc, argv);
  return 0;
}
