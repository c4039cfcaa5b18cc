// Model 3 after 1000 rejected pairs: the offspring keeps the law of the
// redraw without a bound, and a deme where no pair can pass still ends.

#include <gtest/gtest.h>

#include <cmath>

#include "repro_fixture.h"
#include "test_util.h"

using reprotest::Deme;
using reprotest::World;

namespace {

const char* const NO_HET = "Warning : unable to find an heterozygote, skipped.";

// Share of offspring carrying allele 0 when one parent of P carries
// `zeros` copies of it and every other parent is (1, 1).
double carrier_share(int P, int zeros, float s, int offspring, unsigned long seed) {
  World w(2, seed);
  Deme d(2, offspring);
  d.pop._s = s;
  d.parent(0, zeros == 2 ? 0 : 1);
  for (int i = 1; i < P; ++i) d.parent(1, 1);
  d.offspring_slots(offspring);
  d.pop.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
  int carriers = 0;
  for (Tgeno* g : d.next()) carriers += reprotest::id1(g) == 0 || reprotest::id2(g) == 0;
  return static_cast<double>(carriers) / offspring;
}

}  // namespace

TEST(ReproDominance, CarrierShareFollowsTheUnboundedRedraw) {
  // Ordered pairs of copies of two parents: those holding a copy of allele 0
  // always pass, the others with probability 1 - s. With s = 0.999 most
  // offspring reach 1000 rejections.
  const int P = 1000, n = 4000;
  const double keep = 1.0 - static_cast<double>(0.999f);
  for (int zeros = 1; zeros <= 2; ++zeros) {
    const double others = 2.0 * P - zeros;  // copies of allele 1
    const double other_pairs = others * others - (zeros == 1 ? 1.0 : 0.0) - 4.0 * (P - 1);
    const double all_pairs = 4.0 * P * (P - 1);
    const double carrier_pairs = all_pairs - other_pairs;
    const double p = carrier_pairs / (carrier_pairs + keep * other_pairs);
    const double se = std::sqrt(p * (1.0 - p) / n);
    EXPECT_NEAR(carrier_share(P, zeros, 0.999f, n, 31 + zeros), p, 4.0 * se) << zeros << " copies";
  }
}

TEST(ReproDominance, OnlyCarriersPassWhenSelectionIsComplete) {
  testutil::LogCapture log;
  EXPECT_EQ(carrier_share(1000, 1, 1.0f, 200, 5), 1.0);
  EXPECT_EQ(carrier_share(1000, 2, 2.5f, 100, 6), 1.0);
  EXPECT_EQ(log.text(), "");
}

TEST(ReproDominance, NoPassablePairEndsWithOneWarningPerOffspring) {
  for (float s : {1.0f, 3.0f, std::nanf("")}) {
    testutil::LogCapture log;
    World w(3, 14);
    Deme d(3, 3.0);
    d.pop._s = s;
    d.parent(1, 2);
    d.parent(2, 2);
    d.offspring_slots(4);
    d.pop.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
    EXPECT_EQ(reprotest::count_of(log.text(), NO_HET), 4) << s;
    EXPECT_EQ(reprotest::count_of(log.text(), "\n"), 4) << s;
  }
}
