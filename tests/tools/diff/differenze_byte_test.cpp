// scenario-tool diff byte by byte: the embedded scenario's three files, one
// field of one record damaged at a time, must never compare equal, and the
// difference is told by file, field and count.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/tool_in_process.h"
#include "text/testo_utf8.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::read_file;
using test_util::run_tool_in_process;
using test_util::temp_folder;
using test_util::write_file;

constexpr const char* file_linea = "Ardena_VelmoraCle_linea.dat";
constexpr const char* file_sommario = "Ardena_VelmoraCle_4713.sim";
constexpr const char* file_percorso = "Ardena_VelmoraCle_4713.dat";

// A field's place in its record, as docs/formats.md lays the record out.
struct campo {
  const char* nome;
  std::size_t offset, byte;
};

constexpr std::size_t byte_cella = 15;
const campo campi_cella[] = {{"tipo", 0, 1},      {"valore1", 1, 2},   {"valore2", 3, 2},  {"valore3", 5, 2},
                             {"valore4", 7, 2},   {"tempo", 9, 1},     {"avviso", 10, 1},  {"montagna", 11, 1},
                             {"velocita", 12, 1}, {"pendenza", 13, 1}, {"aderenza", 14, 1}};

// Summary entry fields: offsets before the name, and after it (from the
// end of the name), the name's own bytes apart.
const campo campi_prima_del_nome[] = {
    {"tipo", 0, 1}, {"inizio", 1, 4}, {"fine", 5, 4}, {"posizione", 9, 4}, {"opzione1", 13, 1}};
const campo campi_dopo_il_nome[] = {{"gruppo_a1", 0, 2}, {"gruppo_a2", 2, 2},  {"gruppo_b1", 4, 2}, {"gruppo_b2", 6, 2},
                                    {"gruppo_b3", 8, 2}, {"gruppo_a3", 10, 1}, {"sosta", 11, 1},    {"opzione3", 12, 1},
                                    {"opzione2", 13, 1}, {"orario", 14, 4}};

std::uint16_t u16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

// Where each of the 87 entries starts.
std::vector<std::size_t> inizi_voci(const std::string& sim) {
  std::vector<std::size_t> v;
  for (std::size_t at = 0; v.size() < 87; at += 34 + u16(sim, at + 14)) v.push_back(at);
  return v;
}

// Where each tagged value of a line data file starts.
std::vector<std::size_t> inizi_valori(const std::string& linea) {
  std::vector<std::size_t> v;
  for (std::size_t at = 0; at < linea.size();) {
    v.push_back(at);
    const std::uint16_t tag = u16(linea, at);
    at += tag == 5 ? 10 : tag == 2 ? 4 : 2;
  }
  return v;
}

struct danno {
  std::string nome;     // for the trace
  const char* file;     // which file of the set
  const char* tipo;     // as the JSON names the file
  std::string campo;    // as the JSON names the field
  std::int64_t record;  // the cell, entry or metre damaged
  std::function<void(std::string&)> applica;
};

void inverti_bit(std::string& b, std::size_t at) { b[at] = static_cast<char>(b[at] ^ 1); }

class DiffByte : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_tool_in_process({"export", "-o", "src"}, dir_.path()).status, 0);
    const auto r = run_tool_in_process(
        {"compile", "src/Ardena_VelmoraCle_linea.txt", "src/Ardena_VelmoraCle_4713-.txt", "-o", "before"}, dir_.path());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* f : {file_linea, file_sommario, file_percorso}) originale_[f] = read_file(prima() / f);
  }
  fs::path prima() const { return dir_.path() / "before"; }
  fs::path dopo() const { return dir_.path() / "after"; }
  // "after" as a copy of "before" with `cambia` applied to `file`.
  void danneggia(const char* file, const std::function<void(std::string&)>& cambia) {
    fs::remove_all(dopo());
    fs::create_directories(dopo());
    for (const auto& [nome, byte] : originale_) {
      std::string b = byte;
      if (nome == file) cambia(b);
      write_file(dopo() / nome, b);
    }
  }
  nlohmann::json diff_json(int atteso) {
    const auto r = run_tool_in_process({"diff", "before", "after", "--json"}, dir_.path());
    EXPECT_EQ(r.status, atteso) << r.err;
    return nlohmann::json::parse(r.out);
  }
  test_util::tool_result diff_testo() { return run_tool_in_process({"diff", "before", "after"}, dir_.path()); }

  // One damage of each field of one record of each file.
  std::vector<danno> danni() const {
    std::vector<danno> v;
    const std::string& dat = originale_.at(file_percorso);
    // A signal's cell and an empty cell in mid route: one field each.
    std::vector<std::int64_t> celle;
    for (std::size_t n = 2; n < dat.size() / byte_cella && celle.size() < 1; ++n) {
      if (dat[n * byte_cella] == 1) celle.push_back(static_cast<std::int64_t>(n));
    }
    for (std::size_t n = dat.size() / byte_cella / 2; n < dat.size() / byte_cella; ++n) {
      if (dat[n * byte_cella] == 0 && dat[n * byte_cella + 10] == 0) {
        celle.push_back(static_cast<std::int64_t>(n));
        break;
      }
    }
    for (const std::int64_t n : celle) {
      for (const campo& c : campi_cella) {
        const std::size_t at = static_cast<std::size_t>(n) * byte_cella + c.offset;
        v.push_back({fmt_nome("cell", n, c.nome), file_percorso, "track", c.nome, n,
                     [at](std::string& b) { inverti_bit(b, at); }});
      }
    }
    // The first station's entry and the train's entry: every field.
    const std::vector<std::size_t> voci = inizi_voci(originale_.at(file_sommario));
    for (const int e : {1, 86}) {
      const std::size_t inizio = voci[static_cast<std::size_t>(e)];
      const std::size_t nome = u16(originale_.at(file_sommario), inizio + 14);
      for (const campo& c : campi_prima_del_nome) {
        v.push_back({fmt_nome("entry", e, c.nome), file_sommario, "summary", c.nome, e,
                     [at = inizio + c.offset](std::string& b) { inverti_bit(b, at); }});
      }
      v.push_back({fmt_nome("entry", e, "nome"), file_sommario, "summary", "nome", e,
                   [at = inizio + 16](std::string& b) { inverti_bit(b, at); }});
      for (const campo& c : campi_dopo_il_nome) {
        v.push_back({fmt_nome("entry", e, c.nome), file_sommario, "summary", c.nome, e,
                     [at = inizio + 16 + nome + c.offset](std::string& b) { inverti_bit(b, at); }});
      }
    }
    // Metre 1000 of the plan view, both coordinates: a payload's lowest bit,
    // and the tag (the double made an empty value).
    const std::vector<std::size_t> valori = inizi_valori(originale_.at(file_linea));
    const std::size_t metri = valori.size() / 2;
    for (const std::size_t k : {0, 1}) {
      const std::size_t at = valori[k * metri + 1000];
      v.push_back({fmt_nome("metre", 1000, "payload"), file_linea, "line", fmt_coordinata(k, "payload"), 1000,
                   [at](std::string& b) { inverti_bit(b, at + 2); }});
      v.push_back({fmt_nome("metre", 1000, "tag"), file_linea, "line", fmt_coordinata(k, "tag"), 1000,
                   [at](std::string& b) { b.replace(at, 10, std::string(2, '\0')); }});
    }
    return v;
  }

  static std::string fmt_nome(const char* record, std::int64_t n, const char* campo) {
    return std::string(record) + " " + std::to_string(n) + " " + campo;
  }
  static std::string fmt_coordinata(std::size_t k, const char* campo) {
    return "coordinate " + std::to_string(k) + " " + campo;
  }

  temp_folder dir_;
  std::map<std::string, std::string> originale_;
};

TEST_F(DiffByte, EveryFieldDamagedAloneIsToldByNameWithCountOne) {
  const std::vector<danno> tutti = danni();
  ASSERT_EQ(tutti.size(), 2 * 11 + 2 * 16 + 2 * 2u);
  for (const danno& d : tutti) {
    SCOPED_TRACE(d.nome);
    danneggia(d.file, d.applica);
    const nlohmann::json j = diff_json(1);
    EXPECT_EQ(j["equal"], false);
    ASSERT_EQ(j["bytes"].size(), 1u) << j["bytes"].dump();
    const nlohmann::json& b = j["bytes"][0];
    EXPECT_EQ(b["file"], d.tipo);
    EXPECT_EQ(b["field"], d.campo);
    EXPECT_EQ(b["count"], 1);
    EXPECT_EQ(b["first"], d.record);
    EXPECT_EQ(b["last"], d.record);
    // Told once: by a change of meaning, or else by its own line.
    const auto t = diff_testo();
    EXPECT_EQ(t.status, 1);
    const std::string detto = " differs in field " + d.campo;
    if (b["explained"] == true) {
      EXPECT_FALSE(j["changes"].empty());
      EXPECT_EQ(t.out.find(detto), std::string::npos) << t.out;
    } else {
      EXPECT_NE(t.out.find(b["text"].get<std::string>() + "\n"), std::string::npos) << t.out;
      EXPECT_NE(t.out.find(": 1 "), std::string::npos) << t.out;
      EXPECT_NE(t.out.find(detto), std::string::npos) << t.out;
    }
  }
}

TEST_F(DiffByte, IdenticalFilesAreEqualAndNothingElseIs) {
  danneggia("", [](std::string&) {});
  const nlohmann::json j = diff_json(0);
  EXPECT_EQ(j["equal"], true);
  EXPECT_TRUE(j["bytes"].empty());
  EXPECT_EQ(diff_testo().out, "");
}

TEST_F(DiffByte, ApproachMarkersClearedAreCounted) {
  const std::string& dat = originale_.at(file_percorso);
  std::vector<std::size_t> marcate;
  for (std::size_t n = 0; n < dat.size() / byte_cella; ++n) {
    if (dat[n * byte_cella + 10] != 0) marcate.push_back(n);
  }
  ASSERT_GT(marcate.size(), 1u);
  danneggia(file_percorso, [](std::string& b) {
    for (std::size_t at = 10; at < b.size(); at += byte_cella) b[at] = 0;
  });
  const nlohmann::json j = diff_json(1);
  EXPECT_TRUE(j["changes"].empty());
  ASSERT_EQ(j["bytes"].size(), 1u) << j.dump();
  EXPECT_EQ(j["bytes"][0]["field"], "avviso");
  EXPECT_EQ(j["bytes"][0]["count"], marcate.size());
  EXPECT_EQ(j["bytes"][0]["first"], marcate.front());
  EXPECT_EQ(j["bytes"][0]["last"], marcate.back());
  EXPECT_EQ(j["bytes"][0]["from"], marcate.front() * 50);
  const auto h = run_tool_in_process({"diff", "before", "after", "--html", "changes.html"}, dir_.path());
  EXPECT_EQ(h.status, 1);
  const std::string pagina = read_file(dir_.path() / "changes.html");
  EXPECT_NE(pagina.find("<li>" + j["bytes"][0]["text"].get<std::string>() + "</li>"), std::string::npos);
  const auto t = diff_testo();
  EXPECT_EQ(t.status, 1);
  EXPECT_EQ(t.out.rfind("track file: " + std::to_string(marcate.size()) +
                            " cells differ in field avviso (approach marker), cells " +
                            std::to_string(marcate.front()) + " to " + std::to_string(marcate.back()) + ", from ",
                        0),
            0u)
      << t.out;
}

TEST_F(DiffByte, LoneSlowdownEndIsCountedFieldByField) {
  // A copy of the last slowdown end on the first empty cell after it: no
  // slowdown changes its length, so no change of meaning tells it.
  const std::string& dat = originale_.at(file_percorso);
  std::size_t fine = 0, vuota = 0;
  for (std::size_t n = 2; n < dat.size() / byte_cella; ++n) {
    if (dat[n * byte_cella] == 2) fine = n;
  }
  ASSERT_GT(fine, 0u);
  for (vuota = fine + 1; dat[vuota * byte_cella] != 0; ++vuota) {
  }
  std::vector<std::string> diversi;
  for (const campo& c : campi_cella) {
    if (c.offset < 9 && dat.compare(fine * byte_cella + c.offset, c.byte, dat, vuota * byte_cella + c.offset, c.byte)) {
      diversi.push_back(c.nome);
    }
  }
  ASSERT_GE(diversi.size(), 2u);
  danneggia(file_percorso, [&](std::string& b) { b.replace(vuota * byte_cella, 9, dat, fine * byte_cella, 9); });
  const nlohmann::json j = diff_json(1);
  EXPECT_TRUE(j["changes"].empty()) << j.dump();
  ASSERT_EQ(j["bytes"].size(), diversi.size()) << j.dump();
  std::string attese;
  for (std::size_t i = 0; i < diversi.size(); ++i) {
    const nlohmann::json& b = j["bytes"][i];
    EXPECT_EQ(b["field"], diversi[i]);
    EXPECT_EQ(b["count"], 1);
    EXPECT_EQ(b["first"], vuota);
    EXPECT_EQ(b["explained"], false);
    attese += b["text"].get<std::string>() + "\n";
  }
  const auto t = diff_testo();
  EXPECT_EQ(t.status, 1);
  EXPECT_EQ(t.out, attese);
  EXPECT_NE(t.out.find("track file: 1 cell differs in field tipo (cell type), cell " + std::to_string(vuota)),
            std::string::npos)
      << t.out;
}

struct danno_file {
  const char* nome;
  const char* file;
  std::function<void(std::string&)> applica;  // nothing: the file removed
  const char* tipo;
  const char* campo;
  bool spiegata;
};

// Whole files: there in one folder only, of another size, not decodable.
const danno_file danni_file[] = {
    {"line data file removed", file_linea, nullptr, "line", "presence", true},
    {"one cell appended to the track", file_percorso, [](std::string& b) { b.append(byte_cella, '\0'); }, "track",
     "size", false},
    {"line data file cut short", file_linea, [](std::string& b) { b.pop_back(); }, "line", "bytes", false},
};

TEST_F(DiffByte, FilesMissingOfAnotherSizeOrUndecodableAreTold) {
  for (const danno_file& d : danni_file) {
    SCOPED_TRACE(d.nome);
    danneggia(
        d.file, d.applica ? d.applica : [](std::string&) {});
    if (!d.applica) fs::remove(dopo() / d.file);
    const nlohmann::json j = diff_json(1);
    ASSERT_EQ(j["bytes"].size(), 1u) << j.dump();
    const nlohmann::json& b = j["bytes"][0];
    EXPECT_EQ(b["file"], d.tipo);
    EXPECT_EQ(b["field"], d.campo);
    EXPECT_EQ(b["explained"], d.spiegata);
    const auto t = diff_testo();
    EXPECT_EQ(t.status, 1);
    // The text shows it as a terminal may see it (a Windows path's "\\" doubled).
    EXPECT_EQ(t.out.find(tool::testo_leggibile(b["text"].get<std::string>())) != std::string::npos, !d.spiegata)
        << t.out;
    EXPECT_FALSE(t.out.empty());
  }
}

}  // namespace
}  // namespace scen
