// Emigrant numbers and the exchange of migrants between demes.

#include <gtest/gtest.h>

#include <cmath>

#include "repro_fixture.h"
#include "test_util.h"

using reprotest::Deme;
using reprotest::World;
using reprotest::id1;
using reprotest::id2;

namespace {

// A deme with the four slots open towards demes 1..4.
void open_links(Tpop& pop, float m, double next_size) {
  pop._m = m;
  pop._next_size = next_size;
  pop._n_nbr = 4;
  for (int k = 0; k < 4; ++k) {
    pop._nbr[k] = k + 1;
    pop._mig_factor[k] = -1.0f;
    pop._kzero[k] = false;
    pop._emig_rest[k] = 0.0f;
  }
}

struct Emigrants {
  int e[4];
};

Emigrants count(Tpop& pop) {
  Emigrants r;
  pop.count_emigrants(r.e[0], r.e[1], r.e[2], r.e[3], false);
  return r;
}

}  // namespace

TEST(ReproEmigrants, FractionsAccumulateUntilWholeEmigrants) {
  Tpop pop;
  open_links(pop, 0.1f, 10.0);
  for (int g = 0; g < 3; ++g) {
    Emigrants r = count(pop);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(r.e[k], 0) << "generation " << g;
  }
  EXPECT_NEAR(pop._emig_rest[2], 0.75f, 1e-6);
  Emigrants r = count(pop);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r.e[k], 1);
    EXPECT_NEAR(pop._emig_rest[k], 0.0f, 1e-6);
  }
}

TEST(ReproEmigrants, ZeroCapacityNeighboursAndModifiedRoutes) {
  Tpop pop;
  open_links(pop, 0.6f, 10.0);
  Emigrants r = count(pop);
  EXPECT_EQ(r.e[0], 1);
  EXPECT_EQ(r.e[3], 1);

  open_links(pop, 0.6f, 10.0);
  pop._kzero[3] = true;  // left out of the divisor: the others get more
  r = count(pop);
  EXPECT_EQ(r.e[0], 2);
  EXPECT_EQ(r.e[1], 2);
  EXPECT_EQ(r.e[2], 2);
  EXPECT_EQ(r.e[3], 0);
  EXPECT_EQ(pop._emig_rest[3], 0.0f);

  open_links(pop, 0.2f, 20.0);
  pop._mig_factor[0] = 2.0f;
  r = count(pop);
  EXPECT_EQ(r.e[0], 2);
  EXPECT_EQ(r.e[1], 1);
  EXPECT_EQ(r.e[2], 1);
  EXPECT_EQ(r.e[3], 1);
}

TEST(ReproEmigrants, SmallDemesAndMissingLinksSendNobody) {
  Tpop pop;
  open_links(pop, 1.0f, 4.0);  // no more individuals than links
  pop._emig_rest[1] = 0.5f;
  Emigrants r = count(pop);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(r.e[k], 0);
  EXPECT_EQ(pop._emig_rest[1], 0.5f);

  // Every link without capacity: nobody to share with, no division by 0.
  open_links(pop, 0.5f, 10.0);
  for (int k = 0; k < 4; ++k) pop._kzero[k] = true;
  r = count(pop);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(r.e[k], 0);

  open_links(pop, 0.5f, 10.0);
  pop._n_nbr = 0;
  for (int k = 0; k < 4; ++k) pop._nbr[k] = -1;
  r = count(pop);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(r.e[k], 0);
}

TEST(ReproEmigrants, WholeGenerationMayLeaveButNoMore) {
  testutil::LogCapture log;
  Tpop pop;
  open_links(pop, 1.0f, 7.0);
  pop._n_nbr = 1;
  for (int k = 1; k < 4; ++k) pop._nbr[k] = -1;
  Emigrants r = count(pop);
  EXPECT_EQ(r.e[0], 7);
  EXPECT_EQ(log.text(), "");

  open_links(pop, 1.0f, 10.0);
  pop._id = 4;
  pop._mig_factor[0] = 3.0f;
  r = count(pop);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(r.e[k], 0);
  EXPECT_EQ(log.text(),
            "WARNING: POP 5, Number of emigrant is larger than the deme size: reset migration!\n");
  EXPECT_NEAR(pop._emig_rest[0], 0.5f, 1e-6);  // the fractions keep their new values
}

TEST(ReproMigrateInd, MovesTheTailAndCountsForFrequencyReceivers) {
  World w(3);
  Deme from(3, 5.0), to(3, 100.0), plain(3, 5.0);
  from.pop._next->push_back(new Tgeno(0, 1));
  from.pop._next->push_back(new Tgeno(2, 2));
  from.pop._next->push_back(new Tgeno(1, 2));
  Tgeno* last = from.next().back();
  to.pop._freq_mode = true;
  from.pop.migrateind(2, &to.pop);
  ASSERT_EQ(to.pop._immigrants.size(), 2u);
  EXPECT_EQ(to.pop._immigrants[0], last);
  EXPECT_EQ(to.pop._n_immigrants, 2);
  EXPECT_EQ(to.pop._imm_alleles, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(from.next().size(), 1u);
  EXPECT_EQ(from.pop._next_size, 5.0);

  // More than the list holds: only what is there moves, and is counted.
  from.pop.migrateind(4, &to.pop);
  EXPECT_EQ(to.pop._n_immigrants, 3);
  EXPECT_TRUE(from.next().empty());

  from.pop._next->push_back(new Tgeno(0, 0));
  from.pop.migrateind(1, &plain.pop);
  EXPECT_EQ(plain.pop._immigrants.size(), 1u);
  EXPECT_EQ(plain.pop._n_immigrants, 0);
}

TEST(ReproMigrateFreq, SmallPathAtTheThreshold) {
  World w(2, 31);
  Deme from(2, 100.0), to(2, 100.0);
  from.pop._freq_mode = to.pop._freq_mode = true;
  from.pop._freq = {0.25f, 0.75f};
  from.pop.migratefreq(10, &to.pop, 10);
  int sent[2] = {0, 0};
  for (int counted = 0; counted < 20;) {
    float const u = static_cast<float>(w.tfloat());
    if (0.0f < u && u <= 0.25f) {
      ++sent[0];
    } else if (0.25f < u && u <= 1.0f) {
      ++sent[1];
    }
    ++counted;
  }
  EXPECT_EQ(to.pop._imm_alleles, (std::vector<int>{sent[0], sent[1]}));
  EXPECT_EQ(from.pop._freq[0], static_cast<float>(50 - sent[0]) / 180.0f);
  EXPECT_EQ(from.pop._freq[1], static_cast<float>(150 - sent[1]) / 180.0f);
  EXPECT_EQ(from.pop._next_size, 90.0);
  EXPECT_EQ(to.pop._n_immigrants, 10);
  EXPECT_TRUE(w.in_step());
}

TEST(ReproMigrateFreq, LargePathAboveTheThreshold) {
  World w(2, 32);
  Deme from(2, 100.0), to(2, 100.0);
  from.pop._freq_mode = to.pop._freq_mode = true;
  from.pop._freq = {0.25f, 0.75f};
  to.pop._imm_alleles = {3, 0};
  from.pop.migratefreq(11, &to.pop, 10);
  float q[2];
  float S = 0.0f;
  for (int i = 0; i < 2; ++i) {
    double const p = i == 0 ? 0.25 : 0.75;
    double const z = w.tnormal();
    q[i] = static_cast<float>((std::sqrt(2.0 * ((1.0 - p) * p * 100.0)) * z + 2.0 * p * 100.0) / 200.0);
    S += q[i];
  }
  for (int i = 0; i < 2; ++i) {
    q[i] = q[i] / S;
    float const migrating = 2.0f * (11.0f * q[i]);
    int const start = i == 0 ? 3 : 0;
    EXPECT_EQ(to.pop._imm_alleles[i], static_cast<int>(static_cast<float>(start) + migrating));
    double const p = i == 0 ? 0.25 : 0.75;
    EXPECT_EQ(from.pop._freq[i],
              static_cast<float>((2.0 * p * 100.0 - static_cast<double>(migrating)) / 178.0));
  }
  EXPECT_EQ(from.pop._next_size, 89.0);
  EXPECT_EQ(to.pop._n_immigrants, 11);
  EXPECT_TRUE(w.in_step());

  // An individual-mode receiver always gets the small path.
  Deme ind(2, 10.0);
  from.pop._next_size = 100.0;
  from.pop._freq = {0.25f, 0.75f};
  from.pop.migratefreq(11, &ind.pop, 10);
  EXPECT_EQ(ind.pop._immigrants.size(), 11u);
  EXPECT_EQ(ind.pop._n_immigrants, 0);
}

TEST(ReproMigrateFreq, LargePathNeverGoesBelowZero) {
  for (unsigned long seed = 1; seed <= 200; ++seed) {
    World w(2, seed);
    Deme from(2, 1.0), to(2, 100.0);  // tiny N: wide draws, often negative
    from.pop._next_size = 30.0;
    from.pop._freq_mode = to.pop._freq_mode = true;
    from.pop._freq = {0.9f, 0.1f};
    from.pop.migratefreq(14, &to.pop, 10);
    ASSERT_TRUE(reprotest::all_finite_nonneg(from.pop._freq)) << seed;
    ASSERT_GE(to.pop._imm_alleles[0], 0) << seed;
    ASSERT_GE(to.pop._imm_alleles[1], 0) << seed;
  }
}

TEST(ReproMigrateFreq, SmallPathStopsWhenTheDemeRunsOut) {
  testutil::LogCapture log;
  World w(2, 34);
  Deme from(2, 2.0), to(2, 10.0);
  from.pop._freq_mode = true;
  from.pop._freq = {0.5f, 0.5f};
  from.pop.migratefreq(3, &to.pop, 10);
  EXPECT_EQ(log.text(), "ERROR: The number of emigrants exceed the deme size: (migrants= 3), _next_size= 2\n");
  EXPECT_EQ(to.pop._immigrants.size(), 2u);
  EXPECT_EQ(from.pop._freq, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(from.pop._next_size, 0.0);
}

TEST(ReproMigrateFreq, CopiesOnlyAZeroDrawCouldReachDoNotKeepTheDrawsGoing) {
  // A negative frequency (left by a mutation) shifts allele 1's interval to
  // (-0.25, 0]: only u = 0 could hit it, one draw in 2^32.
  testutil::LogCapture log;
  World w(3, 38);
  Deme from(3, 2.0), to(3, 10.0);
  from.pop._freq_mode = true;
  from.pop._freq = {-0.25f, 0.25f, 1.0f};  // copies -1, 1, 4
  from.pop.migratefreq(3, &to.pop, 10);
  ASSERT_EQ(to.pop._immigrants.size(), 2u);
  for (Tgeno* g : to.pop._immigrants) {
    EXPECT_EQ(id1(g), 2);
    EXPECT_EQ(id2(g), 2);
  }
  EXPECT_EQ(from.pop._freq, (std::vector<float>{0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(from.pop._next_size, 0.0);
}

TEST(ReproMigrateFreq, NoEmigrantChangesNothing) {
  World w(2, 36);
  Deme from(2, 7.0), to(2, 10.0);
  from.pop._freq_mode = to.pop._freq_mode = true;
  from.pop._freq = {0.3f, 0.7f};
  for (int n : {0, -2}) from.pop.migratefreq(n, &to.pop, 10);
  EXPECT_EQ(from.pop._freq, (std::vector<float>{0.3f, 0.7f}));
  EXPECT_EQ(from.pop._next_size, 7.0);
  EXPECT_EQ(to.pop._n_immigrants, 0);
  EXPECT_TRUE(w.in_step());
}

TEST(ReproMigrateFreq, AlleleWithoutRoundedCopiesNeverLeaves) {
  for (unsigned long seed = 1; seed <= 20; ++seed) {
    World w(2, seed);
    Deme from(2, 1.0), to(2, 10.0);
    from.pop._freq_mode = true;
    from.pop._freq = {0.2f, 0.8f};  // copies 0 and 2
    from.pop.migratefreq(1, &to.pop, 10);
    ASSERT_EQ(to.pop._immigrants.size(), 1u);
    EXPECT_EQ(id1(to.pop._immigrants[0]), 1);
    EXPECT_EQ(id2(to.pop._immigrants[0]), 1);
    EXPECT_EQ(from.pop._freq, (std::vector<float>{0.0f, 0.0f}));
  }
}

TEST(ReproMigrateFreq, PairStartsAfreshAfterAMissingAllele) {
  testutil::LogCapture log;
  World w(2, 35);
  Deme from(2, 100.0), to(2, 10.0);
  from.pop._freq_mode = true;
  from.pop._freq = {0.25f, 0.25f};  // half of the draws fall on no allele
  from.pop.migratefreq(20, &to.pop, 10);
  int const errors = reprotest::count_of(log.text(), "ERROR - Tpop::migratefreq: wrong allele number !\n");
  EXPECT_GT(errors, 0);
  EXPECT_GT(to.pop._immigrants.size(), 0u);
  EXPECT_EQ(static_cast<int>(to.pop._immigrants.size()) + errors, 20);
  for (Tgeno* g : to.pop._immigrants) {
    EXPECT_NE(g->_allele1, nullptr);
    EXPECT_NE(g->_allele2, nullptr);
  }
}

TEST(ReproUpdateMigrations, FrequencyModeFoldsInTheImmigrants) {
  World w(2);
  Deme d(2, 50.0);
  d.pop._freq_mode = true;
  d.pop._freq = {0.4f, 0.6f};
  d.pop._imm_alleles = {10, 0};
  d.pop._n_immigrants = 5;
  d.pop._immigrants.push_back(new Tgeno(0, 0));
  d.pop.Update_migrations();
  EXPECT_FLOAT_EQ(d.pop._freq[0], 50.0f / 110.0f);
  EXPECT_FLOAT_EQ(d.pop._freq[1], 60.0f / 110.0f);
  EXPECT_EQ(d.pop._next_size, 55.0);
  EXPECT_EQ(d.pop._imm_alleles, (std::vector<int>{0, 0}));
  EXPECT_TRUE(d.pop._immigrants.empty());

  d.pop._n_immigrants = 0;
  d.pop.Update_migrations();  // nobody arrived: nothing changes
  EXPECT_FLOAT_EQ(d.pop._freq[0], 50.0f / 110.0f);
  EXPECT_EQ(d.pop._next_size, 55.0);

  d.pop._next_size = 0.0;
  d.pop.Update_migrations();  // an emptied deme: no copies, no NaN
  EXPECT_EQ(d.pop._freq, (std::vector<float>{0.0f, 0.0f}));
}

TEST(ReproUpdateMigrations, IndividualModeAppendsInOrder) {
  World w(2);
  Deme d(2, 1.0);
  d.offspring_slots(1);
  Tgeno* a = new Tgeno(0, 1);
  Tgeno* b = new Tgeno(1, 1);
  d.pop._immigrants = {a, b};
  d.pop.Update_migrations();
  ASSERT_EQ(d.next().size(), 3u);
  EXPECT_EQ(d.next()[1], a);
  EXPECT_EQ(d.next()[2], b);
  EXPECT_TRUE(d.pop._immigrants.empty());
}

namespace {

// Sizes of one deme as a numbers-only model of the demography predicts them:
// growth from (parents + carried fraction), emigrants with their own carried
// fractions, immigrants joining the offspring.
struct SizeModel {
  float rest = 0.0f;
  float emig_rest = 0.0f;
  double next = 0.0;
  int grow(int parents, float r, double k) {
    double const size = static_cast<double>(static_cast<float>(parents) + rest);
    double n = (static_cast<double>(1.0f + r) * size) / ((static_cast<double>(r) / k) * size + 1.0);
    rest = static_cast<float>(std::fmod(n, 1.0));
    n = std::floor(n);
    if (static_cast<double>(rest) > 0.99999) {
      n += 1.0;
      rest = 0.0f;
    }
    next = n;
    return static_cast<int>(n);
  }
  int emigrants(float m) {
    if (!(next > 1.0)) return 0;  // one open link
    double const x = static_cast<double>(m) * next / 1.0 + static_cast<double>(emig_rest);
    emig_rest = static_cast<float>(std::fmod(x, 1.0));
    int const e = static_cast<int>(std::floor(x));
    return static_cast<double>(e) > next ? 0 : e;
  }
};

}  // namespace

TEST(ReproDemography, TwoLinkedDemesFollowTheSizeModel) {
  World w(2, 91);
  Deme a(2, 0.0), b(2, 0.0);
  Tpop* pop[2] = {&a.pop, &b.pop};
  float const r[2] = {0.6f, 1.3f};
  double const k[2] = {40.0, 23.5};
  float const m[2] = {0.15f, 0.35f};
  SizeModel model[2];
  int parents[2] = {3, 0};
  for (int i = 0; i < 2; ++i) {
    pop[i]->_id = i;
    pop[i]->_r = r[i];
    pop[i]->_k = k[i];
    pop[i]->_m = m[i];
    pop[i]->_n_nbr = 1;
    for (int s = 0; s < 4; ++s) {
      pop[i]->_nbr[s] = -1;
      pop[i]->_mig_factor[s] = -1.0f;
    }
    pop[i]->_nbr[0] = 1 - i;
  }
  for (int j = 0; j < parents[0]; ++j) a.parent(0, 1);
  std::vector<Tgeno*>* surplus[2] = {&a.surplus, &b.surplus};
  for (int g = 0; g < 40; ++g) {
    int expect_next[2];
    for (int i = 0; i < 2; ++i) expect_next[i] = model[i].grow(parents[i], r[i], k[i]);
    int sent[2];
    for (int i = 0; i < 2; ++i) {
      pop[i]->logistic_growth(surplus[i]);
      ASSERT_EQ(pop[i]->_next_size, static_cast<double>(expect_next[i])) << "generation " << g;
      pop[i]->newgeneration_symoverind(nullptr, &w.table, &w.settings, surplus[i]);
      pop[i]->delete_sup_ind(surplus[i]);
      int e[4];
      pop[i]->count_emigrants(e[0], e[1], e[2], e[3], false);
      // An empty deme sends nobody, whatever its remainder promises.
      sent[i] = parents[i] > 0 || expect_next[i] == 0 ? model[i].emigrants(m[i]) : 0;
      if (parents[i] == 0 && expect_next[i] > 0) model[i].next = 0.0;
      ASSERT_EQ(e[0], sent[i]) << "deme " << i << ", generation " << g;
      if (e[0] > 0) pop[i]->migrateind(e[0], pop[1 - i]);
    }
    for (int i = 0; i < 2; ++i) {
      pop[i]->Update_migrations();
      pop[i]->Update_ind_lists();
    }
    for (int i = 0; i < 2; ++i) {
      int const kept = parents[i] > 0 ? expect_next[i] - sent[i] : 0;
      parents[i] = kept + sent[1 - i];
      ASSERT_EQ(pop[i]->_current->size(), static_cast<std::size_t>(parents[i]))
          << "deme " << i << ", generation " << g;
    }
  }
  EXPECT_GT(parents[1], 10);  // the second deme was colonised and grew
}
