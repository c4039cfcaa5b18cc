// Population-genetics checks over whole runs: neutral fixation and the
// deterministic demography of growth and emigration.

#include <cmath>

#include <gtest/gtest.h>

#include "run_inputs.h"

using runtest::Inputs;
using testutil::read_file;

TEST(RunPopgen, NeutralFixationProbabilityIsTheInitialFrequency) {
  // One deme of 10 individuals, no selection, migration or mutation. Allele 1
  // starts with expected frequency 0.3 and fixes in about 30% of the
  // simulations.
  const int simulations = 600;
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = std::to_string(simulations);
  in.generations = "120";
  in.init_freq = "0.3";
  in.demes = {"10 10 0 0 1 10"};
  in.write();

  run_tessarel(runtest::seed_sequence(31));

  int fixed_first = 0;
  int fixed = 0;
  for (int s = 1; s <= simulations; ++s) {
    std::vector<std::string> lines = runtest::sample_lines_of(read_file(create_project_file_name(s)), 1);
    ASSERT_FALSE(lines.empty()) << "simulation " << s;
    if (lines.size() != 1) continue;
    ++fixed;
    if (lines[0] == "a1\t1") ++fixed_first;
  }
  EXPECT_GE(fixed, simulations * 95 / 100);
  const double p = static_cast<double>(fixed_first) / fixed;
  const double se = std::sqrt(0.3 * 0.7 / fixed);
  EXPECT_NEAR(0.3, p, 4.0 * se) << fixed_first << " of " << fixed;
}

namespace {

// Beverton-Holt growth and deterministic emigrant counts, with the widths of
// the model, for a sender (deme 1, one link) and a receiver (deme 2, m = 0).
struct HandDeme {
  int individuals;
  float growth_rest = 0.0f;
  float emig_rest = 0.0f;
  double k;
  float r;
  float m;

  // Next size of the deme before emigration.
  int grow() {
    const double size = static_cast<double>(static_cast<float>(individuals) + growth_rest);
    double next = (static_cast<double>(1.0f + r) * size) / ((static_cast<double>(r) / k) * size + 1.0);
    growth_rest = static_cast<float>(std::fmod(next, 1.0));
    next = std::floor(next);
    if (static_cast<double>(growth_rest) > 0.99999) {
      next += 1.0;
      growth_rest = 0.0f;
    }
    return static_cast<int>(next);
  }

  int emigrants(int next) {
    if (!(next > 1)) return 0;
    const double x = static_cast<double>(m) * next / 1.0 + static_cast<double>(emig_rest);
    emig_rest = static_cast<float>(std::fmod(x, 1.0));
    const int e = static_cast<int>(std::floor(x));
    return e > next ? 0 : e;
  }
};

// Final sizes of deme 1 and deme 2 after `generations` generations.
std::pair<long, long> run_sizes(int generations) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.generations = std::to_string(generations);
  in.init_freq = "0.5";
  in.x = "2";
  in.demes = {"10 100 1 0.2 1 100000", "0 100 1 0 1 100000"};
  in.write();
  run_tessarel(runtest::seed_sequence(40 + generations));
  const std::string project = read_file("Result_000001.arp");
  return {runtest::sample_size_of(project, 1) / 2, runtest::sample_size_of(project, 2) / 2};
}

}  // namespace

TEST(RunPopgen, GrowthAndEmigrationFollowTheHandCount) {
  // By hand: generation 0, deme 1 grows from 10 to 20/1.1 = 18.18 (18 kept,
  // 0.18 carried) and sends floor(0.2 x 18) = 3 east; generation 1, from
  // 15.18 to 26 and sends floor(0.2 x 26 + 0.6) = 5, while deme 2 grows from 3
  // to 5 and gets the 5.
  EXPECT_EQ(std::make_pair(15L, 3L), run_sizes(1));
  EXPECT_EQ(std::make_pair(21L, 10L), run_sizes(2));

  HandDeme sender{10, 0.0f, 0.0f, 100.0, 1.0f, 0.2f};
  HandDeme receiver{0, 0.0f, 0.0f, 100.0, 1.0f, 0.0f};
  for (int g = 1; g <= 12; ++g) {
    const int next_sender = sender.grow();
    const int sent = sender.emigrants(next_sender);
    const int next_receiver = receiver.grow();
    sender.individuals = next_sender - sent;
    receiver.individuals = next_receiver + sent;
    if (g == 3 || g == 7 || g == 12) {
      EXPECT_EQ(std::make_pair(static_cast<long>(sender.individuals), static_cast<long>(receiver.individuals)),
                run_sizes(g))
          << "after " << g << " generations";
    }
  }
}

namespace {

// Final individuals of each deme (-1: no sample block) and the colonisation
// times of the last ABC row, for a 3 x 2 grid run over `generations`.
struct GridOutcome {
  std::vector<long> individuals;
  std::vector<long> times;
};

GridOutcome run_grid(int generations, int simulation) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Inputs in;
  in.simulations = "2";
  in.generations = std::to_string(generations);
  in.init_freq = "0.5";
  in.rate = "*UNIFORM 0 0.1";  // a prior that leaves the demography alone
  in.x = "3";
  in.y = "2";
  // Deme 1 sends twice its share towards deme 4, which sends half its share
  // back; the route from deme 2 to deme 1 is closed. Deme 3 starts without
  // capacity (its neighbours send it nobody and share among the others),
  // deme 5 is inactive.
  in.route_count = "3";
  in.routes = "(1,4,2) (4,1,0.5) (2,1,0)";
  in.structures = "2";
  in.structure_list = "1 0\n2 6";
  in.demes = {"30 200.5 0.37 0.21 1 100000", "0 150 0.5 0.1 1 100000",  "0 0 0.5 0.1 1 100000",
              "12.7 80 0.9 0.33 1 100000",  "0 -1 0.5 0.1 1 100000",   "5 60.25 0.6 0.05 1 100000"};
  in.write();
  // From generation 6: deme 1 doubles its m, deme 2 takes r = 0.8, deme 3
  // gets K = 90 and deme 6 loses its capacity.
  testutil::write_file("tessarel_structure_2.txt",
                       "change\nabs abs rel\n-1 -1 2\n-1 0.8 -1\n90 -1 -1\n-1 -1 -1\n-1 -1 -1\n0 -1 -1\n");
  run_tessarel(runtest::seed_sequence(70 + generations));

  GridOutcome out;
  const std::string project = read_file(create_project_file_name(simulation));
  for (int k = 1; k <= 6; ++k) {
    const long size = runtest::sample_size_of(project, k);
    out.individuals.push_back(size < 0 ? -1 : size / 2);
  }
  std::vector<std::string> rows = runtest::split_lines(read_file("tessarel_abc.txt"));
  if (rows.size() == 3) {
    std::vector<std::string> fields = runtest::split_tabs(rows[simulation]);
    for (size_t i = 1; i < fields.size(); ++i) out.times.push_back(std::atol(fields[i].c_str()));
  }
  return out;
}

}  // namespace

TEST(RunPopgen, GridDemographyFollowsRoutesEmptyNeighboursAndAStructureChange) {
  // Sizes and times from a count of the growth, emigrant and route rules made
  // outside this code base; both simulations must agree (the reset restores
  // every remainder and the structure of generation 0).
  struct Expected {
    int generations;
    std::vector<long> individuals;
    std::vector<long> times;
  };
  const std::vector<Expected> cases = {
      {4, {43, 30, -1, 62, -1, 22}, {1, 1, -1, 1, 1}},
      {9, {31, 125, 39, 88, -1, -1}, {1, 1, 7, 1, -1}},
      {15, {25, 152, 99, 83, -1, -1}, {1, 1, 7, 1, -1}},
  };
  for (const Expected& c : cases) {
    for (int simulation = 1; simulation <= 2; ++simulation) {
      GridOutcome got = run_grid(c.generations, simulation);
      EXPECT_EQ(c.individuals, got.individuals) << c.generations << " generations, simulation " << simulation;
      EXPECT_EQ(c.times, got.times) << c.generations << " generations, simulation " << simulation;
    }
  }
}
