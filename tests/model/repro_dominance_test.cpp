// Model 3 after 1000 rejected pairs: the offspring keeps the law of the
// redraw without a bound, and a deme where no pair can pass still ends.

#include <gtest/gtest.h>

#include <cmath>

#include "test_util.h"
#include "world.h"

namespace {

const std::string NO_HET = "Warning : unable to find an heterozygote, skipped.\n";

// Share of offspring carrying allele 0 among P parents: `hom` of them are
// (0, 0), `het` are (0, 1) and all others (1, 1).
double carrier_share(int P, int hom, int het, float s, int offspring, unsigned long seed, int model = 3) {
  World w(2, 0, seed);
  Deme d(2, offspring);
  d._s = s;
  for (int i = 0; i < P; ++i) Deme::add(d._current, i < hom + het ? 0 : 1, i < hom ? 0 : 1);
  Deme::add(d._next, 0, 0, offspring);
  (d.*kIndStep[model])(nullptr, &w.table, &w.settings, &d.surplus);
  int carriers = 0;
  for (Tgeno* g : *d._next) carriers += g->_allele1->_id == 0 || g->_allele2->_id == 0;
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

// Overdominance among heterozygous parents: half the pairs are homozygous,
// (0, 0) or (1, 1), and each is kept with probability 1 - s only.
TEST(ReproDominance, OverdominanceKeepsHomozygotesWithProbabilityOneMinusS) {
  for (int model : {0, 1}) EXPECT_NEAR(carrier_share(50, 0, 50, 0.9f, 4000, 41, model), 1.0 - 0.025 / 0.55, 0.013) << model;
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
  World w(7, 0, 21);
  Deme d(7, 600);
  d._s = 0.9999f;
  Deme::add(d._current, 1, 2);
  Deme::add(d._current, 3, 4);
  Deme::add(d._current, 5, 6);
  Deme::add(d._next, 0, 0, 600);
  d.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
  int pairs[3][3] = {}, first_copies = 0;  // and each parent's copy as likely as its other one
  for (Tgeno* g : *d._next) ++pairs[(g->_allele1->_id - 1) / 2][(g->_allele2->_id - 1) / 2], first_copies += g->_allele1->_id % 2 + g->_allele2->_id % 2;
  EXPECT_NEAR(first_copies, 600, 70);
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
    World w(3, 0, 14);
    Deme d(3, 3.0);
    d._s = s;
    Deme::add(d._current, 1, 2);
    Deme::add(d._current, 2, 2);
    Deme::add(d._next, 0, 0, 4);
    d.newgeneration_dominanceind(nullptr, &w.table, &w.settings, &d.surplus);
    EXPECT_EQ(log.text(), NO_HET + NO_HET + NO_HET + NO_HET) << s;
  }
}
