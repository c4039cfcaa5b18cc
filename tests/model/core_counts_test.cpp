#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core_fixture.h"
#include "settings/settings.h"
#include "test_util.h"

using coretest::World;
using coretest::ind;

namespace {

struct Deme {
  Tpop p;
  Deme() {
    p._current = &p._inds_a;
    p._next = &p._inds_b;
  }
  ~Deme() { p.delete_ind_vector(); }
  void add(int a, int b) { p._inds_a.push_back(ind(a, b)); }
};

}  // namespace

TEST(CoreCounts, FrequencyRowOfTheParents) {
  testutil::TempDir dir;
  World w(3, 3);
  Tsettings settings;
  settings._intermediate_output = 1;
  Deme d;
  d.add(0, 1);
  d.add(1, 1);
  std::vector<double> counts(3, 0.0);
  {
    std::ofstream out(dir.file("row"));
    out << "0:\t";
    d.p.quick_count_allele_freq(IND_CURRENT, &out, &counts, &settings);
  }
  EXPECT_EQ(testutil::read_file(dir.file("row")), "0:\t0.25\t0.75\t0\t\n");
  EXPECT_EQ(counts, (std::vector<double>{1.0, 3.0, 0.0}));

  // An empty list writes a zero for every allele and still ends its line.
  std::vector<double> none(3, 0.0);
  {
    std::ofstream out(dir.file("empty"));
    d.p.quick_count_allele_freq(IND_NEXT, &out, &none, &settings);
  }
  EXPECT_EQ(testutil::read_file(dir.file("empty")), "0\t0\t0\t\n");
}

TEST(CoreCounts, RowOnlyInIndividualModeWithOutputOn) {
  testutil::TempDir dir;
  World w(2, 2);
  Tsettings settings;
  Deme d;
  d.add(0, 1);
  std::vector<double> counts(2, 0.0);
  {
    std::ofstream out(dir.file("off"));
    d.p.quick_count_allele_freq(IND_CURRENT, &out, &counts, &settings);  // output off
    settings._intermediate_output = 1;
    d.p._freq_mode = true;
    d.p.quick_count_allele_freq(IND_CURRENT, &out, &counts, &settings);
  }
  EXPECT_EQ(testutil::read_file(dir.file("off")), "");
  EXPECT_EQ(counts, (std::vector<double>{2.0, 2.0}));  // counted both times
}

TEST(CoreSample, IndividualModeTakesTheHeadOfTheList) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  World w(3, 3, 6);
  Deme d;
  for (int i = 0; i < 3; ++i) d.add(0, 1);
  d.add(2, 2);
  std::vector<double> counts(3, 0.0);
  {
    std::ofstream out(dir.file("s"));
    d.p.quick_count_sample_freqs(&out, &counts, 3);
  }
  EXPECT_EQ(testutil::read_file(dir.file("s")), "a1\t0.5\na2\t0.5\n");
  EXPECT_TRUE(w.in_step());  // no draw
  EXPECT_EQ(log.text(), "");
}

TEST(CoreSample, IndividualModeShortListWarnsAndKeepsTheDivisor) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  World w(2, 2);
  Deme d;
  for (int i = 0; i < 3; ++i) d.add(0, 1);
  std::vector<double> counts(2, 0.0);
  {
    std::ofstream out(dir.file("s"));
    d.p.quick_count_sample_freqs(&out, &counts, 5);
  }
  EXPECT_EQ(log.text(), "WARNING: Only 3 individuals in one sample!\n");
  EXPECT_EQ(testutil::read_file(dir.file("s")), "a1\t0.3\na2\t0.3\n");
}

TEST(CoreSample, FrequencyModeSmallDemeWarnsAndSamplesWhatItHas) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  World w(3, 3, 11);
  Deme d;
  d.p._freq_mode = true;
  d.p._size = 5.0;
  d.p._freq = {0.5f, 0.3f, 0.2f};
  std::vector<double> counts(3, 0.0);
  {
    std::ofstream out(dir.file("s"));
    d.p.quick_count_sample_freqs(&out, &counts, 7);
  }
  EXPECT_EQ(log.text(), "WARNING: Only 5 individuals in one sample!\n");
  EXPECT_EQ(counts[0] + counts[1] + counts[2], 10.0);
  std::ostringstream expect;
  for (int k = 0; k < 3; ++k) {
    if (counts[k] > 0.0) expect << "a" << k + 1 << "\t" << counts[k] / 14.0 << "\n";
  }
  EXPECT_EQ(testutil::read_file(dir.file("s")), expect.str());
  for (int i = 0; i < 10; ++i) w.twin_float();  // one uniform per copy
  EXPECT_TRUE(w.in_step());
}

TEST(CoreSample, FrequencyModeDrawsWithoutReplacement) {
  World w(2, 2, 23);
  Deme d;
  d.p._freq_mode = true;
  d.p._size = 2.0;  // 4 copies
  d.p._freq = {0.2f, 0.3f};
  std::vector<double> counts(2, 0.0);
  d.p.quick_count_sample_freqs(nullptr, &counts, 1);

  // Expected: the same two uniforms applied by hand.
  std::vector<float> f = {0.2f, 0.3f};
  std::vector<double> expect(2, 0.0);
  int copies = 4;
  for (int c = 0; c < 2; ++c, --copies) {
    float u = static_cast<float>(w.twin_float());
    int hit = -1;
    if (0.0f < u && u < f[0]) hit = 0;
    else if (f[0] < u && u < f[0] + f[1]) hit = 1;
    expect[hit < 0 ? 0 : hit] += 1.0;
    if (hit >= 0) {
      int o = 1 - hit;
      f[hit] = static_cast<float>(((static_cast<double>(f[hit]) - 1.0 / copies) * copies) /
                                  (copies - 1));
      f[o] = (static_cast<float>(copies) * f[o]) / static_cast<float>(copies - 1);
    }
  }
  EXPECT_EQ(counts, expect);
  EXPECT_EQ(d.p._freq, f);
}

TEST(CoreSample, FrequencyModeWholeDemeEndsWithEmptyPool) {
  World w(2, 2, 3);
  Deme d;
  d.p._freq_mode = true;
  d.p._size = 2.0;
  d.p._freq = {1.0f, 0.0f};  // every draw in (0, 1) falls on allele 0
  std::vector<double> counts(2, 0.0);
  d.p.quick_count_sample_freqs(nullptr, &counts, 2);
  EXPECT_EQ(counts[0], 4.0);
  EXPECT_EQ(d.p._freq, (std::vector<float>{0.0f, 0.0f}));
}

TEST(CoreSample, NoIntervalMeansAlleleZeroAndNoChange) {
  testutil::TempDir dir;
  World w(2, 2, 3);
  Deme d;
  d.p._freq_mode = true;
  d.p._size = 3.0;
  d.p._freq = {0.0f, 0.0f};
  std::vector<double> counts(2, 0.0);
  {
    std::ofstream out(dir.file("s"));
    d.p.quick_count_sample_freqs(&out, &counts, 2);
  }
  EXPECT_EQ(testutil::read_file(dir.file("s")), "a1\t1\n");
  EXPECT_EQ(d.p._freq, (std::vector<float>{0.0f, 0.0f}));
}

TEST(CoreSample, EmptyRequestWritesNothing) {
  testutil::TempDir dir;
  World w(2, 2, 3);
  Deme d;
  d.add(0, 1);
  std::vector<double> counts = {1.0, 0.0};  // left over: must not be divided by 0
  {
    std::ofstream out(dir.file("s"));
    d.p.quick_count_sample_freqs(&out, &counts, 0);
  }
  EXPECT_EQ(testutil::read_file(dir.file("s")), "");
}

TEST(CoreCounts, HeterozygotesTotalsAndAlleleZero) {
  World w(3, 3);
  Deme d;
  double het = 1.0, total = 99.0;
  std::vector<double> counts(3, 0.0);
  d.p.count_allele_freq(IND_CURRENT, &counts, het, total);
  EXPECT_EQ(total, 0.0);
  EXPECT_EQ(het, 1.0);
  EXPECT_EQ(counts, (std::vector<double>(3, 0.0)));
  float f = 7.0f;
  d.p.count_allele0_freq(f);
  EXPECT_EQ(f, 0.0f);

  d.add(0, 1);
  d.add(2, 2);
  d.add(1, 0);
  d.add(1, 2);
  d.p.count_allele_freq(IND_CURRENT, &counts, het, total);
  EXPECT_EQ(het, 4.0);  // accumulates
  EXPECT_EQ(total, 8.0);
  EXPECT_EQ(counts, (std::vector<double>{2.0, 3.0, 3.0}));
  d.p.count_allele0_freq(f);
  EXPECT_EQ(f, 0.25f);

  Deme e;
  e.add(1, 2);
  e.p.count_allele0_freq(f);
  EXPECT_EQ(f, 0.0f);
}

TEST(CoreCounts, PrintIndVectorListsStoredNumbers) {
  testutil::TempDir dir;
  World w(3, 3);
  Deme d;
  d.p._inds_b.push_back(ind(0, 2));
  d.p._inds_b.push_back(ind(1, 1));
  {
    std::ofstream out(dir.file("p"));
    d.p.print_ind_vector(IND_NEXT, &out);
  }
  EXPECT_EQ(testutil::read_file(dir.file("p")), "Ind 1:\t0\t2\nInd 2:\t1\t1\n");
}
