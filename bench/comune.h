// What the benchmarks share: the sources of the embedded scenario and of the
// generated routes, the steps of a run in memory, and a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "generatore.h"
#include "model/modello.h"

namespace scen::banco {

// The embedded scenario's two sources, as its writers produce them.
const sorgenti_generate& sorgenti_incorporate();
// The generated route of `chilometri` km, made once per process.
const sorgenti_generate& sorgenti_percorso(std::int32_t chilometri);

// The compile step on sources held in memory, as the run does it: station
// table cleared, code 0, plan view wanted.
modello compila(const sorgenti_generate& s);
// The compile step, the code pass and the marker step; the model must end
// with no error (std::runtime_error otherwise, so a broken generator cannot
// pass for a fast one).
modello compila_completo(const sorgenti_generate& s);

// The three binary files' bytes, in the order the run writes them.
struct file_codificati {
  std::string linea;
  std::string sommario;
  std::string percorso;
  std::size_t byte() const { return linea.size() + sommario.size() + percorso.size(); }
};
file_codificati codifica(const modello& m);
// The three files encoded as the run encodes them, piece by piece, into a
// stream that keeps nothing; returns how many bytes went through it.
std::size_t codifica_a_pezzi_nel_vuoto(const modello& m);

// A fresh folder under the system's temporary folder, removed at the end.
class cartella_di_prova {
 public:
  cartella_di_prova();
  ~cartella_di_prova();
  cartella_di_prova(const cartella_di_prova&) = delete;
  cartella_di_prova& operator=(const cartella_di_prova&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace scen::banco
