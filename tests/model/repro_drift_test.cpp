// Statistical checks of neutral drift: the mean allele frequency stays put
// and the expected heterozygosity of a deme of constant size N decays by
// about 1/(2N) per generation.

#include <gtest/gtest.h>

#include <cmath>

#include "repro_fixture.h"

using reprotest::Deme;
using reprotest::World;

namespace {

double gene_diversity(const std::vector<double>& p) {
  double h = 1.0;
  for (double x : p) h -= x * x;
  return h;
}

std::vector<double> frequencies_of(std::vector<Tgeno*> const& list, int n_alleles) {
  std::vector<double> p(static_cast<std::size_t>(n_alleles), 0.0);
  for (const Tgeno* g : list) {
    p[static_cast<std::size_t>(reprotest::id1(g))] += 1.0;
    p[static_cast<std::size_t>(reprotest::id2(g))] += 1.0;
  }
  for (double& x : p) x /= 2.0 * static_cast<double>(list.size());
  return p;
}

}  // namespace

TEST(ReproDrift, IndividualModeIsNeutralAndLosesDiversityAtOneOverTwoN) {
  const int N = 20, gens = 10, runs = 600;
  for (int model : {0, 2}) {
    World w(2);
    double mean_p = 0.0, mean_h = 0.0;
    for (int run = 0; run < runs; ++run) {
      w.reseed(1000 + static_cast<unsigned long>(run));
      Deme d(2, N);
      for (int i = 0; i < N; ++i) d.parent(0, 1);
      d.offspring_slots(N);
      for (int g = 0; g < gens; ++g) {
        if (model == 0)
          d.pop.newgeneration_symoverind(nullptr, &w.table, &w.settings, &d.surplus);
        else
          d.pop.newgeneration_rarealleleind(nullptr, &w.table, &w.settings, &d.surplus);
        d.pop.Update_ind_lists();
      }
      std::vector<double> p = frequencies_of(d.current(), 2);
      mean_p += p[0];
      mean_h += gene_diversity(p);
    }
    mean_p /= runs;
    mean_h /= runs;
    double const expect_h = 0.5 * std::pow(1.0 - 1.0 / (2.0 * N), gens);
    EXPECT_NEAR(mean_p, 0.5, 0.035) << "model " << model;
    EXPECT_NEAR(mean_h, expect_h, 0.025) << "model " << model;
  }
}

TEST(ReproDrift, FrequencyModeIsNeutral) {
  World w(2);
  const int gens = 50, runs = 200;
  double mean_p = 0.0;
  for (int run = 0; run < runs; ++run) {
    w.reseed(5000 + static_cast<unsigned long>(run));
    Deme d(2, 1000.0);
    d.pop._freq = {0.5f, 0.5f};
    d.pop._freq_mode = d.pop._freq_ready = true;
    for (int g = 0; g < gens; ++g) d.pop.newgeneration_symoverfreq(nullptr, &w.table, &w.settings);
    mean_p += d.pop._freq[0];
  }
  EXPECT_NEAR(mean_p / runs, 0.5, 0.02);
}

TEST(ReproDrift, FrequencyModeLosesDiversityAtAboutOneOverTwoN) {
  // Ten alleles keep every copy count in the normal branch.
  const int k = 10, gens = 20, runs = 300;
  const double N = 500.0;
  World w(k);
  double mean_h = 0.0, mean_p0 = 0.0;
  for (int run = 0; run < runs; ++run) {
    w.reseed(9000 + static_cast<unsigned long>(run));
    Deme d(k, N);
    d.pop._freq.assign(k, 0.1f);
    d.pop._freq_mode = d.pop._freq_ready = true;
    for (int g = 0; g < gens; ++g) d.pop.newgeneration_asymoverfreq(nullptr, &w.table, &w.settings);
    std::vector<double> p(d.pop._freq.begin(), d.pop._freq.end());
    mean_h += gene_diversity(p);
    mean_p0 += p[0];
  }
  mean_h /= runs;
  mean_p0 /= runs;
  double const h0 = 0.9;
  double const rate = 1.0 - std::pow(mean_h / h0, 1.0 / gens);
  EXPECT_GT(rate, 0.7 / (2.0 * N));
  EXPECT_LT(rate, 1.2 / (2.0 * N));
  EXPECT_NEAR(mean_p0, 0.1, 0.005);
}
