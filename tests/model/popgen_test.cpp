// Population-genetics theory as the reference: neutral drift and the end
// points of the four selection models, in both modes of a deme.

#include <gtest/gtest.h>

#include <cmath>

#include "test_util.h"
#include "world.h"

namespace {

using FreqStep = void (Tpop::*)(std::ofstream*, std::vector<Tallele*>*, Tsettings*);
const FreqStep kFreqStep[4] = {&Tpop::newgeneration_symoverfreq, &Tpop::newgeneration_asymoverfreq,
                               &Tpop::newgeneration_rareallelefreq, &Tpop::newgeneration_dominancefreq};

// A deme of constant size N in individual mode, `zeros` of its 2N copies
// being allele 0 and the others allele 1.
void start_ind(Deme& d, int N, int zeros) {
  for (int i = 0; i < N; ++i) {
    Deme::add(d._current, 2 * i < zeros ? 0 : 1, 2 * i + 1 < zeros ? 0 : 1);
    Deme::add(d._next, 1, 1);
  }
}

void ind_generation(Deme& d, World& w, IndStep step) {
  (d.*step)(nullptr, &w.table, &w.settings, &d.surplus);
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
      for (int g = 0; g < t; ++g) ind_generation(d, w, kIndStep[model]);
      het += 2.0 * d.p0() * (1.0 - d.p0());
      for (int g = 0; g < 5000 && d.p0() > 0.0 && d.p0() < 1.0; ++g) ind_generation(d, w, kIndStep[model]);
      fixed += d.p0();
    }
    EXPECT_NEAR(fixed / runs, 0.3, 4.0 * std::sqrt(0.21 / runs)) << "model " << model;
    EXPECT_NEAR(het / runs, 0.42 * std::pow(1.0 - 1.0 / (2.0 * N), t), 0.03) << "model " << model;
  }
}

// One parent is copied without a draw. Two parents, one homozygous for each
// allele, give only heterozygotes: nobody descends from one parent twice.
// Whatever the model and the selection; the parents' counts reach the
// allele table only with intermediate output on.
TEST(Popgen, OneOrTwoParents) {
  for (int model = 0; model < 4; ++model) {
    for (float s : {0.0f, 0.9f}) {
      World w(3, 0, 5 + static_cast<unsigned long>(model));
      w.settings._intermediate_output = model % 2;
      Deme one(3, 1), two(3, 2);
      Deme::add(one._current, 2, 1);
      Deme::add(one._next, 0, 0, 5);
      Deme::add(two._current, 0, 0);
      Deme::add(two._current, 1, 1);
      Deme::add(two._next, 0, 0, 40);
      one._s = two._s = s;
      gsl_rng* twin = gsl_rng_clone(randomnumber);
      (one.*kIndStep[model])(nullptr, &w.table, &w.settings, &one.surplus);
      EXPECT_EQ(gsl_rng_get(twin), gsl_rng_get(randomnumber)) << "model " << model;
      gsl_rng_free(twin);
      for (const Tgeno* g : *one._next) EXPECT_EQ(g->_allele1->_id * 10 + g->_allele2->_id, 21);
      EXPECT_EQ(w.table[2]->_count, model % 2);
      (two.*kIndStep[model])(nullptr, &w.table, &w.settings, &two.surplus);
      for (const Tgeno* g : *two._next)
        ASSERT_NE(g->_allele1->_id, g->_allele2->_id) << "model " << model << ", s " << s;
    }
  }
}

// When every pair would be rejected, the models stop testing after 1000
// rejections: model 0 silently, models 1 and 2 with a warning per offspring.
TEST(Popgen, RejectionsEndAfterAThousand) {
  for (int model = 0; model < 3; ++model) {
    World w(2);
    testutil::LogCapture log;
    Deme d(2, 3);
    Deme::add(d._current, 1, 1, 3);
    Deme::add(d._next, 0, 0, 2);
    d._s = 1.5f;
    (d.*kIndStep[model])(nullptr, &w.table, &w.settings, &d.surplus);
    EXPECT_EQ(log.text(), model == 0 ? "" : "Warning : unable to find an heterozygote, skipped.\n"
                                            "Warning : unable to find an heterozygote, skipped.\n");
    EXPECT_EQ(d.p0(), 0.0);
  }
}

// The first generation in frequency mode counts the individuals; an allele
// with at most 5 expected copies drifts by a binomial draw of trunc(N')
// trials scaled by 2N, which halves its expected share when N' = N.
TEST(Popgen, FrequencyModeStartsFromTheIndividualsAndDrawsFewCopiesBinomially) {
  World w(2);
  Deme d(2, 1.0e9);
  Deme::add(d._current, 0, 1);
  Deme::add(d._current, 1, 1);
  d._freq_mode = true;
  d.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
  EXPECT_NEAR(d._freq[0], 0.25, 1e-4);
  EXPECT_TRUE(d._freq_ready);
  EXPECT_EQ(d._current->size(), 2u);
  for (float p : {0.003f, 0.006f}) {  // 3 expected copies, then 6 (a normal draw)
    double mean = 0.0;
    for (int run = 0; run < 2000; ++run) {
      Deme r(2, 500);
      r._freq = {p, 1.0f - p};
      r._freq_mode = r._freq_ready = true;
      r.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
      mean += r._freq[0];
    }
    EXPECT_NEAR(mean / 2000, p < 0.005f ? 0.0015 : 0.006, 4.0 * (p < 0.005f ? 0.00086 : 0.0025) / std::sqrt(2000.0)) << mean / 2000;
  }
}

// Overdominance (models 0 and 1) keeps both alleles near 1/2, the rare-allele
// model moves them to equal frequencies, and the dominance model takes allele
// 0 close to fixation; without selection the frequency stays where it was.
TEST(Popgen, SelectionModelsReachTheirEndPointsInBothModes) {
  for (int model = 0; model < 4; ++model) {
    for (float s : {0.0f, 0.5f}) {
      World w(2, 0, 11 + static_cast<unsigned long>(model));
      Deme f(2, 1.0e6), d(2, 100);
      f._freq = {0.2f, 0.8f};
      f._freq_mode = f._freq_ready = true;
      start_ind(d, 100, 40);
      f._s = d._s = s;
      for (int g = 0; g < 80; ++g) {
        (f.*kFreqStep[model])(nullptr, &w.table, &w.settings);
        ind_generation(d, w, kIndStep[model]);
      }
      const double want = s == 0.0f ? 0.2 : model == 3 ? 0.97 : 0.5;
      EXPECT_NEAR(f._freq[0], want, 0.03) << "frequency mode, model " << model << ", s " << s;
      EXPECT_NE(f._freq[0], 0.2f) << "frequency mode, model " << model << " never drifted";
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
    d._freq_ready = true;
    d.newgeneration_symoverind(nullptr, &w.table, &w.settings, &d.surplus);
    ASSERT_EQ(d.p0(), 0.5);
    EXPECT_FALSE(d._freq_ready);
  }
}
