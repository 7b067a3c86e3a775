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

// Windows opens a device for these, whatever follows their first dot.
constexpr std::array<std::string_view, 22> nomi_riservati{
    "con",  "prn",  "aux",  "nul",  "com1", "com2", "com3", "com4", "com5", "com6", "com7",
    "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4", "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};

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
  if (nome.back() == '.' || nome.back() == ' ') return "ends with a dot or a blank, which Windows drops";
  std::string radice = minuscole(nome.substr(0, nome.find('.')));
  while (!radice.empty() && radice.back() == ' ') radice.pop_back();
  for (const std::string_view r : nomi_riservati) {
    if (radice == r) return "is a device name on Windows (" + std::string(r) + ")";
  }
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
