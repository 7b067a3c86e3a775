// The timetable sheet of train 4713, Ardena to Velmora Centrale.
// One literal per line of the file, in file order; the writer adds CR LF.
#include "embedded/righe.h"

namespace scen {
namespace {

// clang-format off
constexpr std::string_view righe[] = {
    "",
    " ",
    "  ___________________                                                ______________",
    " |                   |                  SCHEDA                      |              |",
    " |   TRENO n. 4713   |                da: ARDENA                    |    V160 B    |",
    " |___________________|                 a: VELMORA C.le              |     125%     |",
    "                                                                    |______________|",
    "  ___________________                ___________________ ",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |     REGIONALE     |              |      600T         |",
    " |___________________|              |___________________|  ",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km | No  |  Localita' di Servizio     |    Orario      | Rec |",
    " | Lim.|Marc.|          | Rs  |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    " | 135 | 130 |   82.840 | 125 | ARDENA                     |           8.35 |     |",
    " | 150 | 150 |   79.800 | 140 | Cippo chilometro 79.800    |       8.37     |     |",
    " |     |     |   73.890 |     | SALVENTO                   |  8.41     8.42 |     |",
    " | 130 | 125 |   65.940 | 120 | LUNESCO                    |  8.47     8.48 |     |",
    " | 150 | 150 |   63.000 | 140 | Cippo chilometro 63.000    |       8.51     |     |",
    " |     |     |   57.240 |     | MOLINETTA                  |       8.53     |     |",
    " |     |     |   51.640 |     | ROCCA ALTERA               |       8.56     |     |",
    " |     |     |   46.050 |     | CORSENA                    |       8.58     |     | ",
    " |     |     |   38.940 |     | FONTEBRUNA                 |       9.02     |     |",
    " | 130 | 130 |   31.690 | 120 | TORVENA                    |       9.05     |     |",
    " | 150 | 150 |   27.340 | 140 | CASTEL VIRANO              |       9.08     |     |",
    " |     |     |   22.940 |     | ORBELLA                    |  9.10     9.11 | 1   |",
    " |     |     |   20.340 |     | BIVIO ROVENTA              |       9.13     |     |",
    " |     |     |   17.840 |     | MONTECORVO                 |       9.14     |     |",
    " |     |     |   15.340 |     | PIAGGIA                    |       9.16     |     |",
    " |     |     |   13.840 |     | SANTA LIBERA               |       9.17     |     |",
    " | 140 | 140 |   12.400 | 130 | PRAVELLO L.                |  9.18     9.19 | 0.5 | ",
    " | 105 | 105 |   10.800 | 100 | Cippo chilometro 10.800    |       9.20     |     |",
    " | 100 | 100 |    5.840 |     | VELMORA VESCANA            |       9.23     |     | ",
    " |     |  55 |    3.830 |     | Deviatoio di ingresso      |       9.25     |     |",
    " |     |     |    2.940 |     | VELMORA SMISTAMENTO        |       9.26     |     |",
    " |     |     |    1.640 |     | Segnale di protezione      |       9.28     |     |",
    " |  30 |  30 |    1.200 |  30 | Cippo chilometro 1.200     |       9.29     |     |",
    " |     |     |    0.000 |     | VELMORA C.LE               |  9.35          | 2   | ",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    "",
};
// clang-format on

}  // namespace

std::span<const std::string_view> righe_scheda() { return righe; }

}  // namespace scen
