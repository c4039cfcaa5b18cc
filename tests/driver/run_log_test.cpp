// The run's log from its first to its last line, the parameter-error runs and
// the seed handling.

#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>

#include "run_inputs.h"
#include "support/globaldef.h"

using runtest::Inputs;
using testutil::file_exists;
using testutil::read_file;

namespace {

// Two demes side by side; the first is full, the second empty and closed to
// migrants (m = 0), so the run is the same for every seed.
Inputs two_deme_inputs() {
  Inputs in;
  in.x = "2";
  in.demes = {"10 10 0 0 1 5", "0 10 0 0 1 5"};
  return in;
}

const char* const kEcho =
    "Reading parameters...\n"
    "\n"
    "\tGENERAL SETTINGS\n"
    "\tSimulations: 1\n"
    "\tGenerations: 2\n"
    "\n"
    "\tSELECTION SETTINGS\n"
    "\tSelection model: (SOS) => Homogeneous selection rate = 0\n"
    "\n"
    "\tOUTPUT SETTINGS\n"
    "\tNo allele frequency output\n"
    "\n"
    "\tGENETIC SETTINGS\n"
    "\tTotal number of initial alleles: 2 in 1 ancestral pool\n"
    "\tInitial Frequenc for allele number 1: 1\n"
    "\tMutation rate: 0\n"
    "\n"
    "\tVIRTUAL WORLD STRUCTURE\n"
    "\tVirtual area is 2 (longitudinal) by 1 (latitudinal), total 2 demes\n"
    "\tGroup of demes: 1\n"
    "\tAll demes with same parameters: 0\n"
    "\t0 modified Routes: \n"
    "\tNum of structures: 1\n"
    "\tGeneration 0: Structure 1\n";

}  // namespace

TEST(RunLog, SmallRunLogsEveryStepInOrder) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  two_deme_inputs().write();

  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-250000)));

  const std::string expected = std::string("Starting program ...ok!\n") +
                               "Inialization of the random number with seed -250000\n" + kEcho +
                               "\tDeme 1\tN0:10 \tK:10 \tr:0 \tm:0 \tGroup:1 \tSample size:5\n"
                               "\tDeme 2\tN0:0 \tK:10 \tr:0 \tm:0 \tGroup:1 \tSample size:5\n"
                               "\n"
                               "Basic parameters read!\n"
                               "Starting simulation...\n"
                               "*************\n"
                               "SIMULATION 1\n"
                               "Simulation 1, pop 2 has not been colonized!\n"
                               "Reset population settings...\n"
                               "Ending program...ok!\n";
  EXPECT_EQ(expected, log.text());
  EXPECT_EQ("Result_000001.arp\n", read_file("arlequin.arb"));
  EXPECT_FALSE(file_exists("tessarel_abc.txt"));
  EXPECT_FALSE(file_exists("tessarel_frequency.deme1"));
  EXPECT_EQ(nullptr, randomnumber);
}

TEST(RunLog, MissingStructureFileEndsAfterTheErrorReport) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  two_deme_inputs().write();
  std::remove("tessarel_structure_1.txt");

  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-7)));

  const std::string expected =
      std::string("Starting program ...ok!\n") + "Inialization of the random number with seed -7\n" + kEcho +
      "\n\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!\n";
  EXPECT_EQ(expected, log.text());
  // The batch file exists and stays empty; nothing else is made.
  EXPECT_TRUE(file_exists("arlequin.arb"));
  EXPECT_EQ("", read_file("arlequin.arb"));
  EXPECT_FALSE(file_exists("Result_000001.arp"));
  EXPECT_FALSE(file_exists("tessarel_abc.txt"));
  EXPECT_EQ(nullptr, randomnumber);
}

TEST(RunLog, BadValuesAreReportedTogetherAndNothingRuns) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in = two_deme_inputs();
  in.model = "7";
  in.init_freq = "1.5";
  in.demes = {"10 10 0 0 1 5", "0 10 0 0 3 5"};  // group 3 of 1
  in.write();

  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-7)));

  const std::string text = log.text();
  const std::string tail =
      "\n\tERROR: At least one population group index is wrong, check it !!!\n"
      "\n\tERROR: Selection model 7 does not exist!!!\n"
      "\n\tERROR: Initial frequency for allele 1 must be between 0 and 1!!!\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
  EXPECT_EQ(std::string::npos, text.find("Ending program"));
  EXPECT_EQ("", read_file("arlequin.arb"));
}

TEST(RunLog, EmptyWorkingDirectoryIsAParameterErrorNotACrash) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(0)));
  const std::string text = log.text();
  EXPECT_NE(std::string::npos, text.find("\n\tERROR: At least one population structure must be define!!!\n"));
  EXPECT_EQ(std::string::npos, text.find("Starting simulation"));
  EXPECT_EQ("", read_file("arlequin.arb"));
}

TEST(RunLog, NoSimulationStillEndsTheRun) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in = two_deme_inputs();
  in.simulations = "0";
  in.write();

  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-1)));

  const std::string text = log.text();
  const std::string tail = "\nBasic parameters read!\nStarting simulation...Ending program...ok!\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
  EXPECT_EQ("", read_file("arlequin.arb"));
  EXPECT_FALSE(file_exists("Result_000001.arp"));
}

namespace {

// One deme above the frequency-mode threshold (1000000), two alleles in
// equal shares; with `cut` a structure change at generation 2 lowers its
// capacity to 1000, which brings it back to individual mode.
void write_big_deme(const std::string& generations, bool cut, const std::string& sample) {
  Inputs in;
  in.generations = generations;
  in.init_freq = "0";
  in.intermediate = "1";
  in.demes = {"1000001 2000000 1 0 1 " + sample};
  if (cut) {
    in.structures = "2";
    in.structure_list = "1 0 2 2";
    testutil::write_file("tessarel_structure_2.txt", "change\nabs abs abs\n1000 -1 -1\n");
  }
  in.write();
}

// Sum of the frequencies of deme 1's sample block; fails on "nan" or "inf".
double sample_total(const std::string& project) {
  EXPECT_EQ(std::string::npos, project.find("nan"));
  EXPECT_EQ(std::string::npos, project.find("inf"));
  double total = 0.0;
  for (const std::string& line : runtest::sample_lines_of(project, 1)) {
    total += std::atof(runtest::split_tabs(line)[1].c_str());
  }
  return total;
}

std::vector<std::string> frequency_line(const std::string& file, size_t index) {
  std::vector<std::string> lines = runtest::split_lines(read_file(file));
  return index < lines.size() ? runtest::split_tabs(lines[index]) : std::vector<std::string>();
}

}  // namespace

TEST(RunFrequencyMode, SwitchesBothWaysAndSamplesTheLiveState) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_big_deme("4", true, "50");

  EXPECT_EQ(0, run_tessarel(runtest::seed_sequence(11)));

  const std::string text = log.text();
  EXPECT_NE(std::string::npos, text.find("Pop [1] enters frequency mode at generation 0!\n"));
  EXPECT_NE(std::string::npos, text.find("\nGeneration 2: modification of population structure\n"));
  EXPECT_NE(std::string::npos, text.find("Pop [1] enters individual mode at generation 2!\n"));
  EXPECT_NE(std::string::npos, text.find("Ending program...ok!\n"));

  // Generation 1 ran in frequency mode: its line holds the frequencies after
  // drift, which add up to 1.
  EXPECT_EQ(6u, runtest::split_lines(read_file("tessarel_frequency.deme1")).size());
  std::vector<std::string> g1 = frequency_line("tessarel_frequency.deme1", 2);
  ASSERT_EQ(3u, g1.size());
  EXPECT_EQ("1:", g1[0]);
  EXPECT_NEAR(1.0, std::atof(g1[1].c_str()) + std::atof(g1[2].c_str()), 1e-4);

  const std::string project = read_file("Result_000001.arp");
  EXPECT_EQ(100, runtest::sample_size_of(project, 1));
  EXPECT_NEAR(1.0, sample_total(project), 1e-9);
}

TEST(RunFrequencyMode, EndingInFrequencyModeSamplesTheFrequencies) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_big_deme("2", false, "50");

  run_tessarel(runtest::seed_sequence(12));

  const std::string project = read_file("Result_000001.arp");
  EXPECT_EQ(100, runtest::sample_size_of(project, 1));
  EXPECT_NEAR(1.0, sample_total(project), 1e-9);
  EXPECT_EQ(2u, runtest::sample_lines_of(project, 1).size());
  // The final line shows the frequencies, about one half each.
  std::vector<std::string> last = frequency_line("tessarel_frequency.deme1", 3);
  ASSERT_EQ(3u, last.size());
  EXPECT_EQ("2:", last[0]);
  EXPECT_NEAR(0.5, std::atof(last[1].c_str()), 0.01);
  EXPECT_NEAR(0.5, std::atof(last[2].c_str()), 0.01);
}

TEST(RunFrequencyMode, EnteringInTheLastGenerationSamplesTheIndividuals) {
  // The frequencies are not built yet at the end: the individuals hold the
  // state, half of each allele, not an empty frequency table.
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_big_deme("1", false, "200");

  run_tessarel(runtest::seed_sequence(13));

  EXPECT_NE(std::string::npos, log.text().find("Pop [1] enters frequency mode at generation 0!\n"));
  const std::string project = read_file("Result_000001.arp");
  EXPECT_EQ(400, runtest::sample_size_of(project, 1));
  std::vector<std::string> lines = runtest::sample_lines_of(project, 1);
  ASSERT_EQ(2u, lines.size());
  EXPECT_NEAR(0.5, std::atof(runtest::split_tabs(lines[0])[1].c_str()), 0.15);
  std::vector<std::string> last = frequency_line("tessarel_frequency.deme1", 2);
  ASSERT_EQ(3u, last.size());
  EXPECT_EQ("1:", last[0]);
  EXPECT_NEAR(0.5, std::atof(last[1].c_str()), 0.01);
}

TEST(RunFrequencyMode, ReturningInTheLastGenerationSamplesTheFrequencies) {
  // Back in individual mode at generation 2 with 1998 individuals' worth of
  // frequencies; the old list from before frequency mode is not the deme.
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_big_deme("3", true, "5000");

  run_tessarel(runtest::seed_sequence(14));

  EXPECT_NE(std::string::npos, log.text().find("Pop [1] enters individual mode at generation 2!\n"));
  EXPECT_EQ(std::string::npos, log.text().find("WARNING"));
  const std::string project = read_file("Result_000001.arp");
  EXPECT_EQ(2 * 1998, runtest::sample_size_of(project, 1));
  EXPECT_NEAR(1.0, sample_total(project), 1e-9);
}

TEST(RunSeeds, RenewalMixesTheReplacedGeneratorIntoTheSeed) {
  EXPECT_EQ(static_cast<unsigned long>(-5L), renewal_seed(-5, 0));
  EXPECT_NE(renewal_seed(-5, 1), renewal_seed(-5, 2));

  // The same fresh seed at every renewal still gives a new sequence of draws.
  gsl_rng* saved = randomnumber;
  randomnumber = nullptr;
  SeedSource same = runtest::constant_seed(-4242);
  renew_generator(same);
  std::vector<unsigned long> first = {gsl_rng_get(randomnumber), gsl_rng_get(randomnumber)};
  renew_generator(same);
  std::vector<unsigned long> second = {gsl_rng_get(randomnumber), gsl_rng_get(randomnumber)};
  renew_generator(same);
  std::vector<unsigned long> third = {gsl_rng_get(randomnumber), gsl_rng_get(randomnumber)};
  EXPECT_NE(first, second);
  EXPECT_NE(second, third);
  EXPECT_NE(first, third);
  gsl_rng_free(randomnumber);
  randomnumber = saved;
}

namespace {

// Everything a run leaves behind, with its log.
std::string run_and_collect(const SeedSource& seeds) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "3";
  in.generations = "30";
  in.init_freq = "0.3";
  in.alleles = "3";
  in.intermediate = "1";
  in.x = "3";
  in.demes = {"20 40 0.5 0.2 1 10", "0 40 0.5 0.2 1 10", "0 40 0.5 0.2 1 10"};
  in.write();
  run_tessarel(seeds);
  std::string all = log.text();
  for (const char* name : {"arlequin.arb", "Result_000001.arp", "Result_000002.arp", "Result_000003.arp",
                           "tessarel_frequency.deme1", "tessarel_frequency.deme3"}) {
    all += std::string("\n==") + name + "\n" + read_file(name);
  }
  return all;
}

}  // namespace

TEST(RunSeeds, SameSeedsGiveTheSameRunAndAConstantClockStillDrifts) {
  const std::string a = run_and_collect(runtest::constant_seed(-31));
  const std::string b = run_and_collect(runtest::constant_seed(-31));
  EXPECT_EQ(a, b);
  const std::string c = run_and_collect(runtest::constant_seed(-32));
  EXPECT_NE(a, c);
  // With one constant clock reading, the three simulations still differ.
  const std::string r1 = a.substr(a.find("==Result_000001.arp"), a.find("==Result_000002.arp") - a.find("==Result_000001.arp"));
  const std::string r2 = a.substr(a.find("==Result_000002.arp"), a.find("==Result_000003.arp") - a.find("==Result_000002.arp"));
  EXPECT_NE(r1.substr(r1.find('\n')), r2.substr(r2.find('\n')));
}

TEST(RunLog, TablesOfNoAlleleOrNoDemeAreRefused) {
  {
    testutil::TempDir dir;
    testutil::LogCapture log;
    Inputs in = two_deme_inputs();
    in.alleles = "-2";
    in.write();
    EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-3)));
    const std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("\n\tERROR: At least one initial allele per ancestral pool is needed!\n"));
    EXPECT_EQ(std::string::npos, text.find("Starting simulation"));
  }
  {
    testutil::TempDir dir;
    testutil::LogCapture log;
    Inputs in = two_deme_inputs();
    in.x = "-2";
    in.write();
    EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-3)));
    const std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("\n\tERROR: The virtual area needs at least one deme in each direction!\n"));
    EXPECT_EQ(std::string::npos, text.find("Starting simulation"));
    EXPECT_EQ("", read_file("arlequin.arb"));
  }
}

TEST(RunLog, ARunBeyondTheMachinesMemoryIsRefusedBeforeAnythingIsBuilt) {
  // 100000 demes with a million alleles each need about 1.5 TB of per-allele
  // arrays, though neither count alone is out of bounds: refused like a
  // parameter error instead of being killed part-way through building.
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.x = "1000";
  in.y = "100";
  in.alleles = "1000000";
  in.demes.assign(100000, "0 10 0 0 1 0");
  in.demes[0] = "10 10 0 0 1 5";
  in.write();

  EXPECT_EQ(0, run_tessarel(runtest::constant_seed(-3)));

  const std::string text = log.text();
  const size_t at = text.find("\n\tERROR: The alleles, demes and initial individuals need about ");
  ASSERT_NE(std::string::npos, at);
  EXPECT_NE(std::string::npos, text.find(" MB this run may use!!!\n", at));
  EXPECT_EQ(std::string::npos, text.find("Starting simulation"));
  EXPECT_EQ("", read_file("arlequin.arb"));
  EXPECT_FALSE(file_exists("Result_000001.arp"));
  EXPECT_EQ(nullptr, randomnumber);
}

TEST(RunLog, EverySelectionModelRunsInIndividualMode) {
  for (const char* model : {"1", "2", "3"}) {
    testutil::TempDir dir;
    testutil::LogCapture log;
    Inputs in;
    in.model = model;
    in.rate = "0.2";
    in.generations = "5";
    in.init_freq = "0.4";
    in.alleles = "3";
    in.intermediate = "1";
    in.x = "2";
    in.y = "2";
    in.demes = {"30 30 0.3 0.1 1 10", "0 30 0.3 0.1 1 10", "0 30 0.3 0.1 1 10", "0 30 0.3 0.1 1 10"};
    in.write();

    EXPECT_EQ(0, run_tessarel(runtest::seed_sequence(60)));

    EXPECT_NE(std::string::npos, log.text().find("Ending program...ok!\n")) << "model " << model;
    // Header, five generation lines and the final line.
    EXPECT_EQ(7u, runtest::split_lines(read_file("tessarel_frequency.deme1")).size()) << "model " << model;
    EXPECT_EQ(20, runtest::sample_size_of(read_file("Result_000001.arp"), 1)) << "model " << model;
  }
}

TEST(RunLog, PriorInAStructureChangeSwitchesAbcOnWithoutATable) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "2";
  in.generations = "3";
  in.structures = "2";
  in.structure_list = "1 0 2 1";
  in.demes = {"10 10 0.5 0 1 5"};
  in.write();
  testutil::write_file("tessarel_structure_2.txt", "change\nabs abs abs\n*UNIFORM/20/30 -1 -1\n");

  EXPECT_EQ(0, run_tessarel(runtest::seed_sequence(61)));

  const std::string text = log.text();
  // Simulation 1 ran without ABC; simulation 2 takes the ABC step, with no
  // table to write to.
  const size_t second = text.find("SIMULATION 2\n");
  ASSERT_NE(std::string::npos, second);
  EXPECT_EQ(std::string::npos, text.substr(0, second).find("(ABC mode)"));
  EXPECT_NE(std::string::npos, text.find("SIMULATION 2\nGeneration 0: Structure 1 (ABC mode)\n"));
  EXPECT_NE(std::string::npos, text.find("Ending program...ok!\n"));
  EXPECT_FALSE(file_exists("tessarel_abc.txt"));
  EXPECT_EQ("Result_000001.arp\nResult_000002.arp\n", read_file("arlequin.arb"));
}
