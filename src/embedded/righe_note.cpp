// The notes for the driver of the scenario.
// One literal per line of the file, in file order; the writer adds CR LF.
#include "embedded/righe.h"

namespace scen {
namespace {

// clang-format off
constexpr std::string_view righe[] = {
    "Treno impostato in rango B - la locomotiva \xE8 un E444 anche nella realt\xE0.",
    "Vi sono lavori in corso alla stazione di Corsena: c'\xE8 un rallentamento da rispettare con tutto il treno. ",
    "In entrata a Pravello, occhio al segnalamento! Sugli scambi 30Km/h!",
    "Prima della stazione di Velmora Vescana termina, come nella realt\xE0, il tratto codificato della ripetizione, per cui bisogna fare attenzione ai segnali.",
    "Mi scuso per le inesattezze che certamente restano nella ricostruzione della linea e dell'orario.",
    "",
    "L'autore dello scenario",
    "Per correzioni e suggerimenti: autore.scenari@example.org",
};
// clang-format on

}  // namespace

std::span<const std::string_view> righe_note() { return righe; }

}  // namespace scen
