// Emigrant numbers and the exchange of migrants, against hand computation
// and the conservation of gene copies.

#include <gtest/gtest.h>

#include "test_util.h"
#include "world.h"

namespace {

std::vector<int> emigrants(Tpop& p, std::vector<int> nbr) {
  std::vector<int> e(4);
  p._n_nbr = 0;
  for (int k = 0; k < 4; ++k) p._n_nbr += (p._nbr[k] = nbr[static_cast<std::size_t>(k)]) != -1;
  p.count_emigrants(e[0], e[1], e[2], e[3], false);
  return e;
}

}  // namespace

TEST(Migration, EmigrantsShareTheRateOverTheOpenLinks) {
  testutil::LogCapture log;
  Tpop p(0, 4, -1, -1);
  for (float& f : p._mig_factor) f = -1.0f;
  // A neighbour without capacity leaves the divisor, a route factor scales its share.
  p._kzero[1] = true;
  p._mig_factor[2] = 2.0f;
  p._m = 0.2f;
  p._next_size = 20.0;
  EXPECT_EQ(emigrants(p, {1, 2, 3, -1}), (std::vector<int>{2, 0, 4, 0}));
  p._next_size = 2.0;  // no more individuals than open links
  EXPECT_EQ(emigrants(p, {1, 2, 3, -1}), (std::vector<int>{0, 0, 0, 0}));
  p._m = 1.0f;
  p._next_size = 10.0;
  p._kzero[1] = false;
  EXPECT_EQ(emigrants(p, {1, 2, 3, -1}), (std::vector<int>{0, 0, 0, 0}));  // 3 + 3 + 6 > 10
  EXPECT_EQ(log.text(), "WARNING: POP 5, Number of emigrant is larger than the deme size: reset migration!\n");
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
  from.migrateind(-1, &ind);  // nobody
  from.migrateind(2, &to);
  from.migrateind(1, &ind);
  EXPECT_EQ(to._n_immigrants, 2);
  EXPECT_EQ(to._imm_alleles, (std::vector<int>{2, 2}));
  EXPECT_EQ(to._immigrants.front(), last);
  to.Update_migrations();
  EXPECT_EQ(to._freq, (std::vector<float>{22.0f / 24.0f, 2.0f / 24.0f}));
  EXPECT_EQ(to._next_size, 12.0);
  EXPECT_TRUE(to._immigrants.empty() && to._imm_alleles == std::vector<int>(2, 0) && from._next->empty());
  ind.Update_migrations();
  EXPECT_TRUE(ind._next->size() == 1 && ind._immigrants.empty());
}

TEST(Migration, FrequencyModeSendsCopiesWithoutReplacementOrByTheNormalApproximation) {
  World w(4);
  testutil::LogCapture log;
  Deme from(3, 10), to(3, 10);
  from._freq_mode = true;
  from._freq = {0.5f, 0.5f, 0.0f};
  from.migratefreq(3, &to, 20);  // few migrants to a deme of individuals
  ASSERT_EQ(to._immigrants.size(), 3u);
  std::vector<float> sent(2, 0.0f);
  for (const Tgeno* g : to._immigrants) sent[g->_allele1->_id] += 1, sent[g->_allele2->_id] += 1;
  for (std::size_t a = 0; a < 2; ++a) EXPECT_FLOAT_EQ(14.0f * from._freq[a] + sent[a], 10.0f);
  EXPECT_EQ(from._next_size, 7.0);
  Deme big(3, 1000), fto(4, 100);
  big._freq_mode = fto._freq_mode = true;
  big._freq = {0.3f, 0.7f, 0.0f};
  big.migratefreq(25, &fto, 20);  // many migrants to a deme in frequency mode
  EXPECT_EQ(fto._n_immigrants, 25);
  EXPECT_TRUE(fto._imm_alleles[0] + fto._imm_alleles[1] >= 48 && fto._imm_alleles[0] + fto._imm_alleles[1] <= 50);
  EXPECT_NEAR(fto._imm_alleles[0], 15.0, 3.0);
  EXPECT_EQ(big._next_size, 975.0);
  EXPECT_NEAR(big._freq[0] + big._freq[1], 1.0, 1e-5);
  // More emigrants than copies, a copy only a draw of 0 could reach (a
  // negative frequency left by a mutation shifts allele 1 to (-0.25, 0]) and
  // one beyond the total of 1: the draws stop when no copy they can reach is
  // left.
  Deme few(4, 2);
  few._freq_mode = true;
  few._freq = {-0.25f, 0.25f, 1.0f, 0.25f};  // copies -1, 1, 4, 1
  few.migratefreq(3, &fto, 20);
  EXPECT_EQ(fto._imm_alleles[2] * 10 + fto._imm_alleles[3], 40);
  EXPECT_EQ(fto._n_immigrants, 28);
  EXPECT_EQ(few._next_size, 0.0);
  few.Update_migrations();  // emptied and nobody came: no frequency at all
  EXPECT_EQ(few._freq, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f}));
  // Every copy counted away but one that a negative count offsets: no frequency is left either.
  few._freq = {1.25f, -0.25f, 0.0f, 0.0f}, few._next_size = 2.0, to._freq_mode = true;  // copies 5, -1
  few.migratefreq(2, &to, 20);
  EXPECT_TRUE(to._imm_alleles[0] == 4 && few._freq[0] == 0.0f);
  EXPECT_EQ(log.text(), "ERROR: The number of emigrants exceed the deme size: (migrants= 3), _next_size= 2\n");
  log.clear();  // nearly all leave: the allele whose migrants outnumber its share says so
  Deme crowd(2, 1000);
  crowd._next_size = 26.0, crowd._freq_mode = true, crowd._freq = {0.5f, 0.5f};
  crowd.migratefreq(25, &fto, 20);
  const std::string warned = log.text();
  EXPECT_TRUE(warned.rfind("WARNING: Number of migrating alleles is larger than number of alleles in the deme, (Migrants= ", 0) == 0 &&
              warned.find('\n') == warned.size() - 1) << warned;
}

// Copy by copy, an allele whose frequency rounds to no whole copy is never
// sent: a draw that lands in its interval is drawn again.
TEST(ReproMigrateFreq, AlleleWithoutRoundedCopiesNeverLeaves) {
  for (unsigned long seed = 1; seed <= 20; ++seed) {
    World w(2, 0, seed);
    Deme from(2, 1.0), to(2, 10.0);
    from._freq_mode = true;
    from._freq = {0.2f, 0.8f};  // copies 0 and 2
    from.migratefreq(1, &to, 10);
    ASSERT_EQ(to._immigrants.size(), 1u);
    EXPECT_EQ(to._immigrants[0]->_allele1->_id, 1);
    EXPECT_EQ(to._immigrants[0]->_allele2->_id, 1);
    EXPECT_EQ(from._freq, (std::vector<float>{0.0f, 0.0f}));
  }
}
