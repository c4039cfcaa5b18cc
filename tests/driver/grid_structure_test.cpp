#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>

#include "driver/structure.h"
#include "grid_fixture.h"
#include "test_util.h"

using gridtest::World;

namespace {

const char* kHeader = "Generation 5: modification of population structure\n";

std::string applied(World& w, const std::string& content, int g = 5) {
  testutil::LogCapture log;
  std::istringstream in(content);
  change_settings_in_pops(in, g, &w.demes, &w.s, "tessarel_structure_2.txt");
  return log.text();
}

}  // namespace

TEST(GridStructureValues, RelativeKTruncatesCurrentValueFirst) {
  World w;
  w.grid(1, 1);
  w.build();
  w.demes[0]->_k = 150.7;
  std::string log = applied(w, "title line\nrel rel rel\n2 -1 -1\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 300.0);
  EXPECT_EQ(log, std::string("\n") + kHeader + "Deme 1 modified with\tnew k=300\n");
}

TEST(GridStructureValues, RateOutsideUnitIntervalIsCancelled) {
  World w;
  w.grid(2, 1);
  w.build();
  w.demes[0]->_r = 0.8f;
  std::string log = applied(w, "x\nabs rel abs\n-1 1.5 -0.5\n-1 -1 1.0\n");
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.8f);
  EXPECT_FLOAT_EQ(w.demes[0]->_m, 0.1f);  // negative: no change, no warning
  EXPECT_FLOAT_EQ(w.demes[1]->_m, 1.0f);  // the bound itself is accepted
  EXPECT_EQ(log, std::string("\n") + kHeader +
                     "WARNING: growth rate >1.0 or <0.0 when modifying the settings! Modification cancelled\n"
                     "Deme 1 modified with\tnew r=0.8\n"
                     "Deme 2 modified with\tnew m=1\n");
}

TEST(GridStructureValues, ZeroCapacityWarnsOnlyWhenRelative) {
  World w;
  w.grid(3, 1);
  w.build();
  w.demes[2]->_k = 0.6;
  std::string log = applied(w, "x\nabs abs abs\n0 -1 -1\n-1 -1 -1\n-1 -1 -1\n");
  EXPECT_EQ(w.demes[0]->_k, 0.0);
  EXPECT_EQ(log, std::string("\n") + kHeader + "Deme 1 modified with\tnew k=0\n");

  log = applied(w, "x\nrel abs abs\n-1 -1 -1\n0 -1 -1\n5 -1 -1\n");
  EXPECT_EQ(w.demes[1]->_k, 0.0);
  EXPECT_EQ(w.demes[2]->_k, 0.0);  // K in [0, 1) truncates to 0 first
  EXPECT_EQ(log, std::string("\n") + kHeader +
                     "tWARNING modifying K with 0!\nDeme 2 modified with\tnew k=0\n"
                     "tWARNING modifying K with 0!\nDeme 3 modified with\tnew k=0\n");
}

TEST(GridStructureValues, InactiveDemeChangedButLoggedAsInactive) {
  World w;
  w.grid(2, 1);
  w.s._final_k_deme[1] = -1.0;
  w.build();
  std::string log = applied(w, "x\nrel rel abs\n-1 -1 -1\n2 -1 0.3\n");
  EXPECT_DOUBLE_EQ(w.demes[1]->_k, -1.0);
  EXPECT_FLOAT_EQ(w.demes[1]->_m, 0.3f);
  EXPECT_TRUE(w.demes[1]->_inactive);
  EXPECT_EQ(log, std::string("\n") + kHeader +
                     "WARNING: Carrying capacity <0.0 when modifying the settings! Modification cancelled\n"
                     "Deme 2 is inactive\n");
}

TEST(GridStructureModes, OnlyExactAbsIsAbsolute) {
  for (const char* mode : {"Abs", "ABS", "abs,", "absolute"}) {
    World w;
    w.grid(1, 1);
    w.build();
    applied(w, std::string("x\n") + mode + " abs abs\n3 -1 -1\n");
    EXPECT_DOUBLE_EQ(w.demes[0]->_k, 300.0) << mode;
  }
}

TEST(GridStructureModes, GroupModeWithSettingValueNoChangeAndHalf) {
  World w;
  w.grid(3, 1);
  w.s._all_pop_with_same_demo = 1;
  w.s._num_pop_groups = 2;
  w.s._group_deme = {1, 2, 1};
  w.s._final_k_group = {120.0, 60.0};
  w.s._growth_rate_group = {0.4f, 0.3f};
  w.s._mig_rate_group = {0.2f, 0.1f};
  w.build();
  for (Tpop* d : w.demes) d->_k = 5.0;
  std::string log = applied(w, "groups\nabs abs rel\n-99 -1 0.5\n-2 -1 -1\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 120.0);
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.4f);
  EXPECT_FLOAT_EQ(w.demes[0]->_m, 0.1f);
  EXPECT_DOUBLE_EQ(w.demes[1]->_k, 5.0);  // -2 is no change in group mode
  EXPECT_DOUBLE_EQ(w.demes[2]->_k, 120.0);
  EXPECT_EQ(log, std::string("\n") + kHeader +
                     "Deme 1 modified with\tnew k=120\tnew m=0.1\n"
                     "Deme 3 modified with\tnew k=120\tnew m=0.1\n");
}

TEST(GridStructureModes, MinusNinetyNineIsJustNegativePerDeme) {
  World w;
  w.grid(1, 1);
  w.build();
  std::string log = applied(w, "x\nabs abs abs\n-99 -99 -99\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 100.0);
  EXPECT_EQ(log, std::string("\n") + kHeader);
}

TEST(GridStructureTokens, GluedCommentIsCutLooseCommentShiftsValues) {
  World w;
  w.grid(2, 1);
  w.build();
  applied(w, "x\nabs abs abs\n0.4//new 0.2 0.3\n0.5 0.6 0.7\n");
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.2f);
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, static_cast<double>(0.4f));

  World v;
  v.grid(2, 1);
  v.build();
  applied(v, "x\nabs abs abs\n0.4 //new 0.2 0.3\n0.5 0.6 0.7\n");
  // "//new" reads as 0 for r; every later value moves by one token.
  EXPECT_FLOAT_EQ(v.demes[0]->_r, 0.0f);
  EXPECT_FLOAT_EQ(v.demes[0]->_m, 0.2f);
  EXPECT_DOUBLE_EQ(v.demes[1]->_k, static_cast<double>(0.3f));
  EXPECT_FLOAT_EQ(v.demes[1]->_r, 0.5f);
  EXPECT_FLOAT_EQ(v.demes[1]->_m, 0.6f);
}

TEST(GridStructureTokens, ShortFileRepeatsLastTokenAndSpreadsOverLines) {
  World w;
  w.grid(3, 1);
  w.build();
  applied(w, "x\nabs\nabs abs 50\n0.5\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 50.0);
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.5f);
  EXPECT_FLOAT_EQ(w.demes[0]->_m, 0.5f);
  EXPECT_DOUBLE_EQ(w.demes[2]->_k, static_cast<double>(0.5f));
}

TEST(GridStructureTokens, BinaryAndOverlongContentIsReadSafely) {
  World w;
  w.grid(3, 2);
  w.build();
  std::string junk("\x01\xff\0abs\0\0", 8);
  junk += std::string(5000, 'z') + " " + std::string(250, '9') + "\n\x7f*UNIFORM/";
  for (int i = 0; i < 300; ++i) junk += static_cast<char>((i * 37) & 0xff);
  std::string log = applied(w, junk);
  EXPECT_EQ(log.compare(0, 1 + std::string(kHeader).size(), std::string("\n") + kHeader), 0);
  applied(w, "");
  applied(w, "only a title without line end");
  SUCCEED();
}

TEST(GridStructurePriors, AppliedAtOnceButKeptOutOfThePriorTable) {
  World w;
  w.grid(2, 1);
  w.s._num_pop_struct = 2;
  w.build();
  std::string log = applied(w, "x\nabs abs abs\n*UNIFORM/100/300 *UNIFORM(0.1/0.2) -1\n-1 -1 -1\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 300.0);
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.2f);
  EXPECT_TRUE(w.s._abc_mode);
  EXPECT_FALSE(w.s._abc_error);
  for (TDistributionSettings* p : w.s._abc_db) EXPECT_EQ(p, nullptr);
  EXPECT_EQ(log, std::string("\n") + kHeader + "Deme 1 modified with\tnew k=300\tnew r=0.2\n");
}

TEST(GridStructurePriors, UnusablePriorChangesNothingAndNamesTheFile) {
  World w;
  w.grid(1, 1);
  w.build();
  std::string log = applied(w, "x\nabs abs abs\n*NORMAL/0/1 *UNIFORM/0.5 0.3\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 100.0);
  EXPECT_FLOAT_EQ(w.demes[0]->_r, 0.5f);
  EXPECT_FLOAT_EQ(w.demes[0]->_m, 0.3f);
  EXPECT_TRUE(w.s._abc_error);
  std::istringstream lines(log);
  std::string line;
  int errors = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("ERROR: ", 0) == 0) {
      ++errors;
      EXPECT_NE(line.find("tessarel_structure_2.txt"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(errors, 2);
  EXPECT_NE(log.find("Deme 1 modified with\tnew m=0.3\n"), std::string::npos);
  for (TDistributionSettings* p : w.s._abc_db) EXPECT_EQ(p, nullptr);
}

TEST(GridStructureSchedule, AppliesEveryStructureOfTheGenerationInOrder) {
  testutil::TempDir dir;
  World w;
  w.grid(2, 1);
  w.s._pop_struct = {0, 10, 10, 0};
  w.s._num_pop_struct = 4;
  w.build();
  testutil::write_file("tessarel_structure_2.txt", "two\nabs abs abs\n0.5 -1 -1\n-1 -1 -1\n");
  testutil::write_file("tessarel_structure_3.txt", "three\nrel abs abs\n-1 -1 -1\n2 -1 -1\n");
  testutil::write_file("tessarel_structure_4.txt", "four\nabs abs abs\n1 1 1\n1 1 1\n");
  testutil::LogCapture log;
  changepopstructure(&w.s, &w.demes, 0);
  changepopstructure(&w.s, &w.demes, 9);
  EXPECT_EQ(log.text(), "");
  changepopstructure(&w.s, &w.demes, 10);
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 0.5);
  EXPECT_DOUBLE_EQ(w.demes[1]->_k, 200.0);
  EXPECT_TRUE(w.demes[1]->_kzero[1]);  // recomputed after the change
  EXPECT_EQ(log.text(),
            "\nGeneration 10: modification of population structure\n"
            "Deme 1 modified with\tnew k=0\n"
            "\nGeneration 10: modification of population structure\n"
            "Deme 2 modified with\tnew k=200\n");
}

TEST(GridStructureSchedule, MissingFileAndGroupFileName) {
  testutil::TempDir dir;
  World w;
  w.grid(1, 1);
  w.s._all_pop_with_same_demo = 1;
  w.s._final_k_group = {50.0};
  w.s._growth_rate_group = {0.1f};
  w.s._mig_rate_group = {0.1f};
  w.s._pop_struct = {0, 3};
  w.build();
  testutil::write_file("tessarel_structure_2.txt", "x\nabs abs abs\n7 -1 -1\n");
  testutil::LogCapture log;
  changepopstructure(&w.s, &w.demes, 3);
  EXPECT_EQ(log.text(), "ERROR: Problem occured when trying to load population structure modification no 2\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 50.0);
  testutil::write_file("tessarel_alldemes_2.txt", "x\nabs abs abs\n7 -1 -1\n");
  changepopstructure(&w.s, &w.demes, 3);
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 7.0);
}

TEST(GridStructureSchedule, DirectoryInPlaceOfTheFileIsUnreadableNotEmpty) {
  // A directory opens as a stream but reads nothing; taken as an empty file
  // it would set every K, r and m to 0 (relative 0).
  testutil::TempDir dir;
  World w;
  w.grid(2, 1);
  w.s._pop_struct = {0, 4};
  w.build();
  ASSERT_EQ(mkdir("tessarel_structure_2.txt", 0755), 0);
  testutil::LogCapture log;
  changepopstructure(&w.s, &w.demes, 4);
  EXPECT_EQ(log.text(), "ERROR: Problem occured when trying to load population structure modification no 2\n");
  for (const Tpop* d : w.demes) {
    EXPECT_DOUBLE_EQ(d->_k, 100.0);
    EXPECT_FLOAT_EQ(d->_r, 0.5f);
    EXPECT_FLOAT_EQ(d->_m, 0.1f);
  }
}

TEST(GridStructureTokens, HugeGroupCountWithShortFileEndsAtOnce) {
  World w;
  w.grid(2, 1);
  w.s._all_pop_with_same_demo = 1;
  w.s._num_pop_groups = 2000000000;
  w.s._final_k_group = {40.0, 90.0};
  w.s._growth_rate_group = {0.1f, 0.2f};
  w.s._mig_rate_group = {0.1f, 0.2f};
  w.s._group_deme = {1, 2};
  w.build();
  applied(w, "x\nabs abs abs\n-1 -1 -1\n50\n");
  EXPECT_DOUBLE_EQ(w.demes[0]->_k, 40.0);
  EXPECT_DOUBLE_EQ(w.demes[1]->_k, 50.0);  // group 2 repeats the last token
  EXPECT_FLOAT_EQ(w.demes[1]->_r, 0.2f);  // 50 is no rate: cancelled
}
