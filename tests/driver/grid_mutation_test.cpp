#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/mutation_step.h"
#include "driver/tessarel.h"
#include "grid_fixture.h"
#include "test_util.h"

using gridtest::World;

namespace {

int count_lines_starting(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) ++n;
  }
  return n;
}

// Gives every deme n individuals whose alleles are both allele 0.
void populate(World& w, int n) {
  for (Tpop* d : w.demes) {
    d->delete_ind_vector();
    d->create_ind_vector(n, 0, 1.0f);
  }
}

}  // namespace

TEST(GridMutationStep, WithoutIntermediateOutputEveryMutationIsANewAllele) {
  World w;
  w.grid(2, 1);
  w.build(3);
  populate(w, 10);
  w.s._mutation_rate = 1.0f;  // every trial succeeds
  testutil::LogCapture log;
  Add_mutation(&w.demes, &w.alleles, &w.s);
  ASSERT_EQ(w.alleles.size(), 23u);
  for (std::size_t i = 0; i < w.alleles.size(); ++i) EXPECT_EQ(w.alleles[i]->_id, static_cast<int>(i));
  std::string text = log.text();
  EXPECT_EQ(count_lines_starting(text, "A new mutation a"), 20);
  // The first mutation always meets an individual of allele 0.
  EXPECT_EQ(text.substr(0, text.find('\n') + 1),
            "A new mutation a4 appears in population 1 with a frequency equal to 0.05 (former allele = a1)\n");
  EXPECT_NE(text.find("A new mutation a14 appears in population 2 with"), std::string::npos);

  // A deme entering frequency mode gets a zero slot for every allele added
  // while it kept individuals.
  Tpop* d = w.demes[0];
  d->_size = 11.0;
  switch_mode(d, 0, 10, 3, w.alleles.size());
  ASSERT_TRUE(d->_freq_mode);
  EXPECT_EQ(d->_freq, std::vector<float>(23, 0.0f));
  EXPECT_TRUE(d->_gam1 == d->_freq && d->_gam2 == d->_freq);
  EXPECT_EQ(d->_imm_alleles, std::vector<int>(23, 0));
}

TEST(GridMutationStep, DrawsComeFromTheRightNumberOfTrials) {
  // A deme without individuals and a frequency-mode deme below size 1 make
  // no draw at all.
  World w(11);
  w.grid(2, 1);
  w.build(2);
  populate(w, 0);
  w.demes[1]->_freq_mode = w.demes[1]->_freq_ready = true;
  w.demes[1]->_size = 0.9;
  w.s._mutation_rate = 0.5f;
  Add_mutation(&w.demes, &w.alleles, &w.s);
  gsl_rng* fresh = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(fresh, 11);
  EXPECT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(fresh));

  // A frequency-mode deme of size 3.7 makes 3 trials, then one draw per
  // mutation; with a rate of 0 nothing else is drawn.
  World f(12);
  f.grid(1, 1);
  f.build(2);
  f.demes[0]->_freq_mode = f.demes[0]->_freq_ready = true;
  f.demes[0]->_size = 3.7;
  f.s._mutation_rate = 1e-9f;
  Add_mutation(&f.demes, &f.alleles, &f.s);
  gsl_rng_set(fresh, 12);
  for (int i = 0; i < 3; ++i) gsl_rng_get(fresh);
  EXPECT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(fresh));
  EXPECT_EQ(f.alleles.size(), 2u);
  gsl_rng_free(fresh);
}

TEST(GridMutationStep, ReusesALostAlleleThenCreatesANewOne) {
  World w;
  w.grid(2, 1);
  w.build(5);
  w.s._intermediate_output = 1;
  w.s._mutation_rate = 1.0f;
  populate(w, 0);
  Tpop* d = w.demes[0];
  d->_freq_mode = d->_freq_ready = true;
  d->_size = 2.0;  // two trials, two mutations
  d->_freq = {0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 3; ++i) w.alleles[static_cast<std::size_t>(i)]->_count = 4.0;
  // Alleles 3 and 4 are lost; 3 is the first candidate.
  testutil::LogCapture log;
  Add_mutation(&w.demes, &w.alleles, &w.s);
  std::string text = log.text();
  ASSERT_EQ(w.alleles.size(), 6u);  // the second mutation did not try allele 4
  EXPECT_EQ(count_lines_starting(text, "A new mutation a4 appears in population 1 with a frequency equal to 0.25"), 1);
  EXPECT_EQ(count_lines_starting(text, "A new mutation a6 appears in population 1 with a frequency equal to 0.25"), 1);
  // The frequency-mode deme reads its arrays: they have a slot per allele.
  for (std::size_t n : {d->_freq.size(), d->_gam1.size(), d->_gam2.size(), d->_imm_alleles.size()}) ASSERT_EQ(n, 6u);
  EXPECT_FLOAT_EQ(d->_freq[3], 0.25f);
  EXPECT_FLOAT_EQ(d->_freq[5], 0.25f);
}

TEST(GridMutationStep, IndividualModeKeepsCopyCountsAndReportsIdentity) {
  World w;
  w.grid(1, 1);
  w.build(2);
  w.s._intermediate_output = 1;
  w.s._mutation_rate = 1.0f;
  Tpop* d = w.demes[0];
  d->delete_ind_vector();
  d->create_ind_vector(0, 0, 0.0f);
  d->_current->push_back(new Tgeno(1, 1));
  w.alleles[0]->_count = 3.0;
  w.alleles[1]->_count = 0.0;  // candidate, carried by the only individual
  testutil::LogCapture log;
  Add_mutation(&w.demes, &w.alleles, &w.s);
  EXPECT_EQ(log.text(),
            "A new mutation a2 appears in population 1ERROR: New allele is identical to an existing one!\n"
            " with a frequency equal to 0.5 (former allele = a2)\n");
  EXPECT_EQ(w.alleles.size(), 2u);
  EXPECT_EQ(w.alleles[1]->_count, 0.0);

  // A real change moves one copy from the former to the new allele, so the
  // new allele is not the candidate of the next mutation.
  World v;
  v.grid(1, 1);
  v.build(3);
  v.s._intermediate_output = 1;
  v.s._mutation_rate = 1.0f;
  Tpop* e = v.demes[0];
  e->delete_ind_vector();
  e->create_ind_vector(0, 0, 0.0f);
  e->_current->push_back(new Tgeno(0, 0));
  e->_current->push_back(new Tgeno(0, 0));
  v.alleles[0]->_count = 4.0;
  v.alleles[1]->_count = 0.0;
  v.alleles[2]->_count = 0.0;
  testutil::LogCapture log2;
  Add_mutation(&v.demes, &v.alleles, &v.s);
  ASSERT_EQ(v.alleles.size(), 3u);
  EXPECT_EQ(v.alleles[2]->_count, 1.0);
  EXPECT_EQ(v.alleles[0]->_count + v.alleles[1]->_count, 3.0);
  EXPECT_EQ(count_lines_starting(log2.text(), "A new mutation a2 appears in population 1 with a frequency equal to 0.25 (former allele = a1)"), 1);
  EXPECT_EQ(count_lines_starting(log2.text(), "A new mutation a3 appears in population 1 with a frequency equal to 0.25"), 1);
}

TEST(GridMutationStep, InactiveDemesMutateToo) {
  World w;
  w.grid(2, 1);
  w.s._final_k_deme[1] = -1.0;
  w.build(2);
  populate(w, 3);
  w.s._mutation_rate = 1.0f;
  testutil::LogCapture log;
  Add_mutation(&w.demes, &w.alleles, &w.s);
  EXPECT_EQ(count_lines_starting(log.text(), "A new mutation a"), 6);
  EXPECT_NE(log.text().find("appears in population 2 with"), std::string::npos);
}
