#include "commands/command_table.h"

#include <array>

#include "commands/comandi.h"

namespace scen::tool {
namespace {

// The three kinds of option, spelled as the table needs them.
constexpr option_entry operand(std::string_view names, std::string_view value_name, std::string_view help,
                               bool required) {
  return {.names = names,
          .kind = option_kind::positional,
          .value_name = value_name,
          .help = help,
          .required = required,
          .shows_default = !required};
}
constexpr option_entry value(std::string_view names, std::string_view value_name, std::string_view help,
                             bool shows_default = false) {
  return {.names = names,
          .kind = option_kind::value,
          .value_name = value_name,
          .help = help,
          .shows_default = shows_default};
}
constexpr option_entry flag(std::string_view names, std::string_view help) {
  return {.names = names, .kind = option_kind::flag, .help = help};
}

constexpr option_entry route_source = operand("ROUTE_SOURCE", "FILE", "Route source file", true);
constexpr option_entry train_source = operand("TRAIN_SOURCE", "FILE", "Train source file", true);
constexpr option_entry folder_operand = operand("DIR", "DIR", "Folder holding the binary files", false);
// The scenario identity: the names of the files read or written.
constexpr option_entry route_name = value("--route-name", "NAME", "Route name, the stem of every file name", true);
constexpr option_entry train_number =
    value("--train-number", "NUMBER", "Train number, the second part of the train's file names", true);
constexpr std::array<std::string_view, 3> file_kinds{"line", "summary", "track"};
constexpr option_entry werror =
    flag("--werror", "Exit with status 1 when there is a warning (compile then writes no file)");
constexpr option_entry warning_choice =
    value("-W", "no-NAME|error=NAME",
          "Select a warning by its name: -Wno-NAME leaves it out (not shown, not counted), -Werror=NAME makes it an "
          "error; may be repeated, a later choice for a name replacing an earlier one; \"explain\" lists the names");

// Built on first use, not at start: most calls of the tool use one entry.
const std::array<command_entry, 8>& all_commands() {
  static const std::array<command_entry, 8> commands{{
      {"compile",
       "Compile a route source and a train source into the binary files, as the run does; the sources are only read",
       {route_source, train_source,
        value("-o,--output", "DIR", "Folder to write the binary files into (created when missing)", true), route_name,
        train_number, flag("--no-line-data", "Do not build the plan view nor write the line data file"),
        flag("--json", "Print the outcome as one JSON object on standard output"), werror, warning_choice,
        value("--map", "FILE",
              "Also draw the compiled result, each error marked where it stands (\".svg\", \".html\", \".png\" or "
              "\".pdf\")")},
       registra_compile},
      {"lint",
       "Report every error and warning of a route source and a train source in one pass; writes nothing",
       {route_source, train_source, route_name, train_number,
        flag("--no-line-data", "Check as a compile without the plan view would read"),
        flag("--json", "Print the findings as one JSON object on standard output"), werror, warning_choice},
       registra_lint},
      {"export",
       "Write the embedded scenario's route and train sources and its three documents into DIR",
       {value("-o,--output", "DIR", "Folder to write into (created when missing)", true)},
       registra_export},
      {"dump",
       "Decode one binary scenario file into a readable listing or JSON",
       {operand("FILE", "FILE", "Binary file: \"_linea.dat\" line data, \".sim\" summary, other \".dat\" track", true),
        {.names = "--kind",
         .kind = option_kind::value,
         .value_name = "KIND",
         .help = "Kind of the file, overriding its name",
         .choices = file_kinds},
        flag("--json", "Print the full structure as JSON")},
       registra_dump},
      {"check",
       "Check a folder's three binary files against each other, the scenario identity (found from the file names "
       "when there is one) and what the compile can write",
       {folder_operand, route_name, train_number,
        flag("--json", "Print the outcome as one JSON object: ok, the identity and every problem"),
        flag("--repair",
             "First finish a replacement of the folder's files that did not end (a crash, a kill): complete it when "
             "every new file is in place, undo it otherwise")},
       registra_check},
      {"map",
       "Draw the route from a folder's binary files: plan view and long section, as SVG, PNG, PDF or an interactive "
       "HTML page",
       {folder_operand, route_name, train_number,
        value("-o,--output", "FILE",
              "Output file: \".svg\", \".html\", \".png\" or \".pdf\" (default: DIR/<route>_<train>_map.svg)"),
        value("--from", "KM", "Draw from this distance, in km from the route's start"),
        value("--to", "KM", "Draw up to this distance, in km from the route's start")},
       registra_map},
      {"diff",
       "Compare two compiled folders by meaning: stations, objects, profiles and plan view changed, one line per "
       "change in running order; then byte for byte: each field of the files that differs and no change tells, "
       "by file, field and count; exit status 0 the same bytes, 1 different",
       {operand("BEFORE", "DIR", "Folder of the earlier version", true),
        operand("AFTER", "DIR", "Folder of the later version", true), route_name, train_number,
        flag("--json", "Print the changes and the fields that differ as one JSON object"),
        value("--html", "FILE", "Also write an HTML page with both versions and the changes marked")},
       registra_diff},
      {"explain",
       "Explain a warning by the name shown in brackets after it (\"rounded-speed\"), or an error or fatal end by "
       "its code (\"15\", \"1250\"); without NAME, list them all",
       {{.names = "NAME",
         .kind = option_kind::positional,
         .value_name = "NAME|CODE",
         .help = "Warning name, error code or fatal end"}},
       registra_explain},
  }};
  return commands;
}

}  // namespace

const program_entry& program() {
  static const program_entry p{
      "scenario-tool", "scenario-tool: compile, check, export, decode and draw train-driving scenarios",
      "scenario-tool " SCENARIO_VERSION, "Run \"scenario-tool COMMAND --help\" for the options of one command."};
  return p;
}

std::span<const command_entry> command_table() { return all_commands(); }

const command_entry* find_command(std::string_view name) {
  for (const command_entry& c : all_commands()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::string command_names(std::string_view conjunction) {
  const auto& commands = all_commands();
  std::string out;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) out += i + 1 == commands.size() ? " " + std::string(conjunction) + " " : ", ";
    out += commands[i].name;
  }
  return out;
}

}  // namespace scen::tool
