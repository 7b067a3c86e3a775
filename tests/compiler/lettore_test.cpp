// The field reader: what fields a stream of bytes gives, and where it fails.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "compiler/lettore.h"
#include "model/accesso.h"

namespace scen {
namespace {

// One read: a text ('t'), or a 32-, 16- or 8-bit number ('n', 'h', 'b').
struct lettura {
  char tipo;
  std::variant<std::string, std::int64_t> atteso;
  int riga = 0;  // line the field starts on; 0 = do not check
};

struct caso {
  const char* nome;
  std::string byte;
  std::vector<lettura> letture;
  bool fine_file_dopo;  // the end-of-file state after the last read
};

std::variant<std::string, std::int64_t> leggi(lettore_campi& l, char tipo) {
  switch (tipo) {
    case 't':
      return l.leggi_testo();
    case 'n':
      return std::int64_t{l.leggi_32()};
    case 'h':
      return std::int64_t{l.leggi_16()};
    default:
      return std::int64_t{l.leggi_8()};
  }
}

TEST(FieldReader, TableOfInputs) {
  using s = std::string;
  using n = std::int64_t;
  const caso casi[] = {
      {"key then numbers, CR LF",
       "lunghezza percorso,    85000\r\n[curve]\r\n",
       {{'t', s("lunghezza percorso"), 1}, {'n', n{85000}, 1}, {'t', s("[curve]"), 2}},
       true},
      {"blanks inside a text stay, blanks at its end go",
       "  VELMORA CENTRALE  \r\n",
       {{'t', s("VELMORA CENTRALE")}},
       true},
      {"quoted text keeps its comma, the rest of the field is skipped",
       "\"A, B\" junk,12\n",
       {{'t', s("A, B")}, {'n', n{12}}},
       true},
      {"quote without its end runs to the end of the file", "\"open text", {{'t', s("open text")}}, true},
      {"empty number fields read 0", "  ,  ,  ,  0\r\n", {{'n', n{0}}, {'n', n{0}}, {'n', n{0}}, {'n', n{0}}}, true},
      {"a blank before a comma is no extra field", "12 ,13\r\n", {{'n', n{12}}, {'n', n{13}}}, true},
      {"the clock line: numbers cut by blanks",
       "orologio,    8               34            15 \r\nx",
       {{'t', s("orologio")}, {'h', n{8}}, {'h', n{34}}, {'h', n{15}}, {'t', s("x"), 2}},
       true},
      {"lone LF and lone CR are line ends",
       "a\nb\rc\r\nd",
       {{'t', s("a"), 1}, {'t', s("b"), 2}, {'t', s("c"), 3}, {'t', s("d"), 4}},
       true},
      {"a last field at the end of the file", "k, -42", {{'t', s("k")}, {'n', n{-42}}}, true},
      {"signs", "+7,-0,-2147483648", {{'n', n{7}}, {'n', n{0}}, {'n', n{-2147483648LL}}}, true},
      {"only blanks and line ends left give an empty field", "a,\r\n  \r\n", {{'t', s("a")}, {'t', s("")}}, true},
      {"not at the end while bytes are left", "a\r\nb", {{'t', s("a")}}, false},
      {"tabs are blanks", "\t7\t,\tk\t\r\n", {{'n', n{7}}, {'t', s("k")}}, true},
      {"bytes above 127 pass through", "VEL\xC8 C.\r\n", {{'t', s("VEL\xC8 C.")}}, true},
      {"8-bit field takes 255", "255", {{'b', n{255}}}, true},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    lettore_campi l(c.byte);
    for (const lettura& r : c.letture) {
      EXPECT_EQ(leggi(l, r.tipo), r.atteso);
      if (r.riga != 0) {
        EXPECT_EQ(l.riga_campo(), r.riga);
      }
    }
    EXPECT_EQ(l.fine_file(), c.fine_file_dopo);
  }
}

TEST(FieldReader, FailuresAreRunTimeFailures) {
  struct fallimento {
    const char* nome;
    std::string byte;
    char tipo;
  };
  const fallimento casi[] = {
      {"read past the end", "", 't'},
      {"number read past the end", "", 'n'},
      {"letters", "12a", 'n'},
      {"decimal point", "1.5", 'n'},
      {"hexadecimal", "&H10", 'n'},
      {"sign alone", "-,", 'n'},
      {"above 32 bits", "2147483648", 'n'},
      {"below 32 bits", "-2147483649", 'n'},
      {"above 16 bits", "32768", 'h'},
      {"above 8 bits", "256", 'b'},
      {"negative in an unsigned byte", "-1", 'b'},
      {"a huge run of digits", std::string(5000, '9'), 'n'},
  };
  for (const fallimento& c : casi) {
    SCOPED_TRACE(c.nome);
    lettore_campi l(c.byte);
    EXPECT_THROW(leggi(l, c.tipo), guasto_esecuzione);
  }
}

TEST(FieldReader, ReadingAfterTheLastFieldFails) {
  lettore_campi l("[fine]\r\n");
  EXPECT_EQ(l.leggi_testo(), "[fine]");
  EXPECT_TRUE(l.fine_file());
  EXPECT_THROW(l.leggi_testo(), guasto_esecuzione);
}

TEST(KeyTests, ContainmentWithAndWithoutLetterCase) {
  EXPECT_TRUE(contiene("progressiva chilometrica tre", "tre"));
  EXPECT_FALSE(contiene("Progressiva chilometrica TRE", "tre"));
  EXPECT_TRUE(contiene_senza_maiuscole("LUNGHEZZA Percorso", "lunghezza"));
  EXPECT_TRUE(contiene_senza_maiuscole("STAZIONE \xC8", "stazione \xE8"));
  EXPECT_FALSE(contiene_senza_maiuscole("curvad3", "s"));
}

}  // namespace
}  // namespace scen
