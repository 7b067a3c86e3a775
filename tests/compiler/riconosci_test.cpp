// Telling a route source from a train source by its keys and headers: clear
// evidence gives the kind, anything less is left undecided.
#include "compiler/riconosci.h"

#include <gtest/gtest.h>

#include "support/sources.h"

namespace scen {
namespace {

using test_util::join_crlf;

// The lines with each CR LF turned into `fine`.
std::string con_fine_riga(const std::vector<std::string>& righe, const std::string& fine) {
  std::string out;
  for (const std::string& r : righe) out += r + fine;
  return out;
}

struct caso_genere {
  const char* nome;
  std::string testo;
  genere_sorgente atteso;
};

void PrintTo(const caso_genere& c, std::ostream* os) { *os << c.nome; }

class Riconosci : public ::testing::TestWithParam<caso_genere> {};

TEST_P(Riconosci, TellsTheKindOnlyFromClearEvidence) {
  EXPECT_EQ(riconosci_sorgente(GetParam().testo), GetParam().atteso);
}

std::vector<std::string> con_righe(std::vector<std::string> righe, const std::vector<std::string>& aggiunte) {
  righe.insert(righe.end() - 1, aggiunte.begin(), aggiunte.end());
  return righe;
}

INSTANTIATE_TEST_SUITE_P(
    Casi, Riconosci,
    ::testing::Values(
        caso_genere{"small_route", join_crlf(test_util::linea_piccola()), genere_sorgente::linea},
        caso_genere{"small_train", join_crlf(test_util::treno_piccolo()), genere_sorgente::treno},
        caso_genere{"general_section_of_a_route_alone", test_util::linea(), genere_sorgente::linea},
        caso_genere{"general_section_of_a_train_alone", test_util::treno(), genere_sorgente::treno},
        caso_genere{"route_with_lf_ends", con_fine_riga(test_util::linea_piccola(), "\n"), genere_sorgente::linea},
        caso_genere{"train_with_cr_ends", con_fine_riga(test_util::treno_piccolo(), "\r"), genere_sorgente::treno},
        caso_genere{"headers_in_capitals", join_crlf({"[STAZIONI]", "[Segnali]", "[RALLENTAMENTI]"}),
                    genere_sorgente::treno},
        // A route with a train's lines pasted in stays a route while the
        // route's lines are the clear majority.
        caso_genere{"route_with_a_stray_station",
                    join_crlf(con_righe(test_util::linea_piccola(), {"stazione,  0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, "
                                                                     "8,35, 0, ARDENA"})),
                    genere_sorgente::linea},
        caso_genere{"empty", "", genere_sorgente::incerto},
        caso_genere{"no_key_known", join_crlf({"hello", "world, 3", "[other]", "something, else"}),
                    genere_sorgente::incerto},
        caso_genere{"shared_headers_alone", join_crlf({"[generale]", "[fine]", "[GENERALE]", "[fine]"}),
                    genere_sorgente::incerto},
        caso_genere{"too_few_keys", join_crlf({"[generale]", "stazione, 0", "segnale, 1000", "[fine]"}),
                    genere_sorgente::incerto},
        caso_genere{"commented_keys_do_not_count",
                    join_crlf({"- stazione, 0", "-segnale, 1000", "  -- [segnali]", "-rallentamento, 3"}),
                    genere_sorgente::incerto},
        // Half of each: no clear kind.
        caso_genere{"mixture",
                    join_crlf({"lunghezza percorso, 10000", "pendenza, 1000, 3", "[curve]", "stazione, 0",
                               "segnale, 1000", "[segnali]"}),
                    genere_sorgente::incerto}),
    [](const ::testing::TestParamInfo<caso_genere>& i) { return std::string(i.param.nome); });

// Each counted line is one of a single kind: a route holds no train mark and
// a train no route mark.
TEST(Riconosci, ASourceHoldsNoMarkOfTheOtherKind) {
  EXPECT_EQ(conta_indizi(join_crlf(test_util::linea_piccola())).treno, 0);
  EXPECT_EQ(conta_indizi(join_crlf(test_util::treno_piccolo())).linea, 0);
}

}  // namespace
}  // namespace scen
