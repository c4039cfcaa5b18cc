// Frequency-mode generations and the selection coefficient of a deme.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>

#include "repro_fixture.h"
#include "test_util.h"

using reprotest::Deme;
using reprotest::World;

namespace {

// Pool value of the normal branch, as the twin generator predicts it.
float twin_normal_pool(World& w, float p, double N) {
  double const z = w.tnormal();
  double const dp = static_cast<double>(p);
  float q = static_cast<float>((std::sqrt(2.0 * ((1.0 - dp) * dp) * N) * z + 2.0 * dp * N) / (2.0 * N));
  return q < 0.0f ? 0.0f : q;
}

float twin_binomial_pool(World& w, int c, double N, double next_size) {
  int const x = w.tbinom(static_cast<float>(c / (2.0 * N)), static_cast<int>(next_size));
  return static_cast<float>(x) / static_cast<float>(2.0 * N);
}

void set_freqs(Tpop& pop, const std::vector<float>& f) {
  for (std::size_t i = 0; i < f.size(); ++i) pop._freq[i] = f[i];
  pop._freq_mode = true;
  pop._freq_ready = true;
}

float sum_of(const std::vector<float>& v) {
  float s = 0.0f;
  for (float x : v) s += x;
  return s;
}

}  // namespace

TEST(ReproSelectionCoef, GradientByRowAndColumn) {
  Tsettings s;
  s._selection_rate = 0.05f;
  s._selection_rate_north_east = 0.1f;
  s._selection_rate_south_west = 0.3f;
  s._x_coordinate = 3;
  s._y_coordinate = 3;
  Tpop pop;
  const float expect[3] = {0.1f, 0.2f, 0.3f};
  for (int k = 0; k < 3; ++k) {
    s._selection_gradient = 1;
    pop._row = k;
    pop._col = 2 - k;
    pop.set_selectioncoef(&s);
    EXPECT_FLOAT_EQ(pop._s, expect[k]) << "row " << k;
    s._selection_gradient = 2;
    pop._row = 2 - k;
    pop._col = k;
    pop.set_selectioncoef(&s);
    EXPECT_FLOAT_EQ(pop._s, expect[k]) << "column " << k;
  }
  pop._row = 0;
  pop._col = 0;
  pop.set_selectioncoef(&s);
  EXPECT_EQ(pop._s, 0.1f);  // the north-east end exactly
  s._selection_gradient = 0;
  pop.set_selectioncoef(&s);
  EXPECT_EQ(pop._s, 0.05f);
  s._selection_gradient = 7;
  pop.set_selectioncoef(&s);
  EXPECT_EQ(pop._s, 0.05f);
}

TEST(ReproSelectionCoef, SingleRowOrColumnTakesNorthEastValue) {
  Tsettings s;
  s._selection_rate_north_east = 0.1f;
  s._selection_rate_south_west = 0.3f;
  s._x_coordinate = 1;
  s._y_coordinate = 1;
  Tpop pop;
  for (int g = 1; g <= 2; ++g) {
    s._selection_gradient = g;
    pop._s = -1.0f;
    pop.set_selectioncoef(&s);
    EXPECT_EQ(pop._s, 0.1f) << "gradient " << g;
  }
  // Sizes no grid can have still give the north-east value, never an overflow.
  s._x_coordinate = INT_MIN;
  s._y_coordinate = 0;
  for (int g = 1; g <= 2; ++g) {
    s._selection_gradient = g;
    pop._s = -1.0f;
    pop.set_selectioncoef(&s);
    EXPECT_EQ(pop._s, 0.1f) << "gradient " << g;
  }
}

TEST(ReproFreqGeneration, FirstGenerationCountsTheIndividuals) {
  World w(4);
  Deme d(4, 0.0);  // size 0: no copy to drift, so the counted values stay
  d.parent(0, 1);
  d.parent(1, 1);
  d.pop._freq_mode = true;
  d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
  EXPECT_TRUE(d.pop._freq_ready);
  EXPECT_EQ(d.pop._freq, (std::vector<float>{0.25f, 0.75f, 0.0f, 0.0f}));
  ASSERT_EQ(d.current().size(), 2u);
  EXPECT_EQ(reprotest::id1(d.current()[0]), 0);
  EXPECT_EQ(reprotest::id2(d.current()[1]), 1);
  EXPECT_TRUE(w.in_step());
}

TEST(ReproFreqGeneration, FirstGenerationDriftsFromTheCountedValues) {
  World w(3, 77);
  Deme d(3, 10.0);
  for (int i = 0; i < 5; ++i) d.parent(0, 1);
  for (int i = 0; i < 5; ++i) d.parent(1, 1);
  d.pop._freq_mode = true;
  d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
  // (0.25, 0.75, 0): copies 5 (binomial, two draws), 15 (normal), 0.
  float b0 = twin_binomial_pool(w, 5, 10.0, 10.0);
  float d0 = twin_binomial_pool(w, 5, 10.0, 10.0);
  float q1 = twin_normal_pool(w, 0.75f, 10.0);
  float s1 = b0 + q1, s2 = d0 + q1;
  EXPECT_EQ(d.pop._gam1[0], b0 / s1);
  EXPECT_EQ(d.pop._gam2[0], d0 / s2);
  EXPECT_EQ(d.pop._gam1[1], q1 / s1);
  EXPECT_EQ(d.pop._gam1[2], 0.0f);
  EXPECT_TRUE(w.in_step());
}

TEST(ReproFreqGeneration, CopyCountPicksTheDriftBranch) {
  // 2Np = 5.9 -> binomial (two draws), 6.0 -> normal (one draw), 0.9 -> none.
  World w(4, 99);
  Deme d(4, 10.0);
  d.pop._next_size = 12.0;
  set_freqs(d.pop, {0.295f, 0.3f, 0.045f, 0.36f});
  d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);

  float b[4], e[4];
  b[0] = twin_binomial_pool(w, 5, 10.0, 12.0);
  e[0] = twin_binomial_pool(w, 5, 10.0, 12.0);
  b[1] = e[1] = twin_normal_pool(w, 0.3f, 10.0);
  b[2] = e[2] = 0.0f;
  b[3] = e[3] = twin_normal_pool(w, 0.36f, 10.0);
  float s1 = 0.0f, s2 = 0.0f;
  for (int i = 0; i < 4; ++i) {
    s1 += b[i];
    s2 += e[i];
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(d.pop._gam1[i], b[i] / s1) << i;
    EXPECT_EQ(d.pop._gam2[i], e[i] / s2) << i;
    // s = 0: every new frequency is the mean of the two pools.
    EXPECT_NEAR(d.pop._freq[i], 0.5f * (b[i] / s1 + e[i] / s2), 1e-6) << i;
  }
  EXPECT_EQ(d.pop._freq[2], 0.0f);
  EXPECT_TRUE(w.in_step());
}

TEST(ReproFreqGeneration, RareAlleleModelSelectsTheSinglePool) {
  World w(3, 5);
  Deme d(3, 10.0);
  d.pop._s = 0.5f;
  set_freqs(d.pop, {0.25f, 0.25f, 0.5f});
  d.pop.newgeneration_rareallelefreq(nullptr, &w.table, &w.settings);
  float b[3];
  b[0] = twin_binomial_pool(w, 5, 10.0, 10.0);  // one draw only
  b[1] = twin_binomial_pool(w, 5, 10.0, 10.0);
  b[2] = twin_normal_pool(w, 0.5f, 10.0);
  float sum = 0.0f;
  for (float& x : b) {
    x = (1.0f - 0.5f * x) * x;
    sum += x;
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.pop._gam1[i], b[i] / sum) << i;
    EXPECT_NEAR(d.pop._freq[i], b[i] / sum, 1e-6) << i;
  }
  EXPECT_TRUE(w.in_step());
}

TEST(ReproFreqGeneration, AsymmetricModelWithUnitLocusEqualsModelZero) {
  World w(3, 11);
  Deme a(3, 10.0), b(3, 10.0);
  for (Deme* d : {&a, &b}) {
    d->pop._s = 0.4f;
    set_freqs(d->pop, {0.25f, 0.25f, 0.5f});
  }
  w.reseed(11);
  a.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
  w.reseed(11);
  b.pop.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings);
  EXPECT_EQ(a.pop._freq, b.pop._freq);

  // With a longer locus the heterozygotes lose fitness too: results differ.
  Deme c(3, 10.0);
  c.pop._s = 0.4f;
  set_freqs(c.pop, {0.25f, 0.25f, 0.5f});
  w.settings._locus_length = 2;
  w.reseed(11);
  c.pop.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings);
  EXPECT_NE(a.pop._freq, c.pop._freq);
}

TEST(ReproFreqGeneration, DominanceWithoutSelectionKeepsPoolOneOfAlleleZero) {
  for (unsigned long seed : {1ul, 2ul, 3ul, 4ul}) {
    World w(3, seed);
    Deme d(3, 10.0);
    set_freqs(d.pop, {0.25f, 0.25f, 0.5f});
    d.pop.newgeneration_dominancefreq(nullptr, &w.table, &w.settings);
    EXPECT_NEAR(d.pop._freq[0], d.pop._gam1[0], 1e-6) << seed;
    EXPECT_NEAR(sum_of(d.pop._freq), 1.0f, 1e-5);
  }
}

TEST(ReproFreqGeneration, NoCopyOrNoFitnessLeavesFrequenciesAlone) {
  World w(5, 1);
  {
    // 2Np = 0.8 for every allele: nothing drifts, nothing is drawn.
    Deme d(5, 2.0);
    set_freqs(d.pop, {0.2f, 0.2f, 0.2f, 0.2f, 0.2f});
    d.pop.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_EQ(d.pop._freq, (std::vector<float>{0.2f, 0.2f, 0.2f, 0.2f, 0.2f}));
    EXPECT_TRUE(w.in_step());
  }
  {
    // One fixed allele under s = 1: the mean fitness is 0.
    Deme d(5, 10.0);
    d.pop._s = 1.0f;
    set_freqs(d.pop, {1.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_EQ(d.pop._freq, (std::vector<float>{1.0f, 0.0f, 0.0f, 0.0f, 0.0f}));
  }
  {
    // An empty current list on the first generation gives no NaN.
    Deme d(5, 10.0);
    d.pop._freq_mode = true;
    d.pop.newgeneration_dominancefreq(nullptr, &w.table, &w.settings);
    EXPECT_TRUE(reprotest::all_finite_nonneg(d.pop._freq));
    EXPECT_TRUE(d.pop._freq_ready);
  }
}

TEST(ReproFreqGeneration, HugeDemesAndOddInputsStayFinite) {
  World w(3, 8);
  {
    // Copy counts and trials far beyond the int range.
    Deme d(3, 1e12);
    set_freqs(d.pop, {0.5f, 0.5f - 1e-12f, 1e-12f});
    d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_TRUE(reprotest::all_finite_nonneg(d.pop._freq));
    EXPECT_NEAR(sum_of(d.pop._freq), 1.0f, 1e-5);
  }
  {
    // Frequencies outside [0, 1], as migration may leave them.
    Deme d(3, 10.0);
    set_freqs(d.pop, {1.3f, -0.3f, 0.0f});
    d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_TRUE(reprotest::all_finite_nonneg(d.pop._freq));
  }
  {
    // A strong rare-allele penalty cannot make a share negative.
    Deme d(3, 10.0);
    d.pop._s = 5.0f;
    set_freqs(d.pop, {0.6f, 0.3f, 0.1f});
    d.pop.newgeneration_rareallelefreq(nullptr, &w.table, &w.settings);
    EXPECT_TRUE(reprotest::all_finite_nonneg(d.pop._freq));
  }
}

TEST(ReproFreqGeneration, SmallDemeNeverProducesNegativeOrNaN) {
  // In a deme of 10 the normal branch often draws below 0.
  for (int model = 0; model < 4; ++model) {
    World w(3, 100 + model);
    Deme d(3, 10.0);
    d.pop._s = 0.2f;
    set_freqs(d.pop, {0.4f, 0.3f, 0.3f});
    for (int g = 0; g < 400; ++g) {
      switch (model) {
        case 0: d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings); break;
        case 1: d.pop.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings); break;
        case 2: d.pop.newgeneration_rareallelefreq(nullptr, &w.table, &w.settings); break;
        default: d.pop.newgeneration_dominancefreq(nullptr, &w.table, &w.settings); break;
      }
      ASSERT_TRUE(reprotest::all_finite_nonneg(d.pop._freq)) << "model " << model << " gen " << g;
      ASSERT_NEAR(sum_of(d.pop._freq), 1.0f, 1e-4) << "model " << model << " gen " << g;
    }
  }
}

TEST(ReproFreqGeneration, RowHoldsTheNewFrequencies) {
  testutil::TempDir dir;
  World w(2, 21);
  Deme d(2, 100.0);
  set_freqs(d.pop, {0.25f, 0.75f});
  {
    std::ofstream out("row.txt");
    out << "7:\t";
    w.settings._intermediate_output = 1;
    d.pop.newgeneration_symoverfreq(&out, &w.table, &w.settings);
  }
  std::ostringstream expect;
  expect << "7:\t" << static_cast<double>(d.pop._freq[0]) << "\t"
         << static_cast<double>(d.pop._freq[1]) << "\t\n";
  EXPECT_EQ(testutil::read_file("row.txt"), expect.str());
  {
    std::ofstream out("row0.txt");
    w.settings._intermediate_output = 0;
    d.pop.newgeneration_symoverfreq(&out, &w.table, &w.settings);
  }
  EXPECT_EQ(testutil::read_file("row0.txt"), "\n");
  d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);  // no stream: no crash
}
