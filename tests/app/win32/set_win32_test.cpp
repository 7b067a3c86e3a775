// The set of scenario.exe and of scenario-tool.exe compile replaced as one
// transaction on Windows: a rename failing at any position (the test seam),
// and a final file held open by another program (this test, a process of
// its own), leave exactly the earlier set, and the message says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "support/files.h"
#include "support/process_win32.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using files = std::map<std::string, std::string>;

// An environment variable of this process, which the programs it starts
// inherit, for the life of the object.
class seam_set {
 public:
  seam_set(const wchar_t* name, int value) : name_(name) {
    ::SetEnvironmentVariableW(name_, std::to_wstring(value).c_str());
  }
  ~seam_set() { ::SetEnvironmentVariableW(name_, nullptr); }
  seam_set(const seam_set&) = delete;
  seam_set& operator=(const seam_set&) = delete;

 private:
  const wchar_t* name_;
};

// A program's set: its final names in the order it renames them, and how
// it is started in `dir`.
struct command {
  const char* name;
  std::vector<std::string> set;
  fs::path (*exe)(const fs::path& dir);
  std::wstring (*args)(const fs::path& dir);
};

fs::path program_in(const fs::path& dir) {
  fs::copy_file(test_win32::built(SCENARIO_EXE_RELATIVE), dir / "scenario.exe");
  return dir / "scenario.exe";
}
fs::path tool_in(const fs::path&) { return test_win32::built(SCENARIO_TOOL_EXE_RELATIVE); }
std::wstring no_args(const fs::path&) { return L""; }
std::wstring compile_args(const fs::path& dir) {
  return L"compile \"" + (dir / "route.txt").wstring() + L"\" \"" + (dir / "train.txt").wstring() + L"\" -o \"" +
         dir.wstring() + L"\" --route-name Prova --train-number 1";
}

std::vector<command> commands() {
  const identita run = identita_incorporata();
  const identita prova{"Prova", "1"};
  return {{"scenario.exe",
           {nome_note(run), nome_rallentamenti(run), nome_scheda(run), nome_file_sommario(run), nome_file_percorso(run),
            nome_file_linea(run)},
           program_in,
           no_args},
          {"scenario-tool.exe compile",
           {nome_file_sommario(prova), nome_file_percorso(prova), nome_file_linea(prova)},
           tool_in,
           compile_args}};
}

// The earlier set: other bytes under every final name, and the sources
// compile reads.
files earlier_set(const command& c) {
  files f{{"route.txt", testo_linea()}, {"train.txt", testo_treno()}};
  int i = 0;
  for (const std::string& name : c.set) f[name] = "earlier file " + std::to_string(i++) + "\r\n";
  return f;
}

files in_folder(const fs::path& dir) {
  files f;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != "scenario.exe" && name != ".scenario.lock") f[name] = test_util::read_file(e.path());
  }
  return f;
}

struct ended {
  DWORD status;
  std::string said;
};

ended run(const command& c, const fs::path& dir, const fs::path& err) {
  test_win32::child p(c.exe(dir), c.args(dir), err);
  const DWORD status = p.wait();
  return {status, test_util::read_file(err)};
}

TEST(SetWin32, ARenameFailingAtAnyPositionLeavesTheEarlierSet) {
  for (const command& c : commands()) {
    for (std::size_t failing = 1; failing <= c.set.size(); ++failing) {
      SCOPED_TRACE(std::string(c.name) + ", rename " + std::to_string(failing));
      test_util::temp_folder tmp;
      const fs::path dir = tmp.path() / "run";
      fs::create_directories(dir);
      for (const auto& [name, byte] : earlier_set(c)) test_util::write_file(dir / name, byte);
      const seam_set seam(L"SCENARIO_TEST_FAIL_RENAME", static_cast<int>(failing));
      const ended e = run(c, dir, tmp.path() / "err.txt");
      EXPECT_EQ(e.status, static_cast<DWORD>(exit_status::failure)) << e.said;
      EXPECT_NE(e.said.find(c.set[failing - 1]), std::string::npos) << e.said;
      EXPECT_NE(e.said.find("nothing was replaced"), std::string::npos) << e.said;
      EXPECT_EQ(in_folder(dir), earlier_set(c));
    }
  }
}

TEST(SetWin32, AFileOpenInAnotherProgramIsFoundBeforeAnythingIsReplaced) {
  for (const command& c : commands()) {
    for (const std::string& held : c.set) {
      SCOPED_TRACE(std::string(c.name) + ", " + held + " held open");
      test_util::temp_folder tmp;
      const fs::path dir = tmp.path() / "run";
      fs::create_directories(dir);
      for (const auto& [name, byte] : earlier_set(c)) test_util::write_file(dir / name, byte);
      // Open as a simulator holds its files: others may read, not delete.
      HANDLE h = ::CreateFileW((dir / held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      const ended e = run(c, dir, tmp.path() / "err.txt");
      ::CloseHandle(h);
      EXPECT_EQ(e.status, static_cast<DWORD>(exit_status::failure)) << e.said;
      EXPECT_NE(e.said.find(held + ": is open in another program"), std::string::npos) << e.said;
      EXPECT_NE(e.said.find("nothing was replaced"), std::string::npos) << e.said;
      EXPECT_EQ(in_folder(dir), earlier_set(c));
    }
  }
}

}  // namespace
}  // namespace scen
