// Inputs that once hung, crashed or passed in silence: each test is the
// smallest input that showed the fault. Each is bounded in time and, outside
// AddressSanitizer builds, in address space.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bad_run.h"
#include "run_inputs.h"
#include "test_util.h"

using runtest::Inputs;

namespace {

const int kSeconds = 5;

Inputs small_run() {
  Inputs in;
  in.simulations = "1";
  in.generations = "2";
  in.x = "2";
  in.y = "1";
  in.demes = {"10 20 0.5 0.1 1 5", "5 20 0.5 0.1 1 5"};
  return in;
}

// The run ends by itself with status 0 and, when `file` is given, the log has
// an ERROR or WARNING line naming it.
void expect_sound_end(const std::string& file = "") {
  const badrun::Outcome outcome = badrun::run_bounded(kSeconds);
  ASSERT_TRUE(outcome.ended && outcome.exit_status == 0) << outcome.describe();
  EXPECT_EQ("", badrun::result_with_nan_or_inf(outcome));
  if (file.empty()) return;
  bool named = false;
  std::istringstream lines(outcome.log);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find(file) != std::string::npos &&
        (line.find("ERROR") != std::string::npos || line.find("WARNING") != std::string::npos))
      named = true;
  }
  EXPECT_TRUE(named) << "no ERROR/WARNING line names " << file << "\n" << outcome.describe();
}

// Fault: a huge route count (line 22) makes operator>> read that many route
// tokens after the input ran out (settings/read_param.cpp, the route loop of
// operator>>): 10^9 empty tokens, vector entries and log items.
TEST(BadFinding, HugeRouteCountEndsAtEndOfInput) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.route_count = "1e9";
  in.write();
  expect_sound_end();
}

// Fault: a huge structure count (line 24) makes operator>> read that many
// structure pairs after the input ran out (settings/read_param.cpp, the
// structure-list loop of operator>>).
TEST(BadFinding, HugeStructureCountEndsAtEndOfInput) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.structures = "1e9";
  in.write();
  expect_sound_end();
}

// Fault: a grid of 40000 x 40000 demes (fits in an int) makes read_structure
// read 1.6 x 10^9 records, each repeating the last token of a two-record file,
// and then builds as many demes (settings/read_structure.cpp, the deme loop;
// driver/tessarel.cpp, the deme table).
TEST(BadFinding, HugeGridIsRefused) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.x = "40000";
  in.y = "40000";
  in.write();
  expect_sound_end();
}

// Fault: in group mode a huge group count makes read_popabc read that many
// group records from a two-record file (settings/read_structure.cpp, the
// group loop of read_popabc).
TEST(BadFinding, HugeGroupCountInGroupModeEndsAtEndOfInput) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.same_demo = "1";
  in.groups = "1e9";
  in.group_records = {"20 0.5 0.1"};
  in.write();
  expect_sound_end();
}

// Fault: with one pool per group, the allele count is groups x alleles
// (clamped to the int range), and the run builds an allele table of that
// size (settings/read_param.cpp line-5 product; driver/tessarel.cpp allele
// table). Groups 10^6 with 1000 alleles each ask for 10^9 alleles.
TEST(BadFinding, HugeAlleleTableIsRefused) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.one_pool = "1";
  in.groups = "1000000";
  in.alleles = "1000";
  in.write();
  expect_sound_end();
}

// Fault: a huge initial size N0 (here 10^9) makes the run create that many
// individuals in one deme (driver/tessarel.cpp, create_ind_vector with the
// truncated N0; nothing bounds N0 from above).
TEST(BadFinding, HugeInitialSizeIsRefused) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.demes[0] = "1e9 20 0.5 0.1 1 5";
  in.write();
  expect_sound_end();
}

// Fault: a structure file with fewer records than the grid has demes is read
// without a word: every missing record repeats the last token, so deme 2..4
// silently copy the values of deme 1 (settings/read_structure.cpp).
TEST(BadFinding, ShortStructureFileIsReported) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.x = "2";
  in.y = "2";
  in.demes = {"10 20 0.5 0.1 1 5"};
  in.write();
  expect_sound_end("tessarel_structure_1.txt");
}

// Fault: in group mode a missing "tessarel_alldemes_1.txt" is not reported;
// every group then gets K = 0, r = 0 and m = 0 and the run goes on as if
// valid (settings/read_param.cpp, the opening of the group file).
TEST(BadFinding, MissingGroupFileIsReported) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.same_demo = "1";
  in.write();
  expect_sound_end("tessarel_alldemes_1.txt");
}

// Fault: a route whose from-deme is 0 (stored as -1; 0 passes the route
// check) or a route token without "(" (stored as -1 -> -1) reaches the route
// lookup of the grid, whose key shifts the negative index left by 32 bits:
// undefined behaviour (driver/grid.cpp, the key of the route table, about
// line 112). Only a build with UndefinedBehaviorSanitizer sees it fail.
TEST(BadFinding, RouteFromDemeZeroIsNoUndefinedShift) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.route_count = "2";
  in.routes = "(0,2,0.5) no-bracket";
  in.write();
  expect_sound_end();
}

// Fault: a group record outside the valid ranges (here K = 1e30, r = 1e30)
// is not refused as long as the valid deme records alone reach NUM_POP
// (code 3 counts both kinds together; settings/read_param.cpp, closing
// checks), and in group mode the group's K and r are every deme's. Logistic
// growth then computes a next size of about 9e29 and converts it to
// std::size_t (model/population.cpp, logistic_growth, about line 127):
// undefined behaviour, reported by clang's UndefinedBehaviorSanitizer
// (gcc's -fsanitize=undefined does not check float-to-integer casts), and
// an attempt to create that many individuals. fuzz_run reached the same
// through group priors (draws far outside [0, 1] into the group vectors).
// Sound: refuse the invalid group record with an error line, and let the
// growth step never size a list beyond what it can hold.
TEST(BadFinding, InvalidGroupRecordIsRefused) {
  testutil::TempDir dir;
  Inputs in = small_run();
  in.x = "1";
  in.demes = {"10 20 0.5 0.1 1 5"};
  in.same_demo = "1";
  in.group_records = {"1e30 1e30 0.1"};
  in.write();
  expect_sound_end("");
  EXPECT_NE(std::string::npos, testutil::read_file("tessarel.log").find("\tERROR: "));
}

}  // namespace
