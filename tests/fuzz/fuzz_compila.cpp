// The whole compile of hostile sources, as the run does it: compile, code
// pass, markers and check codes, binary files. It must end with a result
// (never an escaped exception, never a sanitizer report), and every file it
// writes must decode back to the model member it came from.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "compiler/sorgenti.h"
#include "formato.h"
#include "formats/decodifica.h"
#include "model/codici_errore.h"
#include "model/nomi_file.h"
#include "passes/marcatori.h"
#include "platform/folder.h"
#include "run/pipeline.h"

namespace {

using namespace scen;
using fuzz::esigi;

// A folder of its own for the files of this fuzzing process, removed at exit.
class cartella_propria {
 public:
  cartella_propria() {
    std::string modello = (std::filesystem::temp_directory_path() / "scenario-fuzz-XXXXXX").string();
    if (::mkdtemp(modello.data()) == nullptr) fuzz::violata("a temporary folder can be made");
    percorso_ = modello;
  }
  ~cartella_propria() {
    std::error_code ec;
    std::filesystem::remove_all(percorso_, ec);
  }
  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};

void controlla_file(const modello& m, const identita& id, folder& dove, const std::vector<std::string>& scritti) {
  std::vector<std::string> attesi;
  if (m.scrivi_linea != 0) attesi.push_back(nome_file_linea(id));
  attesi.push_back(nome_file_sommario(id));
  attesi.push_back(nome_file_percorso(id));
  esigi(scritti == attesi, "the run writes exactly the binary files of its identity, in order");

  for (const std::string& nome : scritti) {
    const std::optional<std::string> byte = dove.read(nome);
    esigi(byte.has_value(), "a file the run says it wrote exists");
    switch (*tipo_da_nome(nome)) {
      case tipo_file::linea:
        esigi(fuzz::piani_identici(decodifica_linea(*byte), *m.planimetria),
              "the line data file decodes to the plan view");
        break;
      case tipo_file::sommario:
        esigi(decodifica_sommario(*byte) == m.stazioni, "the summary file decodes to the station table");
        break;
      case tipo_file::percorso:
        esigi(decodifica_percorso(*byte) == *m.percorso, "the track file decodes to the cells");
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t n) {
  static cartella_propria propria;
  if (n == 0) return 0;
  const fuzz::ingresso_compila in = fuzz::dividi({reinterpret_cast<const char*>(dati), n});

  const identita id{"Fuzz", "1"};
  modello m;
  m.nome_linea = id.nome_linea;
  m.nome_treno = id.nome_treno;
  sorgenti_in_memoria s(in.linea, in.treno);
  folder dove(propria.percorso());

  const esito_percorso esito = memorizza_percorso(m, in.scrivi_linea, id, s, dove);
  if (esito.fatale) {
    const std::string& testo = *esito.fatale;
    esigi(esito.scritti.empty(), "a fatal end writes no binary file");
    const bool senza_celle = !m.percorso && testo == std::to_string(m.codice_errore);
    esigi(senza_celle || testo == "1250" || testo == "1251", "a fatal end is one the run knows");
    return 0;
  }

  esigi(m.codice_errore == 0 || cerca_errore(m.codice_errore) != nullptr, "every recorded code is a known one");
  esigi(m.percorso.has_value() && m.percorso->size() == static_cast<std::size_t>(m.ultima_cella) + 1,
        "the cells run from 0 to the last cell");
  esigi((*m.percorso)[1].valore1 == marcatore_percorso && m.stazioni[voce::linea].gruppo_a1 == marcatore_sommario,
        "the markers are stamped");
  if (m.scrivi_linea != 0) {
    esigi(m.planimetria.has_value() && m.planimetria->ultimo_metro() == m.lunghezza_totale,
          "the plan view runs from metre 0 to the last metre");
  }
  controlla_file(m, id, dove, esito.scritti);
  return 0;
}
