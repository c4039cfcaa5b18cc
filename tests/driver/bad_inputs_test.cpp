// The table of bad inputs: every case runs the whole program in a fresh
// directory with a fixed seed sequence, bounded in time, and must end by
// itself with status 0, leave no "nan" or "inf" in any result file and, where
// the input is wrong, say so in "tessarel.log".

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bad_run.h"
#include "run_inputs.h"
#include "test_util.h"

using runtest::Inputs;
using testutil::write_file;

namespace {

const int kSeconds = 10;

// Messages of the error report.
const char* const kNoStructure = "\tERROR: At least one population structure must be define!!!";
const char* const kNoStructureFile =
    "\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!";
const char* const kBadGroup = "\tERROR: At least one population group index is wrong, check it !!!";
const char* const kMissingDetails = "\tERROR: Details are not given for all 4 populations!";
const char* const kBadFrequency = "\tERROR: Initial frequency for allele 1 must be between 0 and 1!!!";
const char* const kBadPrior = "\tERROR: At least one prior cannot be used";
const char* const kNoAllele = "\tERROR: At least one initial allele per ancestral pool is needed!";
const char* const kNoArea = "\tERROR: The virtual area needs at least one deme in each direction!";
const char* const kTooLarge = "\tERROR: Too many demes, groups, routes or structures";
const char* const kBadRoute = "\tERROR: at least one of the removed migration is wrong!";
const char* const kLateStart = "\tERROR: Initial population structure must start at generation 0!!!";
const char* const kAnyError = "\tERROR: ";

// A sound small run: a 2 x 2 grid in two groups, one deme inactive, two
// simulations of three generations, frequency files on.
Inputs base() {
  Inputs in;
  in.simulations = "2";
  in.generations = "3";
  in.alleles = "3";
  in.init_freq = "0.5";
  in.intermediate = "1";
  in.x = "2";
  in.y = "2";
  in.groups = "2";
  in.demes = {"10 20 0.5 0.1 1 5", "5 20 0.5 0.1 1 5", "0 20 0.5 0.1 2 5", "0 -1 0 0 2 0"};
  return in;
}

std::function<void()> with(std::function<void(Inputs&)> change) {
  return [change]() {
    Inputs in = base();
    change(in);
    in.write();
  };
}

// Deterministic bytes of every value, line ends and NULs included.
std::string binary_bytes(size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  unsigned x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = static_cast<char>((x >> 16) & 0xff);
  }
  return bytes;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Structure 2 starts at generation 1 in per-deme mode; its file is `text`
// (or missing when null).
std::function<void()> with_change_file(const char* text) {
  return [text]() {
    Inputs in = base();
    in.structures = "2";
    in.structure_list = "1 0 2 1";
    in.write();
    if (text != nullptr) write_file("tessarel_structure_2.txt", text);
  };
}

// An output name taken by a directory, so that the file cannot be opened.
std::function<void()> blocked_output(const char* name, bool abc) {
  return [name, abc]() {
    Inputs in = base();
    if (abc) in.generations = "*UNIFORM 2 4";
    in.write();
    mkdir(name, 0755);
  };
}

struct BadCase {
  const char* name;
  std::function<void()> setup;
  std::vector<std::string> log_lines;  // each must appear in the log
  bool full_run;                       // the run goes on to its normal end
  std::function<void(const badrun::Outcome&)> check = nullptr;  // what else must hold
};

std::string result_text(const badrun::Outcome& outcome, const std::string& name) {
  for (const auto& file : outcome.results)
    if (file.first == name) return file.second;
  return "";
}

// No simulation ran: an empty batch file and no project file.
void no_simulation(const badrun::Outcome& outcome) {
  EXPECT_EQ("", result_text(outcome, "arlequin.arb"));
  EXPECT_FALSE(badrun::has_result(outcome, "Result_000001.arp"));
}

// Both simulations wrote their project file.
void both_simulations(const badrun::Outcome& outcome) {
  EXPECT_EQ("Result_000001.arp\nResult_000002.arp\n", result_text(outcome, "arlequin.arb"));
  EXPECT_TRUE(badrun::has_result(outcome, "Result_000002.arp"));
}

// The batch file is blocked, the project files are still written.
void projects_written(const badrun::Outcome& outcome) {
  EXPECT_TRUE(badrun::has_result(outcome, "Result_000001.arp"));
  EXPECT_TRUE(badrun::has_result(outcome, "Result_000002.arp"));
}

// The ABC table: a header and one row per simulation, as many fields in
// every row as in the header.
void abc_rows(const badrun::Outcome& outcome) {
  std::vector<std::string> lines = runtest::split_lines(result_text(outcome, "tessarel_abc.txt"));
  ASSERT_EQ(3u, lines.size());
  const size_t fields = runtest::split_tabs(lines[0]).size();
  EXPECT_GT(fields, 5u);
  EXPECT_EQ(fields, runtest::split_tabs(lines[1]).size()) << lines[0] << "\n" << lines[1];
  EXPECT_EQ(fields, runtest::split_tabs(lines[2]).size()) << lines[0] << "\n" << lines[2];
}

std::vector<BadCase> bad_cases() {
  const std::string long_text(20000, 'x');
  return {
      // Missing, empty and binary input files.
      {"MissingParameterFile", []() {}, {kNoStructure}, false},
      {"EmptyParameterFile", []() {
         base().write();
         write_file("tessarel_param.txt", "");
       }, {kNoStructure}, false},
      {"BinaryParameterFile", []() {
         base().write();
         write_file("tessarel_param.txt", binary_bytes(4096, 7));
       }, {kAnyError}, false},
      {"MissingStructureFile", []() {
         base().write();
         std::remove("tessarel_structure_1.txt");
       }, {kNoStructureFile}, false},
      {"EmptyStructureFile", []() {
         base().write();
         write_file("tessarel_structure_1.txt", "");
       }, {kBadGroup}, false},
      {"BinaryStructureFile", []() {
         base().write();
         write_file("tessarel_structure_1.txt", binary_bytes(4096, 11));
       }, {kAnyError}, false},
      {"BinaryGroupFile", []() {
         Inputs in = base();
         in.same_demo = "1";
         in.group_records = {"20 0.5 0.1", "20 0.5 0.1"};
         in.write();
         write_file("tessarel_alldemes_1.txt", binary_bytes(2048, 13));
       }, {}, false},

      // Line ends and lengths.
      {"CrLfLineEnds", []() {
         Inputs in = base();
         in.structures = "2";
         in.structure_list = "1 0 2 2";
         in.write();
         write_file("tessarel_param.txt", crlf(testutil::read_file("tessarel_param.txt")));
         write_file("tessarel_structure_1.txt", crlf(testutil::read_file("tessarel_structure_1.txt")));
         write_file("tessarel_structure_2.txt", crlf("change\nabs abs abs\n30 0.5 0.1\n-1 -1 -1\n-1 -1 -1\n-1 -1 -1\n"));
       }, {"Deme 1 modified with\tnew k=30"}, true, both_simulations},
      {"OverLongLines", [long_text]() {
         Inputs in = base();
         in.write();
         std::string param = testutil::read_file("tessarel_param.txt");
         param = long_text + param.substr(param.find('\n'));
         // The number of simulations followed by a very long comment.
         const size_t two = param.find("\n2\n");
         param.insert(two + 2, std::string(15000, ' ') + "// " + long_text);
         write_file("tessarel_param.txt", param);
         std::string structure = testutil::read_file("tessarel_structure_1.txt");
         write_file("tessarel_structure_1.txt", long_text + structure);
       }, {"\tSimulations: 2\n"}, true, both_simulations},
      {"OverLongTokens", [long_text]() {
         Inputs in = base();
         in.route_count = "1";
         in.routes = "(1,2," + std::string(300, '5') + ")";
         in.demes[1] = std::string(300, 'z') + " " + in.demes[1];
         in.write();
       }, {}, false},

      // Counts: negative, zero, huge and not numbers.
      {"SimulationsNegative", with([](Inputs& in) { in.simulations = "-3"; }), {}, true, no_simulation},
      {"SimulationsNaN", with([](Inputs& in) { in.simulations = "nan"; }), {}, true, no_simulation},
      {"SimulationsInfinite", with([](Inputs& in) { in.simulations = "inf"; }), {}, true, no_simulation},
      {"SimulationsText", with([](Inputs& in) { in.simulations = "many"; }), {}, true, no_simulation},
      {"GenerationsZero", with([](Inputs& in) { in.generations = "0"; }), {}, true},
      {"GenerationsNegative", with([](Inputs& in) { in.generations = "-7"; }), {}, true},
      {"GenerationsNaN", with([](Inputs& in) { in.generations = "nan"; }), {}, true, both_simulations},
      {"AllelesZero", with([](Inputs& in) { in.alleles = "0"; }), {kNoAllele}, false},
      {"AllelesNegative", with([](Inputs& in) { in.alleles = "-2"; }), {kNoAllele}, false},
      {"AllelesInfinite", with([](Inputs& in) { in.alleles = "inf"; }), {kNoAllele}, false},
      {"GridZero", with([](Inputs& in) { in.x = "0"; }), {kNoArea}, false},
      {"GridNegative", with([](Inputs& in) { in.y = "-2"; }), {kNoArea}, false},
      {"GridNaN", with([](Inputs& in) { in.x = "nan"; }), {kNoArea}, false},
      {"GridOverflowingInt", with([](Inputs& in) {
         in.x = "1e40";
         in.y = "2";
       }), {kTooLarge}, false},
      {"GroupsZero", with([](Inputs& in) { in.groups = "0"; }), {kBadGroup}, false},
      {"GroupsNegative", with([](Inputs& in) { in.groups = "-1"; }), {kBadGroup}, false},
      {"RoutesNegative", with([](Inputs& in) { in.route_count = "-4"; }), {}, true},
      {"RoutesMoreThanGiven", with([](Inputs& in) {
         in.route_count = "3";
         in.routes = "(1,2,0.5)";
       }), {kNoStructure}, false},  // the structure lines are taken as route tokens
      {"RouteOutsideTheGrid", with([](Inputs& in) {
         in.route_count = "1";
         in.routes = "(1,9,0.5)";
       }), {kBadRoute}, false},
      {"StructuresZero", with([](Inputs& in) { in.structures = "0"; }), {kNoStructure}, false},
      {"StructuresNegative", with([](Inputs& in) { in.structures = "-5"; }), {kNoStructure}, false},
      {"StructuresNaN", with([](Inputs& in) { in.structures = "nan"; }), {kNoStructure}, false},
      {"SampleSizesNegativeAndHuge", with([](Inputs& in) {
         in.demes[0] = "10 20 0.5 0.1 1 -5";
         in.demes[1] = "5 20 0.5 0.1 1 1e40";
       }), {}, true},
      {"DemeValuesNotNumbers", with([](Inputs& in) {
         in.demes[0] = "nan 20 0.5 0.1 1 5";
         in.demes[1] = "5 inf 0.5 0.1 1 5";
         in.demes[2] = "5 20 nan inf 2 5";
       }), {}, true, both_simulations},
      {"GrowthRateHuge", with([](Inputs& in) { in.demes[0] = "10 20 1e40 0.1 1 5"; }), {kMissingDetails}, false},
      {"CarryingCapacityHuge", with([](Inputs& in) { in.demes[0] = "10 1e40 1 0.1 1 5"; }), {}, true},
      {"InitialFrequencyNaN", with([](Inputs& in) { in.init_freq = "nan"; }), {}, true},
      {"InitialFrequencyHuge", with([](Inputs& in) { in.init_freq = "1e40"; }), {kBadFrequency}, false},
      {"SelectionModelUnknown", with([](Inputs& in) { in.model = "7"; }),
       {"\tERROR: Selection model 7 does not exist!!!"}, false},
      {"SelectionHuge", with([](Inputs& in) {
         in.gradient = "1";
         in.north_east = "1e40";
         in.south_west = "-1e40";
         in.rate = "1e40";
       }), {}, true},
      {"MutationRateHuge", with([](Inputs& in) { in.mutation = "1e40"; }), {}, true},

      // A grid whose size disagrees with the structure file.
      {"StructureFileLongerThanGrid", with([](Inputs& in) {
         in.demes.push_back("10 20 0.5 0.1 1 5");
         in.demes.push_back("10 20 0.5 0.1 1 5");
       }), {}, true},

      // Group numbers out of range.
      {"GroupAboveRange", with([](Inputs& in) { in.demes[0] = "10 20 0.5 0.1 3 5"; }), {kBadGroup}, false},
      {"GroupZero", with([](Inputs& in) { in.demes[0] = "10 20 0.5 0.1 0 5"; }), {kBadGroup}, false},
      {"GroupNotANumber", with([](Inputs& in) { in.demes[1] = "10 20 0.5 0.1 nan 5"; }), {kBadGroup}, false},
      {"GroupOutOfRangeInGroupMode", with([](Inputs& in) {
         in.same_demo = "1";
         in.demes[2] = "0 20 0.5 0.1 5 5";
         in.group_records = {"20 0.5 0.1", "30 0.5 0.1"};
       }), {kBadGroup}, false},

      // Priors.
      {"PriorsInEveryColumn", with([](Inputs& in) {
         in.generations = "*UNIFORM_DISCRETE 2 4";
         in.alleles = "*UNIFORM_DISCRETE 2 3";
         in.one_pool = "*UNIFORM_DISCRETE 0 1";
         in.gradient = "*UNIFORM_DISCRETE 0 2";
         in.init_freq = "*UNIFORM(0.1/0.9)";
         in.mutation = "*LOG_UNIFORM 0.0001 0.01";
         in.rate = "*UNIFORM 0 0.1";
         in.north_east = "*UNIFORM 0 0.1";
         in.south_west = "*BINOMIAL 1 0.5";
         in.route_count = "1";
         in.routes = "(1,2,*UNIFORM/0/1)";
         in.structures = "2";
         in.structure_list = "1 0 2 *UNIFORM_DISCRETE/1/2";
         in.demes[0] = "*UNIFORM/5/15 *POISSON/20 *UNIFORM/0/1 *UNIFORM/0/0.2 1 5";
         in.demes[1] = "5 *UNIFORM/10/30 0.5 0.1 1 5";
       }), {}, true, abc_rows},
      {"PriorsInGroupFile", with([](Inputs& in) {
         in.same_demo = "1";
         in.group_records = {"*UNIFORM/10/30 *UNIFORM/0/1 *UNIFORM/0/0.3", "20 0.5 0.1"};
       }), {}, true},
      {"PriorInFixedOnlyCount", with([](Inputs& in) { in.simulations = "*UNIFORM 1 10"; }),
       {"ERROR: the parameter 1 must be given fixed values!"}, true},
      {"PriorInGridExtent", with([](Inputs& in) { in.x = "*UNIFORM 1 10"; }),
       {"ERROR: the parameter 15 must be given fixed values!", kNoArea}, false},
      {"PriorInGroupColumn", with([](Inputs& in) { in.demes[0] = "10 20 0.5 0.1 *UNIFORM/1/2 5"; }),
       {"ERROR: the parameter 29 must be given fixed values!", kBadGroup}, false},
      {"PriorUnknownDistribution", with([](Inputs& in) { in.init_freq = "*NORMAL 0 1"; }), {kBadPrior}, false},
      {"PriorMissingParameters", with([](Inputs& in) { in.demes[0] = "*UNIFORM/5 20 0.5 0.1 1 5"; }),
       {kBadPrior}, false},
      {"PriorLogUniformAtZero", with([](Inputs& in) { in.mutation = "*LOG_UNIFORM 0 0.1"; }), {kBadPrior}, false},
      {"PriorBeyondThePriorTable", []() {
         Inputs in = base();
         in.x = "5";
         in.y = "3";
         in.demes.assign(15, "5 20 0.5 0.1 1 5");
         in.demes[13] = "*UNIFORM/1/9 20 0.5 0.1 1 5";  // slot 1 + 24 + 6 x 13 = 103
         in.write();
       }, {"ERROR: the prior for slot 103 cannot be used", kBadPrior}, false},
      {"PriorOnTheFirstStructure", with([](Inputs& in) { in.structure_list = "1 *UNIFORM/5/20"; }),
       {kLateStart}, false},

      // Structure-change files.
      {"ChangeFileMissing", with_change_file(nullptr),
       {"ERROR: Problem occured when trying to load population structure modification no 2"}, true},
      {"ChangeFileEmpty", with_change_file(""), {}, true},
      {"ChangeFileShort", with_change_file("only the title line"), {}, true},
      {"ChangeFileGarbage", with_change_file("title\n\x01\x02\xff\xfe garbage (1,2) *** // // \t\t nan inf 1e40 -1e40\n"),
       {}, true, both_simulations},
      {"ChangeFileUnknownPrior", with_change_file("title\nabs abs abs\n*NORMAL/1/2 0.5 0.1\n"),
       {"ERROR: the prior *NORMAL/1/2 in tessarel_structure_2.txt cannot be used"}, true},
      {"ChangeFileHugeValues", with_change_file("title\nrel rel rel\n1e40 1e40 1e40\n-1e40 -1e40 -1e40\n"),
       {}, true},

      // Output files that cannot be written.
      {"BatchFileBlocked", blocked_output("arlequin.arb", false),
       {"ERROR: Cannot open or write the output file \"arlequin.arb\"!"}, true, projects_written},
      {"ProjectFileBlocked", blocked_output("Result_000001.arp", false),
       {"ERROR: Cannot open or write the output file \"Result_000001.arp\"!"}, true},
      {"FrequencyFileBlocked", blocked_output("tessarel_frequency.deme1", false),
       {"ERROR: Cannot open or write the output file \"tessarel_frequency.deme1\"!"}, true},
      {"AbcTableBlocked", blocked_output("tessarel_abc.txt", true),
       {"ERROR: Cannot open or write the output file \"tessarel_abc.txt\"!"}, true},
  };
}

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, EndsSoundlyAndSaysWhatIsWrong) {
  const BadCase& c = GetParam();
  testutil::TempDir dir;
  c.setup();
  const badrun::Outcome outcome = badrun::run_bounded(kSeconds);
  ASSERT_TRUE(outcome.ended && outcome.exit_status == 0) << outcome.describe();
  EXPECT_EQ("", badrun::result_with_nan_or_inf(outcome));
  for (const std::string& line : c.log_lines) {
    EXPECT_NE(std::string::npos, outcome.log.find(line)) << "missing log line: " << line << "\n" << outcome.describe();
  }
  if (c.check) c.check(outcome);
  if (c.full_run) {
    EXPECT_TRUE(badrun::ended_normally(outcome)) << outcome.describe();
  } else {
    // Refused or ended early: either way without a crash and with a log.
    EXPECT_FALSE(outcome.log.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BadInput, ::testing::ValuesIn(bad_cases()),
                         [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

}  // namespace
