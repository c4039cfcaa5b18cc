#include <gtest/gtest.h>

#include <string>

#include "grid_fixture.h"
#include "test_util.h"

using gridtest::World;

namespace {

void expect_links(const Tpop* d, int s0, int s1, int s2, int s3) {
  EXPECT_EQ(d->_nbr[0], s0);
  EXPECT_EQ(d->_nbr[1], s1);
  EXPECT_EQ(d->_nbr[2], s2);
  EXPECT_EQ(d->_nbr[3], s3);
}

}  // namespace

TEST(GridAlleleTable, FillsSizedTableAndDeletesWithoutDangling) {
  std::vector<Tallele*> table(3, nullptr);
  creates_alleles(&table, 3);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(table[static_cast<std::size_t>(i)], nullptr);
    EXPECT_EQ(table[static_cast<std::size_t>(i)]->_id, i);
    EXPECT_EQ(table[static_cast<std::size_t>(i)]->_count, 0.0);
  }
  delete_alleles(&table);
  ASSERT_EQ(table.size(), 3u);
  for (Tallele* a : table) EXPECT_EQ(a, nullptr);
  delete_alleles(&table);  // a second call finds nothing left to delete

  std::vector<Tallele*> none;
  creates_alleles(&none, 0);
  EXPECT_TRUE(none.empty());
}

TEST(GridDemes, CreationTakesPerDemeOrGroupDemography) {
  World w;
  w.grid(2, 1);
  w.s._init_k_deme[1] = 12.9;
  w.s._final_k_deme[1] = 55.5;
  w.s._group_deme[1] = 2;
  w.s._samp_size_deme[1] = 3;
  w.build(4);
  const Tpop* d = w.demes[1];
  EXPECT_EQ(d->_id, 1);
  EXPECT_DOUBLE_EQ(d->_size, 12.9);  // not truncated
  EXPECT_DOUBLE_EQ(d->_k, 55.5);
  EXPECT_FLOAT_EQ(d->_r, 0.5f);
  EXPECT_FLOAT_EQ(d->_m, 0.1f);
  EXPECT_EQ(d->_group, 2);
  EXPECT_EQ(d->_sample_size, 3);
  EXPECT_EQ(d->_freq.size(), 4u);
  EXPECT_EQ(d->_gam1.size(), 4u);
  EXPECT_EQ(d->_gam2.size(), 4u);
  EXPECT_EQ(d->_imm_alleles.size(), 4u);

  World g;
  g.grid(2, 1);
  g.s._all_pop_with_same_demo = 1;
  g.s._num_pop_groups = 2;
  g.s._group_deme[1] = 2;
  g.s._final_k_group = {300.0, 400.0};
  g.s._growth_rate_group = {0.3f, 0.4f};
  g.s._mig_rate_group = {0.03f, 0.04f};
  g.build();
  EXPECT_DOUBLE_EQ(g.demes[0]->_k, 300.0);
  EXPECT_DOUBLE_EQ(g.demes[1]->_k, 400.0);
  EXPECT_FLOAT_EQ(g.demes[1]->_r, 0.4f);
  EXPECT_FLOAT_EQ(g.demes[1]->_m, 0.04f);
}

TEST(GridDemes, OnlyPerDemeCapacityOfExactlyMinusOneMakesInactive) {
  World w;
  w.grid(4, 1);
  w.s._final_k_deme[1] = -1.0;
  w.s._final_k_deme[2] = -1.5;
  w.s._final_k_deme[3] = -1.0;
  w.build();
  EXPECT_EQ(w.s._unactive_deme, (std::vector<int>{1, 3}));
  EXPECT_EQ(w.s._num_unactive_deme, 2);
  EXPECT_FALSE(w.demes[0]->_inactive);
  EXPECT_TRUE(w.demes[1]->_inactive);
  EXPECT_FALSE(w.demes[2]->_inactive);
  EXPECT_TRUE(w.demes[3]->_inactive);

  // A group capacity of -1 does not count.
  World g;
  g.grid(2, 1);
  g.s._all_pop_with_same_demo = 1;
  g.s._final_k_group = {-1.0};
  g.s._growth_rate_group = {0.1f};
  g.s._mig_rate_group = {0.1f};
  g.build();
  EXPECT_EQ(g.s._num_unactive_deme, 0);
  EXPECT_FALSE(g.demes[0]->_inactive);
}

TEST(GridLinks, ThreeByTwoGrid) {
  World w;
  w.grid(3, 2);
  w.build();
  expect_links(w.demes[0], 1, -1, 3, -1);
  expect_links(w.demes[4], 5, 3, -1, 1);
  expect_links(w.demes[2], -1, 1, 5, -1);
  EXPECT_EQ(w.demes[0]->_n_nbr, 2);
  EXPECT_EQ(w.demes[4]->_n_nbr, 3);
  EXPECT_EQ(w.demes[4]->_row, 1);
  EXPECT_EQ(w.demes[4]->_col, 1);
  EXPECT_EQ(w.demes[2]->_row, 0);
  EXPECT_EQ(w.demes[2]->_col, 2);
  for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(w.demes[4]->_mig_factor[k], -1.0f);
}

TEST(GridLinks, OneRowOneColumnAndSingleDeme) {
  World row;
  row.grid(4, 1);
  row.build();
  for (Tpop* d : row.demes) {
    EXPECT_EQ(d->_nbr[2], -1);
    EXPECT_EQ(d->_nbr[3], -1);
  }
  expect_links(row.demes[1], 2, 0, -1, -1);

  World col;
  col.grid(1, 3);
  col.build();
  for (Tpop* d : col.demes) {
    EXPECT_EQ(d->_nbr[0], -1);
    EXPECT_EQ(d->_nbr[1], -1);
  }
  expect_links(col.demes[1], -1, -1, 2, 0);

  World one;
  one.grid(1, 1);
  one.build();
  EXPECT_EQ(one.demes[0]->_n_nbr, 0);
  expect_links(one.demes[0], -1, -1, -1, -1);
}

TEST(GridRoutes, FactorsZeroHalfAndNegative) {
  testutil::LogCapture log;
  World w;
  w.grid(5, 1);
  w.route(1, 2, 0.0f);   // "from 2 to 3" in file numbers
  w.route(2, 3, 0.5f);
  w.route(3, 4, -0.5f);
  w.route(4, 3, -1.0f);
  w.route(0, 1, -2.0f);
  w.build();
  // -1 and -2 are silent; the others log in deme and slot order.
  EXPECT_EQ(log.text(),
            "\tMigration not allowed from deme 2 to deme 3\n"
            "\tMigration from deme 3 to deme 4 modified by 0.5 during the whole simulation\n"
            "\tMigration not allowed from deme 4 to deme 5\n");
  // Factor 0 closes only the route's own direction.
  EXPECT_EQ(w.demes[1]->_nbr[0], -1);
  EXPECT_FLOAT_EQ(w.demes[1]->_mig_factor[0], 0.0f);
  EXPECT_EQ(w.demes[2]->_nbr[1], 1);
  // 0.5 keeps the link and scales it.
  EXPECT_EQ(w.demes[2]->_nbr[0], 3);
  EXPECT_FLOAT_EQ(w.demes[2]->_mig_factor[0], 0.5f);
  // -0.5 closes, -1 and -2 leave the link with the plain rate.
  EXPECT_EQ(w.demes[3]->_nbr[0], -1);
  EXPECT_EQ(w.demes[4]->_nbr[1], 3);
  EXPECT_FLOAT_EQ(w.demes[4]->_mig_factor[1], -1.0f);
  EXPECT_EQ(w.demes[0]->_nbr[0], 1);
  EXPECT_FLOAT_EQ(w.demes[0]->_mig_factor[0], -2.0f);
  EXPECT_EQ(w.demes[1]->_n_nbr, 1);
}

TEST(GridRoutes, FirstOfRepeatedPairDecidesAndDistantRoutesDoNothing) {
  testutil::LogCapture log;
  World w;
  w.grid(3, 1);
  w.route(0, 1, 0.25f);
  w.route(0, 1, 0.0f);
  w.route(0, 2, 0.0f);  // not grid neighbours
  w.build();
  EXPECT_EQ(log.text(), "\tMigration from deme 1 to deme 2 modified by 0.25 during the whole simulation\n");
  EXPECT_EQ(w.demes[0]->_nbr[0], 1);
  EXPECT_FLOAT_EQ(w.demes[0]->_mig_factor[0], 0.25f);
}

TEST(GridRoutes, RoutesNamingDemeMinusOneAreHarmless) {
  // A route "from deme 0" is stored as -1; it matches no grid pair and must
  // not disturb the lookup of the others (nor be undefined behaviour).
  testutil::LogCapture log;
  World w;
  w.grid(2, 1);
  w.route(-1, 0, 0.0f);
  w.route(0, -1, 0.0f);
  w.route(-1, -1, 0.0f);
  w.route(1, 0, 0.5f);
  w.build();
  EXPECT_EQ(log.text(), "\tMigration from deme 2 to deme 1 modified by 0.5 during the whole simulation\n");
  expect_links(w.demes[0], 1, -1, -1, -1);
  expect_links(w.demes[1], -1, 0, -1, -1);
  EXPECT_FLOAT_EQ(w.demes[1]->_mig_factor[1], 0.5f);
  w.s._modified_mig[3] = 0.25f;
  updatepopfromsettings(&w.demes, &w.s);
  EXPECT_FLOAT_EQ(w.demes[1]->_mig_factor[1], 0.25f);
  EXPECT_FLOAT_EQ(w.demes[0]->_mig_factor[0], -1.0f);
}

TEST(GridRoutes, InactiveNeighbourIsUnlinkedButItsRouteStillLogs) {
  testutil::LogCapture log;
  World w;
  w.grid(3, 1);
  w.s._final_k_deme[1] = -1.0;
  w.route(0, 1, 0.5f);
  w.build();
  EXPECT_EQ(log.text(), "\tMigration from deme 1 to deme 2 modified by 0.5 during the whole simulation\n");
  EXPECT_EQ(w.demes[0]->_nbr[0], -1);
  EXPECT_EQ(w.demes[2]->_nbr[1], -1);
  EXPECT_EQ(w.demes[0]->_n_nbr, 0);
  // The inactive deme itself keeps links to its active neighbours.
  expect_links(w.demes[1], 2, 0, -1, -1);
}

TEST(GridKZero, CapacityBelowOneIsFlaggedAndFollowsChanges) {
  World w;
  w.grid(3, 1);
  w.s._final_k_deme[1] = 0.7;
  w.s._final_k_deme[2] = -1.0;
  w.build();
  EXPECT_TRUE(w.demes[0]->_kzero[0]);
  EXPECT_TRUE(w.demes[2]->_kzero[1]);  // the inactive deme links to deme 1 too
  EXPECT_FALSE(w.demes[1]->_kzero[1]);
  EXPECT_FALSE(w.demes[1]->_kzero[0]);  // inactive neighbour: never linked, never flagged

  w.demes[1]->_k = 1.0;
  set_kzero(&w.demes, &w.s);
  EXPECT_FALSE(w.demes[0]->_kzero[0]);
  w.demes[0]->_k = 0.0;
  set_kzero(&w.demes, &w.s);
  EXPECT_TRUE(w.demes[1]->_kzero[1]);
}

TEST(GridReset, GroupModeReturnsToGroupValuesAndClearsCarriedState) {
  testutil::LogCapture log;
  World w;
  w.grid(2, 1);
  w.s._all_pop_with_same_demo = 1;
  w.s._final_k_group = {80.0};
  w.s._growth_rate_group = {0.2f};
  w.s._mig_rate_group = {0.05f};
  w.s._init_k_deme[1] = 7.5;
  w.build();
  Tpop* d = w.demes[1];
  d->_k = 3.0;
  d->_r = 0.9f;
  d->_m = 0.9f;
  d->_size = 99.0;
  d->_next_size = 12.0;
  d->_growth_rest = 0.4f;
  d->_rest_unused = 0.2f;
  d->_emig_rest[2] = 0.3f;
  d->_n_immigrants = 4;
  d->_imm_alleles[2] = 6;
  d->_freq_mode = d->_freq_ready = d->_back_to_ind = true;
  d->_s = 0.25f;
  log.clear();
  reset_settings_in_pops(&w.demes, &w.s);
  EXPECT_EQ(log.text(), "Reset population settings...\n");
  EXPECT_DOUBLE_EQ(d->_k, 80.0);
  EXPECT_FLOAT_EQ(d->_r, 0.2f);
  EXPECT_FLOAT_EQ(d->_m, 0.05f);
  EXPECT_DOUBLE_EQ(d->_size, 7.5);
  EXPECT_EQ(d->_next_size, 0.0);
  EXPECT_EQ(d->_growth_rest, 0.0f);
  EXPECT_EQ(d->_rest_unused, 0.0f);
  EXPECT_EQ(d->_emig_rest[2], 0.0f);
  EXPECT_EQ(d->_n_immigrants, 0);
  EXPECT_EQ(d->_imm_alleles[2], 0);
  EXPECT_FALSE(d->_freq_mode || d->_freq_ready || d->_back_to_ind);
  EXPECT_FLOAT_EQ(d->_s, 0.25f);
  EXPECT_EQ(d->_nbr[1], 0);
}

TEST(GridAbcUpdate, LogsDrawnValuesWithKTruncated) {
  testutil::LogCapture log;
  World w;
  w.grid(2, 1);
  w.s._final_k_deme[1] = -1.0;
  w.build();
  w.s._init_k_deme[0] = 50.0;
  w.s._final_k_deme[0] = 100.9;
  w.s._growth_rate_deme[0] = 0.2f;
  w.s._mig_rate_deme[0] = 0.05f;
  w.s._samp_size_deme[0] = 10;
  w.s._init_k_deme[1] = 20.0;
  w.s._final_k_deme[1] = 30.0;  // a drawn K never reactivates a deme
  log.clear();
  updatepopfromsettings(&w.demes, &w.s);
  EXPECT_EQ(log.text(),
            "Generation 0: Structure 1 (ABC mode)\n"
            "Deme 1\tN0:50\tK:100\tr:0.2\tm:0.05\tGroup:1\tSample size:10\n"
            "Deme 2 is inactive\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 100.9);
  EXPECT_DOUBLE_EQ(w.demes[0]->_size, 50.0);
  EXPECT_TRUE(w.demes[1]->_inactive);
  EXPECT_DOUBLE_EQ(w.demes[1]->_k, 30.0);  // values still pushed
  EXPECT_DOUBLE_EQ(w.demes[1]->_size, 20.0);
}

TEST(GridAbcUpdate, GroupModeLineHasBlankBeforeTab) {
  testutil::LogCapture log;
  World w;
  w.grid(1, 1);
  w.s._all_pop_with_same_demo = 1;
  w.s._final_k_group = {70.0};
  w.s._growth_rate_group = {0.3f};
  w.s._mig_rate_group = {0.01f};
  w.build();
  log.clear();
  updatepopfromsettings(&w.demes, &w.s);
  EXPECT_EQ(log.text(),
            "Generation 0: Structure 1 (ABC mode)\n"
            "Deme 1 with \tN0:10\tK:70\tr:0.3\tm:0.01\tGroup:1\tSample size:5\n");
}

TEST(GridAbcUpdate, DrawnRouteRateReachesItsSlotOnly) {
  testutil::LogCapture log;
  World w;
  w.grid(3, 1);
  w.route(0, 1, 0.5f);
  w.route(2, 1, 0.0f);
  w.build();
  ASSERT_EQ(w.demes[2]->_nbr[1], -1);
  log.clear();
  w.s._modified_mig[0] = 0.0f;  // drawn 0: no emigrants on that slot, link kept
  w.s._modified_mig[1] = 0.8f;  // a route closed at start-up stays closed
  updatepopfromsettings(&w.demes, &w.s);
  EXPECT_EQ(w.demes[0]->_nbr[0], 1);
  EXPECT_FLOAT_EQ(w.demes[0]->_mig_factor[0], 0.0f);
  EXPECT_FLOAT_EQ(w.demes[1]->_mig_factor[0], -1.0f);
  EXPECT_FLOAT_EQ(w.demes[1]->_mig_factor[1], -1.0f);
  EXPECT_EQ(w.demes[2]->_nbr[1], -1);
  EXPECT_FLOAT_EQ(w.demes[2]->_mig_factor[1], 0.8f);
  EXPECT_EQ(w.demes[0]->_n_nbr, 1);
  // No route lines are logged again.
  EXPECT_EQ(log.text().find("Migration"), std::string::npos);
}

TEST(GridAbcUpdate, PerPoolAlleleCountStaysInsideTheTable) {
  Tsettings s;
  s._num_alleles_per_pool = 3;
  s._num_alleles = 12;  // total of 4 pools, no prior
  s._one_pool = 1;
  s._num_pop_groups = 4;
  EXPECT_EQ(abc_alleles_per_pool(&s, 12), 3);

  my_string prior("UNIFORM 2 5");
  float v = 0.0f;
  ASSERT_EQ(s.FillABC_db(prior, NUM_ALLELES, v), 1);
  s._num_alleles = 2;  // drawn
  EXPECT_EQ(abc_alleles_per_pool(&s, 12), 2);
  s._num_alleles = 5;  // 4 pools of 5 would pass the table of 12
  EXPECT_EQ(abc_alleles_per_pool(&s, 12), 3);
  s._num_alleles = 0;
  EXPECT_EQ(abc_alleles_per_pool(&s, 12), 1);
  s._one_pool = 0;
  s._num_alleles = 5;
  EXPECT_EQ(abc_alleles_per_pool(&s, 12), 5);

  s._one_pool = 1;
  s._num_alleles = 2;
  set_pool_allele_counts(&s, 12);
  EXPECT_EQ(Tgeno::_init_num_allele_per_grp, 2);
  EXPECT_EQ(Tgeno::_init_num_allele, 8);
}

TEST(GridHelpers, UnusedFamilyFunctions) {
  testutil::LogCapture log;
  std::vector<int> list = {4, 2};
  EXPECT_EQ(check_if_unactive(2, &list), 1);
  EXPECT_EQ(check_if_unactive(3, &list), 0);

  std::vector<int> froms = {0, 5};
  std::vector<int> tos = {1, 6};
  EXPECT_EQ(check_if_migrationisallowed(5, 6, &froms, &tos), 0);
  EXPECT_EQ(check_if_migrationisallowed(6, 5, &froms, &tos), 1);
  EXPECT_EQ(log.text(), "Migration not allowed from pop 6 to pop 7\n");

  Tsettings s;
  s._modified_mig = {0.2f, 0.7f, 0.9f};
  s._num_modified_mig = 3;
  setallmodifiedmigrvaluestothefirstone(&s);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.2f, 0.2f, 0.2f}));
}

TEST(GridHelpers, UpdateModifiedRoutesLogsInSlotOrder0132) {
  testutil::LogCapture log;
  World w;
  w.grid(3, 3);
  w.route(4, 1, 0.3f);  // slot 3
  w.route(4, 7, 0.2f);  // slot 2
  w.route(4, 3, 0.1f);  // slot 1
  w.build();
  log.clear();
  updatemodifiedmigrvalues(&w.demes, &w.s);
  EXPECT_EQ(log.text(),
            "\tMigration from deme 5 to deme 4 modified by 0.1 during the whole simulation\n"
            "\tMigration from deme 5 to deme 8 modified by 0.2 during the whole simulation\n"
            "\tMigration from deme 5 to deme 2 modified by 0.3 during the whole simulation\n"
            "\tGeneration 0: migration from deme 5 to deme 4 modified with by 0.1\n"
            "\tGeneration 0: migration from deme 5 to deme 2 modified with by 0.3\n"
            "\tGeneration 0: migration from deme 5 to deme 8 modified with by 0.2\n");
}

TEST(GridHelpers, CreatesIndsAndDrawAbcSettings) {
  World w;
  w.grid(2, 1);
  w.s._init_k_deme[1] = 4.9;
  w.s._init_freq = 1.0f;
  w.build(3);
  creates_inds(&w.demes, &w.s);
  ASSERT_NE(w.demes[1]->_current, nullptr);
  EXPECT_EQ(w.demes[1]->_current->size(), 4u);
  EXPECT_EQ((*w.demes[1]->_current)[0]->_allele1->_id, 0);

  // One pool per group, but a group beyond the pools the table holds: the
  // individuals still get alleles of the table, never none.
  w.s._one_pool = 1;
  w.s._init_freq = 0.0f;
  w.demes[1]->_group = 5;
  w.demes[0]->_group = 0;
  Tgeno::_init_num_allele_per_grp = 3;
  creates_inds(&w.demes, &w.s);
  for (const Tpop* d : w.demes) {
    for (const Tgeno* g : *d->_current) {
      ASSERT_NE(g->_allele1, nullptr);
      ASSERT_NE(g->_allele2, nullptr);
      EXPECT_LT(g->_allele1->_id, 3);
    }
  }

  w.s._num_alleles_per_pool = 3;
  my_string prior("UNIFORM 0.1 0.2");
  float v = 0.0f;
  ASSERT_EQ(w.s.FillABC_db(prior, MUTATION_RATE, v), 1);
  testutil::TempDir dir;
  {
    std::ofstream out("abc.txt");
    drawABCsettings(&w.s, &out, nullptr);
  }
  std::string row = testutil::read_file("abc.txt");
  EXPECT_EQ(row, std::string(w.s._abc_line.c_str()));
  EXPECT_EQ(row.size(), 9u);  // "0.1xxxxx\t"
  EXPECT_GE(w.s._mutation_rate, 0.1f);
  EXPECT_LE(w.s._mutation_rate, 0.2f);
  EXPECT_EQ(Tgeno::_init_num_allele_per_grp, 3);
}
