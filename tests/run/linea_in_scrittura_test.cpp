// The line data file written on its own thread while the compile fills the
// plan view: the file it hands over, and every way it can end without one.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "formats/file_binari.h"
#include "platform/background.h"
#include "platform/folder.h"
#include "run/linea_in_scrittura.h"
#include "support/files.h"
#ifndef _WIN32
#include "support/child_process.h"
#endif

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::folder_entries;
using test_util::temp_folder;

const std::string nome = "r_linea.dat";

// A model with a plan view of `metri` metres, filled as the compile fills
// it: metres 0 and 1 first, then the rest, reported every `passo` metres.
modello con_piano(std::int32_t metri) {
  modello m;
  m.planimetria.emplace(metri);
  return m;
}

void riempi(modello& m, avanzamento_piano& a, std::int32_t passo) {
  piano& p = *m.planimetria;
  p.poni_intero(0, 0, 0);
  p.poni_intero(0, 1, 0);
  p.poni_intero(1, 0, 0);
  p.poni_intero(1, 1, 1);
  for (std::int32_t k = 2; k <= p.ultimo_metro(); ++k) {
    p.poni_reale(k, 0, k * 0.75);
    p.poni_reale(k, 1, -k / 7.0);
    if (k % passo == 0) a.metri_pronti(p, k + 1);
  }
}

TEST(LineDataWriter, HandsOverTheFileOfTheFinalPlanViewForTheSetToRename) {
  struct caso {
    const char* nome;
    std::int32_t metri, passo;
  };
  const caso casi[] = {
      {"reported as it goes", 300000, 65536},
      {"reported every metre", 2000, 1},
      {"never reported", 5000, 100000},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.nome);
    temp_folder tmp;
    folder dove(tmp.path());
    modello m = con_piano(c.metri);
    file_set set(dove);
    {
      linea_in_scrittura linea(dove, nome);
      riempi(m, linea, c.passo);
      linea.completa(m);
      set.add(linea.prendi());
    }
    EXPECT_EQ(folder_entries(tmp.path()).count(nome), 0u) << "renamed with its set only";
    set.commit();
    EXPECT_EQ(folder_entries(tmp.path()), (std::map<std::string, std::string>{{nome, codifica_linea(*m.planimetria)}}));
  }
}

// Whether the writer is still waiting, half way or done, a writer that is
// not asked for its file leaves nothing behind. (It is done after the pause
// on any machine that runs the tests at all; were it not, the case would
// test the half way end twice.)
TEST(LineDataWriter, GivenUpAtAnyPointItLeavesNoTemporary) {
  temp_folder tmp;
  folder dove(tmp.path());
  { linea_in_scrittura mai_iniziata(dove, nome); }
  {
    modello m = con_piano(400000);
    linea_in_scrittura a_meta(dove, nome);
    a_meta.metri_pronti(*m.planimetria, 1000);  // then the compile fails
  }
  {
    modello m = con_piano(20000);
    linea_in_scrittura finita(dove, nome);
    riempi(m, finita, 5000);
    finita.completa(m);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(LineDataWriter, AFileThatCannotBeCreatedFailsWhenItIsAskedFor) {
  temp_folder tmp;
  fs::create_directory(tmp.path() / nome);
  folder dove(tmp.path());
  modello m = con_piano(200000);
  linea_in_scrittura linea(dove, nome);
  riempi(m, linea, 65536);  // the compile goes on to its end
  linea.completa(m);
  try {
    linea.prendi();
    FAIL() << "a folder stands at the name";
  } catch (const platform_error& g) {
    EXPECT_EQ(g.file(), tmp.path() / nome);
  }
}

TEST(LineDataWriter, AWriteThatFailsHalfWayIsToldWhenTheFileIsAskedFor) {
  temp_folder tmp;
  folder dove(tmp.path());
  dove.fail_after_bytes(3'000'000);
  modello m = con_piano(300000);
  {
    linea_in_scrittura linea(dove, nome);
    riempi(m, linea, 65536);
    linea.completa(m);
    try {
      linea.prendi();
      FAIL() << "the disk is full";
    } catch (const platform_error& g) {
      EXPECT_EQ(g.file(), tmp.path() / nome);
    }
  }
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

#if !defined(_WIN32) && !defined(SCENARIO_UNDER_SANITIZER)
// When the system gives no thread, the file is written all the same, by the
// run's own thread once it asks for it. This test starts itself again as a
// fresh process (one that has never had a thread, so has no thread stack
// to reuse), which limits its own address space below what a thread's
// stack needs and writes the file into the folder it is given.
TEST(LineDataWriter, WithoutAThreadTheFileIsWrittenWhenAskedFor) {
  const auto piano_di_prova = [] {
    modello m = con_piano(20000);  // small enough for the C library's heap
    struct nessuno final : avanzamento_piano {
      void metri_pronti(const piano&, std::int64_t) override {}
    } ascolto;
    riempi(m, ascolto, 5000);
    return m;
  };
  if (const char* cartella = std::getenv("SCENARIO_TEST_NO_THREAD")) {
    long pagine = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pagine) != 1) std::_Exit(4);
    std::fclose(statm);
    const rlimit limite{static_cast<rlim_t>(pagine * ::sysconf(_SC_PAGESIZE) + (4 << 20)), RLIM_INFINITY};
    if (::setrlimit(RLIMIT_AS, &limite) != 0) std::_Exit(4);
    background_work prova([] {});
    if (prova.threaded()) std::_Exit(3);  // the limit did not keep a thread from starting
    try {
      folder dove(cartella);
      modello m = con_piano(20000);
      file_set set(dove);
      {
        linea_in_scrittura linea(dove, nome);
        riempi(m, linea, 5000);
        linea.completa(m);
        set.add(linea.prendi());
      }
      set.commit();
    } catch (...) {
      std::_Exit(2);
    }
    std::_Exit(0);
  }
  temp_folder tmp;
  std::vector<std::string> ambiente = test_util::environment_without({});
  ambiente.push_back("SCENARIO_TEST_NO_THREAD=" + tmp.path().string());
  const auto r = test_util::run_process({fs::read_symlink("/proc/self/exe").string(),
                                         "--gtest_filter=LineDataWriter.WithoutAThreadTheFileIsWrittenWhenAskedFor"},
                                        {}, ambiente);
  if (r.status == 3) GTEST_SKIP() << "an address space limit does not keep threads from starting here";
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder_entries(tmp.path()),
            (std::map<std::string, std::string>{{nome, codifica_linea(*piano_di_prova().planimetria)}}));
}
#endif

TEST(LineDataWriter, WithoutAPlanViewThereIsNoFile) {
  temp_folder tmp;
  folder dove(tmp.path());
  modello senza;
  linea_in_scrittura linea(dove, nome);
  linea.completa(senza);
  EXPECT_THROW(linea.prendi(), std::logic_error);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

}  // namespace
}  // namespace scen
