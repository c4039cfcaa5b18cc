#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "stats/compare.h"
#include "test_util.h"

namespace {

using testutil::LogCapture;
using testutil::read_file;
using testutil::TempDir;
using testutil::write_file;

// ---------------------------------------------------------------------------
// "CI_file"
// ---------------------------------------------------------------------------

TEST(CompareCiFile, ReadsOneRecordPerDeme) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_pop = 4;
  write_file("CI_file",
             "lower upper label\n"
             "4 // demes\n"
             "0.1\t0.3\tnorth pop one\n"
             "0.2\t\t0.4\t  B\tx\n"
             "0.5\n"
             "0.05\t0.15\tcr\r\n"
             "9\t9\tignored\n");
  std::vector<float> lo = {7.0f}, up = {8.0f};
  std::vector<std::string> labels = {"old"};
  set_CI_limits(&s, &lo, &up, &labels);
  EXPECT_EQ(lo, (std::vector<float>{7.0f, 0.1f, 0.2f, 0.5f, 0.05f}));
  EXPECT_EQ(up, (std::vector<float>{8.0f, 0.3f, 0.4f, 0.0f, 0.15f}));
  EXPECT_EQ(labels, (std::vector<std::string>{"old", "northpopone", "Bx", "", "cr\r"}));
  EXPECT_EQ(log.text(),
            ">Reading CI_file... 0.1, 0.3, northpopone-0.2, 0.4, Bx-0.5, , -0.05, 0.15, cr\r-\n");
}

TEST(CompareCiFile, MissingLinesReadAsEmptyRecords) {
  TempDir dir;
  Tsettings s;
  s._num_pop = 2;
  write_file("CI_file", "x\n2\n0.1\t0.2\tA");
  std::vector<float> lo, up;
  std::vector<std::string> labels;
  set_CI_limits(&s, &lo, &up, &labels);
  EXPECT_EQ(lo, (std::vector<float>{0.1f, 0.0f}));
  EXPECT_EQ(up, (std::vector<float>{0.2f, 0.0f}));
  EXPECT_EQ(labels, (std::vector<std::string>{"A", ""}));
}

TEST(CompareCiFile, WrongCountOrMissingFileLeavesTheVectors) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_pop = 3;
  std::vector<float> lo, up;
  std::vector<std::string> labels;
  set_CI_limits(&s, &lo, &up, &labels);
  EXPECT_EQ(log.text(), "> !No CI_file !!\n");

  log.clear();
  write_file("CI_file", "x\n2\n0.1\t0.2\tA\n0.1\t0.2\tB\n");
  set_CI_limits(&s, &lo, &up, &labels);
  EXPECT_TRUE(lo.empty());
  EXPECT_TRUE(up.empty());
  EXPECT_TRUE(labels.empty());
  // No line end: the next log text continues the line.
  EXPECT_EQ(log.text(),
            ">Reading CI_file... !! population number in CI_file != psettings->get_num_pop()");
}

// ---------------------------------------------------------------------------
// Splitting values around an interval
// ---------------------------------------------------------------------------

struct Split {
  std::vector<int> pos;
  int n_in = -1, n_below = -1, n_above = -1;
  float mean_in = -1, sd_in = -1, mean_below = -1, sd_below = -1, mean_above = -1,
        sd_above = -1;
};

Split split(std::vector<float> values, float lower, float upper) {
  Split r;
  ciFreq_vector(&values, lower, upper, &r.pos, r.n_in, r.mean_in, r.sd_in, r.n_below,
                r.mean_below, r.sd_below, r.n_above, r.mean_above, r.sd_above);
  return r;
}

TEST(CompareSplit, ZeroIsNeverBelow) {
  LogCapture log;
  const Split a = split({0.0f, 0.2f, 0.5f, 0.05f}, 0.1f, 0.3f);
  EXPECT_EQ(a.pos, (std::vector<int>{2}));
  EXPECT_EQ(a.n_in, 1);
  EXPECT_EQ(a.mean_in, 0.2f);
  EXPECT_EQ(a.sd_in, 0.0f);
  EXPECT_EQ(a.n_below, 1);
  EXPECT_EQ(a.mean_below, 0.05f);
  EXPECT_EQ(a.n_above, 1);
  EXPECT_EQ(a.mean_above, 0.5f);
  EXPECT_EQ(log.text(), " Inside ciFreq_vector function...\n");

  log.clear();
  const Split b = split({0.0f, 0.2f, 0.5f, 0.05f}, 0.0f, 0.3f);
  EXPECT_EQ(b.pos, (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(b.n_in, 3);
  EXPECT_NEAR(b.mean_in, 0.25f / 3, 1e-7);
  EXPECT_GT(b.sd_in, 0.0f);
  EXPECT_EQ(b.n_below, 0);
  EXPECT_EQ(b.mean_below, 0.0f);
  EXPECT_EQ(b.sd_below, 0.0f);
  EXPECT_EQ(b.n_above, 1);
  EXPECT_EQ(log.text(),
            " Inside ciFreq_vector function...\nNo simulation gave frequency < 0!!\n");
}

TEST(CompareSplit, LimitsAreInsideAndEmptyPartsAreNamed) {
  LogCapture log;
  const Split a = split({0.1f, 0.3f}, 0.1f, 0.3f);
  EXPECT_EQ(a.pos, (std::vector<int>{1, 2}));
  EXPECT_EQ(a.n_in, 2);
  EXPECT_NEAR(a.mean_in, 0.2f, 1e-7);
  EXPECT_NEAR(a.sd_in, 0.141421f, 1e-6);
  EXPECT_EQ(log.text(),
            " Inside ciFreq_vector function...\n"
            "No simulation gave frequency < 0.1!!\n"
            "No simulation gave frequency > 0.3!!\n");

  log.clear();
  const Split none = split({}, 0.1f, 0.3f);
  EXPECT_EQ(none.n_in + none.n_below + none.n_above, 0);
  EXPECT_EQ(log.text(),
            " Inside ciFreq_vector function...\n"
            "No simulation gave frequency inside CI!!\n"
            "No simulation gave frequency < 0.1!!\n"
            "No simulation gave frequency > 0.3!!\n");
}

// ---------------------------------------------------------------------------
// The comparison of one deme
// ---------------------------------------------------------------------------

TEST(CompareDeme, WritesBothResultFiles) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_simulations = 4;
  s._num_generations = 500;
  write_file("generation0_Pop1.freq", "h\nh\n0.5\n0.5\n0.5\n0.5\n");
  write_file("generation500_Pop1.freq", "h\nh\n0\n0.2\n1\n0.25\n");
  int deme = 0;
  float lo = 0.1f, up = 0.3f;
  std::string label = "north";
  computeANDwrite(&s, deme, lo, up, label);

  // last generation: mean 1.45/4, sd sqrt(0.576875/3), zeros 1, ones 1,
  // positive 0.2 1 0.25 (sd sqrt(0.401667/2));
  // inside 0.2 and 0.25 (positions 2 and 4); nothing below; 1 above.
  const std::string stat = read_file("lactase_stat");
  EXPECT_EQ(stat,
            "north(1)\n"
            "G_0\t0.5\t0\t0\t0\t4\t0.5\t0\n"
            "G_500\t0.3625\t0.438511\t1\t1\t3\t0.483333\t0.448144\t0.1\t0.3"
            "\t2\t0.225\t0.0353553\t0\t0\t0\t1\t1\t0\n");
  EXPECT_EQ(read_file("no_sim_compa.txt"), "north\t2\t4\t\n");
  EXPECT_EQ(log.text(),
            " Inside positiveFreq_vector function...\n"
            " Inside positiveFreq_vector function...\n"
            " Inside ciFreq_vector function...\n"
            "No simulation gave frequency < 0.1!!\n"
            "SimCompa...\n");

  // A second call appends.
  computeANDwrite(&s, deme, lo, up, label);
  EXPECT_EQ(read_file("lactase_stat"), stat + stat);
  EXPECT_EQ(read_file("no_sim_compa.txt"), "north\t2\t4\t\nnorth\t2\t4\t\n");
}

TEST(CompareDeme, MissingFilesGiveZeroSummaries) {
  TempDir dir;
  LogCapture log;
  Tsettings s;
  s._num_simulations = 3;
  s._num_generations = 20;
  int deme = 2;
  float lo = 0.0f, up = 1.0f;
  std::string label = "L";
  computeANDwrite(&s, deme, lo, up, label);
  EXPECT_EQ(read_file("lactase_stat"),
            "L(3)\nG_0\t0\t0\t0\t0\t0\t0\t0\nG_20\t0\t0\t0\t0\t0\t0\t0\t0\t1"
            "\t0\t0\t0\t0\t0\t0\t0\t0\t0\n");
  EXPECT_EQ(read_file("no_sim_compa.txt"), "L\t\n");
  EXPECT_EQ(log.text(),
            "> !No generation0_Pop3.freq !!\n"
            " Inside positiveFreq_vector function...\n"
            "No simulation gave frequency > 0!!\n"
            "> !No generation20_Pop3.freq !!\n"
            " Inside positiveFreq_vector function...\n"
            "No simulation gave frequency > 0!!\n"
            " Inside ciFreq_vector function...\n"
            "No simulation gave frequency inside CI!!\n"
            "No simulation gave frequency < 0!!\n"
            "No simulation gave frequency > 1!!\n"
            "SimCompa...\n");
}

TEST(CompareDeme, NonFiniteValuesNeverReachTheFile) {
  TempDir dir;
  Tsettings s;
  s._num_simulations = 2;
  s._num_generations = 1;
  write_file("generation0_Pop1.freq", "h\nh\nnan\n0.5\n");
  write_file("generation1_Pop1.freq", "h\nh\ninf\n0.5\n");
  int deme = 0;
  float lo = 0.0f, up = 1.0f;
  std::string label = "x";
  computeANDwrite(&s, deme, lo, up, label);
  const std::string stat = read_file("lactase_stat");
  EXPECT_EQ(stat.find("nan"), std::string::npos) << stat;
  EXPECT_EQ(stat.find("inf"), std::string::npos) << stat;
}

}  // namespace
