#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <cstdlib>
#include <string>
#include <vector>

#include "deme_table.h"
#include "stats/diversity.h"
#include "test_util.h"

using statstest::DemeTable;
using statstest::split_tabs;

namespace {

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

bool has_non_finite_text(const std::string& line) {
  return line.find("nan") != std::string::npos || line.find("inf") != std::string::npos;
}

// ---------------------------------------------------------------------------
// Layout of the two lines
// ---------------------------------------------------------------------------

TEST(DiversityLayout, HeaderAndLineMatchWithoutGroups) {
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 1}});
  t.add_genotypes({{1, 1}});
  t.add_genotypes({{0, 1}, {1, 1}});
  t.finish(1);
  EXPECT_EQ(t.legend(),
            "1_na\t1_obsHe\t1_Genediv\t2_na\t2_obsHe\t2_Genediv\t3_na\t3_obsHe\t3_Genediv"
            "\ttot_na\ttot_obsHe\ttot_GeneDiv\ttot_Fst\tFst_1_2\tFst_1_3\tFst_2_3");
  const std::string line = t.line();
  EXPECT_EQ(split_tabs(line).size(), split_tabs(t.legend()).size());
  EXPECT_FALSE(has_non_finite_text(line));
}

TEST(DiversityLayout, SeveralGroupsGiveThreeAmovaColumns) {
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 1}}, 1);
  t.add_genotypes({{1, 1}, {0, 1}}, 2);
  t.finish(2);
  EXPECT_EQ(t.legend(),
            "1_na\t1_obsHe\t1_Genediv\t2_na\t2_obsHe\t2_Genediv\ttot_na\ttot_obsHe\ttot_GeneDiv"
            "\ttot_Fst\ttot_Fct\ttot_Fsc\tFst_1_2");
  EXPECT_EQ(split_tabs(t.line()).size(), 13u);
}

TEST(DiversityLayout, InactiveDemesAreSkippedAndKeepTheirNumbers) {
  DemeTable t(2);
  t.add_genotypes({{0, 0}}, 1, true);
  t.add_genotypes({{0, 1}});
  t.add_genotypes({{1, 1}}, 1, true);
  t.add_genotypes({{0, 0}, {1, 1}});
  t.finish(1);
  const std::string legend = t.legend();
  EXPECT_EQ(legend,
            "\t2_na\t2_obsHe\t2_Genediv\t4_na\t4_obsHe\t4_Genediv\ttot_na\ttot_obsHe\ttot_GeneDiv"
            "\ttot_Fst\tFst_2_4");
  const std::string line = t.line();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line[0], '\t');
  EXPECT_EQ(split_tabs(line).size(), split_tabs(legend).size());
}

TEST(DiversityLayout, OneActiveDemeEndsWithTheTotals) {
  DemeTable t(3);
  t.add_genotypes({{0, 1}, {2, 2}});
  t.add_genotypes({{0, 0}}, 1, true);
  t.finish(1);
  EXPECT_EQ(t.legend(), "1_na\t1_obsHe\t1_Genediv\ttot_na\ttot_obsHe\ttot_GeneDiv");
  // n = 4, frequencies 1/4, 1/4, 1/2: 4/3 * (1 - 0.375). The observed
  // heterozygosity is the share of heterozygous individuals: 1 of 2.
  EXPECT_EQ(t.line(), "3\t0.5\t0.833333\t3\t0.5\t0.833333");
}

// ---------------------------------------------------------------------------
// Per-deme and total diversity
// ---------------------------------------------------------------------------

TEST(DiversityValues, FixedDemeAndEqualSplit) {
  DemeTable t(2);
  t.add_genotypes({{1, 1}, {1, 1}, {1, 1}});
  t.add_genotypes({{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}});
  t.finish(1);
  const std::vector<std::string> f = split_tabs(t.line());
  ASSERT_GE(f.size(), 9u);
  EXPECT_EQ(f[0], "1");
  EXPECT_EQ(f[1], "0");
  EXPECT_EQ(f[2], "0");
  // Ten copies split 5/5: 10/9 * 0.5.
  EXPECT_EQ(f[3], "2");
  EXPECT_EQ(f[4], "1");  // all 5 individuals are heterozygous
  EXPECT_EQ(f[5], "0.555556");
  // Totals: 16 copies, 5 of allele 0 and 11 of allele 1, 5 heterozygotes.
  EXPECT_EQ(f[6], "2");
  EXPECT_EQ(f[7], "0.625");  // 5 heterozygotes among 8 individuals
  const double s = (5.0 / 16) * (5.0 / 16) + (11.0 / 16) * (11.0 / 16);
  EXPECT_NEAR(std::strtod(f[8].c_str(), nullptr), 16.0 / 15.0 * (1.0 - s), 1e-6);
}

TEST(DiversityValues, EmptyDemeWritesNegativeZeroDiversity) {
  DemeTable t(2);
  t.add_genotypes({});
  t.add_genotypes({{0, 1}});
  t.finish(1);
  const std::vector<std::string> f = split_tabs(t.line());
  ASSERT_GE(f.size(), 3u);
  EXPECT_EQ(f[0], "0");
  EXPECT_EQ(f[1], "0");
  EXPECT_EQ(f[2], "-0");
}

TEST(DiversityValues, AlleleBeyondTheGivenCountIsStillCounted) {
  // The caller claims one allele, but the deme carries allele 2: the counts
  // must widen instead of being written past their end.
  DemeTable t(3);
  t.add_genotypes({{0, 2}, {2, 2}});
  t.finish(1);
  std::string line;
  {
    testutil::TempDir dir;
    {
      std::ofstream out("s.txt");
      compute_whole_stats(&t.pops, &out, &t.settings, 1);
    }
    line = testutil::read_file("s.txt");
  }
  EXPECT_EQ(line, "2\t0.5\t0.5\t2\t0.5\t0.5\n");
}

TEST(DiversityValues, SettingsLongerThanTheTableReadsNothingPastIt) {
  DemeTable t(2);
  t.add_genotypes({{0, 1}});
  t.add_genotypes({{1, 1}});
  t.finish(1);
  t.settings._num_pop = 5;  // claims demes the table does not have
  t.settings._num_unactive_deme = 3;
  const std::string line = t.line();
  EXPECT_FALSE(has_non_finite_text(line));
  EXPECT_EQ(split_tabs(line).size(), split_tabs(t.legend()).size());
}

// ---------------------------------------------------------------------------
// Zero divisors: warnings, and never a non-finite field
// ---------------------------------------------------------------------------

TEST(DiversityZeroDivisors, NoCopiesAnywhere) {
  testutil::LogCapture log;
  DemeTable t(2);
  t.add_genotypes({});
  t.add_genotypes({});
  t.add_genotypes({});
  t.finish(1);
  const std::string line = t.line();
  EXPECT_EQ(line, "0\t0\t-0\t0\t0\t-0\t0\t0\t-0\t0\t0\t-0\t0\t0\t0\t0");
  const std::string text = log.text();
  EXPECT_EQ(count_of(text, "WARNING-compute_whole_stats: division by 0!\n"), 3);
  EXPECT_EQ(count_of(text, "WARNING: Population 1 has not been colonised, AMOVA can not be "
                           "computed!\n"),
            2);
  EXPECT_EQ(count_of(text, "WARNING: Population 3 has not been colonised"), 2);
  // Warnings of the pairs follow those of the shared sum.
  EXPECT_LT(text.rfind("division by 0"), text.find("WARNING: Population"));
}

TEST(DiversityZeroDivisors, NoCopiesWithGroupsWarnsPerDemeOfEmptyGroups) {
  testutil::LogCapture log;
  DemeTable t(2);
  t.add_genotypes({}, 1);
  t.add_genotypes({}, 2);
  t.add_genotypes({}, 2, true);
  t.finish(2);
  const std::string line = t.line();
  EXPECT_FALSE(has_non_finite_text(line));
  EXPECT_EQ(split_tabs(line).size(), split_tabs(t.legend()).size());
  // Three for S2 (every deme of the table) and three for T1 (each deme of
  // a group without copies, the inactive one included).
  EXPECT_EQ(count_of(log.text(), "WARNING-compute_whole_stats: division by 0!\n"), 6);
}

TEST(DiversityZeroDivisors, GroupWithoutCopiesAndOneDemePerGroup) {
  testutil::LogCapture log;
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 1}}, 1);
  t.add_genotypes({{1, 1}, {0, 1}}, 2);
  t.add_genotypes({}, 3);
  t.finish(3);  // P == G
  const std::string line = t.line();
  EXPECT_FALSE(has_non_finite_text(line)) << line;
  EXPECT_EQ(split_tabs(line).size(), split_tabs(t.legend()).size());
  // Only the deme of the empty group warns (T1); N > 0 so S2 is silent.
  EXPECT_EQ(count_of(log.text(), "WARNING-compute_whole_stats: division by 0!\n"), 1);
  EXPECT_EQ(count_of(log.text(), "has not been colonised"), 0);
}

TEST(DiversityZeroDivisors, AsManyCopiesAsDemes) {
  // One heterozygote and one empty deme: N - P = 0 and Np - 2 = 0, the empty
  // deme's W / n is 0 / 0, and n of the one-group form is 0.
  DemeTable t(2);
  t.add_genotypes({{0, 1}});
  t.add_genotypes({});
  t.finish(1);
  EXPECT_EQ(t.line(), "2\t1\t1\t0\t0\t-0\t2\t1\t1\t0\t0");
}

TEST(DiversityZeroDivisors, OneHomozygotePerDeme) {
  DemeTable t(2);
  t.add_genotypes({{0, 0}});
  t.add_genotypes({{1, 1}});
  t.finish(1);
  // No variance within demes: all of it lies between them.
  EXPECT_EQ(t.line(), "1\t0\t0\t1\t0\t0\t2\t0\t0.666667\t1\t1");
}

TEST(DiversityZeroDivisors, AbsurdCountsInTheSettingsStayBounded) {
  // A group count or a deme count far beyond the table must neither allocate
  // per group nor walk (and warn for) demes that do not exist.
  testutil::LogCapture log;
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 1}}, 1);
  t.add_genotypes({{1, 1}, {0, 1}}, 2);
  t.finish(2000000000);
  const std::string line = t.line();
  EXPECT_FALSE(has_non_finite_text(line)) << line;
  EXPECT_EQ(split_tabs(line).size(), split_tabs(t.legend()).size());

  DemeTable empty(2);
  empty.add_genotypes({});
  empty.add_genotypes({});
  empty.finish(1);
  empty.settings._num_pop = 2000000000;
  empty.settings._num_unactive_deme = 0;
  log.clear();
  EXPECT_FALSE(has_non_finite_text(empty.line()));
  EXPECT_EQ(count_of(log.text(), "WARNING-compute_whole_stats: division by 0!\n"), 2);
}

// ---------------------------------------------------------------------------
// F-statistics against the textbook AMOVA
// ---------------------------------------------------------------------------

struct Textbook {
  double fst = 0, fct = 0, fsc = 0;
};

// Hierarchical AMOVA with d = 1 between different alleles, in double,
// from allele counts of the active demes: SSDs from sums of squared counts,
// the classic n coefficients, and the variance components.
Textbook textbook_amova(const std::vector<std::vector<int>>& counts,
                        const std::vector<int>& group, int G) {
  const int P = static_cast<int>(counts.size());
  const std::size_t A = counts[0].size();
  std::vector<double> n(P, 0.0), C(A, 0.0);
  double N = 0;
  double ssd_wp = 0;
  for (int p = 0; p < P; ++p) {
    double sq = 0;
    for (std::size_t a = 0; a < A; ++a) {
      n[p] += counts[p][a];
      C[a] += counts[p][a];
      sq += double(counts[p][a]) * counts[p][a];
    }
    N += n[p];
    ssd_wp += (n[p] * n[p] - sq) / (2 * n[p]);
  }
  double sqC = 0, sum_n2_N = 0;
  for (std::size_t a = 0; a < A; ++a) sqC += C[a] * C[a];
  for (int p = 0; p < P; ++p) sum_n2_N += n[p] * n[p] / N;
  const double ssd_t = (N * N - sqC) / (2 * N);
  Textbook r;
  if (G == 1) {
    const double ms_a = (ssd_t - ssd_wp) / (P - 1);
    const double sc = ssd_wp / (N - P);
    const double n0 = (N - sum_n2_N) / (P - 1);
    const double sa = (ms_a - sc) / n0;
    r.fst = sa / (sa + sc);
    return r;
  }
  std::vector<double> Ng(G, 0.0);
  std::vector<std::vector<double>> Cg(G, std::vector<double>(A, 0.0));
  for (int p = 0; p < P; ++p) {
    Ng[group[p] - 1] += n[p];
    for (std::size_t a = 0; a < A; ++a) Cg[group[p] - 1][a] += counts[p][a];
  }
  double ssd_wg = 0, sum_n2_Ng = 0, sum_Ng2_N = 0;
  for (int g = 0; g < G; ++g) {
    double sq = 0;
    for (std::size_t a = 0; a < A; ++a) sq += Cg[g][a] * Cg[g][a];
    ssd_wg += (Ng[g] * Ng[g] - sq) / (2 * Ng[g]);
    sum_Ng2_N += Ng[g] * Ng[g] / N;
  }
  for (int p = 0; p < P; ++p) sum_n2_Ng += n[p] * n[p] / Ng[group[p] - 1];
  const double ms_ag = (ssd_t - ssd_wg) / (G - 1);
  const double ms_wg = (ssd_wg - ssd_wp) / (P - G);
  const double sc = ssd_wp / (N - P);
  const double nn = (N - sum_n2_Ng) / (P - G);
  const double n1 = (sum_n2_Ng - sum_n2_N) / (G - 1);
  const double n2 = (N - sum_Ng2_N) / (G - 1);
  const double sb = (ms_wg - sc) / nn;
  const double sa = (ms_ag - sc - n1 * sb) / n2;
  r.fst = (sa + sb) / (sa + sb + sc);
  r.fct = sa / (sa + sb + sc);
  r.fsc = sb / (sb + sc);
  return r;
}

struct AmovaCase {
  const char* name;
  std::vector<std::vector<int>> counts;
  std::vector<int> group;
  std::vector<bool> inactive;
  int groups;
};

void expect_four_digits(const std::string& field, double ref, const std::string& what) {
  const double got = std::strtod(field.c_str(), nullptr);
  ASSERT_GT(std::fabs(ref), 1e-3) << what << ": the table should give a clear value";
  EXPECT_NEAR(got, ref, 5e-4 * std::fabs(ref)) << what << " written as " << field;
}

void check_against_textbook(const AmovaCase& c) {
  SCOPED_TRACE(c.name);
  DemeTable t(static_cast<int>(c.counts[0].size()));
  std::vector<std::vector<int>> active_counts;
  std::vector<int> active_group, active_index;
  for (std::size_t p = 0; p < c.counts.size(); ++p) {
    t.add_counts(c.counts[p], c.group[p], c.inactive[p]);
    if (!c.inactive[p]) {
      active_counts.push_back(c.counts[p]);
      active_group.push_back(c.group[p]);
      active_index.push_back(static_cast<int>(p));
    }
  }
  t.finish(c.groups);
  const std::vector<std::string> f = split_tabs(t.line());
  const std::size_t P = active_counts.size();
  std::size_t pos = 3 * P + 3;
  ASSERT_EQ(f.size(), pos + (c.groups == 1 ? 1 : 3) + P * (P - 1) / 2);

  const Textbook ref = textbook_amova(active_counts, active_group, c.groups);
  expect_four_digits(f[pos++], ref.fst, "tot_Fst");
  if (c.groups != 1) {
    expect_four_digits(f[pos++], ref.fct, "tot_Fct");
    expect_four_digits(f[pos++], ref.fsc, "tot_Fsc");
  }
  for (std::size_t i = 0; i < P; ++i)
    for (std::size_t j = i + 1; j < P; ++j) {
      const Textbook pair = textbook_amova({active_counts[i], active_counts[j]}, {1, 1}, 1);
      expect_four_digits(f[pos++], pair.fst,
                         "Fst_" + std::to_string(active_index[i] + 1) + "_" +
                             std::to_string(active_index[j] + 1));
    }
}

TEST(DiversityAmova, AgreesWithTextbookFormulas) {
  const std::vector<AmovaCase> cases = {
      {"three demes, no groups",
       {{20, 10, 6, 4}, {5, 25, 8, 2}, {12, 4, 14, 0}},
       {1, 1, 1},
       {false, false, false},
       1},
      {"four demes in two groups",
       {{30, 6, 4, 0}, {26, 10, 2, 2}, {4, 28, 6, 2}, {8, 20, 10, 6}},
       {1, 1, 2, 2},
       {false, false, false, false},
       2},
      {"six demes in three uneven groups, one inactive",
       {{18, 2, 0}, {14, 6, 0}, {10, 10, 0}, {2, 16, 4}, {0, 6, 16}, {4, 4, 14}, {6, 2, 22}},
       {1, 1, 2, 2, 3, 3, 3},
       {false, false, true, false, false, false, false},
       3},
      {"the same demes without groups",
       {{18, 2, 0}, {14, 6, 0}, {10, 10, 0}, {2, 16, 4}, {0, 6, 16}, {4, 4, 14}, {6, 2, 22}},
       {1, 1, 1, 1, 1, 1, 1},
       {false, false, true, false, false, false, false},
       1},
      {"larger demes, two groups of different sizes",
       {{120, 40, 20, 20}, {90, 60, 30, 20}, {100, 50, 10, 40}, {30, 110, 40, 20},
        {20, 130, 30, 20}},
       {1, 1, 1, 2, 2},
       {false, false, false, false, false},
       2},
  };
  for (const AmovaCase& c : cases) check_against_textbook(c);
}

TEST(DiversityAmova, GroupsBeyondTheSquareRootOfTheIntRange) {
  // 50000 copies per group: N_g * N_g = 2.5e9 does not fit in 32 bits.
  check_against_textbook({"two groups of 50000 copies",
                          {{15000, 5000, 5000}, {12000, 8000, 5000}, {5000, 14000, 6000},
                           {4000, 12000, 9000}},
                          {1, 1, 2, 2},
                          {false, false, false, false},
                          2});
}

TEST(DiversityAmova, SinglePrecisionRunningSumsDecideTheLastDigits) {
  // Lines computed independently of this code, following the running float
  // sums and the double steps; carried out wholly in double the same tables give
  // 0.0199497, -0.00193787 and 0.0765126 (one group) and 0.0828259,
  // 0.112277 and 0.00136643 (two groups) in the marked fields.
  DemeTable one(3);
  one.add_counts({39, 0, 1});
  one.add_counts({174, 17, 9});
  one.add_counts({198, 1, 1});
  one.finish(1);
  EXPECT_EQ(one.line(),
            "2\t0.05\t0.05\t3\t0.26\t0.235025\t3\t0.02\t0.0199498"  // 3_Genediv
            "\t3\t0.131818\t0.125461\t0.0653566\t0.0296473"
            "\t-0.00193795\t0.0765125");  // Fst_1_3, Fst_2_3

  DemeTable two(3);
  two.add_counts({178, 21, 1}, 1);
  two.add_counts({3, 19, 18}, 1);
  two.add_counts({72, 98, 30}, 2);
  two.add_counts({2, 59, 39}, 2);
  two.finish(2);
  EXPECT_EQ(two.line(),
            "3\t0.22\t0.197839\t3\t1\t0.580769\t3\t1\t0.610854\t3\t0.82\t0.504444"
            "\t3\t0.677778\t0.618505\t0.393561\t0.082826"  // tot_Fct
            "\t0.338796\t0.655423\t0.35552\t0.654577\t0.112278"  // Fst_2_3
            "\t0.00136655\t0.131692");  // Fst_2_4
}

TEST(DiversityAmova, DemesFixedForTheSameAlleleHavePairwiseFstZero) {
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 0}, {0, 0}});
  t.add_genotypes({{0, 0}, {0, 0}});
  t.add_genotypes({{1, 1}, {0, 1}, {1, 1}});
  t.finish(1);
  const std::vector<std::string> f = split_tabs(t.line());
  ASSERT_EQ(f.size(), 3u * 3 + 3 + 1 + 3);
  EXPECT_EQ(f[13], "0");  // Fst_1_2
  EXPECT_GT(std::strtod(f[12].c_str(), nullptr), 0.0);  // tot_Fst
}

}  // namespace

TEST(DiversityValues, HardyWeinbergDemeHasMatchingObservedAndExpectedHeterozygosity) {
  // Genotypes in exact Hardy-Weinberg proportions for p = 0.5: the observed
  // heterozygosity equals 2pq, and the gene diversity is its unbiased form.
  DemeTable t(2);
  t.add_genotypes({{0, 0}, {0, 1}, {0, 1}, {1, 1}});
  t.finish(1);
  const std::vector<std::string> f = split_tabs(t.line());
  ASSERT_GE(f.size(), 3u);
  EXPECT_EQ(f[1], "0.5");
  EXPECT_NEAR(std::strtod(f[2].c_str(), nullptr), 8.0 / 7.0 * 0.5, 1e-6);
}
