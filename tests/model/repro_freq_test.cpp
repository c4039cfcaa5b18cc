// Frequency-mode generations where nothing can drift or be selected, and
// generations of a deme whose allele table is much longer than what it
// holds: the expected frequencies of the latter were computed by a
// generation that visited every pair of the table, and visiting the alleles
// present must give the same floats.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <vector>

#include "world.h"

namespace {

void set_freqs(Tpop& pop, const std::vector<float>& f) {
  for (std::size_t i = 0; i < f.size(); ++i) pop._freq[i] = f[i];
  pop._freq_mode = true;
  pop._freq_ready = true;
}

bool all_finite_nonneg(const std::vector<float>& v) {
  for (float f : v) {
    if (!std::isfinite(f) || f < 0.0f) return false;
  }
  return true;
}

using FreqStep = void (Tpop::*)(std::ofstream*, std::vector<Tallele*>*, Tsettings*);
const FreqStep kFreqStep[4] = {&Tpop::newgeneration_symoverfreq, &Tpop::newgeneration_asymoverfreq,
                               &Tpop::newgeneration_rareallelefreq, &Tpop::newgeneration_dominancefreq};

// 40 alleles: three common ones (normal drift), four with 1 to 5 copies
// (binomial drift: after it, 26 and 28 have copies in the second pool only,
// 33 in the first only), two too rare for a copy (31, 39) and 31 never held.
std::vector<float> sparse_table() {
  std::vector<float> f(40, 0.0f);
  f[0] = 0.45f;
  f[9] = 0.3f;
  f[17] = 0.248f;
  f[23] = 0.0015f;
  f[26] = 0.001f;
  f[28] = 0.0005f;
  f[31] = 0.0004f;
  f[33] = 0.0025f;
  f[39] = 0.0001f;
  return f;
}

}  // namespace

TEST(ReproFreqGeneration, NoCopyOrNoFitnessLeavesFrequenciesAlone) {
  World w(5, 0, 1);
  {
    // 2Np = 0.8 for every allele: nothing drifts, nothing is drawn.
    Deme d(5, 2.0);
    set_freqs(d, {0.2f, 0.2f, 0.2f, 0.2f, 0.2f});
    d.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_EQ(d._freq, (std::vector<float>{0.2f, 0.2f, 0.2f, 0.2f, 0.2f}));
    EXPECT_TRUE(w.in_step());
  }
  {
    // One fixed allele under s = 1: the mean fitness is 0.
    Deme d(5, 10.0);
    d._s = 1.0f;
    set_freqs(d, {1.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    d.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    EXPECT_EQ(d._freq, (std::vector<float>{1.0f, 0.0f, 0.0f, 0.0f, 0.0f}));
  }
  {
    // An empty current list on the first generation gives no NaN.
    Deme d(5, 10.0);
    d._freq_mode = true;
    d.newgeneration_dominancefreq(nullptr, &w.table, &w.settings);
    EXPECT_TRUE(all_finite_nonneg(d._freq));
    EXPECT_TRUE(d._freq_ready);
  }
}

TEST(ReproFreqGeneration, AllelesAbsentFromThePoolsChangeNoFloat) {
  const std::map<int, float> sos = {{0, 0.43012464f},        {9, 0.314242959f},       {17, 0.253064036f},
                                    {23, 0.000570710399f},   {26, 0.000570943521f},   {28, 0.00028547176f},
                                    {33, 0.00114130427f}};
  const std::map<int, float> expected[4] = {
      sos,
      sos,
      {{0, 0.430312455f}, {9, 0.314052731f}, {17, 0.252790064f}, {23, 0.000569174008f}, {33, 0.00227567158f}},
      {{0, 0.488986999f},
       {9, 0.284518659f},
       {17, 0.224259973f},
       {23, 0.000468772894f},
       {26, 0.000219211797f},
       {28, 0.000109605899f},
       {33, 0.0014366681f}}};
  for (int model = 0; model < 4; ++model) {
    World w(40, 0, 11);
    Deme d(40, 1000.0);
    d._s = 0.3f;
    d._freq_mode = d._freq_ready = true;
    d._freq = sparse_table();
    std::ofstream none;
    (d.*kFreqStep[model])(&none, &w.table, &w.settings);
    for (int i = 0; i < 40; ++i) {
      const auto it = expected[model].find(i);
      EXPECT_EQ(d._freq[i], it == expected[model].end() ? 0.0f : it->second) << "model " << model << ", allele " << i;
    }
  }
}

// With an infinite s, the pairs without allele 0 have the fitness 0 times
// infinity, which is no number: the generation cannot be weighed and the
// frequencies stay, even when allele 0 is the only one with a copy (the
// other one, too rare for a copy, would otherwise be lost).
TEST(ReproFreqGeneration, InfiniteFitnessStillWeighsTheWholeTable) {
  World w(5, 0, 3);
  Deme d(5, 1000.0);
  d._s = std::numeric_limits<float>::infinity();
  d._freq_mode = d._freq_ready = true;
  d._freq = {0.9995f, 0.0f, 0.0004f, 0.0f, 0.0f};
  std::ofstream none;
  d.newgeneration_dominancefreq(&none, &w.table, &w.settings);
  EXPECT_EQ(d._freq, (std::vector<float>{0.9995f, 0.0f, 0.0004f, 0.0f, 0.0f}));
}
