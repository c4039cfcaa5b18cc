#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "stats/compare.h"
#include "test_util.h"

namespace {

using testutil::read_file;
using testutil::write_file;

// A simulation count far beyond what the files hold reads the values that
// are there, warns about the rest and compares exactly as the true count
// does: no padding with zeros, no memory for simulations that do not exist.
// (The count is kept moderate so that a regression costs megabytes, not the
// gigabytes of the largest count.)
TEST(CompareDeme, SimulationCountBeyondTheFilesReadsWhatTheyHold) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  s._num_generations = 7;
  write_file("generation0_Pop1.freq", "h\nh\n0.5\n0.2\n0.25");
  write_file("generation7_Pop1.freq", "h\nh\n0\n0.2\n1\n");
  int deme = 0;
  float lo = 0.1f, up = 0.3f;
  std::string label = "d";
  s._num_simulations = 3;
  computeANDwrite(&s, deme, lo, up, label);
  const std::string exact = read_file("lactase_stat");
  EXPECT_EQ(log.text().find("WARNING"), std::string::npos);

  log.clear();
  s._num_simulations = 1000000;
  computeANDwrite(&s, deme, lo, up, label);
  EXPECT_EQ(read_file("lactase_stat"), exact + exact);
  EXPECT_EQ(read_file("no_sim_compa.txt"), "d\t2\t\nd\t2\t\n");
  const std::string text = log.text();
  for (const char* name : {"generation0_Pop1.freq", "generation7_Pop1.freq"}) {
    EXPECT_NE(text.find(std::string("WARNING: ") + name +
                        " ends after 3 of 1000000 simulations: the missing ones are left out!\n"),
              std::string::npos)
        << text;
  }
}

}  // namespace
