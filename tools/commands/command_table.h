// The tool's commands as data: the program's name and summary, and for each
// command its name, summary and options with their help. The command-line
// parser is built from this table, and with it every --help text; the manual
// page and the shell completions can be generated from it as well. Nothing
// here needs the parser's headers.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace scen::tool {

struct comando;

enum class option_kind {
  positional,  // an operand: FILE, DIR
  value,       // an option that takes a value: -o DIR
  flag,        // an option alone: --json
};

struct option_entry {
  std::string_view names{};  // as the parser spells them: "ROUTE_SOURCE", "-o,--output", "--json"
  option_kind kind = option_kind::flag;
  std::string_view value_name{};  // "FILE", "DIR", ...; empty for a flag
  std::string_view help{};
  bool required = false;
  bool shows_default = false;                   // the help names the value it has when not given
  std::span<const std::string_view> choices{};  // the only values it takes, when a fixed list
};

struct command_entry {
  std::string_view name{};
  std::string_view summary{};
  std::vector<option_entry> options{};
  // Builds the command's parser from this entry and returns what runs it.
  comando (*add)(CLI::App& app, const command_entry& entry) = nullptr;
};

struct program_entry {
  std::string_view name;
  std::string_view summary;
  std::string_view version;
  std::string_view footer;
};

const program_entry& program();

// Every command, in the order the overview lists them.
std::span<const command_entry> command_table();

// The entry named `name`, or nullptr.
const command_entry* find_command(std::string_view name);

// The commands' names as a sentence: "compile, lint, ... and diff" (or "or").
std::string command_names(std::string_view conjunction);

}  // namespace scen::tool
