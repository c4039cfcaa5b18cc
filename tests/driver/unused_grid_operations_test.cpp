// The grid operations that exist beside the run but that no run calls.

#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "driver/grid.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

TEST(UnusedGridOperations, LookupsRoutesIndividualsAndDraw) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  std::vector<int> list = {4, 2};
  EXPECT_EQ(check_if_unactive(2, &list), 1);
  EXPECT_EQ(check_if_unactive(3, &list), 0);
  std::vector<int> froms = {0, 5}, tos = {1, 6};
  EXPECT_EQ(check_if_migrationisallowed(5, 6, &froms, &tos), 0);
  EXPECT_EQ(check_if_migrationisallowed(6, 5, &froms, &tos), 1);
  EXPECT_EQ(log.text(), "Migration not allowed from pop 6 to pop 7\n");

  // A 3 x 3 grid whose centre has a route in each slot; deme 2 has one
  // towards deme 1.
  Tsettings s;
  s._x_coordinate = s._y_coordinate = 3;
  s._num_pop = 9;
  s._num_pop_groups = 1;
  s._init_freq = 1.0f;
  for (int i = 0; i < 9; ++i) {
    s._init_k_deme.push_back(4.9);
    s._final_k_deme.push_back(100.0);
    s._growth_rate_deme.push_back(0.5f);
    s._mig_rate_deme.push_back(0.1f);
    s._group_deme.push_back(1);
    s._samp_size_deme.push_back(5);
  }
  s._modified_mig_from = {4, 4, 4, 4, 1};
  s._modified_mig_to = {1, 7, 3, 5, 0};
  s._modified_mig = {0.3f, 0.2f, 0.0f, 0.4f, 0.5f};  // 5 -> 4 closed
  s._num_modified_mig = 5;
  randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
  std::vector<Tallele*> alleles(3, nullptr);
  creates_alleles(&alleles, 3);
  Tgeno::_pallelevect = &alleles;
  Tgeno::_init_num_allele = Tgeno::_init_num_allele_per_grp = 3;
  std::vector<Tpop*> demes(9, nullptr);
  creates_pops(&demes, &s, 3);
  set_neighbours(&demes, &s);
  log.clear();
  updatemodifiedmigrvalues(&demes, &s);
  EXPECT_EQ(log.text(),
            "\tMigration from deme 2 to deme 1 modified by 0.5 during the whole simulation\n"
            "\tGeneration 0: migration from deme 2 to deme 1 modified with by 0.5\n"
            "\tMigration from deme 5 to deme 6 modified by 0.4 during the whole simulation\n"
            "\tMigration not allowed from deme 5 to deme 4\n"
            "\tMigration from deme 5 to deme 8 modified by 0.2 during the whole simulation\n"
            "\tMigration from deme 5 to deme 2 modified by 0.3 during the whole simulation\n"
            "\tGeneration 0: migration from deme 5 to deme 6 modified with by 0.4\n"
            "\tGeneration 0: migration from deme 5 to deme 4 modified with by 0\n"
            "\tGeneration 0: migration from deme 5 to deme 2 modified with by 0.3\n"
            "\tGeneration 0: migration from deme 5 to deme 8 modified with by 0.2\n");
  setallmodifiedmigrvaluestothefirstone(&s);
  EXPECT_EQ(s._modified_mig, std::vector<float>(5, 0.3f));

  s._init_k_deme[0] = -3.0;
  creates_inds(&demes, &s);
  creates_inds(&demes, &s);  // the second call replaces the first individuals
  EXPECT_EQ(demes[0]->_current->size(), 0u);
  EXPECT_EQ(demes[8]->_current->size(), 4u);
  EXPECT_EQ((*demes[8]->_current)[3]->_allele2->_id, 0);

  // The pools stay inside the start-up alleles, not the ones mutation adds.
  alleles.push_back(new Tallele(3));
  s._num_alleles_per_pool = 4;
  Tgeno::_init_num_allele_per_grp = 1;
  my_string prior("UNIFORM 0.1 0.2");
  float v = 0.0f;
  ASSERT_EQ(s.FillABC_db(prior, MUTATION_RATE, v), 1);
  {
    std::ofstream out("abc.txt");
    drawABCsettings(&s, &out, nullptr);
  }
  EXPECT_EQ(testutil::read_file("abc.txt"), std::string(s._abc_line.c_str()));
  EXPECT_TRUE(s._mutation_rate >= 0.1f && s._mutation_rate <= 0.2f);
  EXPECT_EQ(Tgeno::_init_num_allele_per_grp, 3);
  delete_pops_and_inds(&demes);
  delete_alleles(&alleles);
  gsl_rng_free(randomnumber);
  randomnumber = nullptr;
  Tgeno::_pallelevect = nullptr;
}
