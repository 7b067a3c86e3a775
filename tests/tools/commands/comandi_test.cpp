// One rule for the identity of a folder's files, whichever command reads the
// folder: the one scenario there is found, several ask for the options, and
// the two options name one of them.
#include <gtest/gtest.h>

#include "support/files.h"
#include "support/sources.h"
#include "support/tool_in_process.h"

namespace scen {
namespace {

using test_util::join_crlf;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;

// The arguments of each command that reads the folder "out".
const std::vector<std::vector<std::string>> lettori{
    {"check", "out"}, {"map", "out", "-o", "m.svg"}, {"diff", "out", "out"}};

class FolderIdentity : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir_.path() / "route.txt", join_crlf(test_util::linea_piccola()));
    write_file(dir_.path() / "train.txt", join_crlf(test_util::treno_piccolo()));
  }
  void compila(const std::string& linea, const std::string& treno) {
    const auto r = run_tool_in_process(
        {"compile", "route.txt", "train.txt", "-o", "out", "--route-name", linea, "--train-number", treno},
        dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
  }
  test_util::tool_result esegui(std::vector<std::string> args, const std::vector<std::string>& altri = {}) {
    args.insert(args.end(), altri.begin(), altri.end());
    return run_tool_in_process(args, dir_.path());
  }
  temp_folder dir_;
};

TEST_F(FolderIdentity, EveryCommandThatReadsAFolderFollowsTheSameRule) {
  compila("Prova_Linea", "7");
  for (const auto& args : lettori) {
    SCOPED_TRACE(args[0]);
    // The one scenario of the folder, though it is not the embedded one.
    const auto uno = esegui(args);
    EXPECT_EQ(uno.status, 0) << uno.err;
  }
  compila("Prova_Linea", "8");
  for (const auto& args : lettori) {
    SCOPED_TRACE(args[0]);
    const auto due = esegui(args);
    EXPECT_EQ(due.status, 2);
    EXPECT_NE(due.err.find("holds the files of several scenarios (Prova_Linea / 7, Prova_Linea / 8)"),
              std::string::npos)
        << due.err;
    // One option that leaves one of them chooses it; both options name it.
    EXPECT_EQ(esegui(args, {"--train-number", "8"}).status, 0);
    EXPECT_EQ(esegui(args, {"--route-name", "Prova_Linea", "--train-number", "7"}).status, 0);
    EXPECT_EQ(esegui(args, {"--route-name", "Prova_Linea"}).status, 2);
    // Options that name no scenario there: the files are missing.
    EXPECT_NE(esegui(args, {"--route-name", "Altra", "--train-number", "1"}).status, 0);
  }
}

// The map's file name is judged by one rule, whichever command draws it.
TEST_F(FolderIdentity, CompileAndMapRefuseAMapFileNameAlike) {
  compila("Prova_Linea", "7");
  for (const std::string nome : {"m.txt", "m", "m.svgz", "m.svg.bak"}) {
    SCOPED_TRACE(nome);
    const std::string atteso = nome + ": the map is written as SVG, PNG, PDF or HTML";
    const auto c = esegui({"compile", "route.txt", "train.txt", "-o", "altro", "--map", nome});
    const auto m = esegui({"map", "out", "-o", nome});
    for (const auto* r : {&c, &m}) {
      EXPECT_EQ(r->status, 2);
      EXPECT_NE(r->err.find(atteso), std::string::npos) << r->err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "altro"));
  }
}

}  // namespace
}  // namespace scen
