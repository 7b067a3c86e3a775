#include "comune.h"

#include <fmt/format.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

#include "compiler/compilatore.h"
#include "compiler/sorgenti.h"
#include "embedded/testi.h"
#include "formats/file_binari.h"
#include "model/nomi_file.h"
#include "passes/marcatori.h"
#include "passes/passo_codici.h"

namespace scen::banco {

const sorgenti_generate& sorgenti_incorporate() {
  static const sorgenti_generate s{testo_linea(), testo_treno()};
  return s;
}

const sorgenti_generate& sorgenti_percorso(std::int32_t chilometri) {
  static std::map<std::int32_t, sorgenti_generate> fatte;
  auto it = fatte.find(chilometri);
  if (it == fatte.end()) it = fatte.emplace(chilometri, genera_percorso(chilometri)).first;
  return it->second;
}

modello compila(const sorgenti_generate& s) {
  const identita id = identita_incorporata();
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  m.scrivi_linea = 1;
  sorgenti_in_memoria in_memoria(s.linea, s.treno);
  memorizza_dati(m, in_memoria);
  return m;
}

modello compila_completo(const sorgenti_generate& s) {
  modello m = compila(s);
  if (!m.percorso) throw std::runtime_error(fmt::format("the compile made no track (code {})", m.codice_errore));
  passo_codici(m);
  if (auto fatale = timbra_marcatori(m)) throw std::runtime_error("marker step failed: " + *fatale);
  if (m.codice_errore != 0) {
    throw std::runtime_error(fmt::format("error {} at {} m", m.codice_errore, m.posizione_errore));
  }
  return m;
}

file_codificati codifica(const modello& m) {
  return {codifica_linea(*m.planimetria), codifica_sommario(m.stazioni), codifica_percorso(*m.percorso)};
}

namespace {

// Counts the pieces' bytes and keeps none of them. The encoders reach it
// through the stream interface, so they cannot leave out any byte.
class flusso_nel_vuoto final : public byte_sink {
 public:
  void write(std::string_view byte) override { byte_ += byte.size(); }
  std::size_t byte() const { return byte_; }

 private:
  std::size_t byte_ = 0;
};

}  // namespace

std::size_t codifica_a_pezzi_nel_vuoto(const modello& m) {
  flusso_nel_vuoto vuoto;
  codifica_linea(*m.planimetria, vuoto);
  const std::string sommario = codifica_sommario(m.stazioni);
  vuoto.write(sommario);
  codifica_percorso(*m.percorso, vuoto);
  return vuoto.byte();
}

cartella_di_prova::cartella_di_prova() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / fmt::format("scenario-bench-{}-{}{}", ::getpid(), rd(), rd());
  std::filesystem::create_directories(path_);
}

cartella_di_prova::~cartella_di_prova() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace scen::banco
