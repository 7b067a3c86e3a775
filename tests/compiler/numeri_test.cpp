// Rounding of the compile step: whole numbers, halves to even, the same
// result as the C library's nearbyint in the default rounding mode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "compiler/numeri.h"

namespace scen {
namespace {

TEST(Rounding, HalvesGoToEvenAndEverythingElseToTheNearest) {
  struct caso {
    double x;
    double atteso;
  };
  const caso casi[] = {
      {0.0, 0.0},
      {0.5, 0.0},
      {1.5, 2.0},
      {2.5, 2.0},
      {-0.5, -0.0},
      {-1.5, -2.0},
      {-2.5, -2.0},
      {0.49999999999999994, 0.0},
      {1.0000000000000002, 1.0},
      {1838.5, 1838.0},
      {1839.5, 1840.0},
      {20001.0, 20001.0},
      {-7.25, -7.0},
      {7.75, 8.0},
      // At and beyond 2^52 every double is whole already.
      {4503599627370495.5, 4503599627370496.0},
      {4503599627370497.0, 4503599627370497.0},
      {1e300, 1e300},
      {-1e300, -1e300},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(arrotonda_reale(c.x), c.atteso);
    EXPECT_EQ(std::signbit(arrotonda_reale(c.x)), std::signbit(c.atteso));
  }
  EXPECT_TRUE(std::isnan(arrotonda_reale(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(arrotonda_reale(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
}

TEST(Rounding, AgreesWithTheLibraryOnPositionsAndRandomValues) {
  // Every position of the longest route, as the cell rules divide it.
  for (std::int64_t p = -1000; p <= 1000200; ++p) {
    const double x = static_cast<double>(p) / 50.0;
    ASSERT_EQ(arrotonda(x), static_cast<std::int64_t>(std::nearbyint(x))) << p;
    ASSERT_EQ(cella_punto(p), static_cast<std::int64_t>(std::nearbyint(x + 1.0))) << p;
  }
  std::mt19937_64 caso(20261210);
  std::uniform_real_distribution<double> valori(-1e7, 1e7);
  for (int i = 0; i < 200000; ++i) {
    const double x = valori(caso);
    ASSERT_EQ(arrotonda_reale(x), std::nearbyint(x)) << x;
  }
}

}  // namespace
}  // namespace scen
