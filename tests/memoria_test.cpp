// The large-block memory of the model: any size works, large blocks are
// aligned for huge pages, and a plan view held in it behaves as plain data.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/memoria.h"
#include "model/modello.h"

namespace scen {
namespace {

TEST(LargeBlocks, EverySizeHoldsItsValuesAndLargeOnesAreAlignedToHugePages) {
  constexpr std::size_t pagina = allocatore_grande<double>::pagina_grande;
  for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                              std::size_t{2014002}}) {
    SCOPED_TRACE(n);
    std::vector<double, allocatore_grande<double>> v(n, 1.5);
    for (std::size_t i = 0; i < n; i += 4099) EXPECT_EQ(v[i], 1.5);
    if (n * sizeof(double) >= allocatore_grande<double>::soglia) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.data()) % pagina, 0u);
    }
    v.push_back(2.5);  // grows from one kind of block to the other at the threshold
    EXPECT_EQ(v.back(), 2.5);
    EXPECT_EQ(v.size(), n + 1);
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
