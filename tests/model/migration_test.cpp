// Emigrant numbers and the exchange of migrants, against hand computation
// and the conservation of gene copies.

#include <gtest/gtest.h>

#include "test_util.h"
#include "world.h"

namespace {

std::vector<int> emigrants(Tpop& p) {
  std::vector<int> e(4);
  p.count_emigrants(e[0], e[1], e[2], e[3], false);
  return e;
}

void link(Tpop& p, std::vector<int> nbr) {
  p._n_nbr = 0;
  for (int k = 0; k < 4; ++k) {
    p._nbr[k] = nbr[static_cast<std::size_t>(k)];
    p._mig_factor[k] = -1.0f;
    p._n_nbr += p._nbr[k] != -1;
  }
}

}  // namespace

TEST(Migration, EmigrantsShareTheRateOverTheOpenLinksAndCarryTheirFractions) {
  testutil::LogCapture log;
  Tpop p(0, 4, -1, -1);
  link(p, {1, 2, 3, 4});
  p._m = 0.1f;
  p._next_size = 10.0;
  for (int g = 0; g < 3; ++g) EXPECT_EQ(emigrants(p), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(emigrants(p), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_NEAR(p._emig_rest[2], 0.0f, 1e-6);
  // A neighbour without capacity leaves the divisor, a route factor scales its share.
  link(p, {1, 2, 3, -1});
  p._kzero[1] = true;
  p._mig_factor[2] = 2.0f;
  p._m = 0.2f;
  p._next_size = 20.0;
  EXPECT_EQ(emigrants(p), (std::vector<int>{2, 0, 4, 0}));
  p._next_size = 2.0;  // no more individuals than open links
  EXPECT_EQ(emigrants(p), (std::vector<int>{0, 0, 0, 0}));
  p._m = 1.0f;
  p._next_size = 10.0;
  EXPECT_EQ(emigrants(p), (std::vector<int>{0, 0, 0, 0}));  // 5 + 10 > 10
  EXPECT_EQ(log.text(), "WARNING: POP 5, Number of emigrant is larger than the deme size: reset migration!\n");
  link(p, {-1, 2, -1, -1});
  p._kzero[1] = false;
  p._mig_factor[1] = -1.0f;
  EXPECT_EQ(emigrants(p), (std::vector<int>{0, 10, 0, 0}));  // the whole generation, no reset
}

TEST(Migration, IndividualsMoveFromTheTailAndFrequencyModeCountsTheirCopies) {
  World w(2);
  Deme from(2, 3), to(2, 10), ind(2, 3);
  Deme::add(from._next, 0, 1);
  Deme::add(from._next, 1, 1);
  Deme::add(from._next, 0, 0);
  Tgeno* last = from._next->back();
  to._freq_mode = true;
  to._freq = {1.0f, 0.0f};
  from.migrateind(2, &to);
  from.migrateind(1, &ind);
  EXPECT_EQ(to._n_immigrants, 2);
  EXPECT_EQ(to._imm_alleles, (std::vector<int>{2, 2}));
  EXPECT_EQ(to._immigrants.front(), last);
  EXPECT_TRUE(from._next->empty());
  to.Update_migrations();
  EXPECT_FLOAT_EQ(to._freq[0], 22.0f / 24.0f);
  EXPECT_FLOAT_EQ(to._freq[1], 2.0f / 24.0f);
  EXPECT_EQ(to._next_size, 12.0);
  EXPECT_EQ(to._imm_alleles, (std::vector<int>{0, 0}));
  EXPECT_TRUE(to._immigrants.empty());
  ind.Update_migrations();
  ASSERT_EQ(ind._next->size(), 1u);
  EXPECT_TRUE(ind._immigrants.empty());
}

TEST(Migration, FrequencyModeSendsCopiesWithoutReplacementOrByTheNormalApproximation) {
  World w(2);
  testutil::LogCapture log;
  Deme from(2, 10), to(2, 10);
  from._freq_mode = true;
  from._freq = {0.5f, 0.5f};
  from.migratefreq(3, &to, 20);  // few migrants to a deme of individuals
  ASSERT_EQ(to._immigrants.size(), 3u);
  std::vector<double> sent(2, 0.0);
  for (const Tgeno* g : to._immigrants) sent[g->_allele1->_id] += 1, sent[g->_allele2->_id] += 1;
  for (std::size_t a = 0; a < 2; ++a) EXPECT_FLOAT_EQ(14.0f * from._freq[a] + sent[a], 10.0f);
  EXPECT_EQ(from._next_size, 7.0);
  Deme big(2, 1000), fto(2, 100);
  big._freq_mode = fto._freq_mode = true;
  big._freq = {0.3f, 0.7f};
  big.migratefreq(25, &fto, 20);  // many migrants to a deme in frequency mode
  EXPECT_EQ(fto._n_immigrants, 25);
  EXPECT_GE(fto._imm_alleles[0] + fto._imm_alleles[1], 48);
  EXPECT_LE(fto._imm_alleles[0] + fto._imm_alleles[1], 50);
  EXPECT_NEAR(fto._imm_alleles[0], 15.0, 3.0);
  EXPECT_EQ(big._next_size, 975.0);
  EXPECT_NEAR(big._freq[0] + big._freq[1], 1.0, 1e-5);
  // More emigrants than copies: the draws stop, the deme is emptied.
  Deme few(2, 2);
  few._freq_mode = true;
  few._freq = {0.5f, 0.5f};
  few.migratefreq(3, &fto, 20);
  EXPECT_EQ(few._next_size, 0.0);
  EXPECT_EQ(log.text(), "ERROR: The number of emigrants exceed the deme size: (migrants= 3), _next_size= 2\n");
}
