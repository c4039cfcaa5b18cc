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

// Share of offspring carrying allele 0 among P parents: `hom` of them are
// (0, 0), `het` are (0, 1) and all others (1, 1).
double carrier_share(int P, int hom, int het, float s, int offspring, unsigned long seed) {
  World w(2, seed);
  Deme d(2, offspring);
  d.pop._s = s;
  for (int i = 0; i < P; ++i) d.parent(i < hom + het ? 0 : 1, i < hom ? 0 : 1);
  d.offspring_slots(offspring);
  d.pop.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
  int carriers = 0;
  for (Tgeno* g : d.next()) carriers += reprotest::id1(g) == 0 || reprotest::id2(g) == 0;
  return static_cast<double>(carriers) / offspring;
}

}  // namespace

TEST(ReproDominance, CarrierShareFollowsTheUnboundedRedraw) {
  // Ordered pairs of copies of two parents: those holding a copy of allele 0
  // always pass, the others with probability 1 - s. Here from 13 % to 67 %
  // of the offspring reach 1000 rejections.
  struct Case { int P, hom, het; float s; } const cases[] = {{1000, 0, 1, 0.999f}, {10000, 1, 1, 0.9999f}};
  const int n = 4000;
  for (const Case& c : cases) {
    const double keep = 1.0 - static_cast<double>(c.s);
    const double others = 2.0 * c.P - 2 * c.hom - c.het;  // copies of allele 1
    const double other_pairs = others * others - c.het - 4.0 * (c.P - c.hom - c.het);
    const double carrier_pairs = 4.0 * c.P * (c.P - 1) - other_pairs;
    const double p = carrier_pairs / (carrier_pairs + keep * other_pairs);
    const double se = std::sqrt(p * (1.0 - p) / n);
    EXPECT_NEAR(carrier_share(c.P, c.hom, c.het, c.s, n, 31), p, 4.0 * se) << c.P;
  }
}

TEST(ReproDominance, OnlyCarriersPassWhenSelectionIsComplete) {
  testutil::LogCapture log;
  EXPECT_EQ(carrier_share(1000, 0, 1, 1.0f, 200, 5), 1.0);
  EXPECT_EQ(carrier_share(3000, 1, 1, 2.5f, 200, 6), 1.0);
  EXPECT_EQ(log.text(), "");
}

TEST(ReproDominance, DirectDrawTakesTwoDistinctParentsEvenly) {
  // Without allele 0 and with s near 1 nearly every offspring reaches the
  // bound; each ordered pair of parents must then be as likely as any other.
  World w(7, 21);
  Deme d(7, 600);
  d.pop._s = 0.9999f;
  d.parent(1, 2);
  d.parent(3, 4);
  d.parent(5, 6);
  d.offspring_slots(600);
  d.pop.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
  int pairs[3][3] = {};
  for (Tgeno* g : d.next()) ++pairs[(reprotest::id1(g) - 1) / 2][(reprotest::id2(g) - 1) / 2];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (i == j) EXPECT_EQ(pairs[i][j], 0);
      else EXPECT_NEAR(pairs[i][j], 100, 37) << i << j;  // 4 standard errors
    }
  }
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
    // Per offspring 1000 tested pairs (two copies and a uniform each), then
    // one pair kept untested.
    for (int k = 0; k < 4; ++k) {
      for (int r = 0; r < 1000; ++r) w.tint(6), w.tint(6), w.tfloat();
      w.tint(6), w.tint(6);
    }
    EXPECT_TRUE(w.in_step()) << s;
  }
}
