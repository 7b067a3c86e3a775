// Memory for the model's largest arrays and the encoders' buffers. The plan
// view holds 20 bytes for every metre of the track model (20 MB for the
// longest route); on a virtual machine the page faults of filling it cost
// more than computing its values. A block of 512 KiB or more is therefore
// mapped on its own, aligned to 2 MiB, rounded up to a whole number of 2 MiB
// and offered to the kernel for transparent huge pages: one fault for each
// 2 MiB instead of one for each 4 KiB. Where the kernel does not take the
// offer the block is ordinary memory, and pages never touched cost nothing.
//
// Every block starts zeroed. Fresh pages come zeroed from the kernel, so a
// large block is never cleared again by the program: clearing it would touch
// every page once more before the first real value is stored.
#pragma once

#include <cstddef>

namespace scen {

#if defined(__SANITIZE_ADDRESS__)
#define SCENARIO_CON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCENARIO_CON_ASAN 1
#endif
#endif

class large_block {
 public:
  static constexpr std::size_t soglia = std::size_t{512} << 10;
  static constexpr std::size_t pagina_grande = std::size_t{2} << 20;
#ifdef SCENARIO_CON_ASAN
  // Under AddressSanitizer every block comes from the C library, whose
  // blocks the sanitizer fences: a slip past a block's end is caught there.
  static constexpr bool mappe_proprie = false;
#else
  static constexpr bool mappe_proprie = true;
#endif

  large_block() = default;
  // `byte` zeroed bytes; throws std::bad_alloc when the memory is not there.
  explicit large_block(std::size_t byte);
  large_block(const large_block& altro);
  large_block& operator=(const large_block& altro);
  large_block(large_block&& altro) noexcept;
  large_block& operator=(large_block&& altro) noexcept;
  ~large_block();

  std::byte* dati() { return dati_; }
  const std::byte* dati() const { return dati_; }
  std::size_t dimensione() const { return byte_; }
  // True when the block is mapped on its own (and offered for huge pages).
  bool mappato() const { return mappati_ != 0; }

 private:
  void rilascia() noexcept;

  std::byte* dati_ = nullptr;
  std::size_t byte_ = 0;
  std::size_t mappati_ = 0;  // bytes mapped for a large block, 0 for a small one
};

}  // namespace scen
