#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

namespace {

// A settings object as the parameter reader leaves it before the first
// structure file.
void prepare(Tsettings& s, int num_pop, int groups, int structures = 1, int same = 0) {
  s._num_pop = num_pop;
  s._num_pop_groups = groups;
  s._num_pop_struct = structures;
  s._all_pop_with_same_demo = same;
}

int read_structure(Tsettings& s, const std::string& text, int valid = 0) {
  std::istringstream in(text);
  s.read_structure(in, valid);
  return valid;
}

}  // namespace

TEST(StructureFile, DemeEchoAndStoredValues) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 3, 2);
  int valid = read_structure(s,
                             "N0 K r m group sample\n\n"
                             "10 20 0.1 0.2 1 5\n"
                             "1 2 0.3 0.4 1 0\n"
                             "100 1000 0.5 0.1 2 20\n");
  EXPECT_EQ(valid, 3);
  EXPECT_EQ(log.text(),
            "\tDeme 1\tN0:10 \tK:20 \tr:0.1 \tm:0.2 \tGroup:1 \tSample size:5\n"
            "\tDeme 2\tN0:1 \tK:2 \tr:0.3 \tm:0.4 \tGroup:1 \tSample size:0\n"
            "\tDeme 3\tN0:100 \tK:1000 \tr:0.5 \tm:0.1 \tGroup:2 \tSample size:20\n");
  EXPECT_EQ(s._init_k_deme, (std::vector<double>{10, 1, 100}));
  EXPECT_EQ(s._final_k_deme, (std::vector<double>{20, 2, 1000}));
  EXPECT_EQ(s._group_deme, (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(s._samp_size_deme, (std::vector<int>{5, 0, 20}));
  EXPECT_EQ(s._growth_rate_deme[2], 0.5f);
  EXPECT_EQ(s._mig_rate_deme[0], 0.2f);
  EXPECT_TRUE(s._errors.empty());
  EXPECT_FALSE(s._abc_mode);
}

TEST(StructureFile, TokensMaySpanLinesAndCommentsMustBeGlued) {
  testutil::LogCapture log;
  Tsettings a, b;
  prepare(a, 2, 1);
  prepare(b, 2, 1);
  read_structure(a, "h\nh\n1 2 0.1 0.1//migration 1 3 4 5 0.2 0.3 1 6\n");
  read_structure(b, "h\nh\n1\n2\n0.1\t\t0.1\n1 3\n\n4 5\n0.2 0.3 1 6");
  EXPECT_EQ(a._init_k_deme, b._init_k_deme);
  EXPECT_EQ(a._mig_rate_deme, b._mig_rate_deme);
  EXPECT_EQ(a._samp_size_deme, b._samp_size_deme);
  EXPECT_EQ(a._mig_rate_deme, (std::vector<float>{0.1f, 0.3f}));
  EXPECT_EQ(a._samp_size_deme, (std::vector<int>{3, 6}));

  // A blank before the comment shifts every later value by one token.
  Tsettings c;
  prepare(c, 2, 1);
  read_structure(c, "h\nh\n1 2 0.1 0.1 //migration 1 3\n4 5 0.2 0.3 1 6\n");
  EXPECT_EQ(c._group_deme[0], 0);  // the word "//migration" reads as 0
  EXPECT_EQ(c._init_k_deme[1], 3.0);
}

TEST(StructureFile, ValidityAndInactiveDemes) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 4, 1);
  int valid = read_structure(s,
                             "h\nh\n"
                             "0 -1 0.5 0.5 1 0\n"     // inactive and valid
                             "-0.5 10 0.5 0.5 1 0\n"  // echoed with details, not valid
                             "5 -2 0.5 0.5 1 0\n"     // K below -1: inactive, not valid
                             "5 5 1.5 1 1 0\n");      // r above 1: not valid
  EXPECT_EQ(valid, 1);
  EXPECT_EQ(log.text(),
            "\tDeme 1 is inactive\n"
            "\tDeme 2\tN0:-0.5 \tK:10 \tr:0.5 \tm:0.5 \tGroup:1 \tSample size:0\n"
            "\tDeme 3 is inactive\n"
            "\tDeme 4\tN0:5 \tK:5 \tr:1.5 \tm:1 \tGroup:1 \tSample size:0\n");
  EXPECT_EQ(s._final_k_deme[0], -1.0);
}

TEST(StructureFile, EchoInAbcModeShowsOnlyInactiveDemes) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 4, 1);
  s._abc_mode = true;
  read_structure(s,
                 "h\nh\n"
                 "0 0 0.5 0.5 1 0\n"
                 "10 -1 0.5 0.5 1 0\n"
                 "-0.5 10 0.5 0.5 1 0\n"
                 "10 10 0.5 0.5 1 0\n");
  EXPECT_EQ(log.text(), "\tDeme 2 is inactive\n\tDeme 3 is inactive\n");
}

TEST(StructureFile, AbcModeSwitchesOnWithinTheFile) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 3, 1);
  read_structure(s,
                 "h\nh\n"
                 "10 10 0.5 0.5 1 0\n"
                 "10 *UNIFORM/5/50 0.5 0.5 1 0\n"
                 "10 -1 0.5 0.5 1 0\n");
  EXPECT_EQ(log.text(),
            "\tDeme 1\tN0:10 \tK:10 \tr:0.5 \tm:0.5 \tGroup:1 \tSample size:0\n"
            "\tDeme 3 is inactive\n");
  EXPECT_TRUE(s._abc_mode);
  EXPECT_EQ(s._final_k_deme[1], 50.0);
  ASSERT_NE(s._abc_db[1 + 24 + 6 + 1], nullptr);
}

TEST(StructureFile, GroupColumnRules) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 4, 2);
  read_structure(s,
                 "h\nh\n"
                 "1 1 0 0 2.9 1\n"
                 "1 1 0 0 0 1\n"
                 "1 1 0 0 *UNIFORM/1/2 1\n"
                 "1 1 0 0 1 *POISSON/3\n");
  EXPECT_EQ(s._group_deme, (std::vector<int>{2, 0, 0, 1}));
  EXPECT_EQ(s._samp_size_deme, (std::vector<int>{1, 1, 1, 0}));
  EXPECT_EQ(s._errors, (std::vector<int>{5, 5}));
  EXPECT_FALSE(s._abc_mode);
  // The message names slot S + 28 + 6d (group) and S + 29 + 6d (sample).
  EXPECT_EQ(log.text(),
            "\tDeme 1\tN0:1 \tK:1 \tr:0 \tm:0 \tGroup:2 \tSample size:1\n"
            "\tDeme 2\tN0:1 \tK:1 \tr:0 \tm:0 \tGroup:0 \tSample size:1\n"
            "ERROR: the parameter 41 must be given fixed values!\n"
            "\tDeme 3\tN0:1 \tK:1 \tr:0 \tm:0 \tGroup:0 \tSample size:1\n"
            "ERROR: the parameter 48 must be given fixed values!\n"
            "\tDeme 4\tN0:1 \tK:1 \tr:0 \tm:0 \tGroup:1 \tSample size:0\n");
  for (TDistributionSettings* p : s._abc_db) EXPECT_EQ(p, nullptr);
}

TEST(StructureFile, NoGroupsMakesEveryDemeWrong) {
  Tsettings s;
  prepare(s, 2, 0);
  testutil::LogCapture log;
  read_structure(s, "h\nh\n1 1 0 0 1 1 1 1 0 0 1 1\n");
  EXPECT_EQ(s._errors, (std::vector<int>{5, 5}));
}

TEST(StructureFile, FileEndingEarlyRepeatsTheLastToken) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 2, 9);
  int valid = read_structure(s, "h\nh\n10 20 0.5 0.25 3");
  EXPECT_EQ(s._samp_size_deme, (std::vector<int>{3, 3}));
  EXPECT_EQ(s._init_k_deme, (std::vector<double>{10, 3}));
  EXPECT_EQ(s._mig_rate_deme, (std::vector<float>{0.25f, 3.0f}));
  EXPECT_EQ(valid, 1);

  // No token at all: every value is 0.
  Tsettings e;
  prepare(e, 2, 1);
  valid = read_structure(e, "only one line");
  EXPECT_EQ(e._init_k_deme, (std::vector<double>{0, 0}));
  EXPECT_EQ(e._group_deme, (std::vector<int>{0, 0}));
  EXPECT_EQ(e._errors, (std::vector<int>{5, 5}));
  EXPECT_EQ(valid, 2);
}

TEST(StructureFile, LongTokensAreCutAt99Characters) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 1, 1);
  // 120 digits: the first 99 form one token, the rest the next.
  std::string digits(99, '0');
  digits[98] = '7';
  read_structure(s, "h\nh\n" + digits + "123456789012345678901 0 0 1 1\n");
  EXPECT_EQ(s._init_k_deme[0], 7.0);
  EXPECT_EQ(s._final_k_deme[0], static_cast<double>(123456789012345678901.0f));
}

TEST(StructureFile, SmallValuesAndPrecisionOfTheEcho) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 1, 1);
  read_structure(s, "h\nh\n0.1 1234567.8 0.5 0.5 1 1\n");
  EXPECT_EQ(s._init_k_deme[0], static_cast<double>(0.1f));
  EXPECT_GT(s._init_k_deme[0], 0.1);
  EXPECT_EQ(log.text(), "\tDeme 1\tN0:0.1 \tK:1.23457e+06 \tr:0.5 \tm:0.5 \tGroup:1 \tSample size:1\n");
}

TEST(StructureFile, PriorSlotsFollowTheLayout) {
  testutil::LogCapture log;
  // Three structures: column 2 of deme 4 is slot 3 + 24 + 24 + 2 = 53.
  Tsettings s;
  prepare(s, 5, 1, 3);
  std::string text = "h\nh\n";
  for (int d = 0; d < 5; ++d)
    text += d == 4 ? "1 1 *UNIFORM/0.1/0.9 0 1 1\n" : "1 1 0 0 1 1\n";
  read_structure(s, text);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(s._abc_db[i] != nullptr, i == 53) << i;
  EXPECT_FLOAT_EQ(s._growth_rate_deme[4], 0.9f);

  // One structure: deme 11 column 3 is slot 94, deme 12 column 0 is slot 97,
  // deme 12 column 1 would be 98 and column 3 slot 100, which is refused.
  Tsettings t;
  prepare(t, 13, 1, 1);
  text = "h\nh\n";
  for (int d = 0; d < 11; ++d) text += "1 1 0 0 1 1\n";
  text += "1 1 0 *UNIFORM/0.1/0.2 1 1\n";
  text += "*UNIFORM/1/5 1 0 *UNIFORM/0.3/0.4 1 1\n";
  log.clear();
  read_structure(t, text);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(t._abc_db[i] != nullptr, i == 94 || i == 97) << i;
  EXPECT_TRUE(t._abc_error);
  EXPECT_FLOAT_EQ(t._mig_rate_deme[12], 0.4f);  // the value is kept all the same
  const std::string logged = log.text();
  const std::string refusal =
      "ERROR: the prior for slot 100 cannot be used: the prior table has only slots 0 to 99!\n";
  ASSERT_GE(logged.size(), refusal.size());
  EXPECT_EQ(logged.substr(logged.size() - refusal.size()), refusal);
  EXPECT_EQ(logged.find("ERROR"), logged.rfind("ERROR"));
}

TEST(GroupFile, EchoValuesAndCounter) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 4, 3, 1, 1);
  std::istringstream in("K r m\n500 0.3 0.05\n-1 0 0\n10 2 0.5\n");
  int valid = 3;
  s.read_popabc(in, valid);
  EXPECT_EQ(valid, 5);  // groups 1 and 2 are valid, r = 2 is not
  EXPECT_EQ(log.text(),
            "\tAll demes belonging to group 1 are modified as follow:  new K = 500  new r = 0.3  new m = 0.05\n"
            "\tGroup of populations 2 is inactive\n"
            "\tAll demes belonging to group 3 are modified as follow:  new K = 10  new r = 2  new m = 0.5\n");
  EXPECT_EQ(s._final_k_group, (std::vector<double>{500, -1, 10}));
  EXPECT_EQ(s._growth_rate_group, (std::vector<float>{0.3f, 0.0f, 2.0f}));
  EXPECT_EQ(s._mig_rate_group, (std::vector<float>{0.05f, 0.0f, 0.5f}));
}

TEST(GroupFile, PriorReplacesTheStructureFilePrior) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 2, 2, 2, 1);
  read_structure(s, "h\nh\n1 *UNIFORM/10/20 0 0 1 1\n1 1 0 0 2 1\n");
  ASSERT_NE(s._abc_db[2 + 25], nullptr);
  EXPECT_EQ(s._abc_db[2 + 25]->_params[1], 20.0f);
  std::istringstream in("h\n*POISSON/40 0.5 0.5 30 0.5 *UNIFORM/0.1/0.2\n");
  int valid = 0;
  s.read_popabc(in, valid);
  ASSERT_NE(s._abc_db[2 + 25], nullptr);
  EXPECT_EQ(s._abc_db[2 + 25]->_distribution, POISSON);
  EXPECT_EQ(s._final_k_group[0], 40.0);
  ASSERT_NE(s._abc_db[2 + 24 + 6 + 3], nullptr);  // m of group 2
  EXPECT_FLOAT_EQ(s._mig_rate_group[1], 0.2f);
  EXPECT_EQ(valid, 2);
}

TEST(GroupFile, EmptyStreamGivesZeros) {
  testutil::LogCapture log;
  Tsettings s;
  prepare(s, 1, 2, 1, 1);
  std::ifstream missing("no_such_file_here.txt");
  int valid = 0;
  s.read_popabc(missing, valid);
  EXPECT_EQ(s._final_k_group, (std::vector<double>{0, 0}));
  EXPECT_EQ(valid, 2);
}
