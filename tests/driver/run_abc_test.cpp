// ABC runs: the table's header and rows, colonisation times, and the drawn
// values that must reach the demes.

#include <cmath>

#include <gtest/gtest.h>

#include "run_inputs.h"

using runtest::Inputs;
using runtest::split_lines;
using runtest::split_tabs;
using testutil::read_file;

namespace {

// Deme 1 is full and sends half of its next generation east; deme 2 keeps
// what it gets; deme 3 is never reached. All three are sampled.
Inputs colonisation_inputs(const std::string& generations) {
  Inputs in;
  in.simulations = "4";
  in.generations = generations;
  in.rate = "*UNIFORM 0 0.001";
  in.x = "3";
  in.demes = {"20 20 0 0.5 1 4", "0 20 0 0 1 4", "0 20 0 0 1 4"};
  return in;
}

// The ABC table of a run on `in`.
std::vector<std::string> abc_table(const Inputs& in, long seed) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  in.write();
  run_tessarel(runtest::seed_sequence(seed));
  return split_lines(read_file("tessarel_abc.txt"));
}

void expect_rows(const std::vector<std::string>& table, const std::string& times_tail) {
  ASSERT_EQ(5u, table.size());
  EXPECT_EQ("SELECTION_RATE\tCOL_TIME_DEME_1\tCOL_TIME_DEME_2\tCOL_TIME_DEME_3", table[0]);
  for (size_t r = 1; r < table.size(); ++r) {
    const std::string& row = table[r];
    const size_t tab = row.find('\t');
    ASSERT_NE(std::string::npos, tab) << row;
    const std::string value = row.substr(0, tab);
    EXPECT_EQ(8u, value.size()) << value;  // "%f" of a value below 0.001
    EXPECT_EQ("0.000", value.substr(0, 5)) << value;
    EXPECT_EQ(times_tail, row.substr(tab + 1)) << row;
  }
}

}  // namespace

TEST(RunAbc, ColonisationTimesOverThreeGenerations) {
  // Occupied at generation 1: time 1 for deme 1 (from the start) and deme 2
  // (reached in generation 0); deme 3 stays empty: -1.
  expect_rows(abc_table(colonisation_inputs("3"), 21), "1\t1\t-1");
}

TEST(RunAbc, OneGenerationKeepsTimeZeroUnderItsOwnColumn) {
  // Deme 1 is occupied from the start and deme 2 is reached only by the
  // immigrants of the last generation: both keep 0, and the 0 is written, so
  // deme 3's -1 stays under deme 3's column.
  testutil::TempDir dir;
  testutil::LogCapture log;
  colonisation_inputs("1").write();
  run_tessarel(runtest::seed_sequence(22));
  std::vector<std::string> table = split_lines(read_file("tessarel_abc.txt"));
  expect_rows(table, "0\t0\t-1");
  for (size_t r = 1; r < table.size(); ++r) {
    EXPECT_EQ(split_tabs(table[0]).size(), split_tabs(table[r]).size()) << table[r];
  }
  // Deme 2 does hold the immigrants at the end; deme 3 does not.
  for (int s = 1; s <= 4; ++s) {
    const std::string project = read_file(create_project_file_name(s));
    EXPECT_GT(runtest::sample_size_of(project, 2), 0) << "simulation " << s;
    EXPECT_EQ(-1, runtest::sample_size_of(project, 3)) << "simulation " << s;
  }
}

TEST(RunAbc, NoGenerationMarksEveryEmptySampledDeme) {
  expect_rows(abc_table(colonisation_inputs("0"), 23), "0\t-1\t-1");
}

TEST(RunAbc, InactiveAndUnsampledDemesHaveNoColumnAndNoValue) {
  // Deme 2 is inactive, deme 3 is not sampled: the header and every row
  // name demes 1 and 4 only.
  Inputs in = colonisation_inputs("2");
  in.x = "4";
  in.demes = {"20 20 0 0 1 4", "0 -1 0 0 1 4", "5 5 0 0 1 0", "0 20 0 0 1 4"};
  std::vector<std::string> table = abc_table(in, 28);
  ASSERT_EQ(5u, table.size());
  EXPECT_EQ("SELECTION_RATE\tCOL_TIME_DEME_1\tCOL_TIME_DEME_4", table[0]);
  for (size_t r = 1; r < table.size(); ++r) {
    std::vector<std::string> fields = split_tabs(table[r]);
    ASSERT_EQ(3u, fields.size()) << table[r];
    EXPECT_EQ("1", fields[1]);
    EXPECT_EQ("-1", fields[2]);
  }
}

TEST(RunAbc, HeaderWithoutTimeColumnsKeepsItsLastTab) {
  Inputs in = colonisation_inputs("2");
  in.demes = {"20 20 0 0.5 1 0", "0 20 0 0 1 0", "0 20 0 0 1 0"};
  std::vector<std::string> table;
  {
    testutil::TempDir dir;
    testutil::LogCapture log;
    in.write();
    run_tessarel(runtest::seed_sequence(24));
    const std::string text = read_file("tessarel_abc.txt");
    ASSERT_EQ(0u, text.compare(0, 16, "SELECTION_RATE\t\n"));
    table = split_lines(text);
  }
  ASSERT_EQ(5u, table.size());
  for (size_t r = 1; r < table.size(); ++r) {
    ASSERT_EQ(9u, table[r].size()) << table[r];
    EXPECT_EQ('\t', table[r][8]);
  }
}

TEST(RunAbc, DrawnRouteRateReachesTheDemes) {
  // Deme 1 sends its whole next generation along its one link times the
  // drawn factor; deme 2 sends nobody back. Deme 1's final size shows the
  // factor that was used.
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "6";
  in.generations = "1";
  in.x = "2";
  in.route_count = "1";
  in.routes = "(1,2,*UNIFORM/0/1) route with a prior";
  in.demes = {"1000 1000 0 1 1 5000", "0 1000 0 0 1 0"};
  in.write();

  run_tessarel(runtest::seed_sequence(25));

  std::vector<std::string> table = split_lines(read_file("tessarel_abc.txt"));
  ASSERT_EQ(7u, table.size());
  EXPECT_EQ("MODIFIEDMIG_1\tCOL_TIME_DEME_1", table[0]);
  std::vector<long> sizes;
  for (int s = 1; s <= 6; ++s) {
    const double factor = std::atof(split_tabs(table[s])[0].c_str());
    ASSERT_GE(factor, 0.0);
    ASSERT_LE(factor, 1.0);
    const long emigrants = static_cast<long>(std::floor(factor * 1000.0));
    const std::string project = read_file(create_project_file_name(s));
    const long sample = runtest::sample_size_of(project, 1);
    if (emigrants >= 999) continue;  // too close to an empty deme to compare
    EXPECT_NEAR(2.0 * (1000 - emigrants), static_cast<double>(sample), 2.0) << "simulation " << s;
    sizes.push_back(sample);
  }
  ASSERT_GE(sizes.size(), 2u);
  bool differ = false;
  for (long size : sizes) differ = differ || size != sizes[0];
  EXPECT_TRUE(differ);
}

namespace {

// Allele numbers (from 1) found in the sample block of deme k.
std::vector<int> sampled_alleles(const std::string& project, int k) {
  std::vector<int> numbers;
  for (const std::string& line : runtest::sample_lines_of(project, k)) numbers.push_back(std::atoi(line.c_str() + 1));
  return numbers;
}

}  // namespace

TEST(RunAbc, DrawnAlleleCountSetsEveryPoolBlock) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "8";
  in.generations = "1";
  in.alleles = "*UNIFORM 1 4";
  in.one_pool = "1";
  in.init_freq = "0";
  in.x = "2";
  in.groups = "2";
  in.demes = {"30 30 0 0 1 30", "30 30 0 0 2 30"};
  in.write();

  run_tessarel(runtest::seed_sequence(26));

  EXPECT_NE(std::string::npos, log.text().find("Ending program...ok!\n"));
  std::vector<std::string> table = split_lines(read_file("tessarel_abc.txt"));
  ASSERT_EQ(9u, table.size());
  EXPECT_EQ("NUM_ALLELES\tCOL_TIME_DEME_1\tCOL_TIME_DEME_2", table[0]);
  for (int s = 1; s <= 8; ++s) {
    const int k = std::atoi(table[s].c_str());
    ASSERT_GE(k, 1);
    ASSERT_LE(k, 4);
    EXPECT_EQ(std::to_string(k) + "\t0\t0", table[s]);
    const std::string project = read_file(create_project_file_name(s));
    for (int a : sampled_alleles(project, 1)) {
      EXPECT_GE(a, 1);
      EXPECT_LE(a, k);
    }
    for (int a : sampled_alleles(project, 2)) {
      EXPECT_GE(a, k + 1);
      EXPECT_LE(a, 2 * k);
    }
  }
}

TEST(RunAbc, FixedAlleleCountKeepsThePerPoolBlocks) {
  // One pool per group, NUM_ALLELES fixed at 2 (4 alleles in all): the second
  // group's pool holds alleles 3 and 4, in every simulation.
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "3";
  in.generations = "1";
  in.alleles = "2";
  in.one_pool = "1";
  in.init_freq = "0";
  in.rate = "*UNIFORM 0 0.001";
  in.x = "2";
  in.groups = "2";
  in.demes = {"30 30 0 0 1 30", "30 30 0 0 2 30"};
  in.write();

  run_tessarel(runtest::seed_sequence(27));

  EXPECT_NE(std::string::npos, log.text().find("Ending program...ok!\n"));
  for (int s = 1; s <= 3; ++s) {
    const std::string project = read_file(create_project_file_name(s));
    std::vector<int> first = sampled_alleles(project, 1);
    std::vector<int> second = sampled_alleles(project, 2);
    EXPECT_EQ((std::vector<int>{1, 2}), first);
    EXPECT_EQ((std::vector<int>{3, 4}), second);
  }
}
