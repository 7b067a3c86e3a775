// The two sources compile and lint are given, as an author may give them by
// mistake: the wrong way round, one of them twice, under file names that
// name the scenario or disagree. Each case ends as the table says, on both
// commands, and compile writes the files of the identity it settled on (or
// none).
#include "commands/sorgenti_date.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>

#include "support/files.h"
#include "support/sources.h"
#include "support/tool_in_process.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::join_crlf;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;

const identita embedded = identita_incorporata();

struct caso_argomenti {
  const char* nome;
  std::vector<std::string> argomenti;  // the two sources and any option
  int status;
  const char* parole;               // words standard error holds; nullptr: no line at all
  std::optional<identita> scritta;  // the identity whose files compile writes; none: nothing written
};

void PrintTo(const caso_argomenti& c, std::ostream* os) { *os << c.nome; }

// The folder every case runs in: the small fixture sources under plain names,
// a copy, a link, another train, a text with no key, and the same sources
// under names that follow the scenario's pattern.
class SourceArguments : public ::testing::TestWithParam<caso_argomenti> {
 protected:
  void SetUp() override {
    const std::string linea = join_crlf(test_util::linea_piccola());
    const std::string treno = join_crlf(test_util::treno_piccolo());
    for (const char* nome : {"route.txt", "copy_of_route.txt", "Nord_linea.txt"}) {
      write_file(dir_.path() / nome, linea);
    }
    for (const char* nome : {"train.txt", "Nord_77-.txt", "Sud_5-.txt", "Nord_linea-.txt"}) {
      write_file(dir_.path() / nome, treno);
    }
    write_file(dir_.path() / "other_train.txt",
               test_util::sostituisci(treno, "numero vetture,    12", "numero vetture,    10"));
    write_file(dir_.path() / "notes.txt", join_crlf({"a text", "with no key, of either source"}));
    std::error_code ec;
    fs::create_symlink("route.txt", dir_.path() / "link_to_route.txt", ec);
    link_ = !ec;
  }
  temp_folder dir_;
  bool link_ = false;
};

std::set<std::string> binari(const identita& id) {
  return {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)};
}

std::set<std::string> file_in(const fs::path& dir) {
  std::set<std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

TEST_P(SourceArguments, CompileAndLintEndAsTheTableSays) {
  const caso_argomenti& c = GetParam();
  if (std::find(c.argomenti.begin(), c.argomenti.end(), "link_to_route.txt") != c.argomenti.end() && !link_) {
    GTEST_SKIP() << "no symbolic link on this file system";
  }
  for (const std::string comando : {"compile", "lint"}) {
    SCOPED_TRACE(comando);
    std::vector<std::string> args{comando};
    args.insert(args.end(), c.argomenti.begin(), c.argomenti.end());
    if (comando == "compile") args.insert(args.end(), {"-o", "bin"});
    const auto r = run_tool_in_process(args, dir_.path());
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.parole) {
      EXPECT_NE(r.err.find(c.parole), std::string::npos) << r.err;
      // Said once, whatever the command.
      EXPECT_EQ(r.err.find(c.parole), r.err.rfind(c.parole)) << r.err;
    } else {
      EXPECT_EQ(r.err.find("note: identity"), std::string::npos) << r.err;
    }
    if (comando != "compile") continue;
    const std::set<std::string> attesi = c.scritta ? binari(*c.scritta) : std::set<std::string>{};
    EXPECT_EQ(file_in(dir_.path() / "bin"), attesi);
    std::set<std::string> stampati;
    std::istringstream righe(r.out);
    for (std::string riga; std::getline(righe, riga);) stampati.insert(fs::path(riga).filename().string());
    EXPECT_EQ(stampati, attesi);
  }
}

const char* const due_linee = "name two routes, Nord and Sud";

INSTANTIATE_TEST_SUITE_P(
    Casi, SourceArguments,
    ::testing::Values(
        caso_argomenti{"plain_names_keep_the_embedded_identity", {"route.txt", "train.txt"}, 0, nullptr, embedded},
        caso_argomenti{"swapped",
                       {"train.txt", "route.txt"},
                       2,
                       "ROUTE_SOURCE train.txt looks like a train source and TRAIN_SOURCE route.txt like a route "
                       "source: the arguments are swapped",
                       std::nullopt},
        caso_argomenti{"train_as_route_beside_a_text_with_no_key",
                       {"train.txt", "notes.txt"},
                       2,
                       "ROUTE_SOURCE train.txt: this looks like a train source, not a route source: the arguments "
                       "may be swapped",
                       std::nullopt},
        caso_argomenti{"route_as_train_beside_a_text_with_no_key",
                       {"notes.txt", "route.txt"},
                       2,
                       "TRAIN_SOURCE route.txt: this looks like a route source, not a train source: the arguments "
                       "may be swapped",
                       std::nullopt},
        caso_argomenti{"two_different_trains",
                       {"train.txt", "other_train.txt"},
                       2,
                       "ROUTE_SOURCE train.txt: this looks like a train source, not a route source: so does "
                       "TRAIN_SOURCE other_train.txt",
                       std::nullopt},
        caso_argomenti{"route_given_twice",
                       {"route.txt", "route.txt"},
                       2,
                       "ROUTE_SOURCE route.txt and TRAIN_SOURCE route.txt are the same file (a route source given "
                       "twice)",
                       std::nullopt},
        caso_argomenti{"train_given_twice",
                       {"train.txt", "train.txt"},
                       2,
                       "ROUTE_SOURCE train.txt and TRAIN_SOURCE train.txt are the same file (a train source given "
                       "twice)",
                       std::nullopt},
        caso_argomenti{"same_file_under_two_paths",
                       {"route.txt", "./route.txt"},
                       2,
                       "ROUTE_SOURCE route.txt and TRAIN_SOURCE ./route.txt are the same file",
                       std::nullopt},
        caso_argomenti{"same_file_through_a_link",
                       {"link_to_route.txt", "route.txt"},
                       2,
                       "ROUTE_SOURCE link_to_route.txt and TRAIN_SOURCE route.txt are the same file",
                       std::nullopt},
        caso_argomenti{"identical_bytes_under_two_names",
                       {"route.txt", "copy_of_route.txt"},
                       2,
                       "ROUTE_SOURCE route.txt and TRAIN_SOURCE copy_of_route.txt hold the same bytes (a route "
                       "source given twice)",
                       std::nullopt},
        caso_argomenti{"names_agree",
                       {"Nord_linea.txt", "Nord_77-.txt"},
                       0,
                       "note: identity Nord/77 taken from the source file names Nord_linea.txt and Nord_77-.txt",
                       identita{"Nord", "77"}},
        caso_argomenti{"names_disagree", {"Nord_linea.txt", "Sud_5-.txt"}, 2, due_linee, std::nullopt},
        caso_argomenti{"names_disagree_one_option_given",
                       {"Nord_linea.txt", "Sud_5-.txt", "--train-number", "9"},
                       2,
                       due_linee,
                       std::nullopt},
        caso_argomenti{"names_disagree_both_options_given",
                       {"Nord_linea.txt", "Sud_5-.txt", "--route-name", "Est", "--train-number", "9"},
                       0,
                       nullptr,
                       identita{"Est", "9"}},
        caso_argomenti{"route_name_option_overrides",
                       {"Nord_linea.txt", "Nord_77-.txt", "--route-name", "Est"},
                       0,
                       "note: identity Est/77, its train number taken from the source file names",
                       identita{"Est", "77"}},
        caso_argomenti{"train_number_option_overrides",
                       {"Nord_linea.txt", "Nord_77-.txt", "--train-number", "9"},
                       0,
                       "note: identity Nord/9, its route name taken from the source file names",
                       identita{"Nord", "9"}},
        caso_argomenti{"both_options_override",
                       {"Nord_linea.txt", "Nord_77-.txt", "--route-name", "Est", "--train-number", "9"},
                       0,
                       nullptr,
                       identita{"Est", "9"}},
        caso_argomenti{"one_name_not_following_the_pattern", {"Nord_linea.txt", "train.txt"}, 0, nullptr, embedded},
        caso_argomenti{"names_in_the_wrong_places",
                       {"Nord_77-.txt", "Nord_linea.txt"},
                       2,
                       "the arguments are swapped",
                       std::nullopt},
        // Checked by the rules of --route-name and --train-number.
        caso_argomenti{"derived_identity_refused",
                       {"Nord_linea.txt", "Nord_linea-.txt"},
                       2,
                       "the route name of Nord_linea.txt \"Nord\" and the train number of Nord_linea-.txt \"linea\" "
                       "give two files the same name",
                       std::nullopt}),
    [](const ::testing::TestParamInfo<caso_argomenti>& i) { return std::string(i.param.nome); });

// With --json the refusal is the usage error's one object.
TEST_F(SourceArguments, JsonKeepsTheUsageErrorsShape) {
  const auto r = run_tool_in_process({"compile", "train.txt", "route.txt", "-o", "bin", "--json"}, dir_.path());
  EXPECT_EQ(r.status, 2);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j.size(), 3U);
  EXPECT_NE(j.at("error").get<std::string>().find("the arguments are swapped"), std::string::npos) << r.out;
  EXPECT_EQ(j.at("status"), 2);
  EXPECT_EQ(j.at("findings"), nlohmann::json::array());
}

// The names alone, without the files.
TEST(IdentityFromNames, FollowsTheScenariosPatternAndItsFolderNames) {
  using tool::identita_dai_nomi;
  const auto id = identita_dai_nomi("src/Ardena_VelmoraCle_linea.txt", "src/Ardena_VelmoraCle_4713-.txt");
  ASSERT_TRUE(id);
  EXPECT_EQ(nome_sorgente_linea(*id), nome_sorgente_linea(embedded));
  EXPECT_EQ(nome_sorgente_treno(*id), nome_sorgente_treno(embedded));
  // The route name may hold "_"; the train number is what follows the last one.
  EXPECT_FALSE(identita_dai_nomi("_linea.txt", "_7-.txt"));
  EXPECT_FALSE(identita_dai_nomi("A_linea.txt", "A_-.txt"));
  EXPECT_FALSE(identita_dai_nomi("A_linea.txt", "A7-.txt"));
  EXPECT_FALSE(identita_dai_nomi("A_Linea.txt", "A_7-.txt"));
  EXPECT_THROW(identita_dai_nomi("A_linea.txt", "A_B_7-.txt"), tool::errore_uso);
}

// The embedded scenario, exported and compiled from its exported names, gives
// the bytes it gave before the names were read, with no note; its sources
// under another scenario's names give the bytes the options give.
TEST(IdentityFromNames, TheExportedScenarioCompilesToTheSameBytes) {
  temp_folder dir;
  const fs::path d = dir.path();
  ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, d).status, 0);
  const std::string linea = read_file(d / "src" / nome_sorgente_linea(embedded));
  const std::string treno = read_file(d / "src" / nome_sorgente_treno(embedded));
  write_file(d / "route.txt", linea);
  write_file(d / "train.txt", treno);
  const identita altra{"Altra_Linea", "12"};
  write_file(d / nome_sorgente_linea(altra), linea);
  write_file(d / nome_sorgente_treno(altra), treno);

  const auto dai_nomi = run_tool_in_process(
      {"compile", "src/" + nome_sorgente_linea(embedded), "src/" + nome_sorgente_treno(embedded), "-o", "a"}, d);
  ASSERT_EQ(dai_nomi.status, 0) << dai_nomi.err;
  EXPECT_EQ(dai_nomi.err, "");
  ASSERT_EQ(run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "b"}, d).status, 0);
  for (const std::string& nome : binari(embedded)) {
    EXPECT_TRUE(read_file(d / "a" / nome) == read_file(d / "b" / nome)) << nome;
  }

  const auto altra_dai_nomi =
      run_tool_in_process({"compile", nome_sorgente_linea(altra), nome_sorgente_treno(altra), "-o", "c"}, d);
  ASSERT_EQ(altra_dai_nomi.status, 0) << altra_dai_nomi.err;
  ASSERT_EQ(run_tool_in_process({"compile", "route.txt", "train.txt", "-o", "e", "--route-name", altra.nome_linea,
                                 "--train-number", altra.nome_treno},
                                d)
                .status,
            0);
  EXPECT_EQ(file_in(d / "c"), binari(altra));
  for (const std::string& nome : binari(altra)) {
    EXPECT_TRUE(read_file(d / "c" / nome) == read_file(d / "e" / nome)) << nome;
  }
  // Another identity gives other check codes: the bytes differ from the embedded scenario's.
  EXPECT_FALSE(read_file(d / "c" / nome_file_sommario(altra)) == read_file(d / "a" / nome_file_sommario(embedded)));
}

}  // namespace
}  // namespace scen
