// The command table is the one description of the command line: every
// command's parser holds exactly the options its entry lists, as the entry
// describes them, and every text that names the commands names them all.
#include <gtest/gtest.h>

#include <set>

#include "commands/comandi.h"
#include "commands/command_table.h"
#include "commands/completion.h"
#include "compiler/avvisi.h"
#include "support/tool_in_process.h"

namespace scen::tool {
namespace {

using test_util::run_tool_in_process;

// The parser's spelling of an option's first name: what get_option finds it by.
std::string first_name(std::string_view names) {
  const auto comma = names.find(',');
  return std::string(comma == std::string_view::npos ? names : names.substr(comma + 1));
}

TEST(CommandTable, EveryParserHoldsExactlyTheOptionsItsEntryDescribes) {
  for (const command_entry& entry : command_table()) {
    SCOPED_TRACE(std::string(entry.name));
    CLI::App app;
    const comando c = entry.add(app, entry);
    ASSERT_NE(c.sub, nullptr);
    EXPECT_EQ(c.sub->get_name(), entry.name);
    EXPECT_EQ(c.sub->get_description(), entry.summary);
    std::set<const CLI::Option*> described;
    for (const option_entry& o : entry.options) {
      SCOPED_TRACE(std::string(o.names));
      const CLI::Option* p = c.sub->get_option_no_throw(first_name(o.names));
      ASSERT_NE(p, nullptr);
      described.insert(p);
      EXPECT_EQ(p->get_description(), o.help);
      EXPECT_EQ(p->get_required(), o.required);
      EXPECT_EQ(p->get_positional(), o.kind == option_kind::positional);
      EXPECT_EQ(p->get_expected_min() == 0, o.kind == option_kind::flag);
      if (o.kind != option_kind::flag) {
        EXPECT_EQ(p->get_type_name().substr(0, o.value_name.size()), o.value_name);
      }
      EXPECT_EQ(p->get_default_str().empty(), !o.shows_default || o.kind == option_kind::flag);
      for (std::string_view choice : o.choices) {
        EXPECT_NE(p->get_type_name().find(std::string(choice)), std::string::npos);
      }
    }
    // Nothing beyond the entry but the parser's own --help.
    for (const CLI::Option* p : c.sub->get_options()) {
      if (p->get_name() == "--help") continue;
      EXPECT_TRUE(described.count(p) == 1) << p->get_name() << " is not in the table";
    }
  }
}

// The completion script is made from the table and the warnings' registry:
// it offers every command, every option and every warning name.
// Whether `word` stands in one of the script's word lists ("a b c").
bool offers(const std::string& script, const std::string& word) {
  for (auto at = script.find(word); at != std::string::npos; at = script.find(word, at + 1)) {
    const char before = at == 0 ? ' ' : script[at - 1];
    const char after = at + word.size() < script.size() ? script[at + word.size()] : ' ';
    if ((before == ' ' || before == '"') && (after == ' ' || after == '"')) return true;
  }
  return false;
}

TEST(CommandTable, TheCompletionOffersEveryCommandOptionAndWarningName) {
  const std::string script = completion_bash();
  for (const command_entry& c : command_table()) {
    EXPECT_TRUE(offers(script, std::string(c.name))) << c.name;
    EXPECT_NE(script.find("    " + std::string(c.name) + ")\n"), std::string::npos) << c.name;
    for (const option_entry& o : c.options) {
      if (o.kind == option_kind::positional) continue;
      EXPECT_TRUE(offers(script, first_name(o.names))) << o.names;
    }
  }
  for (const voce_avviso& v : tabella_avvisi()) {
    for (const std::string& w : {std::string(v.nome), "no-" + std::string(v.nome), "error=" + std::string(v.nome)}) {
      EXPECT_TRUE(offers(script, w)) << w;
    }
  }
}

TEST(CommandTable, AnOptionTheTableDoesNotHoldIsAFaultOfTheProgram) {
  const command_entry& dump = *find_command("dump");
  CLI::App app;
  CLI::App* sub = add_command(app, dump);
  bool json = false;
  EXPECT_THROW(bind_option(*sub, dump, "--jsno", json), std::logic_error);
}

TEST(CommandTable, NamesAndLookUpCoverEveryCommand) {
  const auto table = command_table();
  ASSERT_FALSE(table.empty());
  std::set<std::string_view> seen;
  for (const command_entry& c : table) {
    EXPECT_TRUE(seen.insert(c.name).second) << c.name << " twice";
    EXPECT_EQ(find_command(c.name), &c);
  }
  EXPECT_EQ(find_command("help"), nullptr);
  EXPECT_EQ(command_names("and"), "compile, lint, export, dump, check, map, diff and explain");
  EXPECT_EQ(command_names("or"), "compile, lint, export, dump, check, map, diff or explain");
}

// Every help and every message that lists the commands comes from the
// table, so none of them can miss one.
TEST(CommandTable, HelpAndMessagesNameEveryCommandOfTheTable) {
  const std::filesystem::path here = std::filesystem::current_path();
  const auto overview = run_tool_in_process({"--help"}, here);
  EXPECT_EQ(overview.status, 0);
  const auto unknown = run_tool_in_process({"frobnicate"}, here);
  EXPECT_EQ(unknown.status, exit_status::failure);
  const auto none = run_tool_in_process({}, here);
  EXPECT_EQ(none.status, exit_status::failure);
  const auto no_such_help = run_tool_in_process({"help", "frobnicate"}, here);
  EXPECT_EQ(no_such_help.status, exit_status::failure);
  for (const command_entry& c : command_table()) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_NE(overview.out.find(std::string(c.summary)), std::string::npos);
    for (const auto* r : {&unknown, &none, &no_such_help}) {
      EXPECT_NE(r->err.find(std::string(c.name)), std::string::npos) << r->err;
    }
    const auto help = run_tool_in_process({"help", std::string(c.name)}, here);
    EXPECT_EQ(help.status, 0);
    const auto flag = run_tool_in_process({std::string(c.name), "--help"}, here);
    EXPECT_EQ(flag.status, 0);
    EXPECT_EQ(help.out, flag.out);
    for (const option_entry& o : c.options) EXPECT_NE(help.out.find(std::string(o.help)), std::string::npos) << o.names;
  }
  const auto version = run_tool_in_process({"--version"}, here);
  EXPECT_EQ(version.out, std::string(program().version) + "\n");
}

}  // namespace
}  // namespace scen::tool
