#include "model/nomi_file.h"

#include <array>
#include <string_view>

#include "model/testo.h"

namespace scen {

identita identita_incorporata() { return {"Ardena_VelmoraCle", "4713"}; }

std::string nome_sorgente_linea(const identita& id) { return id.nome_linea + "_linea.txt"; }
std::string nome_sorgente_treno(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "-.txt"; }
std::string nome_note(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "_note.txt"; }
std::string nome_rallentamenti(const identita& id) {
  return id.nome_linea + "_" + id.nome_treno + "_rallentamenti.txt";
}
std::string nome_scheda(const identita& id) { return id.nome_linea + "_" + id.nome_treno + "_scheda_treno.txt"; }
std::string nome_file_linea(const identita& id) { return id.nome_linea + "_linea.dat"; }
std::string nome_file_sommario(const identita& id) { return id.nome_linea + "_" + id.nome_treno + ".sim"; }
std::string nome_file_percorso(const identita& id) { return id.nome_linea + "_" + id.nome_treno + ".dat"; }

std::vector<std::string> nomi_della_corsa(const identita& id) {
  return {nome_sorgente_linea(id), nome_sorgente_treno(id), nome_note(id),          nome_rallentamenti(id),
          nome_scheda(id),         nome_file_linea(id),     nome_file_sommario(id), nome_file_percorso(id)};
}

namespace {

// The names Windows gives its devices, the one table of them: a file name
// whose part before its first dot is one of these, in any letter case and
// with the blanks Windows strips from it, opens the device instead of a
// file. COM and LPT take any digit, and the superscripts one, two and three
// too (bytes 0xB9, 0xB2, 0xB3 in Windows-1252, the scenario's files; two
// bytes each in UTF-8, a Linux command line's).
constexpr std::array<std::string_view, 6> dispositivi{"con", "prn", "aux", "nul", "conin$", "conout$"};
constexpr std::array<std::string_view, 2> porte{"com", "lpt"};
constexpr std::array<std::string_view, 16> numeri_porta{
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

// `testo` equals `minuscolo` with the ASCII letters in any case; other bytes
// (a UTF-8 sequence among them) as they are.
bool uguale_ascii(std::string_view testo, std::string_view minuscolo) {
  if (testo.size() != minuscolo.size()) return false;
  for (std::size_t i = 0; i < testo.size(); ++i) {
    const char c = testo[i] >= 'A' && testo[i] <= 'Z' ? static_cast<char>(testo[i] + ('a' - 'A')) : testo[i];
    if (c != minuscolo[i]) return false;
  }
  return true;
}

bool nome_di_dispositivo(std::string_view radice) {
  for (const std::string_view d : dispositivi) {
    if (uguale_ascii(radice, d)) return true;
  }
  for (const std::string_view p : porte) {
    if (!uguale_ascii(radice.substr(0, p.size()), p)) continue;
    for (const std::string_view n : numeri_porta) {
      if (radice.substr(p.size()) == n) return true;
    }
  }
  return false;
}

// The part of `nome` that names a device when it is one: before its first
// dot, without the blanks that end it (Windows drops the dots and blanks at
// the end of a name, so "CON.", "CON .txt" and "COM1 " are CON and COM1).
std::string_view radice_dispositivo(std::string_view nome) {
  std::string_view radice = nome.substr(0, nome.find('.'));
  while (!radice.empty() && radice.back() == ' ') radice.remove_suffix(1);
  return radice;
}

// Why `nome` is no file name on Windows or Linux; nothing when it is one.
std::optional<std::string> problema_nome_file(std::string_view nome) {
  if (nome.empty()) return "is empty";
  for (const char c : nome) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return "holds a control character";
    if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return std::string("holds the character ") + c + ", which Windows refuses in a file name";
    }
  }
  if (const std::string_view radice = radice_dispositivo(nome); nome_di_dispositivo(radice)) {
    return "is a device name on Windows (" + std::string(radice) +
           "), whatever follows its first dot: Windows would open the device, not a file";
  }
  if (nome.back() == '.' || nome.back() == ' ') return "ends with a dot or a blank, which Windows drops";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> problema_identita(const identita& id, std::string_view come_linea,
                                             std::string_view come_treno) {
  const std::pair<const std::string*, std::string_view> parti[] = {{&id.nome_linea, come_linea},
                                                                   {&id.nome_treno, come_treno}};
  for (const auto& [testo, cosa] : parti) {
    const std::string nome = std::string(cosa) + " \"" + *testo + "\" ";
    if (testo->find_first_of("/\\") != std::string::npos) {
      return nome + "holds a path separator; the files must stay in their folder";
    }
    if (testo->find("..") != std::string::npos) return nome + "holds \"..\"; the files must stay in their folder";
    if (auto p = problema_nome_file(*testo)) return nome + *p;
  }
  const std::vector<std::string> nomi = nomi_della_corsa(id);
  for (std::size_t i = 0; i < nomi.size(); ++i) {
    if (auto p = problema_nome_file(nomi[i])) return "file name \"" + nomi[i] + "\" " + *p;
    for (std::size_t k = 0; k < i; ++k) {
      // Windows folders and most macOS ones ignore letter case.
      if (minuscole(nomi[i]) == minuscole(nomi[k])) {
        return std::string(come_linea) + " \"" + id.nome_linea + "\" and " + std::string(come_treno) + " \"" +
               id.nome_treno + "\" give two files the same name, " + nomi[k] + " and " + nomi[i];
      }
    }
  }
  return std::nullopt;
}

}  // namespace scen
