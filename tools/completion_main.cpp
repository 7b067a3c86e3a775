// Writes the bash completion script, made from the command table at build
// time (see commands/completion.h), into the file its argument names.
#include <fstream>
#include <iostream>

#include "commands/completion.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: scenario-tool-completion FILE\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << scen::tool::completion_bash();
  return out.good() ? 0 : 1;
}
