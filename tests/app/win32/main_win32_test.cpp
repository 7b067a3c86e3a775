// scenario.exe as a user starts it: from a folder of its own whose path goes
// beyond ASCII, with a read-only file in its way, and killed at any moment.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "embedded/testi.h"
#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "run/pipeline.h"
#include "support/files.h"
#include "support/process_win32.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

const identita id = identita_incorporata();

// Every file a run may leave under a final name, with its complete bytes:
// the run's six files and the two sources.
std::map<std::string, std::string> complete_files() {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  modello m;
  EXPECT_FALSE(esegui_scenario(dove, m).fatale);
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(tmp.path())) {
    files[e.path().filename().string()] = test_util::read_file(e.path());
  }
  files[nome_sorgente_linea(id)] = testo_linea();
  files[nome_sorgente_treno(id)] = testo_treno();
  return files;
}

bool is_temporary(const std::string& nome) { return nome.starts_with(".") && nome.find(".tmp-") != std::string::npos; }

// A copy of scenario.exe in a fresh folder, as a user would place it.
fs::path place_program(const fs::path& dir) {
  fs::create_directories(dir);
  fs::copy_file(test_win32::built(SCENARIO_EXE_RELATIVE), dir / "scenario.exe");
  return dir / "scenario.exe";
}

// Runs the program to its end. When it shows a message box (a desktop is
// there), the box's text is read and its OK button pressed, as a user would.
struct outcome {
  DWORD status = 0;
  std::string err;                 // standard error
  std::vector<std::string> boxes;  // texts of the boxes shown
};

struct box_search {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK find_box(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<box_search*>(data);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[16] = {};
  ::GetClassNameW(hwnd, cls, 16);
  if (pid == s->pid && std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) s->found.push_back(hwnd);
  return TRUE;
}

outcome run_program(const fs::path& exe, const fs::path& err_file) {
  test_win32::child c(exe, L"", err_file);
  outcome o;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!c.ended()) {
    box_search s{c.pid(), {}};
    ::EnumWindows(find_box, reinterpret_cast<LPARAM>(&s));
    for (HWND box : s.found) {
      char text[512] = {};
      ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      o.boxes.emplace_back(text);
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    if (std::chrono::steady_clock::now() > limit) {
      ADD_FAILURE() << "the program did not end";
      break;
    }
    ::Sleep(50);
  }
  o.status = c.wait();
  o.err = test_util::read_file(err_file);
  return o;
}

TEST(ProgramWin32, InAFolderBeyondAsciiItWritesTheSixFilesOfTheRunAndNothingElse) {
  const auto expected = complete_files();
  test_util::temp_folder tmp;
  // Latin beyond Windows-1252, Cyrillic, Chinese and an emoji beyond 16 bits.
  const fs::path dir = tmp.path() / path_from_utf8(
                                        "Giochi \xC3\xA8 \xC5\x81\xC3\xB3"
                                        "d\xC5\xBA \xD0\x9C\xD0\xB0\xD1\x80\xD1\x88\xD1\x80\xD1\x83\xD1\x82 "
                                        "\xE8\xB7\xAF\xE7\xBA\xBF \xF0\x9F\x9A\x86");
  const fs::path exe = place_program(dir);
  const outcome o = run_program(exe, tmp.path() / "err.txt");
  EXPECT_EQ(o.status, static_cast<DWORD>(exit_status::clean)) << o.err;
  EXPECT_TRUE(o.boxes.empty());
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string nome = e.path().filename().string();
    if (nome == "scenario.exe") continue;
    left.push_back(nome);
    ASSERT_TRUE(expected.contains(nome)) << nome;
    EXPECT_TRUE(test_util::read_file(e.path()) == expected.at(nome)) << nome << " differs from the run's bytes";
  }
  EXPECT_EQ(left.size(), 6u) << "the three documents and the three binary files; no source, no temporary";
}

TEST(ProgramWin32, AReadOnlyFileInTheWayEndsTheRunWithItsStatusNamingTheFile) {
  test_util::temp_folder tmp;
  const fs::path dir = tmp.path() / "run";
  const fs::path exe = place_program(dir);
  const fs::path blocked = dir / nome_file_sommario(id);
  test_util::write_file(blocked, "kept");
  ASSERT_TRUE(::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_READONLY));
  const outcome o = run_program(exe, tmp.path() / "err.txt");
  EXPECT_EQ(o.status, static_cast<DWORD>(exit_status::failure));
  // With a desktop the box says it; without one, standard error does.
  const std::string said = o.boxes.empty() ? o.err : o.boxes.front();
  EXPECT_NE(said.find(nome_file_sommario(id)), std::string::npos) << said;
  EXPECT_NE(said.find("read-only"), std::string::npos) << said;
  ::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(test_util::read_file(blocked), "kept");
  EXPECT_FALSE(fs::exists(dir / nome_file_percorso(id))) << "the run ended at the failure";
}

TEST(ProgramWin32, KilledAtAnyMomentItNeverLeavesAnIncompleteFileUnderAFinalName) {
  const auto expected = complete_files();
  test_util::temp_folder tmp;
  // How long a whole run takes here, to spread the kills over it.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run_program(place_program(tmp.path() / "whole"), tmp.path() / "err.txt").status, 0u);
  const auto whole_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<long> delay(0, static_cast<long>(whole_ms.count()));
  int killed = 0;
  for (int i = 0; i < 12; ++i) {
    const fs::path dir = tmp.path() / ("run-" + std::to_string(i));
    const long after_ms = delay(random);
    {
      test_win32::child c(place_program(dir), L"", tmp.path() / ("err-" + std::to_string(i) + ".txt"));
      ::Sleep(static_cast<DWORD>(after_ms));
      if (!c.terminate()) ++killed;
    }
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string nome = e.path().filename().string();
      // The lock file of a killed run stays; the system let go of its lock.
      // A kill during the renames leaves the set's journal, which the next
      // run finishes.
      if (nome == "scenario.exe" || is_temporary(nome) || nome == folder_lock::file_name ||
          nome == folder::journal_name) {
        continue;
      }
      ASSERT_TRUE(expected.contains(nome)) << "killed after " << after_ms << " ms: unexpected file " << nome;
      ASSERT_TRUE(test_util::read_file(e.path()) == expected.at(nome))
          << "killed after " << after_ms << " ms: " << nome << " is under its final name but not complete";
    }
    // What a killed run left never stops the next one.
    ASSERT_EQ(run_program(dir / "scenario.exe", tmp.path() / "err.txt").status, 0u) << "after a kill at " << after_ms;
    EXPECT_FALSE(fs::exists(dir / std::string(folder::journal_name))) << "the next run left the journal";
  }
  std::printf("12 runs over %lld ms each, %d killed during the run\n", static_cast<long long>(whole_ms.count()),
              killed);
}

}  // namespace
}  // namespace scen

namespace scen {
namespace {

// scenario-tool.exe takes paths written with either slash, and compiles
// what it exports into the same binary files as the program's run.
TEST(ToolWin32, PathsWithEitherSlashReachTheSameFiles) {
  test_util::temp_folder tmp;
  const fs::path tool = test_win32::built(SCENARIO_TOOL_EXE_RELATIVE);
  const std::wstring base = tmp.path().wstring();
  auto run = [&](const std::wstring& args) {
    test_win32::child c(tool, args, tmp.path() / "err.txt");
    const DWORD status = c.wait();
    return std::make_pair(status, test_util::read_file(tmp.path() / "err.txt"));
  };
  const auto exported = run(L"export -o \"" + base + L"/sorgenti/nuove\"");
  ASSERT_EQ(exported.first, 0u) << exported.second;
  const std::wstring linea = base + L"\\sorgenti\\nuove\\" + fs::path(nome_sorgente_linea(id)).wstring();
  const std::wstring treno = base + L"/sorgenti/nuove/" + fs::path(nome_sorgente_treno(id)).wstring();
  const auto compiled = run(L"compile \"" + linea + L"\" \"" + treno + L"\" -o \"" + base + L"\\bin/uno\"");
  ASSERT_EQ(compiled.first, 0u) << compiled.second;

  test_util::temp_folder riferimento;
  folder dove(riferimento.path());
  modello m;
  ASSERT_FALSE(esegui_scenario(dove, m).fatale);
  for (const std::string& nome : {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
    EXPECT_TRUE(test_util::read_file(tmp.path() / "bin" / "uno" / nome) ==
                test_util::read_file(riferimento.path() / nome))
        << nome;
  }
  const auto checked = run(L"check \"" + base + L"/bin\\uno\"");
  EXPECT_EQ(checked.first, 0u) << checked.second;
}

}  // namespace
}  // namespace scen
