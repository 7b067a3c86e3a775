// Findings as the author reads them: "FILE:LINE:COL: error: MESSAGE [code N]"
// with the source line and a caret under the token, "note:" lines for the
// related places, colour on a terminal; and as JSON objects for editors.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/rilievi.h"

namespace scen::tool {

// The two sources as named on the command line, with their bytes.
struct sorgenti_nominate {
  sorgenti_nominate(std::string linea_, std::string treno_, std::optional<std::string> testo_linea_,
                    std::optional<std::string> testo_treno_);
  std::string linea;
  std::string treno;
  std::optional<std::string> testo_linea;
  std::optional<std::string> testo_treno;
  // Where each line begins, so that a finding's line is found at once.
  std::vector<std::size_t> righe_linea;
  std::vector<std::size_t> righe_treno;
};

// Whether `fd` shows colour: a terminal, and NO_COLOR not set.
bool colore_per(int fd);

void stampa_rilievo(std::ostream& out, const rilievo& r, const sorgenti_nominate& s, bool colore);
nlohmann::json rilievo_json(const rilievo& r, const sorgenti_nominate& s);

// The true totals of a check: the findings shown and those only counted
// past the cap.
struct conteggio {
  std::int64_t errori = 0;
  std::int64_t avvisi = 0;
  oltre_limite non_detti;
};
conteggio conta(const std::vector<rilievo>& rilievi, const oltre_limite& non_detti = {});
// "2 errors, 3 warnings"; "100 errors, 2,000,000 warnings".
std::string testo_conteggio(const conteggio& c);
// "and 1,999,900 more warnings not shown"; empty when every finding is.
std::string testo_non_detti(const conteggio& c);
// "errors", "warnings" (the totals) and "not_shown" of a JSON report.
void conteggio_json(nlohmann::json& j, const conteggio& c);

}  // namespace scen::tool
