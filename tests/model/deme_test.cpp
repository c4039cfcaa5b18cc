// A deme's own operations checked against hand computation: the initial
// drawing rule, growth with its carried remainder, counts and samples,
// mutation, the one-parent deme and the selection gradient.

#include <gtest/gtest.h>

#include <cmath>

#include "test_util.h"
#include "world.h"

TEST(Deme, InitialAllelesFollowTheGivenFrequencyAndThePools) {
  World w(12, 4);
  int zeros = 0, in_block = 0;
  std::vector<int> seen(12, 0);
  const int n = 4000;
  for (int i = 0; i < n; ++i) {
    Tgeno g(2, 0.25f);  // pool 2 owns alleles 8..11; allele 0 comes with p0
    for (const Tallele* a : {g._allele1, g._allele2}) {
      zeros += a->_id == 0;
      in_block += a->_id >= 8;
    }
    Tgeno h(0, 0.25f);  // pool 0 without allele 0 in the rest of its block
    ++seen[static_cast<std::size_t>(h._allele1->_id)];
  }
  EXPECT_EQ(zeros + in_block, 2 * n);
  EXPECT_NEAR(zeros / (2.0 * n), 0.25, 4.0 * std::sqrt(0.1875 / (2 * n)));
  for (int a = 1; a < 4; ++a) EXPECT_NEAR(seen[static_cast<std::size_t>(a)] / double(n), 0.25, 0.03);
  double copies = 0.0;
  for (const Tallele* a : w.table) copies += a->_count;
  EXPECT_EQ(copies, 4.0 * n);
  EXPECT_EQ(Tgeno(1, 0.0f)._allele2->_id / 4, 1);  // p0 = 0: straight from the block
  World one(1);
  EXPECT_EQ(Tgeno(0, 0.5f)._allele1->_id, 0);  // k = 1 leaves allele 0 only
}

TEST(Deme, LogisticGrowthCarriesItsRemainderAndSizesTheNextList) {
  World w(2);
  Deme d(2, 0);
  Deme::add(d._current, 0, 1, 10);
  Deme::add(d._next, 0, 0, 20);
  Tgeno* tail = d._next->back();
  d._k = 100.0;
  d._r = 1.0f;
  d.logistic_growth(&d.surplus);  // 20 / 1.1 = 18.18
  EXPECT_EQ(d._next_size, 18.0);
  EXPECT_NEAR(d._growth_rest, 2.0 / 11.0, 1e-6);
  EXPECT_EQ(d._next->size(), 18u);
  ASSERT_EQ(d.surplus.size(), 2u);
  EXPECT_EQ(d.surplus[0], tail);
  // r = 0: the recount is the parents plus the remainder; a remainder above
  // 0.99999 makes a whole individual at once.
  d._r = 0.0f;
  d._growth_rest = 0.4f;
  d.logistic_growth(&d.surplus);
  EXPECT_EQ(d._next_size, 10.0);
  EXPECT_EQ(d._size, double(10.0f + 0.4f));
  EXPECT_EQ(d._next->size(), 10u);
  d._growth_rest = 0.999995f;
  d.logistic_growth(&d.surplus);
  EXPECT_EQ(d._next_size, 11.0);
  EXPECT_EQ(d._growth_rest, 0.0f);
  EXPECT_EQ(d._next->size(), 11u);
  d._growth_rest = 0.99998f;
  d.logistic_growth(&d.surplus);
  EXPECT_EQ(d._next_size, 10.0);
  // Back from frequency mode the size stands once; frequency mode never
  // touches the lists.
  d._back_to_ind = true;
  d._size = 30.0;
  d.logistic_growth(&d.surplus);
  EXPECT_EQ(d._next_size, 30.0);
  EXPECT_FALSE(d._back_to_ind);
  d._freq_mode = true;
  d._size = 5.0;
  d.logistic_growth(&d.surplus);
  EXPECT_EQ(d._next_size, 5.0);
  EXPECT_EQ(d._next->size(), 30u);
  // No capacity, or a rate that makes the size negative: nothing follows.
  d._freq_mode = false;
  for (double k : {0.0, 100.0}) {
    d._k = k;
    d._r = k == 0.0 ? 0.0f : -3.0f;
    d._next_size = 99.0;
    Deme::add(d._next, 0, 0);
    d.logistic_growth(&d.surplus);
    EXPECT_EQ(d._next_size, 0.0);
    EXPECT_TRUE(d._next->empty());
  }
}

TEST(Deme, OneParentIsCopiedWithoutADraw) {
  for (int model = 0; model < 4; ++model) {
    World w(3);
    Deme d(3, 1);
    Deme::add(d._current, 2, 1);
    Deme::add(d._next, 0, 0, 5);
    d._s = 1.0f;
    void (Tpop::*step[4])(std::ofstream*, std::vector<Tallele*>*, Tsettings*, std::vector<Tgeno*>*) = {
        &Tpop::newgeneration_symoverind, &Tpop::newgeneration_asymoverind, &Tpop::newgeneration_rarealleleind,
        &Tpop::newgeneration_dominanceind};
    (d.*step[model])(nullptr, &w.table, &w.settings, &d.surplus);
    for (const Tgeno* g : *d._next) {
      EXPECT_EQ(g->_allele1->_id, 2);
      EXPECT_EQ(g->_allele2->_id, 1);
    }
    World fresh(1);  // a new generator on the same seed: both must stand at the same draw
    EXPECT_EQ(gsl_rng_get(fresh.saved), gsl_rng_get(randomnumber)) << "model " << model;
  }
}

TEST(Deme, CountsRowsAndSamples) {
  World w(3);
  w.settings._intermediate_output = 1;
  Deme d(3, 0);
  Deme::add(d._current, 0, 1);
  Deme::add(d._current, 1, 1);
  testutil::TempDir dir;
  std::ofstream out("rows");
  std::vector<double> counts(3, 0.0);
  d.quick_count_allele_freq(IND_CURRENT, &out, &counts, &w.settings);
  d.quick_count_allele_freq(IND_NEXT, &out, &counts, &w.settings);
  std::vector<double> two(3, 0.0);  // a copy without a slot is not counted
  two.resize(2);
  Deme::add(d._current, 2, 2);
  d.quick_count_allele_freq(IND_CURRENT, nullptr, &two, &w.settings);
  EXPECT_EQ(two.data()[2], 0.0);
  d._current->pop_back();
  double het = 0.0, total = 0.0;
  d.count_allele_freq(IND_CURRENT, &counts, het, total);
  EXPECT_EQ(counts, (std::vector<double>{2, 6, 0}));
  EXPECT_EQ(het, 1.0);
  EXPECT_EQ(total, 4.0);
  float f0 = -1.0f;
  d.count_allele0_freq(f0);
  EXPECT_EQ(f0, 0.25f);
  std::vector<double> sample(3, 0.0);
  d.quick_count_sample_freqs(&out, &sample, 1);
  d.print_ind_vector(IND_CURRENT, &out);
  out.close();
  EXPECT_EQ(testutil::read_file("rows"), "0.25\t0.75\t0\t\n0\t0\t0\t\na1\t0.5\na2\t0.5\nInd 1:\t0\t1\nInd 2:\t1\t1\n");

  // Frequency mode: copies drawn without replacement, the divisor stays 2n.
  testutil::LogCapture log;
  Deme f(3, 5);
  f._freq_mode = true;
  f._freq = {0.4f, 0.6f, 0.0f};
  std::vector<double> got(3, 0.0);
  f.quick_count_sample_freqs(nullptr, &got, 7);
  EXPECT_EQ(log.text(), "WARNING: Only 5 individuals in one sample!\n");
  EXPECT_EQ(got, (std::vector<double>{4, 6, 0}));
  EXPECT_EQ(f._freq, (std::vector<float>{0, 0, 0}));
}

TEST(Deme, MutationMovesOneCopyOfFrequency) {
  World w(3);
  testutil::LogCapture log;
  Deme d(3, 50);
  d._freq = {0.0f, 1.0f, 0.0f};
  EXPECT_EQ(d.Add_mutation(2), 1);
  EXPECT_NEAR(d._freq[1], 0.99f, 1e-6);
  EXPECT_EQ(d._freq[2], 0.01f);
  d._size = 0.25;  // one copy is worth 2
  d._freq = {0.0f, 1.0f, 0.0f};
  EXPECT_EQ(d.Add_mutation(1), 1);
  EXPECT_EQ(log.text(),
            " with a frequency equal to 0.01 (former allele = 2)\n"
            "ERROR: Frequency of allele a2 is smaller than 0 when adding a new mutation!\n"
            "ERROR: allele is the same before and after mutation !\n"
            " with a frequency equal to 2 (former allele = 2)\n");
  Deme::add(d._current, 0, 1, 2);
  EXPECT_EQ(d.Add_mutation(2, 1), 0);
  EXPECT_EQ((*d._current)[1]->_allele1->_id, 2);
  EXPECT_EQ((*d._current)[0]->_allele1->_id, 0);
  EXPECT_EQ((*d._current)[1]->_allele2->_id, 1);
}

TEST(Deme, SelectionCoefficientFollowsTheGradient) {
  Tsettings s;
  s._selection_rate = 0.05f;
  s._selection_rate_north_east = 0.1f;
  s._selection_rate_south_west = 0.3f;
  s._x_coordinate = 2;
  s._y_coordinate = 3;
  Tpop p(0, 0, 2, 1);
  const float want[4] = {0.05f, 0.3f, 0.3f, 0.05f};
  for (int mode = 0; mode < 4; ++mode) {
    s._selection_gradient = mode;
    p.set_selectioncoef(&s);
    EXPECT_FLOAT_EQ(p._s, want[mode]) << "gradient " << mode;
  }
  p._row = 1;
  s._selection_gradient = 1;
  p.set_selectioncoef(&s);
  EXPECT_FLOAT_EQ(p._s, 0.2f);
  s._y_coordinate = 1;  // one row is the northern end
  p.set_selectioncoef(&s);
  EXPECT_EQ(p._s, 0.1f);
}
