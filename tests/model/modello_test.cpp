// The large-block memory of the model: any size works, large blocks are
// aligned for huge pages, and a plan view held in it behaves as plain data.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "model/modello.h"
#include "platform/memory.h"

namespace scen {
namespace {

TEST(LargeBlocks, EverySizeStartsZeroedAndLargeOnesAreAlignedToHugePages) {
  constexpr std::size_t pagina = large_block::pagina_grande;
  for (const std::size_t n : {std::size_t{0}, std::size_t{1}, large_block::soglia - 1, large_block::soglia, pagina,
                              pagina + 1, std::size_t{16112016}}) {
    SCOPED_TRACE(n);
    large_block b(n);
    ASSERT_EQ(b.dimensione(), n);
    EXPECT_EQ(b.mappato(), large_block::mappe_proprie && n >= large_block::soglia);
    if (b.mappato()) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.dati()) % pagina, 0u);
    }
    for (std::size_t i = 0; i < n; i += 4093) ASSERT_EQ(b.dati()[i], std::byte{0}) << i;
    if (n == 0) continue;
    b.dati()[0] = std::byte{1};
    b.dati()[n - 1] = std::byte{2};  // the last byte is writable
    large_block copia = b;
    EXPECT_EQ(std::memcmp(copia.dati(), b.dati(), n), 0);
    EXPECT_NE(copia.dati(), b.dati());
    large_block spostato = std::move(copia);
    EXPECT_EQ(spostato.dati()[n - 1], std::byte{2});
    EXPECT_EQ(copia.dimensione(), 0u);
    spostato = b;  // copy over a block that already holds memory
    EXPECT_EQ(std::memcmp(spostato.dati(), b.dati(), n), 0);
  }
}

TEST(LargeBlocks, MemoryGivenBackComesAgainZeroed) {
  // A large block freed and asked for again (the run's encoders do this
  // once per file) must not bring back the bytes of the earlier one.
  for (int giro = 0; giro < 3; ++giro) {
    large_block b(3 * large_block::pagina_grande);
    for (std::size_t i = 0; i < b.dimensione(); i += 4096) ASSERT_EQ(b.dati()[i], std::byte{0}) << giro << " " << i;
    std::memset(b.dati(), 0x5A, b.dimensione());
  }
}

TEST(LargeBlocks, APlanViewOfTheLongestRouteCopiesAndComparesAsPlainData) {
  piano p(1007000);
  p.poni_intero(1, 1, 1);
  p.poni_reale(1007000 - 2, 0, -3.25);
  piano copia = p;
  EXPECT_EQ(copia, p);
  EXPECT_EQ(copia.tag(1, 1), tag_piano::intero);
  EXPECT_EQ(copia.numero(1007000 - 2, 0), -3.25);
  EXPECT_EQ(copia.tag(1007000 - 2, 1), tag_piano::vuoto) << "the two coordinates are apart";
  copia.poni_reale(1007000, 1, 7.0);
  EXPECT_NE(copia, p);
  const piano spostato = std::move(copia);
  EXPECT_EQ(spostato.numero(1007000, 1), 7.0);
}

}  // namespace
}  // namespace scen
