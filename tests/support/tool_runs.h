// What the tests of scenario-tool share: running the built tool in a folder,
// and the embedded scenario compiled into a folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "embedded/scrittori.h"
#include "model/nomi_file.h"
#include "platform/folder.h"
#include "run/pipeline.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/sources.h"

namespace scen::test_util {

// The built tool with `args`, in `folder`.
inline process_result run_tool(std::vector<std::string> args, const std::filesystem::path& folder) {
  args.insert(args.begin(), SCENARIO_TOOL_EXE);
  return run_process(args, folder);
}

// The embedded scenario's three binary files in `dir`, as the run makes them
// (its sources are written there and compiled away).
inline void compila_incorporato(const std::filesystem::path& dir) {
  folder dove(dir);
  const identita id = identita_incorporata();
  dati_linea(dove, id);
  dati_treno(dove, id);
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_cartella s(dove, id);
  memorizza_percorso(m, 1, id, s, dove);
}

}  // namespace scen::test_util
