// scenario-tool.exe as an author starts it on Windows: every command in
// folders named in any script (Cyrillic, Chinese, an emoji, accented Latin,
// blanks), its sources and its outputs there, and the folder lock's two
// refusals, a run holding the folder and a lock file that cannot be opened.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/nomi_file.h"
#include "platform/exit_status.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/path_text.h"
#include "run/pipeline.h"
#include "support/files.h"
#include "support/process_win32.h"

namespace scen {
namespace {

namespace fs = std::filesystem;

const identita id = identita_incorporata();

// The tool with the command-line tail `args`: its status and what it wrote
// (standard output and standard error together).
struct tool_outcome {
  DWORD status = 0;
  std::string said;
};

tool_outcome run_tool(const fs::path& log, const std::wstring& args) {
  test_win32::child c(test_win32::built(SCENARIO_TOOL_EXE_RELATIVE), args, log);
  tool_outcome o;
  o.status = c.wait();
  o.said = test_util::read_file(log);
  return o;
}

// A path as one argument of a command line.
std::wstring quoted(const fs::path& p) { return L"\"" + p.wstring() + L"\""; }
// UTF-8 text as the command line's wide characters.
std::wstring wide(const std::string& utf8) { return path_from_utf8(utf8).wstring(); }

// The three binary files of the embedded scenario, as the run writes them.
std::vector<std::pair<std::string, std::string>> reference_files() {
  test_util::temp_folder tmp;
  folder dove(tmp.path());
  modello m;
  EXPECT_FALSE(esegui_scenario(dove, m).fatale);
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& nome : {nome_file_linea(id), nome_file_sommario(id), nome_file_percorso(id)}) {
    files.emplace_back(nome, test_util::read_file(tmp.path() / nome));
  }
  return files;
}

// Folder names no single code page holds, as UTF-8.
const std::vector<std::string> folder_names{
    "\xD0\x9C\xD0\xB0\xD1\x80\xD1\x88\xD1\x80\xD1\x83\xD1\x82",  // Cyrillic
    "\xE8\xB7\xAF\xE7\xBA\xBF",                                  // Chinese
    "\xF0\x9F\x9A\x86 test",                                     // an emoji beyond the 16-bit range, a blank
    "Linea \xC3\xA8 \xC5\x81\xC3\xB3"
    "d\xC5\xBA",  // accented Latin, in and out of Windows-1252
};

TEST(ToolWin32, EveryCommandReadsAndWritesInFoldersNamedInAnyScript) {
  const auto expected = reference_files();
  test_util::temp_folder tmp;
  const fs::path log = tmp.path() / "said.txt";
  for (const std::string& name : folder_names) {
    SCOPED_TRACE(name);
    const fs::path base = tmp.path() / path_from_utf8(name);
    const fs::path sources = base / path_from_utf8(name + " sorgenti");
    const fs::path bin = base / "bin";

    const tool_outcome exported = run_tool(log, L"export -o " + quoted(sources));
    ASSERT_EQ(exported.status, 0u) << exported.said;
    // Each path printed is the file's, in UTF-8.
    EXPECT_NE(exported.said.find(utf8_of(sources / path_from_utf8(nome_scheda(id)))), std::string::npos)
        << exported.said;
    const fs::path linea = sources / path_from_utf8(nome_sorgente_linea(id));
    const fs::path treno = sources / path_from_utf8(nome_sorgente_treno(id));
    ASSERT_TRUE(fs::is_regular_file(linea));
    ASSERT_TRUE(fs::is_regular_file(treno));

    const tool_outcome linted = run_tool(log, L"lint " + quoted(linea) + L" " + quoted(treno));
    EXPECT_EQ(linted.status, 0u) << linted.said;

    const fs::path drawn = base / path_from_utf8(name + " compilato.svg");
    const tool_outcome compiled = run_tool(
        log, L"compile " + quoted(linea) + L" " + quoted(treno) + L" -o " + quoted(bin) + L" --map " + quoted(drawn));
    ASSERT_EQ(compiled.status, 0u) << compiled.said;
    for (const auto& [file, bytes] : expected) {
      EXPECT_TRUE(test_util::read_file(bin / file) == bytes) << file << " differs from the run's";
      EXPECT_NE(compiled.said.find(utf8_of(bin / file)), std::string::npos) << compiled.said;
    }
    EXPECT_TRUE(fs::is_regular_file(drawn));

    const tool_outcome checked = run_tool(log, L"check " + quoted(bin));
    EXPECT_EQ(checked.status, 0u) << checked.said;

    const tool_outcome dumped = run_tool(log, L"dump " + quoted(bin / path_from_utf8(nome_file_sommario(id))));
    EXPECT_EQ(dumped.status, 0u) << dumped.said;

    const fs::path map = base / path_from_utf8(name + " mappa.html");
    const tool_outcome mapped = run_tool(log, L"map " + quoted(bin) + L" -o " + quoted(map));
    EXPECT_EQ(mapped.status, 0u) << mapped.said;
    EXPECT_TRUE(fs::is_regular_file(map));
    EXPECT_NE(mapped.said.find(utf8_of(map)), std::string::npos) << mapped.said;

    const fs::path page = base / path_from_utf8(name + " confronto.html");
    const tool_outcome compared =
        run_tool(log, L"diff " + quoted(bin) + L" " + quoted(bin) + L" --html " + quoted(page));
    EXPECT_EQ(compared.status, 0u) << compared.said;
    EXPECT_TRUE(fs::is_regular_file(page));
  }
}

// A route name beyond the code page names the files it writes, and the
// commands that read a folder find that identity from the file names.
TEST(ToolWin32, ARouteNameInAnyScriptNamesItsFiles) {
  test_util::temp_folder tmp;
  const fs::path log = tmp.path() / "said.txt";
  const fs::path sources = tmp.path() / "sorgenti";
  ASSERT_EQ(run_tool(log, L"export -o " + quoted(sources)).status, 0u);
  const std::string route = folder_names[0] + "_" + folder_names[1];
  const identita named{route, "4713"};
  const fs::path bin = tmp.path() / path_from_utf8(folder_names[2]);
  const tool_outcome compiled = run_tool(log, L"compile " + quoted(sources / path_from_utf8(nome_sorgente_linea(id))) +
                                                  L" " + quoted(sources / path_from_utf8(nome_sorgente_treno(id))) +
                                                  L" -o " + quoted(bin) + L" --route-name \"" + wide(route) + L"\"");
  ASSERT_EQ(compiled.status, 0u) << compiled.said;
  for (const std::string& file : {nome_file_linea(named), nome_file_sommario(named), nome_file_percorso(named)}) {
    EXPECT_TRUE(fs::is_regular_file(bin / path_from_utf8(file))) << file;
  }
  const tool_outcome mapped = run_tool(log, L"map " + quoted(bin));
  EXPECT_EQ(mapped.status, 0u) << mapped.said;
  EXPECT_TRUE(fs::is_regular_file(bin / path_from_utf8(route + "_4713_map.svg"))) << mapped.said;
}

// The lock file read-only: status 2 at once, naming it; the folder held by
// another run: status 4 after the wait, saying so.
TEST(ToolWin32, AReadOnlyLockFileIsAFailureAndAFolderHeldByARunIsBusy) {
  test_util::temp_folder tmp;
  const fs::path log = tmp.path() / "said.txt";
  const fs::path out = tmp.path() / path_from_utf8(folder_names[0]);
  fs::create_directories(out);
  const fs::path lock = out / std::string(folder_lock::file_name);
  test_util::write_file(lock, "");
  ASSERT_TRUE(::SetFileAttributesW(lock.c_str(), FILE_ATTRIBUTE_READONLY));
  const tool_outcome refused = run_tool(log, L"export -o " + quoted(out));
  EXPECT_EQ(refused.status, static_cast<DWORD>(exit_status::failure)) << refused.said;
  EXPECT_NE(refused.said.find(utf8_of(lock)), std::string::npos) << refused.said;
  EXPECT_NE(refused.said.find("read-only; the lock file cannot be opened for writing"), std::string::npos)
      << refused.said;
  EXPECT_EQ(refused.said.find("in use"), std::string::npos) << refused.said;
  ASSERT_TRUE(::SetFileAttributesW(lock.c_str(), FILE_ATTRIBUTE_NORMAL));

  const folder_lock held(out);
  const tool_outcome busy = run_tool(log, L"export -o " + quoted(out));
  EXPECT_EQ(busy.status, static_cast<DWORD>(exit_status::busy)) << busy.said;
  EXPECT_NE(busy.said.find(utf8_of(out) + ": in use by another run"), std::string::npos) << busy.said;
}

}  // namespace
}  // namespace scen
