// Memory for the model's largest arrays. The plan view holds 18 bytes for
// every metre of the track model (18 MB for the longest route); on a virtual
// machine the page faults of filling it cost more than computing its values.
// A block of 512 KiB or more is therefore aligned to 2 MiB, rounded up to a
// whole number of 2 MiB and offered to the kernel for transparent huge pages:
// one fault for each 2 MiB instead of one for each 4 KiB. Where the kernel
// does not take the offer the block is ordinary memory, and pages that are
// never touched cost nothing.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace scen {

template <typename T>
struct allocatore_grande {
  using value_type = T;

  static constexpr std::size_t soglia = std::size_t{512} << 10;
  static constexpr std::size_t pagina_grande = std::size_t{2} << 20;

  allocatore_grande() = default;
  template <typename U>
  allocatore_grande(const allocatore_grande<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t byte = n * sizeof(T);
    if (byte < soglia) return std::allocator<T>().allocate(n);
    const std::size_t arrotondati = (byte + pagina_grande - 1) / pagina_grande * pagina_grande;
    void* p = std::aligned_alloc(pagina_grande, arrotondati);
    if (p == nullptr) throw std::bad_alloc();
    ::madvise(p, arrotondati, MADV_HUGEPAGE);  // only an offer: a refusal changes nothing
    return static_cast<T*>(p);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) < soglia) {
      std::allocator<T>().deallocate(p, n);
    } else {
      std::free(p);
    }
  }

  template <typename U>
  bool operator==(const allocatore_grande<U>&) const noexcept {
    return true;
  }
};

}  // namespace scen
