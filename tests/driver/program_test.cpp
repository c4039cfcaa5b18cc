// The shipped program itself, and a check of whole runs against
// population-genetics theory.

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "driver/results.h"
#include "driver/tessarel.h"
#include "support/globaldef.h"
#include "test_util.h"

using testutil::read_file;
using testutil::write_file;

namespace {

// One deme of `size` individuals without selection, migration or mutation.
void write_single_deme(int simulations, int generations, const char* freq, int size) {
  const std::string n = std::to_string(size);
  write_file("tessarel_param.txt", "one deme\n" + std::to_string(simulations) + "\n" + std::to_string(generations) +
                                       "\n\n2\n0\n" + freq + "\n0\n\n1\n0\n0\n0\n0\n\n0\n\n1\n1\n1\n0\n0\n\n1\n1 0\n");
  write_file("tessarel_structure_1.txt", "\n\n" + n + " " + n + " 0 0 1 " + n + "\n");
}

}  // namespace

TEST(Program, RunsInItsWorkingDirectoryAndPrintsNothing) {
  testutil::TempDir dir;
  write_single_deme(2, 3, "0.5", 10);
  const std::string command = std::string("'") + TESSAREL_BINARY + "' > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ("", read_file("stdout.txt"));
  EXPECT_EQ("", read_file("stderr.txt"));
  const std::string log = read_file("tessarel.log");
  EXPECT_EQ(0u, log.find("Starting program ...ok!\nInialization of the random number with seed -"));
  EXPECT_EQ(log.size() - 21, log.rfind("Ending program...ok!\n"));
  EXPECT_EQ("Result_000001.arp\nResult_000002.arp\n", read_file("arlequin.arb"));
}

// Without selection an allele fixes with the probability of its initial
// frequency: allele 1 starts at 0.3 in ten individuals and must be alone in
// about 30 % of the simulations that end with one allele.
TEST(Theory, NeutralFixationProbabilityIsTheInitialFrequency) {
  const int simulations = 600;
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_single_deme(simulations, 120, "0.3", 10);
  long next = 31;
  run_tessarel([&next]() { return -(next = (next * 7919 + 104729) % 1000000); });
  int fixed = 0, fixed_first = 0;
  for (int s = 1; s <= simulations; ++s) {
    const std::string project = read_file(create_project_file_name(s));
    const std::size_t data = project.find("SampleData= {\n");
    ASSERT_NE(std::string::npos, data) << "simulation " << s;
    const std::string block = project.substr(data + 14, project.find("}", data) - data - 14);
    if (block.find('\n') + 1 != block.size()) continue;  // both alleles still present
    ++fixed;
    fixed_first += block == "a1\t1\n";
  }
  EXPECT_GE(fixed, simulations * 95 / 100);
  const double p = static_cast<double>(fixed_first) / fixed;
  EXPECT_NEAR(0.3, p, 4.0 * std::sqrt(0.3 * 0.7 / fixed)) << fixed_first << " of " << fixed;
}
