#include "compiler/avvisi.h"

#include <array>
#include <string>

#include "model/testo.h"

namespace scen {
namespace {

using enum tipo_avviso;

constexpr std::array<voce_avviso, 40> tabella{{
    {chiave_sconosciuta, "unknown-key", "a key no rule of its section reads", "stazoine,   36750, 22, ...",
     "The first field of a line is its key. A key that none of the section's rules recognises is passed over, and "
     "so is every value after it (each is read as a key in turn): the whole line is lost. The nearest known key is "
     "suggested."},
    {chiave_scritta_altrimenti, "key-spelling", "a key read as another key it only contains",
     "#stazione,   36750, 22, ...",
     "A key is recognised when it contains the words of a known key, so a key written differently (\"#stazione\" "
     "to comment a line out, \"curva destra 4\") is still read, and read as the key whose words it holds: the "
     "comment is compiled, \"destra\" holds an s and turns left. The finding says which key it was read as. Write "
     "the key as shown in the formats (curvad4), or remove the line; a comment is a key starting with \"-\"."},
    {chiave_maiuscole, "key-case", "a general key written in capitals", "Sfondo Uno,    33000",
     "In [generale] only the route length key ignores letter case; the other general keys are recognised in lower "
     "case only, so the line is passed over."},
    {chiave_fuori_sezione, "key-out-of-section", "a general key outside [generale], or a section key inside it",
     "sfondo uno, 5   (after [curve])",
     "The general keys are read only between [generale] and the next section header, and the keys of the other "
     "sections only after it. A key in the wrong part is passed over with its values."},
    {intestazione_sconosciuta, "unknown-header", "a section header the source does not know", "[stazoini]",
     "Section headers only end [generale]; an unknown one is passed over. The nearest known header is suggested."},
    {valore_come_chiave, "value-as-key", "a value where a key is expected", "numero vetture,    12,  5",
     "The line before holds more values than its key reads, or a comma is missing between a key and its value: "
     "the extra value is read as the next key and passed over."},
    {seconda_lunghezza, "second-length", "a second route length line", "lunghezza percorso, 90000   (twice)",
     "A route length line creates the track and the plan view; a second one starts them anew, and nothing placed "
     "before it is kept."},
    {treno_senza_generale, "train-without-general", "a train source with no [generale] line", "[general]",
     "Nothing before the first field holding [generale] is read. Without one the train source gives no station, "
     "no signal, no slowdown and every profile 0."},
    {campo_su_altra_riga, "field-on-next-line", "a line's value taken from the next line",
     "stazione, 16900, 12, 600, 0,0,0, 1,1,0, 4,1,1, 60, 8,48,0   (no name)",
     "Fields are read as a stream: a line that ends before all its values are read takes the missing ones from "
     "the next line, whose key then becomes a value (a station's name, for instance) and whose own values are "
     "read as keys. The finding names the value that is missing."},
    {sorgente_troncata, "truncated-source", "a source that ends inside a line", "stazione, 16900, 12, 6",
     "The last field of a source is never acted upon, and a source that does not end with a line end was most "
     "likely cut off while it was copied: the line where it stops, and everything that should have followed, is "
     "lost."},
    {ultimo_campo, "last-field", "the last field of a source is not [fine]", "[end]   (last line)",
     "The last field of a source is never acted upon. End every source with a [fine] line."},
    {virgolette_su_piu_righe, "quote-multiline", "a quoted text runs over a line end", "..., \"VELMORA / CENTRALE\"",
     "A quoted text runs to the next quote, line ends included: the lines up to the closing quote are part of it."},
    {virgolette_non_chiuse, "quote-unclosed", "a quoted text never closed", "..., \"LUNESCO",
     "A quoted text with no closing quote runs to the end of the source and swallows every line after it."},
    {coda_virgolette, "quote-trailing", "text after a closing quote", "..., \"VELMORA\" C.LE",
     "After a quoted text the rest of the field is skipped: the text after the closing quote is dropped."},
    {carattere_invisibile, "invisible-character", "an invisible or look-alike character",
     "velocita, 1000,\xA0"
     "100",
     "A character that looks like a blank or a minus sign but is not one: a no-break space (U+00A0), a minus sign "
     "(U+2212), a dash, a byte-order mark (U+FEFF), usually pasted from a word processor. Numbers and keys do not "
     "read them as blanks or signs."},
    {testo_utf8, "utf8-text", "UTF-8 bytes in a name or a board text", "SALV\xC3\x80NTO   (saved as UTF-8)",
     "The sources are Windows-1252 and texts are stored byte for byte: a character saved as UTF-8 takes two or "
     "more bytes and the simulator shows them as two or more wrong characters. Save the source as Windows-1252."},
    {byte_di_controllo, "control-byte", "a control byte in a name or a board text", "\"A<TAB>B\"",
     "A name or a board text holds a control byte (a tab, a NUL...), which is stored as it is."},
    {oltre_percorso, "beyond-route", "an object beyond the route's length", "segnale,   90000, ...   (85000 m route)",
     "The track model reaches 7000 m beyond the route length; an object there stands where no train goes."},
    {prima_di_zero, "before-start", "a position before 0 m", "pendenza,  -100,   2",
     "Nothing stands before the start of the route; the position is used as written."},
    {posizione_arrotondata, "cell-rounded", "a position moved onto a 50 m cell", "segnale,    1675, ...",
     "Objects stand on 50 m cells: the position is kept as the cell's, so the object stands at another metre than "
     "written. The fix gives the position the cell stands for."},
    {profilo_arrotondato, "profile-rounded", "a profile position moved onto a 50 m cell", "pendenza,  1025,   3",
     "A gradient, speed limit, adhesion or code line takes effect from a 50 m cell: it starts at another metre "
     "than written."},
    {profilo_fuori_ordine, "profile-order", "profile lines out of order",
     "velocita, 3000, 90   after   velocita, 6000, 100",
     "The lines of a profile are read in increasing position; a line that comes back moves the previous value on "
     "by one cell only."},
    {bit_bassi, "low-bits", "a value too large for its field", "pendenza,  1000,   200",
     "A value outside its field's range is not refused: only its low bits are kept, and the simulator gets "
     "another value (a gradient of 200 per mille is stored as -56)."},
    {velocita_arrotondata, "rounded-speed", "a speed stored in steps of 5 km/h", "velocita, 1000, 137",
     "Speed limits are stored per cell as km/h / 5, rounded: 137 km/h is stored as 135 km/h."},
    {orario_riportato, "wrapped-time", "a time with minutes or seconds over 59", "stazione, ..., 8,72,0, NAME",
     "A timetable time is stored in seconds, (h * 60 + m) * 60 + s, so 72 minutes run into the next hour: 8:72 is "
     "9:12."},
    {tempo_ignorato, "signal-time-ignored", "a signal's time on a signal that keeps none", "segnale, 8000, 1, ..., 215",
     "Only a signal with sx = 2 keeps its time; any other stores 0."},
    {tempo_alzato, "signal-time-raised", "a signal's time raised to 101", "segnale, 8000, 2, ..., 30",
     "A signal's time from 1 to 100 is stored as 101."},
    {opzione_azzerata, "station-option-cleared", "a station option stored as 0",
     "stazione, 16900, 12, 500, 0, 1, 0, ...",
     "opzione2 is stored as 0 when the station is shorter than 600 m or is the first station; opzione3 is stored "
     "as 0 for types 5 to 8 and on the first station."},
    {paesaggio_forzato, "landscape-forced", "a mountain zone's type replaced by 3", "montagna, 1200, 1800, 2",
     "A mountain zone that starts 150 m or less after the previous zone's end gets landscape type 3, whatever it "
     "says."},
    {cartello_fuori_gruppo, "board-speed", "a board speed that does not fit its group",
     "indicatori_vmax, 700, 125, 135, 145, 0, 107, 55, 55, 0",
     "A maximum-speed board stores each pair of speeds as vad / 5 + vas * 20: a second-group speed that is not a "
     "multiple of 5, or is 100 km/h or more, changes the first group's speed the simulator shows."},
    {lunghezza_negativa, "negative-length", "a negative length", "rallentamento, 36500, 70, -500, 1, 1, 0",
     "A curve or slowdown of negative length: the curve does not turn, the slowdown's end stands before its start."},
    {cifra_segnale, "signal-digit", "a signal value that runs into its neighbour",
     "segnale, 15700, 2, 3, 1, 0, 0, 2, 12, 1, 0, 0",
     "A signal's cell keeps two values in one number: s1 * 10 + d1 (likewise s2, d2 and s3, d3) and rapp * 10 + sx "
     "* 3 + dx. A d above 9 or below 0, a dx above 2, or sx * 3 + dx above 9 runs into the value beside it, and the "
     "simulator reads other values than written."},
    {rallentamento_senza_avviso, "slowdown-no-board", "f_ta on a slowdown at 1500 m or less",
     "rallentamento, 1500, 70, 500, 1, 1, 0",
     "A slowdown at 1500 m or less has no warning board, so f_ta places no cells before it."},
    {fine_sulla_partenza, "slowdown-end-on-start", "a slowdown whose end falls on its start cell",
     "rallentamento, 3000, 70, 20, 1, 0, 0", "Start and end share one cell, which keeps only the start."},
    {curva_sovrapposta, "curve-overlap", "a curve starting inside the previous one",
     "curvad3, 1000, 450   after   curvad3, 800, 450",
     "The plan view is drawn metre by metre: a curve that starts before the line drawn so far ends turns only "
     "from there."},
    {montagna_vuota, "mountain-empty", "a mountain zone ending before it starts", "montagna, 1100, 500, 2",
     "The zone covers no cell."},
    {marcatore_sostituisce, "marker-replaces", "a station end marker on a taken cell",
     "a station after a code line on its end cell", "The end marker replaces the object already on the cell."},
    {ripetizione_annullata, "repetition-cleared", "a cab-signal repetition that does not repeat",
     "ripetizione segnali 4 codici, 76800, 0",
     "A repetition whose end is 0 stores no code count, and one whose end comes before its start covers nothing."},
    {zone_azzerate, "zones-cleared", "kilometric zones sharing the largest start",
     "progressiva chilometrica uno, 1000, ...   and   ... due, 1000, ...",
     "The zones are ordered by start; two zones with the same largest start clear all three."},
    {capolinea_oltre_fine, "terminus-beyond-end", "a station whose zone reaches past the route's end",
     "stazione, 84900, 12, 600, ...   (85000 m route)",
     "The station's zone or end marker lies in the 7000 m after the route, where no train stops."},
}};

static_assert(tabella.size() == static_cast<std::size_t>(capolinea_oltre_fine) + 1);

constexpr bool in_ordine() {
  for (std::size_t i = 0; i < tabella.size(); ++i) {
    if (static_cast<std::size_t>(tabella[i].tipo) != i) return false;
  }
  return true;
}
static_assert(in_ordine(), "the table follows the enumeration");

}  // namespace

std::span<const voce_avviso> tabella_avvisi() { return tabella; }

const voce_avviso& avviso_di(tipo_avviso t) { return tabella[static_cast<std::size_t>(t)]; }

const voce_avviso* cerca_avviso(std::string_view nome) {
  for (const voce_avviso& v : tabella) {
    if (v.nome == nome) return &v;
  }
  return nullptr;
}

std::string_view avviso_piu_vicino(std::string_view nome) {
  const std::string cercato = minuscole(nome);
  const voce_avviso* migliore = &tabella.front();
  std::size_t d_min = distanza(cercato, migliore->nome);
  for (const voce_avviso& v : tabella) {
    const std::size_t d = distanza(cercato, v.nome);
    if (d < d_min) {
      d_min = d;
      migliore = &v;
    }
  }
  return migliore->nome;
}

void selezione_avvisi::scegli(tipo_avviso t, trattamento_avviso come) {
  if (scelte_.empty()) scelte_.assign(tabella.size(), trattamento_avviso::mostrato);
  scelte_[static_cast<std::size_t>(t)] = come;
}

trattamento_avviso selezione_avvisi::di(tipo_avviso t) const {
  return scelte_.empty() ? trattamento_avviso::mostrato : scelte_[static_cast<std::size_t>(t)];
}

}  // namespace scen
