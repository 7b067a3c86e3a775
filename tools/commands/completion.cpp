#include "commands/completion.h"

#include <fmt/format.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "commands/command_table.h"
#include "compiler/avvisi.h"

namespace scen::tool {
namespace {

// "-o,--output" as "-o --output".
std::vector<std::string_view> names_of(std::string_view names) {
  std::vector<std::string_view> out;
  while (!names.empty()) {
    const auto comma = names.find(',');
    out.push_back(names.substr(0, comma));
    names = comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
  }
  return out;
}

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// What completes a value: the fixed choices, warning names, folders, files
// or nothing (a name, a number).
std::string completes(const option_entry& o) {
  if (!o.choices.empty()) {
    std::vector<std::string> c(o.choices.begin(), o.choices.end());
    return fmt::format("COMPREPLY=($(compgen -W \"{}\" -- \"${{cur}}\"))", joined(c));
  }
  if (o.value_name == "no-NAME|error=NAME") return "COMPREPLY=($(compgen -W \"${warning_choices}\" -- \"${cur}\"))";
  if (o.value_name == "NAME|CODE") return "COMPREPLY=($(compgen -W \"${warning_names}\" -- \"${cur}\"))";
  if (o.value_name == "DIR") return "COMPREPLY=($(compgen -d -- \"${cur}\"))";
  if (o.value_name == "FILE") return "COMPREPLY=($(compgen -f -- \"${cur}\"))";
  return "COMPREPLY=()";
}

}  // namespace

std::string completion_bash() {
  std::vector<std::string> commands, names, choices;
  for (const command_entry& c : command_table()) commands.emplace_back(c.name);
  commands.emplace_back("help");
  for (const voce_avviso& v : tabella_avvisi()) {
    names.emplace_back(v.nome);
    choices.push_back(fmt::format("no-{}", v.nome));
    choices.push_back(fmt::format("error={}", v.nome));
  }
  std::string s = fmt::format(
      "# bash completion for {0}, made from its command table\n"
      "_{1}() {{\n"
      "  local cur prev cmd\n"
      "  cur=\"${{COMP_WORDS[COMP_CWORD]}}\"\n"
      "  prev=\"${{COMP_WORDS[COMP_CWORD-1]}}\"\n"
      "  local commands=\"{2}\"\n"
      "  local warning_names=\"{3}\"\n"
      "  local warning_choices=\"{4}\"\n"
      "  if [[ ${{COMP_CWORD}} -eq 1 ]]; then\n"
      "    COMPREPLY=($(compgen -W \"${{commands}} --help --version\" -- \"${{cur}}\"))\n"
      "    return\n"
      "  fi\n"
      "  cmd=\"${{COMP_WORDS[1]}}\"\n"
      "  case \"${{cmd}}\" in\n",
      program().name, "scenario_tool", joined(commands), joined(names), joined(choices));
  for (const command_entry& c : command_table()) {
    std::vector<std::string> options;
    std::string values, operands;
    for (const option_entry& o : c.options) {
      if (o.kind == option_kind::positional) {
        if (operands.empty()) operands = completes(o);
        continue;
      }
      std::vector<std::string> spelled;
      for (std::string_view n : names_of(o.names)) spelled.emplace_back(n);
      options.insert(options.end(), spelled.begin(), spelled.end());
      if (o.kind == option_kind::value) {
        std::string pattern;
        for (const std::string& n : spelled) pattern += (pattern.empty() ? "" : "|") + n;
        values += fmt::format("        {}) {}; return ;;\n", pattern, completes(o));
      }
    }
    options.emplace_back("--help");
    s += fmt::format("    {})\n", c.name);
    if (!values.empty()) s += "      case \"${prev}\" in\n" + values + "      esac\n";
    // -Wno-NAME written in one word.
    if (std::find(options.begin(), options.end(), "-W") != options.end()) {
      s += "      if [[ \"${cur}\" == -W?* ]]; then\n";
      s += "        COMPREPLY=($(compgen -P -W -W \"${warning_choices}\" -- \"${cur#-W}\")); return\n";
      s += "      fi\n";
    }
    s += fmt::format(
        "      if [[ \"${{cur}}\" == -* ]]; then\n        COMPREPLY=($(compgen -W \"{}\" -- \"${{cur}}\"))\n",
        joined(options));
    s += fmt::format("      else\n        {}\n      fi ;;\n", operands.empty() ? "COMPREPLY=()" : operands);
  }
  s += "    help) COMPREPLY=($(compgen -W \"${commands}\" -- \"${cur}\")) ;;\n";
  s += "  esac\n}\n";
  s += fmt::format("complete -o filenames -F _scenario_tool {}\n", program().name);
  return s;
}

}  // namespace scen::tool
