// Whole-log checks of a full reading: the parameter file is written out line
// by line here (not through the shared fixture), so a slip in the line layout
// cannot hide in both the reader and its test.
#include <gtest/gtest.h>

#include <gsl/gsl_rng.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

namespace {

// The 24 numbered lines of a parameter file, then the structure list.
std::string param_file(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// Reads the files of the current folder the way the run does: the caller's
// progress text stays open on its line until the reader's echo.
std::string read_run(Tsettings& s, testutil::LogCapture& log) {
  AOS << "Reading parameters...";
  std::ifstream in("tessarel_param.txt");
  in >> s;
  s.check_parameters_validity();
  return log.text();
}

}  // namespace

// Per-deme mode without priors: a fixed-value message right behind the
// progress text, a model line closed by the next empty line (gradient 3),
// two routes (one out of the grid), a comment glued to a token, a structure
// file whose records do not stand one per line, then the error report.
TEST(WholeLog, PerDemeModeWithRoutesAndErrorReport) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  testutil::write_file("tessarel_param.txt",
                       param_file({"number of simulations, then of generations",
                                   "*UNIFORM 1 10",         // 2: fixed only
                                   "100 //generations",     // 3
                                   "alleles, pools, frequency, mutation",
                                   "3",                     // 5
                                   "2",                     // 6: one pool
                                   "0.25",                  // 7
                                   "1.5e-7",                // 8
                                   "selection",
                                   "0",                     // 10: stored as 1
                                   "3",                     // 11: no gradient text
                                   "0.1",                   // 12
                                   "0.2",                   // 13
                                   "0.3",                   // 14
                                   "output",
                                   "1",                     // 16
                                   "world",
                                   "3",                     // 18
                                   "1",                     // 19
                                   "2",                     // 20
                                   "0",                     // 21
                                   "2",                     // 22
                                   "(0,5,0.2)",             // 23: first route token
                                   "x and free text",       // second token, then ignored
                                   "2",                     // 24
                                   "1 0 2",
                                   "100"}));
  testutil::write_file("tessarel_structure_1.txt",
                       "N0 K r m group sample\n"
                       "\n"
                       "100 1000 0.5 0.1 2 20 0 -1\n"
                       "0 0 1 0\n"
                       "0.1 1234567.8 0.25 0.05//glued 3 1\n");
  Tsettings s;
  const std::string text = read_run(s, log);
  EXPECT_EQ(text,
            "Reading parameters...ERROR: the parameter 1 must be given fixed values!\n"
            "\n"
            "\n"
            "\tGENERAL SETTINGS\n"
            "\tSimulations: 0\n"
            "\tGenerations: 100\n"
            "\n"
            "\tSELECTION SETTINGS\n"
            "\tSelection model: (SOS)\n"
            "\tOUTPUT SETTINGS\n"
            "\tOutput allele frequencies\n"
            "\n"
            "\tGENETIC SETTINGS\n"
            "\tTotal number of initial alleles: 3 in 1 ancestral pool\n"
            "\tInitial Frequenc for allele number 1: 0.25\n"
            "\tMutation rate: 1.5e-07\n"
            "\n"
            "\tVIRTUAL WORLD STRUCTURE\n"
            "\tVirtual area is 3 (longitudinal) by 1 (latitudinal), total 3 demes\n"
            "\tGroup of demes: 2\n"
            "\tAll demes with same parameters: 0\n"
            "\t2 modified Routes: 0->5,0->0\n"
            "\tNum of structures: 2\n"
            "\tGeneration 0: Structure 1\n"
            "\tDeme 1\tN0:100 \tK:1000 \tr:0.5 \tm:0.1 \tGroup:2 \tSample size:20\n"
            "\tDeme 2 is inactive\n"
            "\tDeme 3\tN0:0.1 \tK:1.23457e+06 \tr:0.25 \tm:0.05 \tGroup:3 \tSample size:1\n"
            "\n"
            "\tERROR: at least one of the removed migration is wrong!\n"
            "\n"
            "\tERROR: At least one population group index is wrong, check it !!!\n");
  EXPECT_EQ(s._errors, (std::vector<int>{1, 5}));
  EXPECT_EQ(s._num_simulations, 0);
  EXPECT_EQ(s._selection_model, 1);
  EXPECT_EQ(s._selection_gradient, 3);
  EXPECT_EQ(s._intermediate_output, 1);
  EXPECT_EQ(s._modified_mig_from, (std::vector<int>{-1, -1}));
  EXPECT_EQ(s._modified_mig_to, (std::vector<int>{4, -1}));
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.2f, 0.0f}));
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 100}));
  EXPECT_EQ(s._final_k_deme, (std::vector<double>{1000, -1, static_cast<double>(1234567.8f)}));
  EXPECT_EQ(s._init_k_deme[2], static_cast<double>(0.1f));
  EXPECT_EQ(s._group_deme, (std::vector<int>{2, 1, 3}));
  EXPECT_FALSE(s._abc_mode);
}

// Group mode in ABC mode: priors on numbered lines, on line 5, in a route,
// in the structure list, in both structure files; a fixed-value message of
// line 16 behind the progress text and one of a sample-size column before
// the (suppressed) deme lines. Then the header and one draw, value by value.
TEST(WholeLog, GroupModeWithPriorsHeaderAndOneDraw) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  testutil::write_file("tessarel_param.txt",
                       param_file({"simulations and generations",
                                   "10",
                                   "*UNIFORM 100 1000 //generations",
                                   "genetics",
                                   "*UNIFORM_DISCRETE 2 4",
                                   "1",
                                   "*UNIFORM(0.1/0.9)",
                                   "0.001",
                                   "selection",
                                   "2",
                                   "0",
                                   "*LOG_UNIFORM/0.001/0.1",
                                   "0",
                                   "0",
                                   "output",
                                   "*UNIFORM 0 1",
                                   "world",
                                   "2",
                                   "2",
                                   "2",
                                   "1",
                                   "1",
                                   "(1,4,*UNIFORM/0.01/0.02) route with a prior",
                                   "3",
                                   "1 0",
                                   "2 *UNIFORM/10/20",
                                   "3 250//last"}));
  // S = 3: deme d's columns start at slot 27 + 6d.
  testutil::write_file("tessarel_structure_1.txt",
                       "h1\nh2\n"
                       "100 *UNIFORM/500/600 0.5 0.1 1 10\n"  // K: slot 28
                       "50 -1 0.5 0.1 2 *UNIFORM/1/2\n"      // sample size: slot 38
                       "0 0 0 0 2 0\n"
                       "-0.5 10 0.2 0.2 1 5\n");
  testutil::write_file("tessarel_alldemes_1.txt",
                       "K r m\n"
                       "*UNIFORM/700/800 0.3 0.05\n"  // slot 28 again
                       "-1 0 0\n");
  Tsettings s;
  const std::string text = read_run(s, log);
  EXPECT_EQ(text,
            "Reading parameters...ERROR: the parameter 13 must be given fixed values!\n"
            "\n"
            "\n"
            "\tGENERAL SETTINGS\n"
            "\tSimulations: 10\n"
            "\tGenerations: 1000\n"
            "\n"
            "\tSELECTION SETTINGS\n"
            "\tSelection model: (FDS) => Homogeneous selection rate = 0.1\n"
            "\n"
            "\tOUTPUT SETTINGS\n"
            "\tNo allele frequency output\n"
            "\n"
            "\tGENETIC SETTINGS\n"
            "\tTotal number of initial alleles: 8 in 2 ancestral pools\n"
            "\tInitial Frequenc for allele number 1: 0.9\n"
            "\tMutation rate: 0.001\n"
            "\n"
            "\tVIRTUAL WORLD STRUCTURE\n"
            "\tVirtual area is 2 (longitudinal) by 2 (latitudinal), total 4 demes\n"
            "\tGroup of demes: 2\n"
            "\tAll demes with same parameters: 1\n"
            "\t1 modified Routes: 1->4\n"
            "\tNum of structures: 3\n"
            "ERROR: the parameter 38 must be given fixed values!\n"
            "\tDeme 2 is inactive\n"
            "\tDeme 4 is inactive\n"
            "\n"
            "\tGeneration 0: modification of deme demography through tessarel_alldemes_1.txt :\n"
            "\tAll demes belonging to group 1 are modified as follow:  new K = 800  new r = 0.3  new m = 0.05\n"
            "\tGroup of populations 2 is inactive\n"
            "\n");
  // Three valid deme records and two valid group records cover the 4 demes.
  EXPECT_TRUE(s._errors.empty());
  EXPECT_TRUE(s._abc_mode);
  EXPECT_FALSE(s._abc_error);
  EXPECT_EQ(s._num_alleles, 8);
  EXPECT_EQ(s._num_alleles_per_pool, 4);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 20, 250}));
  EXPECT_EQ(s._final_k_deme[0], 600.0);
  EXPECT_EQ(s._samp_size_deme[1], 0);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.02f}));
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(s._abc_db[i] != nullptr, i == 2 || i == 3 || i == 5 || i == 7 || i == 25 || i == 28)
        << i;
  ASSERT_NE(s._abc_db[28], nullptr);
  EXPECT_EQ(s._abc_db[28]->_params, (std::vector<float>{700.0f, 800.0f}));

  {
    std::ofstream out("tessarel_abc.txt");
    s.WriteSampledParametersHeader(&out, 1);
  }
  EXPECT_EQ(testutil::read_file("tessarel_abc.txt"),
            "NUM_GENERATIONS\tNUM_ALLELES\tINIT_FREQ\tSELECTION_RATE\tPOP_STRUCT_1\t"
            "FINAL_K_GROUP_1\tMODIFIEDMIG_1\t");

  // One uniform per prior, in slot order, the route last.
  gsl_rng* twin = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(twin, 2024);
  double u[7];
  for (double& x : u) x = gsl_rng_uniform(twin);
  gsl_rng_free(twin);
  const float gens = (1000.0f - 100.0f) * static_cast<float>(u[0]) + 100.0f;
  const float alleles = static_cast<float>(
      static_cast<int>((5.0f - 2.0f) * static_cast<float>(u[1]) + 2.0f));
  const float freq = (0.9f - 0.1f) * static_cast<float>(u[2]) + 0.1f;
  const double lmin = std::log10(static_cast<double>(0.001f));
  const double lmax = std::log10(static_cast<double>(0.1f));
  const float e = static_cast<float>(lmin + u[3] * (lmax - lmin));
  const float sel = static_cast<float>(std::pow(10.0, static_cast<double>(e)));
  const float interval = (20.0f - 10.0f) * static_cast<float>(u[4]) + 10.0f;
  const float k = (800.0f - 700.0f) * static_cast<float>(u[5]) + 700.0f;
  const float rate = (0.02f - 0.01f) * static_cast<float>(u[6]) + 0.01f;

  randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(randomnumber, 2024);
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 1);
  gsl_rng_free(randomnumber);
  randomnumber = nullptr;

  char expected[400];
  std::snprintf(expected, sizeof(expected), "%d\t%d\t%f\t%f\t%d\t%d\t%f\t", static_cast<int>(gens),
                static_cast<int>(alleles), static_cast<double>(freq), static_cast<double>(sel),
                static_cast<int>(interval), static_cast<int>(k), static_cast<double>(rate));
  EXPECT_EQ(std::string(s._abc_line.c_str()), expected);
  EXPECT_EQ(s._num_generations, static_cast<int>(gens));
  EXPECT_EQ(s._num_alleles, static_cast<int>(alleles));
  EXPECT_EQ(s._num_alleles_per_pool, 4);
  EXPECT_EQ(s._init_freq, freq);
  EXPECT_EQ(s._selection_rate, sel);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, static_cast<int>(interval), 250}));
  EXPECT_EQ(s._final_k_group[0], static_cast<double>(k));
  EXPECT_EQ(s._final_k_deme[0], 600.0);  // the group slot draws into the group vector
  EXPECT_EQ(s._modified_mig[0], rate);
}

// Fixed-value messages of lines 22 and 24 fall around the routes line; a
// fixed-value S keeps 0 and ends the reading with code 7.
TEST(WholeLog, MessagesOfLines22And24AndCode7) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  testutil::write_file("tessarel_param.txt",
                       param_file({"", "1", "1", "", "1", "0", "0", "0", "", "1", "0", "0", "0", "0",
                                   "", "0", "", "1", "1", "1", "0", "*UNIFORM 1 2",
                                   "ignored", "*UNIFORM 1 3", "1 0"}));
  Tsettings s;
  const std::string text = read_run(s, log);
  EXPECT_EQ(text,
            "Reading parameters...\n"
            "\n"
            "\tGENERAL SETTINGS\n"
            "\tSimulations: 1\n"
            "\tGenerations: 1\n"
            "\n"
            "\tSELECTION SETTINGS\n"
            "\tSelection model: (SOS) => Homogeneous selection rate = 0\n"
            "\n"
            "\tOUTPUT SETTINGS\n"
            "\tNo allele frequency output\n"
            "\n"
            "\tGENETIC SETTINGS\n"
            "\tTotal number of initial alleles: 1 in 1 ancestral pool\n"
            "\tMutation rate: 0\n"
            "\n"
            "\tVIRTUAL WORLD STRUCTURE\n"
            "\tVirtual area is 1 (longitudinal) by 1 (latitudinal), total 1 demes\n"
            "\tGroup of demes: 1\n"
            "\tAll demes with same parameters: 0\n"
            "ERROR: the parameter 19 must be given fixed values!\n"
            "\t0 modified Routes: \n"
            "ERROR: the parameter 24 must be given fixed values!\n"
            "\n"
            "\tERROR: At least one population structure must be define!!!\n");
  EXPECT_EQ(s._errors, (std::vector<int>{7}));
}

// A missing structure file stops the reading after the structure list: code 6
// only, although the model and the frequency are wrong too.
TEST(WholeLog, MissingStructureFile) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  testutil::write_file("tessarel_param.txt",
                       param_file({"", "1", "1", "", "1", "0", "2", "0", "", "7", "2", "0", "0.5",
                                   "0.25", "", "0", "", "1", "1", "1", "0", "0", "", "1",
                                   "1 0"}));
  Tsettings s;
  const std::string text = read_run(s, log);
  // Model 7 has no model text; the gradient text still follows.
  EXPECT_EQ(text,
            "Reading parameters...\n"
            "\n"
            "\tGENERAL SETTINGS\n"
            "\tSimulations: 1\n"
            "\tGenerations: 1\n"
            "\n"
            "\tSELECTION SETTINGS\n"
            " => Longitudinal gradient from 0.5 in the East to 0.25 in the West\n"
            "\n"
            "\tOUTPUT SETTINGS\n"
            "\tNo allele frequency output\n"
            "\n"
            "\tGENETIC SETTINGS\n"
            "\tTotal number of initial alleles: 1 in 1 ancestral pool\n"
            "\tInitial Frequenc for allele number 1: 2\n"
            "\tMutation rate: 0\n"
            "\n"
            "\tVIRTUAL WORLD STRUCTURE\n"
            "\tVirtual area is 1 (longitudinal) by 1 (latitudinal), total 1 demes\n"
            "\tGroup of demes: 1\n"
            "\tAll demes with same parameters: 0\n"
            "\t0 modified Routes: \n"
            "\tNum of structures: 1\n"
            "\tGeneration 0: Structure 1\n"
            "\n"
            "\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!\n");
  EXPECT_EQ(s._errors, (std::vector<int>{6}));
}
