// explain: the long text of a warning, by the name shown in brackets after
// it, or of an error or fatal end, by its code. Every text comes from the
// tables the compile itself uses (the warnings' registry, the error codes,
// the fatal ends); nothing is written here twice.
#include <fmt/format.h>

#include <charconv>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "commands/comandi.h"
#include "compiler/avvisi.h"
#include "model/codici_errore.h"
#include "model/testo.h"
#include "passes/messaggi_fatali.h"
#include "text/testo_utf8.h"

namespace scen::tool {
namespace {

// A paragraph broken into lines of at most `larghezza` columns.
void stampa_paragrafo(std::ostream& out, std::string_view testo, std::size_t larghezza = 78) {
  std::size_t riga = 0;
  while (!testo.empty()) {
    const std::size_t fine = testo.find(' ');
    const std::string_view parola = testo.substr(0, fine);
    if (riga > 0 && riga + 1 + parola.size() > larghezza) {
      out << '\n';
      riga = 0;
    } else if (riga > 0) {
      out << ' ';
      ++riga;
    }
    out << utf8_da_1252(parola);
    riga += parola.size();
    testo = fine == std::string_view::npos ? std::string_view{} : testo.substr(fine + 1);
  }
  out << '\n';
}

void spiega_avviso(std::ostream& out, const voce_avviso& v) {
  out << "warning [" << v.nome << "]: " << utf8_da_1252(v.titolo) << "\n\n";
  out << "  " << utf8_da_1252(v.esempio) << "\n\n";
  stampa_paragrafo(out, v.spiegazione);
  out << "\nLeave it out with -Wno-" << v.nome << "; make it an error with -Werror=" << v.nome << ".\n";
}

std::optional<std::int32_t> numero(std::string_view testo) {
  std::int32_t n = 0;
  const auto [fine, ec] = std::from_chars(testo.data(), testo.data() + testo.size(), n);
  if (ec != std::errc{} || fine != testo.data() + testo.size()) return std::nullopt;
  return n;
}

void spiega_errore(std::ostream& out, const voce_errore& e) {
  std::string testo(e.messaggio);
  if (const auto at = testo.find("{pos}"); at != std::string::npos) testo.replace(at, 5, "POSITION");
  out << "error " << e.codice << ": " << utf8_da_1252(testo) << "\n\n";
  stampa_paragrafo(out, del_passo_codici(e.codice)
                            ? "The code pass records it after the compile, when it finds no free cell for a code "
                              "point; the binary files are written all the same, and the run shows the code on "
                              "its last line."
                            : "The compile records the first error it meets and stops reading; the run shows the "
                              "code on its last line (lint reports every error at once). When the compile has "
                              "built no track cells by then, the run ends as a fatal error with this number and "
                              "writes no binary file.");
}

void spiega_fatale(std::ostream& out, const voce_fatale& f) {
  out << "fatal error " << f.testo << ": " << utf8_da_1252(f.messaggio) << "\n\n";
  stampa_paragrafo(
      out, fmt::format("The run ends with \"Errore n. {}\" in a message box and writes no binary file.", f.testo));
}

// Every name and code explain knows, for the nearest to a mistyped one.
std::vector<std::string> noti() {
  std::vector<std::string> out;
  for (const voce_avviso& v : tabella_avvisi()) out.emplace_back(v.nome);
  for (const voce_errore& e : tabella_errori()) out.push_back(std::to_string(e.codice));
  for (const voce_fatale& f : tabella_fatali()) out.emplace_back(f.testo);
  return out;
}

void elenca(std::ostream& out) {
  out << "Warnings, by the name shown in brackets after each:\n";
  for (const voce_avviso& v : tabella_avvisi()) {
    out << fmt::format("  {:<24} {}\n", v.nome, utf8_da_1252(v.titolo));
  }
  out << "\nErrors, by code:";
  for (const voce_errore& e : tabella_errori()) out << ' ' << e.codice;
  out << "\nFatal ends:";
  for (const voce_fatale& f : tabella_fatali()) out << ' ' << f.testo;
  out << "\n";
}

int esegui_explain(const std::string& nome, std::ostream& out) {
  if (nome.empty()) {
    elenca(out);
    return exit_status::clean;
  }
  if (const voce_avviso* v = cerca_avviso(nome)) {
    spiega_avviso(out, *v);
    return exit_status::clean;
  }
  for (const voce_fatale& f : tabella_fatali()) {
    if (f.testo == nome) {
      spiega_fatale(out, f);
      return exit_status::clean;
    }
  }
  if (const auto n = numero(nome)) {
    if (const voce_errore* e = cerca_errore(*n)) {
      spiega_errore(out, *e);
      return exit_status::clean;
    }
  }
  const std::string cercato = minuscole(nome);
  std::string vicino;
  std::size_t d_min = SIZE_MAX;
  for (const std::string& n : noti()) {
    if (const std::size_t d = distanza(cercato, n); d < d_min) {
      d_min = d;
      vicino = n;
    }
  }
  // The name is quoted as typed, made safe to show.
  throw errore_uso(fmt::format("no warning, error or fatal end is named \"{}\"; the nearest is \"{}\"",
                               testo_leggibile(nome), vicino));
}

}  // namespace

comando registra_explain(CLI::App& app, const command_entry& entry) {
  auto nome = std::make_shared<std::string>();
  CLI::App* sub = add_command(app, entry);
  bind_option(*sub, entry, "NAME", *nome);
  return {sub, [nome](std::ostream& out, std::ostream&) { return esegui_explain(*nome, out); }};
}

}  // namespace scen::tool
