// Population-genetics theory as the reference: neutral drift and the end
// points of the four selection models, in both modes of a deme.

#include <gtest/gtest.h>

#include <cmath>

#include "world.h"

namespace {

using FreqStep = void (Tpop::*)(std::ofstream*, std::vector<Tallele*>*, Tsettings*);
using IndStep = void (Tpop::*)(std::ofstream*, std::vector<Tallele*>*, Tsettings*, std::vector<Tgeno*>*);
const FreqStep kFreqStep[4] = {&Tpop::newgeneration_symoverfreq, &Tpop::newgeneration_asymoverfreq,
                               &Tpop::newgeneration_rareallelefreq, &Tpop::newgeneration_dominancefreq};
const IndStep kIndStep[4] = {&Tpop::newgeneration_symoverind, &Tpop::newgeneration_asymoverind,
                             &Tpop::newgeneration_rarealleleind, &Tpop::newgeneration_dominanceind};

// A deme of constant size N in individual mode, `zeros` of its 2N copies
// being allele 0 and the others allele 1.
void start_ind(Deme& d, int N, int zeros) {
  for (int i = 0; i < N; ++i) {
    Deme::add(d._current, 2 * i < zeros ? 0 : 1, 2 * i + 1 < zeros ? 0 : 1);
    Deme::add(d._next, 1, 1);
  }
}

void ind_generation(Deme& d, World& w, int model) {
  (d.*kIndStep[model])(nullptr, &w.table, &w.settings, &d.surplus);
  d.Update_ind_lists();
}

}  // namespace

TEST(Popgen, NeutralIndividualsFixAtTheInitialFrequencyAndLoseOneOverTwoNPerGeneration) {
  const int N = 10, runs = 500, t = 10;
  for (int model = 0; model < 4; ++model) {
    World w(2, 0, 100 + static_cast<unsigned long>(model));
    double fixed = 0.0, het = 0.0;
    for (int run = 0; run < runs; ++run) {
      Deme d(2, N);
      start_ind(d, N, 6);
      for (int g = 0; g < t; ++g) ind_generation(d, w, model);
      het += 2.0 * d.p0() * (1.0 - d.p0());
      for (int g = 0; g < 5000 && d.p0() > 0.0 && d.p0() < 1.0; ++g) ind_generation(d, w, model);
      fixed += d.p0();
    }
    EXPECT_NEAR(fixed / runs, 0.3, 4.0 * std::sqrt(0.21 / runs)) << "model " << model;
    EXPECT_NEAR(het / runs, 0.42 * std::pow(1.0 - 1.0 / (2.0 * N), t), 0.03) << "model " << model;
  }
}

TEST(Popgen, NeutralFrequenciesKeepTheirMeanAndLoseOneOverTwoNPerGeneration) {
  const int k = 10, t = 20, runs = 200;
  const double N = 500.0;
  World w(k);
  double h = 0.0, p0 = 0.0;
  for (int run = 0; run < runs; ++run) {
    Deme d(k, N);
    d._freq.assign(k, 0.1f);
    d._freq_mode = d._freq_ready = true;
    for (int g = 0; g < t; ++g) d.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    double sum2 = 0.0;
    for (float f : d._freq) sum2 += static_cast<double>(f) * f;
    h += 1.0 - sum2;
    p0 += d._freq[0];
  }
  EXPECT_NEAR(p0 / runs, 0.1, 4.0 * std::sqrt(0.09 * (1.0 - std::exp(-t / (2.0 * N))) / runs));
  EXPECT_NEAR(h / runs, 0.9 * std::pow(1.0 - 1.0 / (2.0 * N), t), 0.2 * 0.9 * t / (2.0 * N));
}

// Overdominance (models 0 and 1) keeps both alleles near 1/2, the rare-allele
// model moves them to equal frequencies, and the dominance model takes allele
// 0 close to fixation; without selection the frequency stays where it was.
TEST(Popgen, SelectionModelsReachTheirEndPointsInBothModes) {
  for (int model = 0; model < 4; ++model) {
    for (float s : {0.0f, 0.5f}) {
      World w(2, 0, 11 + static_cast<unsigned long>(model));
      Deme f(2, 1.0e6);
      f._freq = {0.2f, 0.8f};
      f._freq_mode = f._freq_ready = true;
      f._s = s;
      Deme d(2, 100);
      start_ind(d, 100, 40);
      d._s = s;
      for (int g = 0; g < 80; ++g) {
        (f.*kFreqStep[model])(nullptr, &w.table, &w.settings);
        ind_generation(d, w, model);
      }
      const double want = s == 0.0f ? 0.2 : model == 3 ? 0.97 : 0.5;
      EXPECT_NEAR(f._freq[0], want, 0.03) << "frequency mode, model " << model << ", s " << s;
      if (s > 0.0f) {
        EXPECT_NEAR(d.p0(), want, 0.15) << "individual mode, model " << model;
      }
    }
  }
}

// A deme back from frequency mode draws its individuals from the pool of
// its frequencies without replacement.
TEST(Popgen, RebuiltIndividualsTakeTheirCopiesFromTheFrequencies) {
  World w(2);
  for (int run = 0; run < 20; ++run) {
    Deme d(2, 4);
    Deme::add(d._current, 1, 1, 4);
    d._freq = {0.5f, 0.5f};
    d._next_size = 4;
    d._freq_ready = true;
    d.newgeneration_symoverind(nullptr, &w.table, &w.settings, &d.surplus);
    ASSERT_EQ(d.p0(), 0.5);
    EXPECT_FALSE(d._freq_ready);
  }
  Deme d(2, 4);
  Deme::add(d._current, 0, 0, 5);
  Tgeno* last = d._current->back();
  d._freq = {0.0f, 1.0f};
  d._next_size = 3.0;
  d.transformFreqToIndMode(&d.surplus);
  EXPECT_EQ(d._current->size(), 3u);
  EXPECT_EQ(d.p0(), 0.0);
  ASSERT_EQ(d.surplus.size(), 2u);
  EXPECT_EQ(d.surplus[0], last);
}
