// Counts that no run could build (a typo, or a line shifted by a miscounted
// route list) must end the reading quickly with a clear refusal, and files
// that end before their last record must be named in the log.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_internal.h"
#include "settings_fixture.h"
#include "support/globaldef.h"
#include "test_util.h"

using settings_test::ParamFile;
using settings_test::read_all;

namespace {

const char* kTwoDemes = "h\nh\n10 20 0.5 0.1 1 5\n5 20 0.5 0.1 1 5\n";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Stopwatch {
 public:
  Stopwatch() : _start(std::chrono::steady_clock::now()) {}
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count();
  }

 private:
  std::chrono::steady_clock::time_point _start;
};

}  // namespace

// A list whose count is above its limit is not read at all: the run is
// refused at the end of the reading, whatever the file holds.
TEST(Limits, RouteCountAbove10000IsNotRead) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    // 10001 routes on line 23: none is read, the line is skipped as the rest
    // of the route line, and S still comes from line 24.
    Tsettings s;
    ParamFile p;
    p.routes_count = "10001";
    p.routes.clear();
    for (int i = 0; i < 10001; ++i) p.routes += "(1,2,0.5) ";
    read_all(s, p, kTwoDemes);
    EXPECT_EQ(s._num_modified_mig, 10001);
    EXPECT_TRUE(s._modified_mig.empty());
    EXPECT_TRUE(s._modified_mig_from.empty());
    EXPECT_EQ(s._pop_struct, (std::vector<int>{0}));
    EXPECT_EQ(s._init_k_deme.size(), 2u);
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    EXPECT_TRUE(contains(log.text(), "\t10001 modified Routes: \n\tNum of structures: 1\n"));
    log.clear();
    EXPECT_EQ(s.check_parameters_validity(), 0);
    EXPECT_EQ(log.text(),
              "\n\tERROR: Too many demes, groups, routes or structures: at most 1000000 demes and "
              "groups and 10000 routes and structures!\n");
  }
  {
    // A typo of 10^9 routes ends quickly with the same clear refusal.
    Stopwatch watch;
    Tsettings s;
    ParamFile p;
    p.routes_count = "1e9";
    p.routes = "(1,2,0.5)";
    read_all(s, p, kTwoDemes);
    EXPECT_TRUE(s._modified_mig.empty());
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    EXPECT_LT(watch.seconds(), 10.0);
  }
  {
    // Exactly 10000 routes are a normal run.
    Tsettings s;
    ParamFile p;
    p.routes_count = "10000";
    p.routes.clear();
    for (int i = 0; i < 10000; ++i) p.routes += "x ";
    read_all(s, p, kTwoDemes);
    EXPECT_EQ(s._modified_mig.size(), 10000u);
    EXPECT_TRUE(s._errors.empty());
  }
}

TEST(Limits, StructureCountAbove10000IsNotRead) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    Tsettings s;
    ParamFile p;
    p.structs = "1e9";
    p.struct_list = "1 0 2 100";
    read_all(s, p, kTwoDemes);
    EXPECT_EQ(s._num_pop_struct, 1000000000);
    EXPECT_TRUE(s._pop_struct.empty());
    EXPECT_EQ(s._init_k_deme.size(), 2u);
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    EXPECT_FALSE(contains(log.text(), "Structure 1"));
  }
  {
    // Group mode writes the group-file line with structure 1's start, 0.
    log.clear();
    Tsettings s;
    ParamFile p;
    p.same = "1";
    p.structs = "10001";
    read_all(s, p, kTwoDemes, "K r m\n20 0.5 0.1\n");
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    EXPECT_TRUE(contains(
        log.text(),
        "\n\tGeneration 0: modification of deme demography through tessarel_alldemes_1.txt :\n"));
  }
  {
    // Exactly 10000 structures are read.
    Tsettings s;
    ParamFile p;
    p.structs = "10000";
    p.struct_list = "1 0 2 100";
    read_all(s, p, kTwoDemes);
    ASSERT_EQ(s._pop_struct.size(), 10000u);
    EXPECT_EQ(s._pop_struct[9999], 100);  // the last token read repeats
    EXPECT_TRUE(s._errors.empty());
  }
}

TEST(Limits, DemeAndGroupCountsAbove1000000AreNotRead) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    Stopwatch watch;
    Tsettings s;
    ParamFile p;
    p.x = "40000";
    p.y = "40000";
    read_all(s, p, kTwoDemes);
    EXPECT_EQ(s._num_pop, 1600000000);
    EXPECT_TRUE(s._init_k_deme.empty());
    EXPECT_TRUE(s._samp_size_deme.empty());
    EXPECT_EQ(s._errors, (std::vector<int>{3, 14}));
    EXPECT_FALSE(contains(log.text(), "Deme"));
    EXPECT_LT(watch.seconds(), 10.0);
  }
  // The limits themselves are read whole (a grid of 1000 x 1000 demes).
  EXPECT_EQ(settings_detail::records_to_read(1000000, settings_detail::MAX_DEMES), 1000000);
  EXPECT_EQ(settings_detail::records_to_read(1000001, settings_detail::MAX_DEMES), 0);
  EXPECT_EQ(settings_detail::records_to_read(1000000, settings_detail::MAX_GROUPS), 1000000);
  EXPECT_EQ(settings_detail::records_to_read(-3, settings_detail::MAX_GROUPS), -3);
  {
    log.clear();
    Tsettings s;
    ParamFile p;
    p.same = "1";
    p.groups = "1e9";
    read_all(s, p, kTwoDemes, "K r m\n20 0.5 0.1\n");
    EXPECT_EQ(s._num_pop_groups, 1000000000);
    EXPECT_TRUE(s._final_k_group.empty());
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    EXPECT_TRUE(contains(log.text(), "tessarel_alldemes_1.txt :\n\n"));
  }
  {
    // Outside group mode no group table is built: a large group count is
    // no reason to refuse the run.
    Tsettings s;
    ParamFile p;
    p.groups = "2000000000";
    read_all(s, p, kTwoDemes);
    EXPECT_TRUE(s._errors.empty());
  }
}

TEST(Limits, AlleleTableAndInitialSizesAreBounded) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    // One pool per group: 10^6 groups of 1000 alleles ask for 10^9 alleles.
    Tsettings s;
    ParamFile p;
    p.one_pool = "1";
    p.groups = "1000000";
    p.alleles = "1000";
    read_all(s, p, kTwoDemes);
    EXPECT_EQ(s._num_alleles, 1000000000);
    EXPECT_EQ(s._errors, (std::vector<int>{15}));
    log.clear();
    EXPECT_EQ(s.check_parameters_validity(), 0);
    EXPECT_EQ(log.text(),
              "\n\tERROR: The initial allele count or the initial deme sizes are too large for this "
              "machine!\n");
  }
  {
    // The limits themselves pass.
    Tsettings s;
    ParamFile p;
    p.alleles = "1000000";
    read_all(s, p, "h\nh\n60000000 20 0.5 0.1 1 5\n40000000 -1 0.5 0.1 1 5\n");
    EXPECT_TRUE(s._errors.empty());
  }
  {
    // Inactive demes get their N0 individuals too, so they count; a
    // negative N0 makes none and does not offset the others.
    Tsettings s;
    ParamFile p;
    p.x = "3";
    read_all(s, p,
             "h\nh\n60000000 20 0.5 0.1 1 5\n40000004 -1 0.5 0.1 1 5\n-50000000 20 0.5 0.1 1 5\n");
    EXPECT_EQ(s._errors, (std::vector<int>{3, 15}));
  }
  {
    // A prior's largest parameter is what the check sees.
    Tsettings s;
    ParamFile p;
    read_all(s, p, "h\nh\n*UNIFORM/1/1e9 20 0.5 0.1 1 5\n5 20 0.5 0.1 1 5\n");
    EXPECT_EQ(s._errors, (std::vector<int>{15}));
  }
}

// The warning stands right after the file's echo, once, naming the first
// record the file could not give whole; the values still repeat the last
// token as before.
TEST(Limits, FilesEndingEarlyAreNamedAfterTheirEcho) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.x = "3";
  p.groups = "3";
  p.same = "1";
  read_all(s, p, "h\nh\n10 20 0.5 0.1 1 5\n5 20 0.5 0.1 2", "K r m\n20 0.5 0.1\n");
  const std::string text = log.text();
  EXPECT_TRUE(contains(text,
                       "\tGeneration 0: Structure 1\n"
                       "\tDeme 1\tN0:10 \tK:20 \tr:0.5 \tm:0.1 \tGroup:1 \tSample size:5\n"
                       "\tDeme 2\tN0:5 \tK:20 \tr:0.5 \tm:0.1 \tGroup:2 \tSample size:2\n"
                       "\tDeme 3\tN0:2 \tK:2 \tr:2 \tm:2 \tGroup:2 \tSample size:2\n"
                       "WARNING: tessarel_structure_1.txt ends before the record of deme 2!\n"
                       "\n"
                       "\tGeneration 0: modification of deme demography through tessarel_alldemes_1.txt :\n"
                       "\tAll demes belonging to group 1 are modified as follow:  new K = 20  new r = 0.5  new m = 0.1\n"
                       "\tAll demes belonging to group 2 are modified as follow:  new K = 0.1  new r = 0.1  new m = 0.1\n"
                       "\tAll demes belonging to group 3 are modified as follow:  new K = 0.1  new r = 0.1  new m = 0.1\n"
                       "WARNING: tessarel_alldemes_1.txt ends before the record of group 2!\n"
                       "\n"))
      << text;
  EXPECT_EQ(s._samp_size_deme, (std::vector<int>{5, 2, 2}));

  // A whole file, even without a final line end, draws no warning; nor does
  // a file with more records than the grid.
  log.clear();
  Tsettings t;
  read_all(t, p, "h\nh\n1 1 0 0 1 1 1 1 0 0 2 1 1 1 0 0 3 1 9 9", "K r m\n1 0 0\n1 0 0\n1 0 0");
  EXPECT_FALSE(contains(log.text(), "WARNING"));
  EXPECT_TRUE(t._errors.empty());

  // An opened but empty structure file: the warning names deme 1.
  log.clear();
  Tsettings u;
  p.same = "0";
  read_all(u, p, "h\n");
  EXPECT_TRUE(contains(log.text(),
                       "\tDeme 3\tN0:0 \tK:0 \tr:0 \tm:0 \tGroup:0 \tSample size:0\n"
                       "WARNING: tessarel_structure_1.txt ends before the record of deme 1!\n"))
      << log.text();
}

// In group mode the demes take K, r and m from their group: valid deme records
// must not make up for a group record the demes would live by.
TEST(Limits, InvalidGroupUsedByADemeIsRefusedInGroupMode) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  const char* groups_file = "h\n1e30 1e30 0.1\n100 0.5 0.1\n";
  {
    Tsettings s;
    ParamFile p;
    p.groups = "2";
    p.same = "1";
    read_all(s, p, kTwoDemes, groups_file);
    EXPECT_EQ(s._errors, (std::vector<int>{16}));
    log.clear();
    EXPECT_EQ(s.check_parameters_validity(), 0);
    EXPECT_EQ(log.text(),
              "\n\tERROR: At least one group used by a deme has a wrong demography: K must be at "
              "least -1, r and m between 0 and 1!\n");
  }
  {
    // The same bad record for a group no deme belongs to refuses nothing.
    Tsettings s;
    ParamFile p;
    p.groups = "2";
    p.same = "1";
    read_all(s, p, "h\nh\n10 20 0.5 0.1 2 5\n5 20 0.5 0.1 2 5\n", groups_file);
    EXPECT_TRUE(s._errors.empty());
  }
}
