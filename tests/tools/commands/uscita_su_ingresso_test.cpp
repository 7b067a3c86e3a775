// No command writes over one of its inputs: an output that is the same file
// as an input, under the same path, another spelling of it, a symbolic link
// or a hard link, is refused with exit status 2, a message naming both, and
// nothing written.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

#include "model/nomi_file.h"
#include "support/files.h"
#include "support/tool_in_process.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;

const identita id_inc = identita_incorporata();

// Every entry under `dir` by its path, with the bytes of the regular files;
// links are listed, not followed.
std::map<std::string, std::string> contenuto(const fs::path& dir) {
  std::map<std::string, std::string> r;
  for (const auto& voce : fs::recursive_directory_iterator(dir)) {
    const std::string nome = fs::relative(voce.path(), dir).generic_string();
    r[nome] = voce.is_symlink() ? "(link)" : voce.is_regular_file() ? read_file(voce.path()) : "(folder)";
  }
  return r;
}

// The exported sources ("src") compiled twice ("a", "b"), and the route
// source copied under a map's name ("route.svg") for compile's --map.
class UscitaSuIngresso : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    modello_ = new temp_folder;
    const fs::path& d = modello_->path();
    ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, d).status, 0);
    fs::copy_file(d / "src" / nome_sorgente_linea(id_inc), d / "route.svg");
    fs::copy_file(d / "src" / nome_sorgente_treno(id_inc), d / "train.txt");
    for (const char* uscita : {"a", "b"}) {
      const auto r = run_tool_in_process(
          {"compile", "src/" + nome_sorgente_linea(id_inc), "src/" + nome_sorgente_treno(id_inc), "-o", uscita}, d);
      ASSERT_EQ(r.status, 0) << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete modello_;
    modello_ = nullptr;
  }
  // A fresh copy of the folders for one case.
  static void copia_in(const fs::path& dir) { fs::copy(modello_->path(), dir, fs::copy_options::recursive); }

 private:
  static temp_folder* modello_;
};
temp_folder* UscitaSuIngresso::modello_ = nullptr;

// How the output names the input file `f` (relative to the test's folder
// `d`): the path itself, other spellings of it, a symbolic link to it, a
// hard link of it. Nothing when this system cannot make the link.
enum class grafia { stessa, punto, cartella_nuova, collegamento, collegamento_fisico };
constexpr grafia grafie[] = {grafia::stessa, grafia::punto, grafia::cartella_nuova, grafia::collegamento,
                             grafia::collegamento_fisico};
const char* nome_grafia(grafia g) {
  switch (g) {
    case grafia::stessa:
      return "same path";
    case grafia::punto:
      return "./path";
    case grafia::cartella_nuova:
      return "new/../path";
    case grafia::collegamento:
      return "symbolic link";
    case grafia::collegamento_fisico:
      return "hard link";
  }
  return "?";
}
std::optional<std::string> scrivi_come(grafia g, const fs::path& d, const std::string& f, const std::string& come) {
  std::error_code ec;
  switch (g) {
    case grafia::stessa:
      return f;
    case grafia::punto:
      return "./" + f;
    case grafia::cartella_nuova:
      return "new/../" + f;
    case grafia::collegamento:
      fs::create_symlink(fs::absolute(d / f), d / come, ec);
      return ec ? std::nullopt : std::optional(come);
    case grafia::collegamento_fisico:
      fs::create_hard_link(d / f, d / come, ec);
      return ec ? std::nullopt : std::optional(come);
  }
  return std::nullopt;
}

struct caso {
  const char* comando;
  std::string ingresso;  // the input file the output must not replace
  std::string come;      // the name a link to it takes (its extension the output's)
  std::function<std::vector<std::string>(const std::string& uscita)> argomenti;
};

TEST_F(UscitaSuIngresso, EveryOutputOptionRefusesAnInput) {
  const std::string sommario_a = "a/" + nome_file_sommario(id_inc);
  const std::vector<caso> casi{
      {"diff --html", sommario_a, "page.html",
       [](const std::string& u) {
         return std::vector<std::string>{"diff", "a", "b", "--html", u};
       }},
      {"diff --html (AFTER's file)", "b/" + nome_file_percorso(id_inc), "page.html",
       [](const std::string& u) {
         return std::vector<std::string>{"diff", "a", "b", "--html", u};
       }},
      // map -o takes only a map's name, which no binary file has: a link under one.
      {"map -o", sommario_a, "map.svg",
       [](const std::string& u) {
         return std::vector<std::string>{"map", "a", "-o", u};
       }},
      {"compile --map", "route.svg", "map.svg",
       [](const std::string& u) {
         return std::vector<std::string>{"compile", "route.svg", "train.txt", "-o", "out", "--map", u};
       }},
  };
  for (const caso& c : casi) {
    for (const grafia g : grafie) {
      // map -o under the input's own path is refused for its name already.
      if (std::string(c.comando) == "map -o" && g != grafia::collegamento && g != grafia::collegamento_fisico) continue;
      SCOPED_TRACE(std::string(c.comando) + ", " + nome_grafia(g));
      temp_folder dir;
      const fs::path d = dir.path() / "t";
      copia_in(d);
      const auto uscita = scrivi_come(g, d, c.ingresso, c.come);
      if (!uscita) continue;  // no links here
      const auto prima = contenuto(d);
      const auto r = run_tool_in_process(c.argomenti(*uscita), d);
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_NE(r.err.find(*uscita + " is the same file as the input "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(fs::path(c.ingresso).filename().string()), std::string::npos) << r.err;
      EXPECT_TRUE(contenuto(d) == prima);  // nothing written, no folder made
    }
  }
}

// compile -o DIR: a source that lives in DIR under the name of a file the
// compile writes there, DIR spelled any way, or reached there by a link.
TEST_F(UscitaSuIngresso, CompileRefusesAFolderWhereASourceHasAnOutputsName) {
  const std::string nome = nome_file_percorso(id_inc);
  for (const grafia g : grafie) {
    SCOPED_TRACE(nome_grafia(g));
    temp_folder dir;
    const fs::path d = dir.path() / "t";
    copia_in(d);
    fs::create_directory(d / "dir");
    std::string sorgente = "dir/" + nome;
    std::optional<std::string> cartella;
    std::error_code ec;
    if (g == grafia::collegamento_fisico) {
      // The source outside, a hard link of it in the folder.
      sorgente = "route.svg";
      fs::create_hard_link(d / "route.svg", d / "dir" / nome, ec);
      if (!ec) cartella = "dir";
    } else if (g == grafia::collegamento) {
      // The source in the folder, the folder reached by a link.
      fs::copy_file(d / "route.svg", d / "dir" / nome);
      fs::create_directory_symlink(fs::absolute(d / "dir"), d / "altra", ec);
      if (!ec) cartella = "altra";
    } else {
      fs::copy_file(d / "route.svg", d / "dir" / nome);
      cartella = scrivi_come(g, d, "dir", "");
    }
    if (!cartella) continue;  // no links here
    const auto prima = contenuto(d);
    const auto r = run_tool_in_process({"compile", sorgente, "train.txt", "-o", *cartella}, d);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(" is the same file as the input " + sorgente), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("never overwrites its sources"), std::string::npos) << r.err;
    EXPECT_TRUE(contenuto(d) == prima);
  }
}

// An output that is no input is written as before.
TEST_F(UscitaSuIngresso, OtherOutputsAreWritten) {
  temp_folder dir;
  const fs::path d = dir.path() / "t";
  copia_in(d);
  EXPECT_EQ(run_tool_in_process({"diff", "a", "b", "--html", "new/../page.html"}, d).status, 0);
  EXPECT_TRUE(fs::exists(d / "page.html"));
  EXPECT_EQ(run_tool_in_process({"map", "a", "-o", "a/map.svg"}, d).status, 0);
  EXPECT_TRUE(fs::exists(d / "a" / "map.svg"));
  EXPECT_EQ(run_tool_in_process({"compile", "route.svg", "train.txt", "-o", "out", "--map", "out/m.svg"}, d).status, 0);
  EXPECT_TRUE(fs::exists(d / "out" / "m.svg"));
}

}  // namespace
}  // namespace scen
