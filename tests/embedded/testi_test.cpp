// The three crew documents: the timetable sheet, the slowdown order and the
// notes, byte for byte where their text is fixed, and their grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "embedded/testi.h"
#include "support/text_lines.h"

namespace scen {
namespace {

using test_util::split_crlf;

const std::string riga_vuota_ordine =
    " |   |                            |            |          |         |            |";

// What is fixed of each document: its lines by number (from 1), the lines
// that end in a blank, and how its bytes end.
struct documento {
  const char* nome;
  std::string (*testo)();
  std::size_t numero_righe;
  std::map<int, std::string> citate;
  std::set<int> con_blank_finale;
  std::string coda;
  bool solo_ascii;
};

std::vector<documento> documenti() {
  std::vector<documento> d;
  d.push_back({"timetable sheet",
               testo_scheda,
               42,
               {
                   {1, ""},
                   {2, " "},
                   {3, "  ___________________                                                ______________"},
                   {4, " |                   |                  SCHEDA                      |              |"},
                   {5, " |   TRENO n. 4713   |                da: ARDENA                    |    V160 B    |"},
                   {6, " |___________________|                 a: VELMORA C.le              |     125%     |"},
                   {7, "                                                                    |______________|"},
                   {8, "  ___________________                ___________________ "},
                   {9, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
                   {10, " |     REGIONALE     |              |      600T         |"},
                   {11, " |___________________|              |___________________|  "},
                   {12, ""},
                   {13, "  ________________________________________________________________________________"},
                   {14, " | Vel.| Vel.| Progr Km | No  |  Localita' di Servizio     |    Orario      | Rec |"},
                   {15, " | Lim.|Marc.|          | Rs  |                            |                |     |"},
                   {16, " |_____|_____|__________|_____|____________________________|________________|_____|"},
                   {17, " | 135 | 130 |   82.840 | 125 | ARDENA                     |           8.35 |     |"},
                   {21, " | 150 | 150 |   63.000 | 140 | Cippo chilometro 63.000    |       8.51     |     |"},
                   {24, " |     |     |   46.050 |     | CORSENA                    |       8.58     |     | "},
                   {33, " | 140 | 140 |   12.400 | 130 | PRAVELLO L.                |  9.18     9.19 | 0.5 | "},
                   {36, " |     |  55 |    3.830 |     | Deviatoio di ingresso      |       9.25     |     |"},
                   {40, " |     |     |    0.000 |     | VELMORA C.LE               |  9.35          | 2   | "},
                   {41, " |_____|_____|__________|_____|____________________________|________________|_____|"},
                   {42, ""},
               },
               {2, 8, 9, 11, 24, 33, 35, 40},
               "|_____|\r\n\r\n",
               true});
  documento ordine{"slowdown order",
                   testo_rallentamenti,
                   46,
                   {
                       {1, ""},
                       {2, "                               Modulo M. 3"},
                       {3, "                           ORDINE DI RALLENTAMENTO"},
                       {4, " ________________________________________________________________________________"},
                       {5, "  Linea  ARDENA - VELMORA C.LE"},
                       {6, ""},
                       {7, "  Si ordina al macchinista del treno 4713 di effettuare i seguenti rallentamenti"},
                       {8, "  _______________________________________________________________________________"},
                       {9, " |   |                            |Inizio dopo |          |         |            |"},
                       {10, " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|"},
                       {11, " |   |   (o nelle Stazioni di)    |chilometrico|          |  metri  | specifiche |"},
                       {12, " |___|____________________________|____________|__________|_________|____________|"},
                       {13, " | 1 |          CORSENA           |     47     |    70    |   500   |   A - B    |"},
                       {39, " |___|____________________________|____________|__________|_________|____________|"},
                       {40, ""},
                       {41, "              Prescrizioni specifiche"},
                       {42, " A - Da rispettare con tutto il treno (per i treni viaggiatori)"},
                       {43, " B - Interessa anche la stazione di Corsena"},
                       {44, " D - Rallentamneto N. ... e N. ...  sono contigui"},
                       {45, " C - Da rispettare dalle ore ....  alle ore ..... di tutti"},
                       {46, "     i giorni esclusi i seguenti:........."},
                   },
                   {},
                   "seguenti:.........\r\n",
                   true};
  for (int n = 14; n <= 38; ++n) ordine.citate[n] = riga_vuota_ordine;
  d.push_back(ordine);
  d.push_back({"notes",
               testo_note,
               8,
               {
                   {1, "Treno impostato in rango B - la locomotiva \xE8 un E444 anche nella realt\xE0."},
                   {2,
                    "Vi sono lavori in corso alla stazione di Corsena: c'\xE8 un rallentamento da rispettare con "
                    "tutto il treno. "},
                   {3, "In entrata a Pravello, occhio al segnalamento! Sugli scambi 30Km/h!"},
                   {4,
                    "Prima della stazione di Velmora Vescana termina, come nella realt\xE0, il tratto codificato "
                    "della ripetizione, per cui bisogna fare attenzione ai segnali."},
                   {6, ""},
               },
               {2},
               "\r\n",
               false});
  return d;
}

TEST(Documents, LineCountsQuotedLinesAndEnds) {
  for (const documento& d : documenti()) {
    SCOPED_TRACE(d.nome);
    const std::string testo = d.testo();
    const auto righe = split_crlf(testo);
    ASSERT_EQ(righe.size(), d.numero_righe);
    for (const auto& [n, attesa] : d.citate) {
      EXPECT_EQ(righe[static_cast<std::size_t>(n - 1)], attesa) << "line " << n;
    }
    for (std::size_t i = 0; i < righe.size(); ++i) {
      const bool blank_finale = !righe[i].empty() && righe[i].back() == ' ';
      EXPECT_EQ(blank_finale, d.con_blank_finale.count(static_cast<int>(i + 1)) == 1) << "line " << i + 1;
    }
    EXPECT_TRUE(testo.ends_with(d.coda));
    const bool riga_finale_vuota = righe.back().empty();
    EXPECT_EQ(riga_finale_vuota, d.coda.ends_with("\r\n\r\n")) << "an empty last line only where the file has one";
    EXPECT_EQ(testo.find("riferimento fine del file"), std::string::npos);
    for (unsigned char c : testo) {
      if (d.solo_ascii) {
        ASSERT_LT(c, 0x80) << "only ASCII";
      }
      ASSERT_TRUE(c >= 0x20 || c == '\r' || c == '\n') << "control byte " << int{c};
    }
  }
}

TEST(Documents, NotesWriteAccentedLettersAsSingleBytes) {
  const std::string testo = testo_note();
  EXPECT_EQ(std::count(testo.begin(), testo.end(), '\xE8'), 2);
  EXPECT_EQ(std::count(testo.begin(), testo.end(), '\xE0'), 2);
  for (unsigned char c : testo) EXPECT_TRUE(c < 0x80 || c == 0xE8 || c == 0xE0) << int{c};
  const auto righe = split_crlf(testo);
  ASSERT_EQ(righe.size(), 8u);
  EXPECT_EQ(righe[0].size(), 72u);
  EXPECT_EQ(righe[1].size(), 105u);
  EXPECT_EQ(righe[2].size(), 67u);
  EXPECT_EQ(righe[3].size(), 151u);
  EXPECT_TRUE(testo.ends_with(righe[7] + "\r\n"));
  // The author's own lines: an apology, a signature and a contact, nothing empty.
  for (std::size_t i : {4u, 6u, 7u}) EXPECT_FALSE(righe[i].empty()) << "line " << i + 1;
  EXPECT_NE(righe[7].find("@example.org"), std::string::npos);
}

// Columns counted from 1.
char colonna(const std::string& riga, std::size_t c) { return c <= riga.size() ? riga[c - 1] : '\0'; }

void verifica_barre(const std::string& riga, const std::set<std::size_t>& barre, std::size_t lunghezza) {
  ASSERT_GE(riga.size(), lunghezza) << riga;
  EXPECT_EQ(colonna(riga, 1), ' ') << riga;
  for (std::size_t c = 1; c <= lunghezza; ++c) {
    EXPECT_EQ(colonna(riga, c) == '|', barre.count(c) == 1) << "column " << c << " of \"" << riga << "\"";
  }
  for (std::size_t c = lunghezza + 1; c <= riga.size(); ++c) EXPECT_EQ(colonna(riga, c), ' ') << riga;
}

TEST(SlowdownOrder, TableLinesKeepTheirBarsAndTheEmptyRowsAreAlike) {
  const auto righe = split_crlf(testo_rallentamenti());
  ASSERT_EQ(righe.size(), 46u);
  for (std::size_t n = 9; n <= 39; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(righe[n - 1].size(), 82u);
    verifica_barre(righe[n - 1], {2, 6, 35, 48, 59, 69, 82}, 82);
  }
  EXPECT_EQ(std::count(righe.begin(), righe.end(), riga_vuota_ordine), 25);
}

// One body row of the sheet, cut into its seven cells.
struct riga_scheda {
  std::string lim, marc, progr, no_rs, nome, orario, rec;
};

riga_scheda celle(const std::string& r) {
  return {r.substr(2, 5),   r.substr(8, 5),   r.substr(14, 10), r.substr(25, 5),
          r.substr(31, 28), r.substr(60, 16), r.substr(77, 5)};
}

bool velocita_valida(const std::string& c) {
  if (c == "     ") return true;
  return test_util::allineato(c.substr(0, 4), 4) && c[4] == ' ' && c[0] == ' ' && test_util::numero(c.substr(0, 4)) > 0;
}

// "H.MM" with the hour unpadded, or four blanks in front when the hour has one digit.
bool ora_valida(const std::string& s) {
  return s.size() == 4 && s[0] >= '1' && s[0] <= '9' && s[1] == '.' && s[2] >= '0' && s[2] <= '5' && s[3] >= '0' &&
         s[3] <= '9';
}
int minuti(const std::string& s) { return (s[0] - '0') * 60 + (s[2] - '0') * 10 + (s[3] - '0'); }

TEST(TimetableSheet, BodyRowsFollowTheGridAndTheCellFormats) {
  const auto righe = split_crlf(testo_scheda());
  ASSERT_EQ(righe.size(), 42u);
  const std::set<std::size_t> barre{2, 8, 14, 25, 31, 60, 77, 83};
  for (std::size_t n = 14; n <= 41; ++n) {
    SCOPED_TRACE(n);
    verifica_barre(righe[n - 1], barre, 83);
  }
  const std::set<std::size_t> lunghe{24, 33, 35, 40};
  double progr_precedente = 1e9;
  int ora_precedente = 0;
  for (std::size_t n = 17; n <= 40; ++n) {
    SCOPED_TRACE(n);
    const std::string& r = righe[n - 1];
    EXPECT_EQ(r.size(), lunghe.count(n) ? 84u : 83u);
    const riga_scheda c = celle(r);
    EXPECT_TRUE(velocita_valida(c.lim)) << c.lim;
    EXPECT_TRUE(velocita_valida(c.marc)) << c.marc;
    EXPECT_TRUE(velocita_valida(c.no_rs)) << c.no_rs;

    double progr = 0;
    ASSERT_EQ(std::sscanf(c.progr.c_str(), "%lf", &progr), 1) << c.progr;
    char atteso[16];
    std::snprintf(atteso, sizeof atteso, "%9.3f ", progr);
    EXPECT_EQ(c.progr, atteso);
    EXPECT_LT(progr, progr_precedente);
    progr_precedente = progr;

    EXPECT_EQ(c.nome[0], ' ') << "one blank before the name";
    EXPECT_NE(c.nome[1], ' ') << "the name starts in the cell's second column";

    // Arrival in the cell's columns 3-6, passing 8-11, departure 12-15.
    const std::string arrivo = c.orario.substr(2, 4), passaggio = c.orario.substr(7, 4),
                      partenza = c.orario.substr(11, 4);
    std::string resto = c.orario;
    for (std::size_t i : {2u, 3u, 4u, 5u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u}) resto[i] = ' ';
    EXPECT_EQ(resto, std::string(16, ' ')) << c.orario;
    std::vector<std::string> ore;
    for (const std::string* o : {&arrivo, &passaggio, &partenza}) {
      if (*o != "    ") {
        EXPECT_TRUE(ora_valida(*o)) << *o;
        ore.push_back(*o);
      }
    }
    if (n == 17) {
      EXPECT_TRUE(arrivo == "    " && passaggio == "    " && partenza != "    ") << "origin: departure only";
    } else if (n == 40) {
      EXPECT_TRUE(arrivo != "    " && passaggio == "    " && partenza == "    ") << "destination: arrival only";
    } else {
      const bool fermata = arrivo != "    " && partenza != "    " && passaggio == "    ";
      const bool transito = arrivo == "    " && partenza == "    " && passaggio != "    ";
      EXPECT_TRUE(fermata || transito) << c.orario;
    }
    for (const std::string& o : ore) {
      EXPECT_GE(minuti(o), ora_precedente) << o;
      ora_precedente = minuti(o);
    }

    if (c.rec != "     ") {
      EXPECT_EQ(c.rec[0], ' ');
      const std::size_t fine = c.rec.find(' ', 1);
      const std::string valore = c.rec.substr(1, fine == std::string::npos ? std::string::npos : fine - 1);
      EXPECT_EQ(c.rec, (" " + valore + "    ").substr(0, 5));
      EXPECT_EQ(valore.find_first_not_of("0123456789."), std::string::npos) << valore;
    }
  }
  EXPECT_EQ(celle(righe[16]).progr, "   82.840 ");
  EXPECT_EQ(celle(righe[39]).progr, "    0.000 ");
}

// The sheet and the train source tell one story: every change of the speed
// limit on the sheet stands where the source changes it, with the same value,
// and no change of the source is missing from the sheet. The sheet counts
// kilometres down from 82.840 at the origin; a row lies within one cell of
// the source's position.
TEST(TimetableSheet, SpeedLimitChangesStandWhereTheTrainSourceHasThem) {
  std::map<int, int> sorgente;  // position in metres -> km/h
  for (const std::string& r : split_crlf(testo_treno())) {
    int p = 0, v = 0;
    if (std::sscanf(r.c_str(), "velocita, %d, %d", &p, &v) == 2) sorgente[p] = v;
  }
  ASSERT_FALSE(sorgente.empty());
  std::map<int, int> scheda;
  const auto righe = split_crlf(testo_scheda());
  for (std::size_t n = 17; n <= 40; ++n) {
    const riga_scheda c = celle(righe[n - 1]);
    if (c.lim == "     ") continue;
    double km = 0;
    ASSERT_EQ(std::sscanf(c.progr.c_str(), "%lf", &km), 1);
    scheda[static_cast<int>(82840 - km * 1000 + 0.5)] = std::stoi(c.lim);
  }
  const auto vicino = [](const std::map<int, int>& in, int p) {
    for (const auto& [q, v] : in) {
      if (q >= p - 50 && q <= p + 50) return std::optional<int>(v);
    }
    return std::optional<int>();
  };
  for (const auto& [p, v] : scheda) {
    SCOPED_TRACE("sheet row at " + std::to_string(p) + " m");
    EXPECT_EQ(vicino(sorgente, p), std::optional<int>(v));
  }
  for (const auto& [p, v] : sorgente) {
    SCOPED_TRACE("speed line at " + std::to_string(p) + " m");
    EXPECT_EQ(vicino(scheda, p), std::optional<int>(v));
  }
}

}  // namespace
}  // namespace scen
