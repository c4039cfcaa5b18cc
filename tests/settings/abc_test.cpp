#include <gtest/gtest.h>

#include <gsl/gsl_rng.h>

#include <fstream>
#include <string>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

namespace {

// Owns the run's generator for one test.
class Generator {
 public:
  explicit Generator(unsigned long seed) {
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, seed);
  }
  ~Generator() {
    gsl_rng_free(randomnumber);
    randomnumber = nullptr;
  }
};

void put(Tsettings& s, int slot, const char* prior) {
  my_string text(prior);
  float v = 0;
  ASSERT_EQ(s.FillABC_db(text, slot, v), 1) << prior;
}

std::string header(Tsettings& s, int group_mode) {
  testutil::TempDir dir;
  {
    std::ofstream out("tessarel_abc.txt");
    s.WriteSampledParametersHeader(&out, group_mode);
  }
  return testutil::read_file("tessarel_abc.txt");
}

std::string line(Tsettings& s) { return std::string(s._abc_line.c_str()); }

}  // namespace

TEST(AbcHeader, LabelsOfTheThreeBlocks) {
  Tsettings s;
  s._num_pop_struct = 1;
  put(s, 25, "UNIFORM 1 2");  // N0 of deme 0
  put(s, 34, "UNIFORM 0 1");  // m of deme 1
  EXPECT_EQ(header(s, 0), "INIT_K_DEME_1\tMIG_RATE_DEME_2\t");
  EXPECT_EQ(header(s, 1), "INIT_K_DEME_1\tMIG_RATE_GROUP_2\t");

  Tsettings t;
  t._num_pop_struct = 3;
  put(t, 2, "UNIFORM 1 2");
  put(t, 8, "UNIFORM_DISCRETE 0 2");
  put(t, 26, "UNIFORM 1 2");  // interval before structure 3, first structure slot met
  put(t, 3 + 24 + 6 + 1, "UNIFORM 1 2");
  put(t, 3 + 24 + 12 + 2, "UNIFORM 0 1");
  EXPECT_EQ(header(t, 0),
            "NUM_GENERATIONS\tNAME_NOT_KNOWN\tPOP_STRUCT_1\tFINAL_K_DEME_2\tGROWTH_RATE_DEME_3\t");
  EXPECT_EQ(header(t, 1),
            "NUM_GENERATIONS\tNAME_NOT_KNOWN\tPOP_STRUCT_1\tFINAL_K_GROUP_2\tGROWTH_RATE_GROUP_3\t");

  // Route priors follow the table, labelled by their route number.
  my_string route("UNIFORM 0.1 0.2");
  float v = 0;
  s._modified_mig = {0.5f, 0.5f, 0.5f};
  ASSERT_EQ(s.FillRoutePrior(route, 2, v), 1);
  EXPECT_EQ(header(s, 0), "INIT_K_DEME_1\tMIG_RATE_DEME_2\tMODIFIEDMIG_3\t");
}

TEST(AbcDraw, StructureIntervalsAddUp) {
  Generator g(1);
  Tsettings s;
  s._num_pop_struct = 3;
  s._pop_struct = {0, 100, 250};
  put(s, 25, "UNIFORM 10.7 10.7");
  put(s, 26, "UNIFORM 20.2 20.2");
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 10, 30}));
  EXPECT_EQ(line(s), "10\t20\t");
}

TEST(AbcDraw, ValueTextsAndStoredTypes) {
  Generator g(2);
  Tsettings s;
  s._num_pop_struct = 1;
  s._init_k_deme = {0, 0};
  s._final_k_deme = {0, 0};
  s._mig_rate_deme = {0, 0};
  s._num_alleles_per_pool = 4;
  put(s, 3, "UNIFORM 7.9 7.9");
  put(s, 4, "UNIFORM 1 1");
  put(s, 6, "UNIFORM 0.0000004 0.0000004");
  put(s, 25, "UNIFORM 153.7 153.7");         // N0 of deme 0
  put(s, 26, "UNIFORM 80.5 80.5");           // K of deme 0
  put(s, 1 + 24 + 6 + 3, "UNIFORM 0.25 0.25");  // m of deme 1
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  EXPECT_EQ(line(s), "7\t1.000000\t0.000000\t153\t80\t0.250000\t");
  EXPECT_EQ(s._num_alleles, 7);
  EXPECT_EQ(s._num_alleles_per_pool, 4);  // a NUM_ALLELES draw touches only _num_alleles
  EXPECT_EQ(s._one_pool, 1);
  EXPECT_FLOAT_EQ(s._mutation_rate, 0.0000004f);
  EXPECT_EQ(s._init_k_deme[0], static_cast<double>(153.7f));
  EXPECT_EQ(s._final_k_deme[0], 80.5);
  EXPECT_EQ(s._mig_rate_deme[1], 0.25f);

  // A new draw replaces the line.
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  EXPECT_EQ(line(s), "7\t1.000000\t0.000000\t153\t80\t0.250000\t");
}

TEST(AbcDraw, LongTextsAreWrittenWhole) {
  Generator g(3);
  Tsettings s;
  put(s, 6, "UNIFORM 10000000000000 10000000000000");
  put(s, 7, "UNIFORM -300000000000 -300000000000");
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  EXPECT_EQ(line(s), "9999999827968.000000\t-299999985664.000000\t");
}

TEST(AbcDraw, DrawOrderIsSlotsThenRoutes) {
  Tsettings s;
  s._num_pop_struct = 1;
  s._modified_mig = {0.9f, 0.9f};
  put(s, 2, "UNIFORM 100 200");
  put(s, 6, "UNIFORM 0 1");
  my_string route("UNIFORM 0.1 0.3");
  float v = 0;
  ASSERT_EQ(s.FillRoutePrior(route, 1, v), 1);

  gsl_rng* twin = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(twin, 77);
  const float u1 = static_cast<float>(gsl_rng_uniform(twin));
  const float u2 = static_cast<float>(gsl_rng_uniform(twin));
  const float u3 = static_cast<float>(gsl_rng_uniform(twin));
  gsl_rng_free(twin);

  Generator g(77);
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  const float gens = (200.0f - 100.0f) * u1 + 100.0f;
  const float rate = (0.3f - 0.1f) * u3 + 0.1f;
  EXPECT_EQ(s._num_generations, static_cast<int>(gens));
  EXPECT_EQ(s._mutation_rate, (1.0f - 0.0f) * u2 + 0.0f);
  EXPECT_EQ(s._modified_mig[0], 0.9f);  // only the route that carries the prior changes
  EXPECT_EQ(s._modified_mig[1], rate);
  char expected[200];
  std::snprintf(expected, sizeof(expected), "%d\t%f\t%f\t", static_cast<int>(gens),
                static_cast<double>(s._mutation_rate), static_cast<double>(rate));
  EXPECT_EQ(line(s), expected);
}

TEST(AbcDraw, EntriesWithoutTargetAreDrawnButStoredNowhere) {
  Generator g(4);
  Tsettings s;
  s._num_pop_struct = 1;
  s._all_pop_with_same_demo = 1;
  s._final_k_group = {10};
  s._final_k_deme = {1, 2};
  s._growth_rate_group = {0.5f};
  put(s, 1 + 24 + 6 + 1, "UNIFORM 50 50");   // K of group 2, which does not exist
  put(s, 1 + 24 + 12 + 2, "UNIFORM 0.7 0.7");  // r of group 3 / deme 2
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  EXPECT_EQ(line(s), "50\t0.700000\t");
  EXPECT_EQ(s._final_k_group, (std::vector<double>{10}));
  EXPECT_EQ(s._final_k_deme, (std::vector<double>{1, 2}));
  EXPECT_EQ(s._growth_rate_group, (std::vector<float>{0.5f}));
}

TEST(AbcDraw, UnusablePriorsStopTheDrawWithoutDrawing) {
  Tsettings s;
  put(s, 2, "UNIFORM 5 5");
  my_string bad("NORMAL 0 1");
  float v = 0;
  EXPECT_EQ(s.FillABC_db(bad, 6, v), 0);
  put(s, 7, "UNIFORM 0 1");

  gsl_rng* twin = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(twin, 5);
  gsl_rng_uniform(twin);  // the one draw of slot 2
  const unsigned long next = gsl_rng_get(twin);
  gsl_rng_free(twin);

  Generator g(5);
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 0);
  EXPECT_EQ(line(s), "5\t");
  EXPECT_EQ(gsl_rng_get(randomnumber), next);
}

TEST(AbcDraw, KeysWithoutMember) {
  Generator g(6);
  Tsettings s;
  put(s, 2, "UNIFORM 5 5");
  put(s, 20, "UNIFORM 1 1");
  put(s, 22, "UNIFORM 1 1");
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 0);
  EXPECT_EQ(line(s), "5\t");
  EXPECT_EQ(s._all_pop_with_same_demo, 0);

  float value = 3.0f;
  s._modified_mig = {0.1f, 0.2f};
  s._pop_struct = {0, 40};
  EXPECT_EQ(s.ChangeOneSettingValue(UNACTIVEDEME, value, 0, 0), 0);
  EXPECT_EQ(s.ChangeOneSettingValue(GROUP_DEME, value, 0, 0), 0);
  EXPECT_EQ(s.ChangeOneSettingValue(static_cast<SETTINGS>(40), value, 0, 0), 0);
  value = 0.5f;
  EXPECT_EQ(s.ChangeOneSettingValue(MODIFIEDMIG, value, 1, 0), 1);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.1f, 0.5f}));
  value = 7.0f;
  EXPECT_EQ(s.ChangeOneSettingValue(MODIFIEDMIG, value, 5, 0), 1);  // no such route: nothing
  EXPECT_EQ(s.ChangeOneSettingValue(POP_STRUCT, value, 0, 1), 1);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 7}));
  EXPECT_EQ(s.ChangeOneSettingValue(POP_STRUCT, value, 0, 0), 1);  // structure 1 stays at 0
  EXPECT_EQ(s._pop_struct[0], 0);
  value = 3e10f;
  EXPECT_EQ(s.ChangeOneSettingValue(NUM_SIMULATIONS, value, 0, 0), 1);
  EXPECT_EQ(s._num_simulations, 2147483647);
}

TEST(AbcDraw, EveryOccupiedSlotGivesOneText) {
  Generator g(8);
  Tsettings s;
  s._num_pop_struct = 2;
  s._pop_struct = {0, 10};
  s._init_k_deme.assign(13, 0);
  s._final_k_deme.assign(13, 0);
  s._growth_rate_deme.assign(13, 0);
  s._mig_rate_deme.assign(13, 0);
  int occupied = 0;
  for (int i = 2; i < 100; ++i) {
    if (i == 20 || i == 11 || i == 12 || i == 17 || i == 24) continue;
    if (i <= 24 && i != 2 && i != 3 && i != 5 && i != 6 && i != 7) continue;
    const int c = i >= 26 ? (i - 26) % 6 : 0;
    if (c >= 4) continue;
    put(s, i, "UNIFORM 0 1");
    ++occupied;
  }
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  const std::string text = line(s);
  int tabs = 0;
  for (char ch : text) tabs += ch == '\t';
  EXPECT_EQ(tabs, occupied);
}
