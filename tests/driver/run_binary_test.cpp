// The shipped program itself, and the example input sets.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "run_inputs.h"

using testutil::file_exists;
using testutil::read_file;

namespace {

std::string source_dir() {
  std::string here = __FILE__;
  const size_t at = here.rfind("/tests/driver/");
  return at == std::string::npos ? std::string(".") : here.substr(0, at);
}

// Copies the example `name` into the working directory, with `simulations`
// and `generations` in place of its own values (lines 2 and 3).
void copy_example(const std::string& name, const std::string& simulations, const std::string& generations) {
  const std::string from = source_dir() + "/examples/" + name + "/";
  for (const char* file : {"tessarel_param.txt", "tessarel_structure_1.txt", "tessarel_structure_2.txt",
                           "tessarel_alldemes_1.txt"}) {
    if (!file_exists(from + file)) continue;
    std::string text = read_file(from + file);
    if (std::string(file) == "tessarel_param.txt") {
      std::vector<std::string> lines = runtest::split_lines(text);
      lines[1] = simulations;
      lines[2] = generations;
      text.clear();
      for (const std::string& line : lines) text += line + "\n";
    }
    testutil::write_file(file, text);
  }
}

}  // namespace

TEST(RunProgram, RunsInItsWorkingDirectoryAndPrintsNothing) {
  testutil::TempDir dir;
  runtest::Inputs in;
  in.simulations = "2";
  in.x = "2";
  in.demes = {"10 10 0.2 0.1 1 5", "0 10 0.2 0.1 1 5"};
  in.write();

  const std::string command = std::string("'") + TESSAREL_BINARY + "' > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ("", read_file("stdout.txt"));
  EXPECT_EQ("", read_file("stderr.txt"));
  const std::string log = read_file("tessarel.log");
  EXPECT_EQ(0u, log.find("Starting program ...ok!\nInialization of the random number with seed -"));
  const size_t tail = log.size() - std::string("Ending program...ok!\n").size();
  EXPECT_EQ(tail, log.rfind("Ending program...ok!\n"));
  EXPECT_EQ("Result_000001.arp\nResult_000002.arp\n", read_file("arlequin.arb"));
  EXPECT_TRUE(file_exists("Result_000002.arp"));
}

TEST(RunExamples, GridExampleReadsWithoutErrorAndChangesStructure) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  copy_example("grid", "1", "152");

  EXPECT_EQ(0, run_tessarel(runtest::seed_sequence(51)));

  const std::string text = log.text();
  EXPECT_EQ(std::string::npos, text.find("ERROR"));
  EXPECT_NE(std::string::npos, text.find("\tMigration from deme 3 to deme 4 modified by 0.5 during the whole simulation\n"));
  EXPECT_NE(std::string::npos, text.find("\tMigration not allowed from deme 10 to deme 18\n"));
  EXPECT_NE(std::string::npos, text.find("\nGeneration 150: modification of population structure\n"));
  EXPECT_NE(std::string::npos, text.find("Deme 8 modified with\tnew k=600\tnew m=0.1\n"));
  EXPECT_NE(std::string::npos, text.find("Ending program...ok!\n"));
  const std::string project = read_file("Result_000001.arp");
  EXPECT_EQ(3, runtest::project_value(project, "NbGroups"));
  EXPECT_GE(runtest::project_value(project, "NbSamples"), 4);
  EXPECT_TRUE(file_exists("tessarel_frequency.deme40"));
  EXPECT_FALSE(file_exists("tessarel_frequency.deme20"));  // inactive
}

TEST(RunExamples, AbcExampleWritesOneRowPerSimulation) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  copy_example("abc", "3", "*UNIFORM 20 40");

  EXPECT_EQ(0, run_tessarel(runtest::seed_sequence(52)));

  const std::string text = log.text();
  EXPECT_EQ(std::string::npos, text.find("ERROR"));
  std::vector<std::string> table = runtest::split_lines(read_file("tessarel_abc.txt"));
  ASSERT_EQ(4u, table.size());
  EXPECT_EQ(0u, table[0].find("NUM_GENERATIONS\tINIT_FREQ\tMUTATION_RATE\tSELECTION_RATE\t"));
  EXPECT_NE(std::string::npos, table[0].find("MODIFIEDMIG_1\tCOL_TIME_DEME_1\tCOL_TIME_DEME_4\t"));
  for (size_t r = 1; r < table.size(); ++r) {
    const int generations = std::atoi(table[r].c_str());
    EXPECT_GE(generations, 20);
    EXPECT_LE(generations, 40);
  }
}
