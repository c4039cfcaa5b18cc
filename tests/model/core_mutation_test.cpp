#include <gtest/gtest.h>

#include <gsl/gsl_rng.h>

#include "core_fixture.h"
#include "test_util.h"

using coretest::World;

namespace {

// First seed whose first uniform, narrowed to float, lies in (lo, hi).
unsigned long seed_with_first_u(float lo, float hi) {
  gsl_rng* r = gsl_rng_alloc(gsl_rng_mt19937);
  unsigned long seed = 1;
  for (;; ++seed) {
    gsl_rng_set(r, seed);
    float u = static_cast<float>(gsl_rng_uniform(r));
    if (lo < u && u < hi) break;
  }
  gsl_rng_free(r);
  return seed;
}

}  // namespace

TEST(CoreMutation, FrequencyModeMovesOneCopy) {
  testutil::LogCapture log;
  World w(3, 3, seed_with_first_u(0.6f, 1.0f));  // u of 0.7 lands on allele index 1
  Tpop p;
  p._freq_mode = true;
  p._size = 50.0;
  p._freq = {0.6f, 0.4f, 0.0f};
  EXPECT_EQ(p.Add_mutation(2), 1);
  EXPECT_FLOAT_EQ(p._freq[1], 0.39f);
  EXPECT_EQ(p._freq[2], 1.0f / 100.0f);
  EXPECT_EQ(p._freq[0], 0.6f);
  EXPECT_EQ(log.text(), " with a frequency equal to 0.01 (former allele = 2)\n");
}

TEST(CoreMutation, FrequencyModeWithoutIntervalReportsAlleleOne) {
  testutil::LogCapture log;
  World w(3, 3, seed_with_first_u(0.2f, 1.0f));  // above the sum of the frequencies
  Tpop p;
  p._size = 10.0;
  p._freq = {0.1f, 0.1f, 0.0f};
  EXPECT_EQ(p.Add_mutation(2), 0);
  EXPECT_EQ(p._freq[0], 0.1f);
  EXPECT_EQ(p._freq[1], 0.1f);
  EXPECT_EQ(p._freq[2], 0.05f);  // the sum grows by f
  EXPECT_EQ(log.text(), " with a frequency equal to 0.05 (former allele = 1)\n");
}

TEST(CoreMutation, FrequencyModeErrorsPrecedeTheEndOfTheLine) {
  testutil::LogCapture log;
  World w(2, 2, seed_with_first_u(0.0f, 0.2f));
  Tpop p;
  p._size = 1.0;  // f = 0.5, above allele 1's frequency
  p._freq = {0.2f, 0.8f};
  EXPECT_EQ(p.Add_mutation(0), 0);
  EXPECT_EQ(p._freq[0], 0.5f);  // set, not added, after the loss
  EXPECT_EQ(log.text(),
            "ERROR: Frequency of allele a1 is smaller than 0 when adding a new mutation!\n"
            "ERROR: allele is the same before and after mutation !\n"
            " with a frequency equal to 0.5 (former allele = 1)\n");
}

TEST(CoreMutation, FrequencyModeNegativeValueStays) {
  testutil::LogCapture log;
  World w(3, 3, seed_with_first_u(0.0f, 0.2f));
  Tpop p;
  p._size = 1.0;
  p._freq = {0.2f, 0.8f, 0.0f};
  EXPECT_EQ(p.Add_mutation(2), 0);
  EXPECT_FLOAT_EQ(p._freq[0], -0.3f);
  EXPECT_EQ(p._freq[2], 0.5f);
  EXPECT_EQ(log.text(),
            "ERROR: Frequency of allele a1 is smaller than 0 when adding a new mutation!\n"
            " with a frequency equal to 0.5 (former allele = 1)\n");
}

TEST(CoreMutation, IndividualModeReplacesTheFirstAllele) {
  testutil::LogCapture log;
  World w(4, 4, 1);
  Tpop p;
  p._current = &p._inds_a;
  p._inds_a.push_back(new Tgeno(1, 2));
  p._inds_a.push_back(new Tgeno(3, 0));
  EXPECT_EQ(p.Add_mutation(2, 1), 3);
  EXPECT_EQ(p._inds_a[1]->_allele1, w.table[2]);
  EXPECT_EQ(p._inds_a[1]->_allele2, w.table[0]);
  EXPECT_EQ(p.Add_mutation(2, 1), 2);  // already that allele
  // Out-of-range requests change nothing.
  EXPECT_EQ(p.Add_mutation(1, 5), 1);
  EXPECT_EQ(p.Add_mutation(9, 0), 9);
  EXPECT_EQ(p._inds_a[0]->_allele1, w.table[1]);
  EXPECT_TRUE(w.in_step());
  EXPECT_EQ(log.text(), "");
  p.delete_ind_vector();
}
