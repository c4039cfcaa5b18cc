// The confidence-interval comparison, the toolkit's readers and summaries,
// and its file names.

#include <gtest/gtest.h>

#include "stats/compare.h"
#include "stats/toolkit_io.h"
#include "test_util.h"

using testutil::read_file;
using testutil::write_file;

TEST(Toolkit, ConfidenceLimitsAndTheComparisonFiles) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  s._num_pop = 3;
  s._num_simulations = 3;
  s._num_generations = 500;
  std::vector<float> lo, up;
  std::vector<std::string> labels;
  set_CI_limits(&s, &lo, &up, &labels);
  write_file("CI_file", "limits\n+ 3 // demes\n0.1\t0.3\tlabel with  spaces\n\t0.2\t\t0.5\tB\r\n");
  set_CI_limits(&s, &lo, &up, &labels);
  s._num_pop = 2;
  set_CI_limits(&s, &lo, &up, &labels);
  EXPECT_EQ(lo, (std::vector<float>{0.1f, 0.2f, 0.0f}));
  EXPECT_EQ(up, (std::vector<float>{0.3f, 0.5f, 0.0f}));
  EXPECT_EQ(labels, (std::vector<std::string>{"labelwithspaces", "B\r", ""}));
  EXPECT_EQ(log.text(),
            "> !No CI_file !!\n>Reading CI_file... 0.1, 0.3, labelwithspaces-0.2, 0.5, B\r-, , -\n"
            ">Reading CI_file... !! population number in CI_file != psettings->get_num_pop()");
  log.clear();
  s._num_simulations = 4;
  write_file("generation0_Pop1.freq", "gen 0\nsim\n0\n1\n0.5\n0.5\n");
  write_file("generation500_Pop1.freq", "gen 500\nsim\n0.1\n  0.05 words\n0.9\n0\n");
  int deme = 0;
  float l = 0.1f, u = 0.6f;  // a limit is inside, a 0 is never below, one value is
  std::string label = "L";
  computeANDwrite(&s, deme, l, u, label);
  computeANDwrite(&s, deme, l, u, label);  // appended, never truncated
  const std::string stat = "L(1)\nG_0\t0.5\t0.408248\t1\t1\t3\t0.666667\t0.288675\n"
                           "G_500\t0.2625\t0.426956\t1\t0\t3\t0.35\t0.47697\t0.1\t0.6\t1\t0.1\t0\t1\t0.05\t0\t1\t0.9\t0\n";
  EXPECT_EQ(read_file("lactase_stat"), stat + stat);
  l = 0.95f;
  deme = 1;
  computeANDwrite(&s, deme, l, u, label);  // no files for deme 2, nothing inside
  EXPECT_EQ(read_file("no_sim_compa.txt"), "L\t1\t\nL\t1\t\nL\t\n");
  const std::string text = log.text();
  EXPECT_EQ(text.substr(text.find("> !No generation0_Pop2")),
            "> !No generation0_Pop2.freq !!\n Inside positiveFreq_vector function...\nNo simulation gave frequency > 0!!\n"
            "> !No generation500_Pop2.freq !!\n Inside positiveFreq_vector function...\nNo simulation gave frequency > 0!!\n"
            " Inside ciFreq_vector function...\nNo simulation gave frequency inside CI!!\n"
            "No simulation gave frequency < 0.95!!\nNo simulation gave frequency > 0.6!!\nSimCompa...\n");
}

TEST(Toolkit, ReadersSummariesAndNames) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  EXPECT_EQ(create_output_file_name(7) + create_freq_file_name(-3) + create_output_generation_file_name(0, 12),
            "tessarel_abc_7.txtlactase_gen-3.freqgeneration0_Pop12.freq");
  Tsettings s;
  s._num_simulations = s._num_pop = 3;
  s._num_generations = 80;
  write_file("f", "h\nh\n0\n1\n0.5\n");
  my_string f("f"), none("none");
  std::vector<float> v, empty;
  float mean = -1, sd = -1;
  int lost = -1, fixed = -1, npos = -1;
  find_fileANDcompute_stat(nullptr, &v, f, mean, sd, lost, fixed);
  find_fileANDcompute_stat(&s, &v, none, mean, sd, lost, fixed);
  EXPECT_EQ(mean + sd + lost + fixed, -4.0f);  // nothing read, nothing changed
  find_fileANDcompute_stat(&s, &v, f, mean, sd, lost, fixed);
  EXPECT_EQ(std::vector<float>({mean, sd, float(lost), float(fixed)}), std::vector<float>({0.5f, 0.5f, 1, 1}));
  positiveFreq_vector(&v, npos, mean, sd);
  EXPECT_EQ(npos + mean, 2.75f);
  positiveFreq_vector(&empty, npos, mean, sd);
  EXPECT_EQ(npos + mean + sd, 0.0f);
  stat_whole_freq_vect(&empty, mean = 3, sd, lost, fixed);
  EXPECT_EQ(mean + lost + fixed, 3.0f);
  mean_and_stdE(&empty, mean, sd);
  EXPECT_EQ(mean + sd, 0.0f);
  v = {0.25f};
  mean_and_stdE(&v, mean, sd);
  EXPECT_EQ(mean + sd, 0.25f);
  write_file("lat", "h\nh\n1\n0.5 x\n2\n");
  my_string lat("lat");
  v.clear();
  create_latCoef_vector(&s, lat, &v);
  create_latCoef_vector(&s, lat, &v);
  create_latCoef_vector(&s, none, &v);
  int pop = 1, gen = 79, flag = 1;
  change_selRate(&s, &v, pop, 0.02f, gen, flag);
  EXPECT_FLOAT_EQ(s._selection_rate, 0.01f);
  pop = 0;
  change_selRate(&s, &v, pop, 0.04f, gen, flag);
  EXPECT_FLOAT_EQ(s._selection_rate, 0.04f);
  flag = 2;
  pop = 6;  // beyond the coefficients: the rate stays
  change_selRate(&s, &v, pop, 0.02f, gen, flag);
  EXPECT_FLOAT_EQ(s._selection_rate, 0.04f);
  std::vector<int> gens;
  create_intermediategenerations_vector(&s, f, &gens);
  write_file("generations.txt", "3 // three outputs\nheading\n10\n50\n100\n");
  create_intermediategenerations_vector(&s, f, &gens);
  EXPECT_EQ(gens, (std::vector<int>{10, 50, 100}));
  EXPECT_STREQ(f.c_str(), "generations.txt");
  write_file("generations.txt", "0\nheading\n10\n");
  create_intermediategenerations_vector(&s, f, &gens);
  write_file("generations.txt", "-2\nheading\n10\n");
  gens.clear();
  create_intermediategenerations_vector(&s, f, &gens);
  EXPECT_TRUE(gens.empty());
  EXPECT_EQ(log.text(),
            "> !No none !!\n Inside positiveFreq_vector function...\n Inside positiveFreq_vector function...\n"
            "No simulation gave frequency > 0!!\nLat_coef read to change the sel_rate : 1 0.5 2 \n"
            "Lat_coef read to change the sel_rate : 1 0.5 2 \n pLat->size() != pop number !!\n"
            "> !No none file !!\nAfter modif : POPULATION 1 sel_rate : 0.01\nAfter modif : POPULATION 0 sel_rate : 0.04\n"
            "Intermediate generations vector : 10, 50, 100, \n !! Last generation in pintermediategenerations vector > Num_gen !!\n"
            "Intermediate generations vector : \n");
}

TEST(ToolkitGenerations, NegativeCountReadsNothing) {
  testutil::TempDir dir;
  testutil::LogCapture log;
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

TEST(ToolkitGenerations, CountBeyondTheLimitIsRefused) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  s._num_generations = 80;
  my_string file("x");
  std::vector<int> v = {5};
  // One beyond the limit first: without the limit it costs a million zeros,
  // not the minutes and gigabytes of the count below.
  write_file("generations.txt", "1000001\nheading\n1\n");
  create_intermediategenerations_vector(&s, file, &v);
  ASSERT_EQ(v, (std::vector<int>{5}));
  log.clear();
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
