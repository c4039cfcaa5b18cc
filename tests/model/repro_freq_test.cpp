// Frequency-mode generations where nothing can drift or be selected.

#include <gtest/gtest.h>

#include <cmath>
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
