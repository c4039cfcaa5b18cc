// A deme's own operations checked against hand computation: growth with its
// carried remainder, counts and samples, mutation, and the operations the
// run never calls.

#include <gtest/gtest.h>

#include <cmath>

#include "model/individual.h"
#include "test_util.h"
#include "world.h"

TEST(Deme, LogisticGrowthCarriesItsRemainderAndSizesTheNextList) {
  World w(2);
  Deme d(2, 0);
  Deme::add(d._current, 0, 1, 10);
  Deme::add(d._next, 0, 0, 20);
  Tgeno* tail = d._next->back();
  d._k = 100.0;
  d._r = 1.0f;
  // The next size, -1 when the next list does not hold that many.
  auto grow = [&d](float rest) {
    d._growth_rest = rest;
    d.logistic_growth(&d.surplus);
    return d._next->size() == d._next_size ? d._next_size : -1.0;
  };
  EXPECT_EQ(grow(0.0f), 18.0);  // 20 / 1.1
  EXPECT_TRUE(std::fabs(d._growth_rest - 2.0 / 11.0) < 1e-6 && d.surplus.size() == 2 && d.surplus[0] == tail);
  d.delete_sup_ind(nullptr), d.delete_sup_ind(&d.surplus);
  EXPECT_TRUE(d.surplus.empty());
  // r = 0: the parents plus the remainder; above 0.99999 a whole individual at once.
  d._r = 0.0f;
  EXPECT_EQ(grow(0.4f), 10.0);
  EXPECT_EQ(d._size, double(10.0f + 0.4f));
  EXPECT_EQ(grow(0.999995f), 11.0);
  EXPECT_EQ(d._growth_rest, 0.0f);
  EXPECT_EQ(grow(0.99998f), 10.0);
  // Back from frequency mode the size stands once, then the recount resumes.
  d._back_to_ind = true;
  d._size = 30.0;
  EXPECT_EQ(grow(0.0f), 30.0);
  EXPECT_FALSE(d._back_to_ind);
  // No capacity, or a rate that makes the size negative: nothing follows.
  for (double k : {0.0, 100.0}) {
    d._k = k;
    d._r = k == 0.0 ? 0.0f : -3.0f;
    d._next_size = 99.0;
    EXPECT_EQ(grow(0.5f), 0.0);
    EXPECT_EQ(d._growth_rest, k == 0.0 ? 0.5f : 0.0f);  // no capacity keeps the remainder
  }
}

TEST(Deme, CountsAndSamples) {
  World w(3);
  testutil::LogCapture log;
  Deme d(3, 0);
  Deme::add(d._current, 0, 1);
  Deme::add(d._current, 1, 1);
  Deme::add(d._current, 0, 0);
  Deme::add(d._next, 2, 2);
  std::vector<double> counts(3, 0.0), two(3, 0.0);
  two.resize(2);  // a copy without a slot is not counted
  d.quick_count_allele_freq(IND_NEXT, nullptr, &two, &w.settings);
  EXPECT_EQ(two.data()[2], 0.0);
  double het = 0.0, total = 0.0;
  float f0 = -1.0f;
  Tpop none;  // no lists at all
  none.count_allele_freq(IND_CURRENT, &counts, het, total = 9.0);
  EXPECT_EQ(total, 0.0);
  d.count_allele_freq(IND_CURRENT, &counts, het, total);
  d.count_allele0_freq(f0);
  EXPECT_EQ(counts, (std::vector<double>{3, 3, 0}));
  EXPECT_EQ(het * 100 + total * 10 + f0, 160.5);
  testutil::TempDir dir;
  std::ofstream out("inds");
  d._next->push_back(new Tgeno(false, 0, 0.0f));  // an individual without alleles
  d.print_ind_vector(IND_CURRENT, &out);
  d.print_ind_vector(IND_NEXT, &out);
  d.print_ind_vector(IND_CURRENT, nullptr);
  out.close();
  EXPECT_EQ(testutil::read_file("inds"), "Ind 1:\t0\t1\nInd 2:\t1\t1\nInd 3:\t0\t0\nInd 1:\t2\t2\nInd 2:\t\t\n");
  // A sample larger than the deme: all it holds, the divisor stays 2n; in
  // frequency mode the copies are drawn without replacement.
  counts.assign(3, 0.0);
  d.quick_count_sample_freqs(nullptr, &counts, 5);
  none.quick_count_sample_freqs(nullptr, &counts, 2);
  EXPECT_EQ(counts, (std::vector<double>{3, 3, 0}));
  Deme f(3, 5);
  f._freq_mode = true;
  f._freq = {0.4f, 0.6f, 0.0f, 7.0f};
  f._freq.resize(3);  // the slot past the end must stay untouched
  counts.assign(3, 0.0);
  f.quick_count_sample_freqs(nullptr, &counts, 7);
  EXPECT_EQ(f._freq, (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(f._freq.data()[3], 7.0f);
  f._size = 1.0, f._freq = {0.5f, 0.5f, 0.0f};  // a deme of one: its two copies
  f.quick_count_sample_freqs(nullptr, &counts, 2);
  EXPECT_EQ(log.text(), "WARNING: Only 3 individuals in one sample!\nWARNING: Only 0 individuals in one sample!\n"
                        "WARNING: Only 5 individuals in one sample!\nWARNING: Only 1 individuals in one sample!\n");
  EXPECT_EQ(counts, (std::vector<double>{5, 7, 0}));
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
  d._freq = {0.0f, 0.0f, 0.0f};  // no interval holds the draw
  EXPECT_EQ(d.Add_mutation(2), 0);
  d._size = 0.0;  // an empty deme has no copy to replace
  EXPECT_EQ(d.Add_mutation(1), 2);
  EXPECT_EQ(log.text(),
            " with a frequency equal to 0.01 (former allele = 2)\n"
            "ERROR: Frequency of allele a2 is smaller than 0 when adding a new mutation!\n"
            "ERROR: allele is the same before and after mutation !\n"
            " with a frequency equal to 2 (former allele = 2)\n with a frequency equal to 2 (former allele = 1)\n"
            " with a frequency equal to 0 (former allele = 3)\n");
  Deme::add(d._current, 1, 2, 2);
  EXPECT_EQ(d.Add_mutation(0, 1), 1);
  EXPECT_EQ(d.Add_mutation(3, 1), 3);  // past the table: no change
  EXPECT_EQ((*d._current)[1]->_allele1->_id * 100 + (*d._current)[0]->_allele1->_id * 10 + (*d._current)[1]->_allele2->_id, 12);
}

TEST(Deme, SelectionCoefficientFollowsTheGradient) {
  Tsettings s;
  s._selection_rate = 0.05f;
  s._selection_rate_north_east = 0.1f;
  s._selection_rate_south_west = 0.3f;
  s._x_coordinate = 2;
  s._y_coordinate = 3;
  Tpop p(0, 0, 1, 1);
  const float want[4] = {0.05f, 0.2f, 0.3f, 0.05f};  // homogeneous, by row, by column, other
  for (int mode = 0; mode < 4; ++mode) {
    s._selection_gradient = mode;
    p.set_selectioncoef(&s);
    EXPECT_FLOAT_EQ(p._s, want[mode]) << "gradient " << mode;
  }
  s._selection_gradient = 1, s._y_coordinate = 1, p.set_selectioncoef(&s);  // a single row takes the northern value
  EXPECT_FLOAT_EQ(p._s, 0.1f);
}

// Operations the run never calls, by family.
TEST(Deme, UnusedOperationsOfAllelesGenotypesAndIndividuals) {
  World w(4, 2);
  Tallele a(5), b;
  a._count = NAN;
  b = a;
  a.initialize(3);
  EXPECT_TRUE(a == Tallele(3) && !(b == b) && b._id == 5 && Tallele()._id == 0);
  Tgeno g(1.5f, 0, 1), h(false, 0, 0.5f), c;
  c = g;
  EXPECT_TRUE(c == g && !(h == g) && h._allele1 == nullptr && c._f2 == 1.5f && c._allele1 == w.table[0]);
  EXPECT_TRUE(!(Tgeno(0, 1) == Tgeno(0, 0)) && Tgeno()._allele1 != nullptr && Tgeno(true, 1, 0.0f)._allele1->_id >= 2);
  EXPECT_EQ((Tgeno(0, 1.0f), w.table[0]->_count), 2.0);  // a homozygote counts twice
  h.set_first_allele_to_0();
  g.initialize(false, 0, 0.0f);
  EXPECT_TRUE(h._allele1 == w.table[0] && g._allele1 == nullptr);
  c.set_alleles(3, 4);  // the next number appends an allele, a farther one is refused
  c.set_allele2(6);
  EXPECT_EQ(w.table.size() * 100 + c._allele1->_id * 10 + c._allele2->_id, 534u);
  delete w.table.back();
  w.table.pop_back();
  EXPECT_EQ(Tgeno(0, 4)._allele2, nullptr);  // past the table, even where an entry once was
  int draws[2] = {0, 0};
  for (int i = 0; i < 200; ++i) ++draws[g.draw_allele() / 2], ++draws[g.draw_allele(1) / 2];
  EXPECT_TRUE(draws[0] > 60 && draws[1] > 260) << draws[0] << " " << draws[1];
  Tgeno::_init_num_allele = 0;
  EXPECT_EQ(g.draw_allele(), 0);
  Tind x, y;
  x._m = 5;
  y = x;
  EXPECT_TRUE(y == x && Tind()._m == 0);
  x.initialize();
  EXPECT_EQ(x._m, 0);
  Tgeno::_pallelevect = nullptr;  // no table: no allele to refer to
  EXPECT_EQ(Tgeno(0, 1)._allele1, nullptr);
}

TEST(Deme, UnusedOperationsOfTheDeme) {
  World w(2);
  Deme d(2, 4);
  int r = 0, ind = 0, allele = 0;
  d.draw_new_allele(r, ind, allele);  // nobody to draw from
  EXPECT_EQ(r + ind + allele, -3);
  d.create_ind_vector(3, 0, 0.5f);
  EXPECT_EQ(d._inds_a.size() + d._inds_b.size(), 6u);
  d.draw_new_allele(r, ind, allele);
  EXPECT_TRUE(r >= 0 && r < 6 && ind == r / 2 && allele == (r % 2 ? (*d._current)[ind]->_allele2 : (*d._current)[ind]->_allele1)->_id);
  d._s = 2.0f;  // only a carrier of allele 0 passes
  EXPECT_TRUE(d.validate_allele(0, 1, nullptr) && d.validate_allele(2, 0, nullptr) && !d.validate_allele(1, 2, nullptr));
  d._rest_unused = d._s = d._m = d._r = d._growth_rest = d._emig_rest[3] = d._mig_factor[3] = 0.5f;
  d._nbr[3] = d._n_nbr = d._id = d._col = d._sample_size = d._n_immigrants = 2;
  d._k = 3.0, d._inactive = d._freq_mode = d._freq_ready = d._kzero[3] = true;
  d._immigrants.push_back(nullptr);
  d._group = 4, d._row = 2, d._back_to_ind = true;
  Tpop copy(d);
  EXPECT_EQ(copy._group, 4);
  copy._group = 9;  // the group does not count
  EXPECT_TRUE(copy == d && copy._current == &copy._inds_a && copy._inds_a == d._inds_a);
  for (int change = 0; change < 3; ++change) {
    Tpop other(copy);
    if (change == 0) other._freq[0] = 1.0f;
    if (change == 1) other._emig_rest[0] = 1.0f;
    if (change == 2) other._n_nbr = 3;
    EXPECT_FALSE(other == d) << change;
    other._inds_a.clear(), other._inds_b.clear(), other._immigrants.clear();
  }
  copy._inds_a.clear(), copy._inds_b.clear(), copy._immigrants.clear();  // the individuals are d's
  copy.initialize();
  EXPECT_EQ(copy._size + copy._next_size + copy._k + copy._r + copy._m + copy._s + copy._growth_rest + copy._rest_unused + copy._group +
                copy._emig_rest[3] + copy._mig_factor[3] + copy._row + copy._col + copy._id + copy._nbr[3] + copy._n_nbr + copy._sample_size +
                copy._n_immigrants + copy._inactive + copy._freq_mode + copy._freq_ready + copy._back_to_ind + copy._kzero[3], 0.0);
  d.updatefreqvect();
  EXPECT_EQ(d._freq.size() + d._gam1.size() + d._gam2.size() + d._imm_alleles.size(), 12u);
  d._freq_mode = true;
  d._n_immigrants = 4;
  d._next_size = 7.0;
  d.Update_ind_lists();
  EXPECT_TRUE(d._current == &d._inds_b && d._n_immigrants == 0 && d._size == 7.0);
  d.deletefreqarrays();
  EXPECT_EQ(d._freq.size() + d._gam1.size() + d._gam2.size() + d._imm_alleles.size(), 0u);
}
