#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace scen {
namespace {

std::size_t arrotonda_su(std::size_t byte, std::size_t passo) { return (byte + passo - 1) / passo * passo; }

// Maps `byte` (a multiple of 2 MiB) aligned to 2 MiB: maps 2 MiB more than
// asked, then gives back what lies before the aligned start and after the end.
std::byte* mappa_allineato(std::size_t byte) {
  const std::size_t mappati = byte + large_block::pagina_grande;
  void* p = ::mmap(nullptr, mappati, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const auto inizio = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t allineato = arrotonda_su(inizio, large_block::pagina_grande);
  const std::size_t prima = allineato - inizio;
  if (prima > 0) ::munmap(p, prima);
  const std::size_t dopo = mappati - prima - byte;
  if (dopo > 0) ::munmap(reinterpret_cast<void*>(allineato + byte), dopo);
  ::madvise(reinterpret_cast<void*>(allineato), byte, MADV_HUGEPAGE);  // only an offer: a refusal changes nothing
  return reinterpret_cast<std::byte*>(allineato);
}

// The kernel clears every fresh page on its first touch, and for the longest
// route's plan view (20 MB) that clearing costs about as much as computing
// the values. A block this large or larger is therefore populated by a helper
// thread from its far end backwards while the caller fills it from the front:
// with a spare core the two halves of the clearing run side by side. The
// helper only asks the kernel to populate the pages (MADV_POPULATE_WRITE),
// which never changes a byte, so it may run while the block is being filled;
// where the kernel cannot, the pages are cleared on first touch as before.
constexpr std::size_t soglia_aiutante = std::size_t{8} << 20;

#ifdef MADV_POPULATE_WRITE
class aiutanti {
 public:
  void avvia(std::byte* dati, std::size_t byte) {
    try {
      std::thread t([dati, byte] {
        for (std::size_t fine = byte; fine > 0; fine -= large_block::pagina_grande) {
          if (::madvise(dati + fine - large_block::pagina_grande, large_block::pagina_grande, MADV_POPULATE_WRITE) != 0) return;
        }
      });
      const std::lock_guard<std::mutex> lock(m_);
      in_corso_.emplace_back(dati, std::move(t));
    } catch (const std::system_error&) {
      // No thread: the pages are cleared on first touch.
    } catch (const std::bad_alloc&) {
    }
  }
  // Waits for the helper of the block at `dati`, if any, before it is unmapped.
  void attendi(const std::byte* dati) noexcept {
    std::thread t;
    {
      const std::lock_guard<std::mutex> lock(m_);
      for (auto it = in_corso_.begin(); it != in_corso_.end(); ++it) {
        if (it->first == dati) {
          t = std::move(it->second);
          in_corso_.erase(it);
          break;
        }
      }
    }
    if (t.joinable()) t.join();
  }

 private:
  std::mutex m_;
  std::vector<std::pair<const std::byte*, std::thread>> in_corso_;
};

// Never destroyed: a block still alive when the process ends must not take
// a running helper's std::thread down with it (that would end the process
// through std::terminate).
aiutanti& aiutanti_in_corso() {
  static aiutanti* a = new aiutanti;
  return *a;
}

void popola_a_parte(std::byte* dati, std::size_t byte) {
  if (byte >= soglia_aiutante) aiutanti_in_corso().avvia(dati, byte);
}
void attendi_popolamento(const std::byte* dati, std::size_t byte) noexcept {
  if (byte >= soglia_aiutante) aiutanti_in_corso().attendi(dati);
}
#else
void popola_a_parte(std::byte*, std::size_t) {}
void attendi_popolamento(const std::byte*, std::size_t) noexcept {}
#endif

}  // namespace

large_block::large_block(std::size_t byte) : byte_(byte) {
  if (byte == 0) return;
  if (byte < soglia || !mappe_proprie) {
    dati_ = static_cast<std::byte*>(std::calloc(byte, 1));
    if (dati_ == nullptr) throw std::bad_alloc();
    return;
  }
  if (byte > static_cast<std::size_t>(-1) - 2 * pagina_grande) throw std::bad_alloc();
  mappati_ = arrotonda_su(byte, pagina_grande);
  dati_ = mappa_allineato(mappati_);
  popola_a_parte(dati_, mappati_);
}

large_block::large_block(const large_block& altro) : large_block(altro.byte_) {
  if (byte_ > 0) std::memcpy(dati_, altro.dati_, byte_);
}

large_block& large_block::operator=(const large_block& altro) {
  if (this != &altro) *this = large_block(altro);
  return *this;
}

large_block::large_block(large_block&& altro) noexcept
    : dati_(std::exchange(altro.dati_, nullptr)),
      byte_(std::exchange(altro.byte_, 0)),
      mappati_(std::exchange(altro.mappati_, 0)) {}

large_block& large_block::operator=(large_block&& altro) noexcept {
  if (this != &altro) {
    rilascia();
    dati_ = std::exchange(altro.dati_, nullptr);
    byte_ = std::exchange(altro.byte_, 0);
    mappati_ = std::exchange(altro.mappati_, 0);
  }
  return *this;
}

large_block::~large_block() { rilascia(); }

void large_block::rilascia() noexcept {
  if (mappati_ != 0) {
    attendi_popolamento(dati_, mappati_);
    ::munmap(dati_, mappati_);
  } else {
    std::free(dati_);
  }
  dati_ = nullptr;
  byte_ = 0;
  mappati_ = 0;
}

}  // namespace scen
