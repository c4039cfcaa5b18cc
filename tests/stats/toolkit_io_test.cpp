#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "stats/toolkit_io.h"
#include "support/my_cstring.h"
#include "test_util.h"

namespace {

using testutil::LogCapture;
using testutil::TempDir;
using testutil::write_file;

TEST(ToolkitNames, PlainDecimalNumbers) {
  EXPECT_EQ(create_output_file_name(7), "tessarel_abc_7.txt");
  EXPECT_EQ(create_output_generation_file_name(0, 12), "generation0_Pop12.freq");
  EXPECT_EQ(create_output_generation_file_name(500, 1), "generation500_Pop1.freq");
  EXPECT_EQ(create_freq_file_name(-3), "lactase_gen-3.freq");
  EXPECT_EQ(create_freq_file_name(10), "lactase_gen10.freq");
}

// ---------------------------------------------------------------------------
// Summaries
// ---------------------------------------------------------------------------

TEST(ToolkitSummaries, SmallAndEmptyVectors) {
  std::vector<float> v = {0.1f, 0.5f, 0.9f};
  float mean = -1, sd = -1;
  int lost = -1, fixed = -1;
  stat_whole_freq_vect(&v, mean, sd, lost, fixed);
  EXPECT_NEAR(mean, 0.5f, 1e-6);
  EXPECT_NEAR(sd, 0.4f, 1e-6);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(fixed, 0);

  std::vector<float> one = {0.7f};
  mean_and_stdE(&one, mean, sd);
  EXPECT_EQ(mean, 0.7f);
  EXPECT_EQ(sd, 0.0f);

  std::vector<float> none;
  mean_and_stdE(&none, mean, sd);
  EXPECT_EQ(mean, 0.0f);
  EXPECT_EQ(sd, 0.0f);

  // An empty vector sets only the counts.
  mean = 0.25f;
  sd = 0.5f;
  stat_whole_freq_vect(&none, mean, sd, lost, fixed);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(fixed, 0);
  EXPECT_EQ(mean, 0.25f);
  EXPECT_EQ(sd, 0.5f);
}

TEST(ToolkitSummaries, PositiveValues) {
  LogCapture log;
  std::vector<float> v = {0.0f, 1.0f, 0.5f};
  int npos = 0;
  float mean = 0, sd = 0;
  positiveFreq_vector(&v, npos, mean, sd);
  EXPECT_EQ(npos, 2);
  EXPECT_EQ(mean, 0.75f);
  EXPECT_EQ(log.text(), " Inside positiveFreq_vector function...\n");

  std::vector<float> single = {0.0f, 0.3f};
  positiveFreq_vector(&single, npos, mean, sd);
  EXPECT_EQ(npos, 1);
  EXPECT_EQ(mean, 0.3f);
  EXPECT_EQ(sd, 0.0f);

  log.clear();
  std::vector<float> zeros = {0.0f, 0.0f};
  mean = sd = 9;
  positiveFreq_vector(&zeros, npos, mean, sd);
  EXPECT_EQ(npos, 0);
  EXPECT_EQ(mean, 0.0f);
  EXPECT_EQ(sd, 0.0f);
  EXPECT_EQ(log.text(),
            " Inside positiveFreq_vector function...\nNo simulation gave frequency > 0!!\n");
}

// ---------------------------------------------------------------------------
// Frequency files
// ---------------------------------------------------------------------------

TEST(ToolkitFrequencyFile, ReadsValuesAndSummarises) {
  TempDir dir;
  Tsettings s;
  s._num_simulations = 3;
  write_file("f.freq", "heading\nmore heading\n0\n1\n0.5\n0.9\n");
  my_string name("f.freq");
  std::vector<float> v;
  float mean = -1, sd = -1;
  int lost = -1, fixed = -1;
  find_fileANDcompute_stat(&s, &v, name, mean, sd, lost, fixed);
  ASSERT_EQ(v.size(), 3u);  // only NUM_SIMULATIONS lines
  EXPECT_EQ(mean, 0.5f);
  EXPECT_EQ(sd, 0.5f);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(fixed, 1);

  // The reader appends; the summary covers what was there before.
  write_file("g.freq", "h\nh\n0.1\n0.5\n0.9\n");
  my_string other("g.freq");
  find_fileANDcompute_stat(&s, &v, other, mean, sd, lost, fixed);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NEAR(mean, 0.5f, 1e-6);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(fixed, 1);
}

TEST(ToolkitFrequencyFile, LineConversionAndShortFile) {
  TempDir dir;
  Tsettings s;
  s._num_simulations = 4;
  write_file("f.freq", "a\nb\n  0.3 and some words\nletters\n0.25");
  my_string name("f.freq");
  std::vector<float> v;
  create_freq_vector(&s, name, &v);
  ASSERT_EQ(v.size(), 3u);  // the missing last line is left out
  EXPECT_EQ(v[0], 0.3f);
  EXPECT_EQ(v[1], 0.0f);
  EXPECT_EQ(v[2], 0.25f);
}

TEST(ToolkitFrequencyFile, MissingFileLeavesEverything) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_simulations = 3;
  my_string name("absent.freq");
  std::vector<float> v = {0.5f};
  float mean = 0.125f, sd = 0.25f;
  int lost = 7, fixed = 8;
  std::vector<float> empty;
  find_fileANDcompute_stat(&s, &empty, name, mean, sd, lost, fixed);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(mean, 0.125f);
  EXPECT_EQ(sd, 0.25f);
  EXPECT_EQ(lost, 7);
  EXPECT_EQ(fixed, 8);
  EXPECT_EQ(log.text(), "> !No absent.freq !!\n");
}

// ---------------------------------------------------------------------------
// Coefficient and generation lists
// ---------------------------------------------------------------------------

TEST(ToolkitCoefficients, ReadsOnePerDemeAndLogsThem) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_pop = 3;
  write_file("lat.txt", "x\ny\n1\n0.5\n2\n");
  my_string name("lat.txt");
  std::vector<float> v;
  create_latCoef_vector(&s, name, &v);
  EXPECT_EQ(v, (std::vector<float>{1.0f, 0.5f, 2.0f}));
  EXPECT_EQ(log.text(), "Lat_coef read to change the sel_rate : 1 0.5 2 \n");

  // A vector that already held entries ends longer than NUM_POP.
  log.clear();
  create_latCoef_vector(&s, name, &v);
  EXPECT_EQ(v.size(), 6u);
  EXPECT_EQ(log.text(),
            "Lat_coef read to change the sel_rate : 1 0.5 2 \n pLat->size() != pop number !!\n");

  log.clear();
  my_string absent("none.txt");
  create_latCoef_vector(&s, absent, &v);
  EXPECT_EQ(log.text(), "> !No none.txt file !!\n");
  EXPECT_EQ(v.size(), 6u);
}

TEST(ToolkitGenerations, ListWithCommentAndWarning) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_generations = 80;
  write_file("generations.txt", "3 // three outputs\ngenerations\n10\n50\n100\n");
  my_string file("whatever.txt");
  std::vector<int> v;
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_STREQ(file.c_str(), "generations.txt");
  EXPECT_EQ(v, (std::vector<int>{10, 50, 100}));
  EXPECT_EQ(log.text(),
            "Intermediate generations vector : 10, 50, 100, \n"
            " !! Last generation in pintermediategenerations vector > Num_gen !!\n");
}

TEST(ToolkitGenerations, ZeroCountAndMissingFileAreSilent) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_generations = 80;
  my_string file("x");
  std::vector<int> v;
  create_intermediategenerations_vector(&s, file, &v);  // no file yet
  EXPECT_STREQ(file.c_str(), "generations.txt");
  write_file("generations.txt", "0\nheading\n10\n");
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(log.text(), "");
}

TEST(ToolkitGenerations, NegativeCountReadsNothing) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_generations = 80;
  write_file("generations.txt", "-2\nheading\n10\n");
  my_string file("x");
  std::vector<int> v;
  // Empty vector: no last entry to compare, so no warning.
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(log.text(), "Intermediate generations vector : \n");

  // A vector that already ends beyond the last generation still warns.
  log.clear();
  v.push_back(100);
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_EQ(v, (std::vector<int>{100}));
  EXPECT_EQ(log.text(),
            "Intermediate generations vector : \n"
            " !! Last generation in pintermediategenerations vector > Num_gen !!\n");
}

TEST(ToolkitGenerations, FileShorterThanItsCount) {
  TempDir dir;
  Tsettings s;
  s._num_generations = 80;
  write_file("generations.txt", "4\nheading\n10\n20 // comment stays harmless\n");
  my_string file("x");
  std::vector<int> v;
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_EQ(v, (std::vector<int>{10, 20, 0, 0}));
}

TEST(ToolkitGenerations, CountBeyondTheLimitIsRefused) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_generations = 80;
  my_string file("x");
  std::vector<int> v = {5};
  // A count far beyond a short file would append that many zeros.
  write_file("generations.txt", "2000000000\nheading\n1\n");
  create_intermediategenerations_vector(&s, file, &v);
  EXPECT_EQ(v, (std::vector<int>{5}));
  EXPECT_EQ(log.text(),
            "WARNING: generations.txt announces 2000000000 generations, more than 1000000: none "
            "is read!\n");

  // The largest count allowed is still read, and padded with zeros as usual.
  log.clear();
  write_file("generations.txt", "1000000\nheading\n7\n");
  v.clear();
  create_intermediategenerations_vector(&s, file, &v);
  ASSERT_EQ(v.size(), 1000000u);
  EXPECT_EQ(v.front(), 7);
  EXPECT_EQ(v.back(), 0);
  EXPECT_EQ(log.text().find("WARNING"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Selection rate scaling
// ---------------------------------------------------------------------------

TEST(ToolkitSelRate, ScalesAndLogsAtTheLastGeneration) {
  LogCapture log;
  Tsettings s;
  s._num_generations = 100;
  s._selection_rate = 0.5f;
  std::vector<float> coef = {1.0f, 2.0f, 1.5f};
  int pop = 2, gen = 99, flag = 3;
  const float base = 0.02f;
  change_selRate(&s, &coef, pop, base, gen, flag);
  EXPECT_EQ(s._selection_rate, 0.02f * 1.5f);
  EXPECT_EQ(log.text(), "After modif : POPULATION 2 sel_rate : 0.03\n");

  log.clear();
  flag = 2;
  change_selRate(&s, &coef, pop, base, gen, flag);
  flag = 1;
  gen = 98;
  change_selRate(&s, &coef, pop, base, gen, flag);
  EXPECT_EQ(log.text(), "");
}

TEST(ToolkitSelRate, DemeOutsideTheVectorLeavesTheRate) {
  LogCapture log;
  Tsettings s;
  s._num_generations = 10;
  s._selection_rate = 0.5f;
  std::vector<float> coef = {1.0f, 2.0f};
  const float base = 0.1f;
  int gen = 9, flag = 1;
  for (int p : {2, 1000, -1}) {
    int pop = p;
    change_selRate(&s, &coef, pop, base, gen, flag);
    EXPECT_EQ(s._selection_rate, 0.5f) << "pop " << p;
  }
  EXPECT_EQ(log.text(),
            "After modif : POPULATION 2 sel_rate : 0.5\n"
            "After modif : POPULATION 1000 sel_rate : 0.5\n"
            "After modif : POPULATION -1 sel_rate : 0.5\n");
}

}  // namespace
