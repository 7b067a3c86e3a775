// Writes the seed corpus of the fuzz targets into the folder given as the
// only argument: the embedded sources, small sources that reach each error
// the compile records, and binary files of every kind, whole and broken.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "embedded/testi.h"
#include "formato.h"
#include "formats/file_binari.h"
#include "passes/marcatori.h"
#include "passes/passo_codici.h"
#include "support/sources.h"

namespace {

using namespace scen;
namespace fs = std::filesystem;
using test_util::join_crlf;
using test_util::linea;
using test_util::sostituisci;
using test_util::treno;

void scrivi(const fs::path& cartella, const std::string& nome, const std::string& byte) {
  fs::create_directories(cartella);
  std::ofstream out(cartella / nome, std::ios::binary | std::ios::trunc);
  out << byte;
  if (!out) throw std::runtime_error("cannot write " + (cartella / nome).string());
}

std::string stazione(int p, int tipo, int l) {
  return "stazione,  " + std::to_string(p) + ", " + std::to_string(tipo) + ", " + std::to_string(l) +
         ", 0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, X";
}
std::string segnale(int p) { return "segnale,  " + std::to_string(p) + ",   2, 4, 0,  0, 0,    0,  0,0,0, 0"; }
const std::string rallentamento = "rallentamento,   36500,    70,  500, 1,  1,  0";

// Route and train pairs: the embedded scenario, then one small pair per
// error the compile can record.
std::vector<std::pair<std::string, fuzz::ingresso_compila>> semi_compila() {
  std::vector<std::pair<std::string, fuzz::ingresso_compila>> r;
  auto aggiungi = [&r](std::string nome, std::optional<std::string> l, std::optional<std::string> t,
                       std::int32_t piano = 1) {
    r.push_back({std::move(nome), {piano, std::move(l), std::move(t)}});
  };
  aggiungi("incorporato", testo_linea(), testo_treno());
  aggiungi("incorporato_senza_piano", testo_linea(), testo_treno(), 0);
  aggiungi("pulito", linea(), treno());
  aggiungi("101_senza_linea", std::nullopt, treno());
  aggiungi("102_linea_vuota", std::string(), treno());
  aggiungi("1_lunghezza", sostituisci(linea(), "85000", "1000001"), treno());
  aggiungi("2_zona", sostituisci(linea(), "82800,    1", "82825,    1"), treno());
  aggiungi("3_ripetizione", sostituisci(linea(), "codici,    0,", "codici,    25,"), treno());
  aggiungi("4_ripetizione", sostituisci(linea(), "76800", "76825"), treno());
  aggiungi("5_ripetizione", sostituisci(linea(), "segnali 4 codici", "segnali quattro codici"), treno());
  aggiungi("103_curva", linea("curvad7,  800,  450\r\n"), treno());
  aggiungi("21_cartelli", linea("indicatori_vmax,  700,  1,1,1,0,,,,0\r\nindicatori_vmax,  690,  1,1,1,0,,,,0\r\n"),
           treno());
  aggiungi("6_indicazione", linea("indicatori_vmax,  700,  1,1,1,0,,,,0\r\ncartello indicatore,  700,  \"TESTO\"\r\n"),
           treno());
  aggiungi("15_linea", linea("pendenza,  91950,  0\r\nmontagna,  1000,  2000,  12\r\n"), treno());
  aggiungi("25_senza_lunghezza", join_crlf({"[generale]", "[curve]", "[fine]"}), treno());
  aggiungi("7_codici", linea(), treno(join_crlf({"abbattimento,   56000,   180", "abbattimento,   56010,   180"})));
  aggiungi("8_stazione", linea(), treno(join_crlf({stazione(36725, 22, 500)})));
  aggiungi("9_stazione", linea(), treno(join_crlf({stazione(36750, 22, 550)})));
  aggiungi("15_stazione", linea(), treno(join_crlf({stazione(91250, 22, 500)})));
  aggiungi("15_velocita", linea(), treno(join_crlf({"velocita,   91950,   100", "aderenza,  500,  90"})));
  aggiungi("16_segnale", linea(), treno(join_crlf({segnale(1650), segnale(1660)})));
  aggiungi("17_rallentamento", linea(), treno(join_crlf({segnale(35300), rallentamento})));
  aggiungi("18_rallentamento", linea(), treno(join_crlf({segnale(36500), rallentamento})));
  aggiungi("19_rallentamento", linea(), treno(join_crlf({segnale(37000), rallentamento})));
  aggiungi("20_rallentamento", linea(), treno(join_crlf({segnale(35200), rallentamento})));
  aggiungi("22_stazioni", linea(), treno(join_crlf({stazione(10000, 22, 500), stazione(10500, 22, 500)})));
  aggiungi("24_stazione", linea(), treno(join_crlf({stazione(50, 12, 100)})));
  aggiungi("25_senza_treno", linea(), std::nullopt);
  aggiungi("25_parola", linea(), join_crlf({"[generale]", "numero vetture,  twelve", "[fine]"}));
  aggiungi("25_segnale", linea(), treno(join_crlf({segnale(300)})));
  aggiungi("1250_marcatore", linea(), treno(join_crlf({"abbattimento,   50,   180"})));
  aggiungi("11_codici", linea(), treno(join_crlf({rallentamento, "abbattimento,   35000,   180"})));
  return r;
}

// The embedded scenario compiled, coded and stamped in memory.
modello incorporato() {
  modello m;
  m.nome_linea = "Ardena_VelmoraCle";
  m.nome_treno = "4713";
  m.scrivi_linea = 1;
  sorgenti_in_memoria s(testo_linea(), testo_treno());
  memorizza_dati(m, s);
  passo_codici(m);
  timbra_marcatori(m);
  return m;
}

piano piano_piccolo() {
  piano p(9);
  for (int c = 0; c < 2; ++c) {
    p.poni_intero(0, c, 0);
    p.poni_intero(1, c, static_cast<std::int16_t>(c));
    for (int metro = 2; metro < 8; ++metro) p.poni_reale(metro, c, 0.5 * metro - 0.001 * c);
  }
  return p;
}

std::vector<cella> percorso_piccolo() {
  std::vector<cella> celle(4);
  celle[1] = {12, 5121, -3, 0, 7, 1, 81, 11, 20, 100, 90};
  celle[2].tipo = 4;
  celle[3].valore4 = -32768;
  return celle;
}

std::string con_tipo(fuzz::tipo_ingresso t, const std::string& file) {
  return std::string(1, static_cast<char>(t)) + file;
}

void semi_decodifica(const fs::path& dove) {
  using fuzz::tipo_ingresso;
  const modello m = incorporato();
  const std::string sommario = codifica_sommario(m.stazioni);
  const std::string linea_piccola = codifica_linea(piano_piccolo());
  scrivi(dove, "linea_piccola", con_tipo(tipo_ingresso::linea, linea_piccola));
  scrivi(dove, "linea_dispari", con_tipo(tipo_ingresso::linea, linea_piccola.substr(0, linea_piccola.size() - 2)));
  scrivi(dove, "linea_tag_ignoto", con_tipo(tipo_ingresso::linea, std::string("\x03\x00\x00\x00", 4)));
  scrivi(dove, "sommario_incorporato", con_tipo(tipo_ingresso::sommario, sommario));
  scrivi(dove, "sommario_troncato", con_tipo(tipo_ingresso::sommario, sommario.substr(0, sommario.size() / 2)));
  scrivi(dove, "sommario_vuoto", con_tipo(tipo_ingresso::sommario, codifica_sommario({})));
  scrivi(dove, "percorso_incorporato", con_tipo(tipo_ingresso::percorso, codifica_percorso(*m.percorso)));
  scrivi(dove, "percorso_piccolo", con_tipo(tipo_ingresso::percorso, codifica_percorso(percorso_piccolo())));
}

void semi_lettore(const fs::path& dove) {
  // Byte 0 = program length - 1; then the program (0/4 text, 1 32-bit, 2 16-bit, 3 8-bit).
  auto seme = [](std::string programma, const std::string& sorgente) {
    return std::string(1, static_cast<char>(programma.size() - 1)) + programma + sorgente;
  };
  scrivi(dove, "treno_incorporato", seme(std::string("\0\1\1\1", 4), testo_treno()));
  scrivi(dove, "linea_incorporata", seme(std::string("\0\1\1\1\0\1", 6), testo_linea().substr(0, 2000)));
  scrivi(dove, "stazione",
         seme(std::string("\0\1\3\1\3\3\3\2\2\3\2\2\2\3\1\0", 16),
              "stazione,  36500, 22, 500, 0, 0, 0,  1,1,0,  4,1,1,    8,   34, 15, 0, \"VELMORA, C\"\r\n"));
  scrivi(dove, "numeri", seme(std::string("\1\2\3", 3), "12 , +7,,-32768\t8    34\r\n255,256, 2147483648\r-"));
  scrivi(dove, "virgolette", seme(std::string("\0", 1), "\"aperta, senza fine\r\n\"x\" coda ,  y  \n\r\n"));
  scrivi(dove, "non_numeri", seme(std::string("\1", 1), "&H10, 1.5, +, 99999999999999999999\r\n"));
  scrivi(dove, "byte_strani", seme(std::string("\0\1", 2), std::string("a\0b,\xE8\xC0\x8A\r\r\n\t\t,\0", 14)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: genera_semi CORPUS_FOLDER\n";
    return 2;
  }
  const fs::path radice = argv[1];
  for (const auto& [nome, in] : semi_compila()) scrivi(radice / "fuzz_compila", nome, fuzz::componi(in));
  semi_decodifica(radice / "fuzz_decodifica");
  semi_lettore(radice / "fuzz_lettore");
  return 0;
}
