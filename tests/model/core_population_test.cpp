#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core_fixture.h"
#include "test_util.h"

using coretest::World;
using coretest::ind;

namespace {

// A deme in individual mode with `parents` parents and `offspring` slots in
// the next list, all of genotype (0, 1).
void fill(Tpop& p, int parents, int offspring) {
  p._current = &p._inds_a;
  p._next = &p._inds_b;
  for (int i = 0; i < parents; ++i) p._inds_a.push_back(ind(0, 1));
  for (int i = 0; i < offspring; ++i) p._inds_b.push_back(ind(0, 1));
}

struct Surplus {
  std::vector<Tgeno*> list;
  ~Surplus() {
    for (Tgeno* g : list) delete g;
  }
};

}  // namespace

TEST(CoreDeme, ConstructionSetsOnlyTheGivenValues) {
  Tpop p(12, 3, -1, -1);
  EXPECT_EQ(p._size, 12.0);
  EXPECT_EQ(p._id, 3);
  EXPECT_EQ(p._row, -1);
  EXPECT_EQ(p._col, -1);
  EXPECT_EQ(p._k, 0.0);
  EXPECT_EQ(p._nbr[2], 0);
  EXPECT_EQ(p._mig_factor[1], 0.0f);
  EXPECT_FALSE(p._kzero[3]);
  EXPECT_FALSE(p._freq_mode);
  EXPECT_TRUE(p._freq.empty());
  Tpop d;
  EXPECT_EQ(d._size, 0.0);
  EXPECT_EQ(d._id, 0);

  // initialize keeps vectors and list pointers
  World w(2, 2);
  p.create_ind_vector(2, 0, 0.0f);
  p.createfreqarrays(2);
  p._r = 1.5f;
  p._emig_rest[3] = 0.5f;
  p.initialize(4, 1, 2, 3);
  EXPECT_EQ(p._r, 0.0f);
  EXPECT_EQ(p._emig_rest[3], 0.0f);
  EXPECT_EQ(p._size, 4.0);
  EXPECT_EQ(p._col, 3);
  EXPECT_EQ(p._current, &p._inds_a);
  EXPECT_EQ(p._inds_a.size(), 2u);
  EXPECT_EQ(p._freq.size(), 2u);
  p.delete_ind_vector();
}

TEST(CoreDeme, CreateIndVectorDrawsBothBuffersIndependently) {
  World w(6, 3, 41);
  Tpop p(0, 0, -1, -1);
  p.create_ind_vector(0, 0, 0.5f);
  EXPECT_EQ(p._current, &p._inds_a);
  EXPECT_EQ(p._next, &p._inds_b);
  EXPECT_TRUE(p._inds_a.empty());
  EXPECT_TRUE(p._inds_b.empty());

  p.create_ind_vector(3, 1, 0.0f);
  ASSERT_EQ(p._inds_a.size(), 3u);
  ASSERT_EQ(p._inds_b.size(), 3u);
  for (Tgeno* g : p._inds_a) {
    EXPECT_EQ(g->_allele1->_id, w.twin_int(3) + 3);
    EXPECT_EQ(g->_allele2->_id, w.twin_int(3) + 3);
  }
  for (Tgeno* g : p._inds_b) {
    EXPECT_EQ(g->_allele1->_id, w.twin_int(3) + 3);
    EXPECT_EQ(g->_allele2->_id, w.twin_int(3) + 3);
  }
  EXPECT_TRUE(w.in_step());
  double total = 0.0;
  for (Tallele* a : w.table) total += a->_count;
  EXPECT_EQ(total, 12.0);  // both buffers count their copies
  p.delete_ind_vector();
  EXPECT_EQ(p._current, nullptr);
  EXPECT_EQ(p._next, nullptr);
}

TEST(CoreGrowth, BevertonHoltFromTenWithRateOne) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 10, 10);
  p._k = 100.0;
  p._r = 1.0f;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._size, 10.0);
  EXPECT_EQ(p._next_size, 18.0);
  EXPECT_NEAR(p._growth_rest, 20.0 / 1.1 - 18.0, 1e-6);
  EXPECT_EQ(p._inds_b.size(), 18u);
  EXPECT_TRUE(s.list.empty());
  p.delete_ind_vector();
}

TEST(CoreGrowth, ZeroRateCarriesTheRemainder) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 10, 10);
  p._k = 50.0;
  p._growth_rest = 0.4f;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._size, static_cast<double>(10.0f + 0.4f));  // summed in float
  EXPECT_EQ(p._next_size, 10.0);
  EXPECT_NEAR(p._growth_rest, 0.4, 1e-5);
  EXPECT_EQ(p._inds_b.size(), 10u);
  p.delete_ind_vector();
}

TEST(CoreGrowth, RemainderAboveTheBoundRaisesTheSize) {
  Tpop p(0, 0, -1, -1);
  p._freq_mode = true;  // the size is then taken as it stands
  p._k = 1000.0;
  Surplus s;

  p._size = 10.999991;  // fraction narrows to a float above 0.99999
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._next_size, 11.0);
  EXPECT_EQ(p._growth_rest, 0.0f);

  p._size = 10.99999;  // narrows to just below 0.99999: carried
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._next_size, 10.0);
  EXPECT_GT(p._growth_rest, 0.9999f);
  EXPECT_LE(static_cast<double>(p._growth_rest), 0.99999);
  EXPECT_EQ(p._size, 10.99999);  // never recounted in frequency mode
}

TEST(CoreGrowth, LongerNextListGivesItsTailLastFirst) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 3, 5);
  p._k = 10.0;
  std::vector<Tgeno*> before = p._inds_b;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._next_size, 3.0);
  ASSERT_EQ(p._inds_b.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p._inds_b[i], before[i]);
  ASSERT_EQ(s.list.size(), 2u);
  EXPECT_EQ(s.list[0], before[4]);
  EXPECT_EQ(s.list[1], before[3]);
  p.delete_sup_ind(&s.list);
  EXPECT_TRUE(s.list.empty());
  p.delete_ind_vector();
}

TEST(CoreGrowth, ShorterNextListIsFilledAtItsEnd) {
  World w(4, 4, 19);
  Tpop p(0, 0, -1, -1);
  fill(p, 4, 2);
  p._k = 10.0;
  std::vector<Tgeno*> before = p._inds_b;
  Surplus s;
  p.logistic_growth(&s.list);
  ASSERT_EQ(p._inds_b.size(), 4u);
  EXPECT_EQ(p._inds_b[0], before[0]);
  EXPECT_EQ(p._inds_b[1], before[1]);
  for (int i = 2; i < 4; ++i) {
    EXPECT_EQ(p._inds_b[i]->_allele1->_id, w.twin_int(4));
    EXPECT_EQ(p._inds_b[i]->_allele2->_id, w.twin_int(4));
  }
  EXPECT_TRUE(w.in_step());
  p.delete_ind_vector();
}

TEST(CoreGrowth, FrequencyModeNeverTouchesTheLists) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 2, 2);
  p._freq_mode = true;
  p._size = 40.0;
  p._k = 100.0;
  p._r = 0.5f;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._size, 40.0);
  EXPECT_GT(p._next_size, 40.0);
  EXPECT_EQ(p._inds_a.size(), 2u);
  EXPECT_EQ(p._inds_b.size(), 2u);
  p.delete_ind_vector();
}

TEST(CoreGrowth, BackToIndividualModeKeepsTheSizeOnce) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 3, 7);
  p._k = 100.0;
  p._size = 7.0;
  p._back_to_ind = true;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._size, 7.0);
  EXPECT_FALSE(p._back_to_ind);
  EXPECT_EQ(p._next_size, 7.0);
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._size, 3.0);  // recounted from the three parents
  p.delete_ind_vector();
}

TEST(CoreGrowth, NoCapacityEmptiesTheNextList) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 4, 4);
  std::vector<Tgeno*> before = p._inds_b;
  p._k = 0.0;
  p._r = 0.8f;
  p._size = 4.0;
  p._growth_rest = 0.3f;
  p._back_to_ind = true;
  Surplus s;
  p.logistic_growth(&s.list);
  EXPECT_EQ(p._next_size, 0.0);
  EXPECT_TRUE(p._inds_b.empty());
  ASSERT_EQ(s.list.size(), 4u);
  EXPECT_EQ(s.list[0], before[3]);
  EXPECT_EQ(s.list[3], before[0]);
  EXPECT_EQ(p._size, 4.0);
  EXPECT_EQ(p._growth_rest, 0.3f);
  EXPECT_TRUE(p._back_to_ind);
  EXPECT_EQ(p._inds_a.size(), 4u);

  // frequency mode: only the size changes
  Tpop q(0, 0, -1, -1);
  fill(q, 2, 2);
  q._freq_mode = true;
  q._next_size = 9.0;
  q.logistic_growth(&s.list);
  EXPECT_EQ(q._next_size, 0.0);
  EXPECT_EQ(q._inds_b.size(), 2u);
  p.delete_ind_vector();
  q.delete_ind_vector();
}

TEST(CoreGrowth, SizesOutsideTheModelEmptyTheDeme) {
  World w(2, 2);
  Surplus s;
  struct Case {
    double k;
    float r;
  } cases[] = {
      {1.0, -0.5f},                                       // negative result
      {-10.0, 1.0f},                                      // zero denominator
      {std::numeric_limits<double>::quiet_NaN(), 0.5f},  // undefined capacity
  };
  for (const Case& c : cases) {
    Tpop p(0, 0, -1, -1);
    fill(p, 10, 10);
    p._k = c.k;
    p._r = c.r;
    p.logistic_growth(&s.list);
    EXPECT_EQ(p._next_size, 0.0);
    EXPECT_EQ(p._growth_rest, 0.0f);
    EXPECT_TRUE(p._inds_b.empty());
    EXPECT_FALSE(std::isnan(p._size));
    p.delete_ind_vector();
  }
  EXPECT_EQ(s.list.size(), 30u);
}

TEST(CoreGrowth, AbsurdGrowthRateIsCutAtTheLargestList) {
  // A drawn rate of 1e30 would ask for about 1e31 individuals in one step.
  // The check runs before the list is resized, so a deme without a next list
  // shows the cut without building a hundred million individuals.
  World w(2, 2);
  testutil::LogCapture log;
  Tpop p(0, 4, -1, -1);
  p._current = &p._inds_a;
  p._inds_a.push_back(ind(0, 1));
  p._inds_a.push_back(ind(0, 1));
  p._next = nullptr;
  p._k = 1e30;
  p._r = 1e30f;
  p.logistic_growth(nullptr);
  EXPECT_EQ(p._next_size, 100000000.0);
  EXPECT_EQ(p._growth_rest, 0.0f);
  EXPECT_NE(log.text().find("WARNING: Pop [5] cannot grow to "), std::string::npos);
  p._current = nullptr;
  for (Tgeno* g : p._inds_a) delete g;
  p._inds_a.clear();
}

TEST(CoreLists, UpdateExchangesAndTakesTheSizeInFrequencyMode) {
  Tpop p(5, 0, -1, -1);
  p._current = &p._inds_a;
  p._next = &p._inds_b;
  p._next_size = 8.0;
  p._n_immigrants = 3;
  p.Update_ind_lists();
  EXPECT_EQ(p._current, &p._inds_b);
  EXPECT_EQ(p._next, &p._inds_a);
  EXPECT_EQ(p._size, 5.0);
  EXPECT_EQ(p._n_immigrants, 3);
  p._freq_mode = true;
  p.Update_ind_lists();
  EXPECT_EQ(p._current, &p._inds_a);
  EXPECT_EQ(p._size, 8.0);
  EXPECT_EQ(p._n_immigrants, 0);
}

TEST(CoreLists, DeleteIndVectorSkipsNullEntries) {
  World w(2, 2);
  Tpop p(0, 0, -1, -1);
  fill(p, 2, 1);
  p._inds_a.push_back(nullptr);
  p._immigrants.push_back(ind(1, 1));
  p._immigrants.push_back(nullptr);
  p.delete_ind_vector();
  EXPECT_TRUE(p._inds_a.empty());
  EXPECT_TRUE(p._inds_b.empty());
  EXPECT_TRUE(p._immigrants.empty());
  EXPECT_EQ(p._current, nullptr);
  p.delete_sup_ind(nullptr);  // harmless
}

TEST(CoreArrays, OneSlotPerAlleleAndGrowTogether) {
  Tpop p;
  p.createfreqarrays(0);
  p.createfreqarrays(-2);
  EXPECT_TRUE(p._freq.empty());
  p.createfreqarrays(3);
  p.updatefreqvect();
  EXPECT_EQ(p._freq.size(), 4u);
  EXPECT_EQ(p._gam1.size(), 4u);
  EXPECT_EQ(p._gam2.size(), 4u);
  EXPECT_EQ(p._imm_alleles.size(), 4u);
  EXPECT_EQ(p._freq[3], 0.0f);
  p.deletefreqarrays();
  EXPECT_TRUE(p._freq.empty() && p._gam1.empty() && p._gam2.empty() && p._imm_alleles.empty());
}

TEST(CoreCopy, CopyUsesItsOwnBuffersAndSharesIndividuals) {
  World w(2, 2);
  Tpop src(6, 2, 1, 1);
  fill(src, 2, 3);
  src.Update_ind_lists();  // current = B, next = A
  src._group = 4;
  src._kzero[1] = true;
  src.createfreqarrays(2);
  src._freq[1] = 0.5f;

  Tpop copy;
  copy = src;
  EXPECT_EQ(copy._current, &copy._inds_b);
  EXPECT_EQ(copy._next, &copy._inds_a);
  EXPECT_EQ(copy._inds_b, src._inds_b);  // the same individuals
  EXPECT_EQ(copy._group, 4);
  EXPECT_TRUE(copy._kzero[1]);
  EXPECT_TRUE(copy == src);

  Tpop built(src);
  EXPECT_EQ(built._current, &built._inds_b);
  EXPECT_TRUE(built == src);

  // group and sample size are not compared; everything else is
  copy._group = 9;
  copy._sample_size = 3;
  EXPECT_TRUE(copy == src);
  copy._mig_factor[2] = 1.5f;
  EXPECT_FALSE(copy == src);
  copy._mig_factor[2] = src._mig_factor[2];
  copy.Update_ind_lists();
  EXPECT_FALSE(copy == src);
  copy.Update_ind_lists();
  copy._freq[0] = std::numeric_limits<float>::quiet_NaN();
  src._freq[0] = copy._freq[0];
  EXPECT_FALSE(copy == src);

  src.delete_ind_vector();  // copies share, so only the source releases
}
