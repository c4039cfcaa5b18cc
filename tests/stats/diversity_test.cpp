// Diversity statistics and the analysis of molecular variance against the
// textbook formulas, computed here in double from the genotypes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "stats/diversity.h"
#include "test_util.h"

namespace {

struct DemeInput {
  std::vector<int> counts;  // copies per allele; copy k pairs with copy n - 1 - k
  int group;
  bool inactive;
};

// The demes, their table and settings, and the two lines they give.
struct Table {
  std::vector<Tallele*> alleles;
  std::vector<Tpop*> pops;
  Tsettings settings;
  Table(const std::vector<DemeInput>& demes, int groups) {
    for (int a = 0; a < 4; ++a) alleles.push_back(new Tallele(a));
    Tgeno::_pallelevect = &alleles;
    for (const DemeInput& d : demes) {
      Tpop* p = new Tpop(0, static_cast<int>(pops.size()), -1, -1);
      p->create_ind_vector(0, 0, 0.0f);
      std::vector<int> copies;
      for (std::size_t a = 0; a < d.counts.size(); ++a) copies.insert(copies.end(), d.counts[a], int(a));
      for (std::size_t k = 0; k < copies.size() / 2; ++k)
        p->_current->push_back(new Tgeno(copies[k], copies[copies.size() - 1 - k]));
      p->_group = d.group;
      settings._num_unactive_deme += p->_inactive = d.inactive;
      pops.push_back(p);
    }
    settings._num_pop = static_cast<int>(pops.size());
    settings._num_pop_groups = groups;
  }
  ~Table() {
    for (Tpop* p : pops) p->delete_ind_vector(), delete p;
    for (Tallele* a : alleles) delete a;
    Tgeno::_pallelevect = nullptr;
  }
  // An allele count below the largest allele number must not matter.
  std::string lines(int num_alleles = 2) {
    testutil::TempDir dir;
    {
      std::ofstream out("stats");
      write_legend(&out, &pops, &settings);
      compute_whole_stats(&pops, &out, &settings, num_alleles);
    }
    return testutil::read_file("stats");
  }
};

using Counts = std::vector<double>;

// Pairs of gene copies carrying different alleles, one from each deme.
double differ(const Counts& a, const Counts& b) {
  double na = 0, nb = 0, same = 0;
  for (std::size_t i = 0; i < 4; ++i) na += a[i], nb += b[i], same += a[i] * b[i];
  return na * nb - same;
}

double copies(const Counts& c) { return c[0] + c[1] + c[2] + c[3]; }

// F-statistics of the given demes; groups 1..G, any other group in none.
std::vector<double> amova(const std::vector<Counts>& c, const std::vector<int>& group, const std::vector<int>& use,
                          int G) {
  double N = 0, X = 0, wp = 0, S2 = 0, P = static_cast<double>(use.size());
  for (int i : use) N += copies(c[i]);
  for (int i : use) {
    for (int j : use) X += differ(c[i], c[j]);
    wp += differ(c[i], c[i]) / (2 * copies(c[i]));
    S2 += std::pow(copies(c[i]), 2) / N;
  }
  const double ssd_t = X / (2 * N), sc = wp / (N - P);
  if (G == 1) {
    const double sa = ((ssd_t - wp) / (P - 1) - sc) / ((N - S2) / (P - 1));
    return {sa / (sa + sc)};
  }
  double wg = 0, T1 = 0, T2 = 0;
  for (int g = 1; g <= G; ++g) {
    double Ng = 0, Xg = 0;
    for (int i : use) Ng += (group[i] == g) * copies(c[i]);
    for (int i : use)
      for (int j : use) Xg += (group[i] == g && group[j] == g) * differ(c[i], c[j]);
    for (int i : use) T1 += (group[i] == g) * std::pow(copies(c[i]), 2) / Ng;
    wg += Ng > 0 ? Xg / (2 * Ng) : 0;
    T2 += Ng * Ng / N;
  }
  const double n = (N - T1) / (P - G), n1 = (T1 - S2) / (G - 1), n2 = (N - T2) / (G - 1);
  const double sb = ((wg - wp) / (P - G) - sc) / n;
  const double sa = ((ssd_t - wg) / (G - 1) - n1 * sb - sc) / n2, T = sa + sb + sc;
  return {(sa + sb) / T, sa / T, sb / (sb + sc)};
}

// Every field of the line: per active deme and in total the number of
// alleles, the share of heterozygous individuals and the gene diversity;
// the AMOVA; the pairwise Fst.
std::vector<double> expected(const Table& t) {
  std::vector<Counts> c;
  std::vector<int> group, use;
  std::vector<double> v, het;
  Counts total(4, 0.0);
  double het_all = 0;
  auto diversity = [&v](const Counts& c, double het) {
    const double n = copies(c);
    v.insert(v.end(), {double((c[0] > 0) + (c[1] > 0) + (c[2] > 0) + (c[3] > 0)), het / (n / 2),
                       n / (n - 1) * differ(c, c) / (n * n)});
  };
  for (const Tpop* p : t.pops) {
    c.emplace_back(4, 0.0);
    het.push_back(0.0);
    for (const Tgeno* g : *p->_current) {
      c.back()[g->_allele1->_id] += 1, c.back()[g->_allele2->_id] += 1;
      het.back() += g->_allele1 != g->_allele2;
    }
    group.push_back(p->_group);
    if (p->_inactive) continue;
    use.push_back(static_cast<int>(c.size()) - 1);
    diversity(c.back(), het.back());
    for (int a = 0; a < 4; ++a) total[a] += c.back()[a];
    het_all += het.back();
  }
  diversity(total, het_all);
  if (use.size() < 2) return v;
  for (double f : amova(c, group, use, t.settings._num_pop_groups)) v.push_back(f);
  for (std::size_t i = 0; i < use.size(); ++i)
    for (std::size_t j = i + 1; j < use.size(); ++j) v.push_back(amova(c, group, {use[i], use[j]}, 1)[0]);
  return v;
}

std::vector<double> fields(const std::string& line) {
  std::vector<double> v;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) v.push_back(f.empty() ? NAN : std::stod(f));
  return v;
}

}  // namespace

TEST(Diversity, LineMatchesTheTextbookFormulas) {
  const std::vector<std::vector<DemeInput>> tables = {
      {{{10, 2, 0, 4}, 1, false}, {{3, 9, 6}, 1, false}, {{0, 4, 8, 8}, 1, false}},
      {{{12, 4}, 1, false}, {{10, 6, 2}, 1, false}, {{2, 8, 8}, 2, false}, {{0, 6, 10, 4}, 2, false}},
      {{{6, 6}, 1, false}, {{4, 8}, 2, true}, {{8, 2, 2}, 2, false}, {{1, 1, 6, 4}, 1, false}, {{5, 5, 4}, 2, false}},
      {{{12, 4}, 0, false}, {{10, 6, 2}, 1, false}, {{2, 8, 8}, 3, false}, {{0, 6, 10, 4}, 1, false},
       {{4, 4, 4}, 2, false}, {{2, 2, 8}, 2, false}, {{6, 2, 4}, 4, false}},
      {{{6, 2}, 1, false}, {{2, 4, 2}, 1, false}, {{0, 2, 6}, 1, false}}};
  const int groups[] = {1, 2, 2, 3, 0};  // no deme is in a group when there is none
  for (std::size_t t = 0; t < 5; ++t) {
    Table table(tables[t], groups[t]);
    const std::string text = table.lines(), line = text.substr(text.find('\n') + 1);
    ASSERT_EQ(line.back(), '\n');
    const std::vector<double> got = fields(line.substr(0, line.size() - 1)), want = expected(table);
    ASSERT_EQ(got.size(), want.size()) << line;
    ASSERT_EQ(std::count(text.begin(), text.end(), '\t'), 2 * static_cast<long>(want.size() - 1)) << text;
    for (std::size_t k = 0; k < want.size(); ++k)
      EXPECT_NEAR(got[k], want[k], 2e-5 + 2e-5 * std::fabs(want[k])) << "table " << t << " field " << k;
  }
}

TEST(Diversity, HeaderLayoutAndEmptyDemes) {
  testutil::LogCapture log;
  Table one({{{2, 2}, 1, false}, {{4}, 1, true}}, 1);
  EXPECT_EQ(one.lines(), "1_na\t1_obsHe\t1_Genediv\ttot_na\ttot_obsHe\ttot_GeneDiv\n2\t1\t0.666667\t2\t1\t0.666667\n");
  Table gap({{{2}, 1, true}, {{2}, 2, false}, {{}, 1, false}, {{}, 2, false}}, 2);
  EXPECT_EQ(gap.lines(),
            "\t2_na\t2_obsHe\t2_Genediv\t3_na\t3_obsHe\t3_Genediv\t4_na\t4_obsHe\t4_Genediv\ttot_na\ttot_obsHe"
            "\ttot_GeneDiv\ttot_Fst\ttot_Fct\ttot_Fsc\tFst_2_3\tFst_2_4\tFst_3_4\n"
            "\t1\t0\t0\t0\t0\t-0\t0\t0\t-0\t1\t0\t0\t0\t0\t0\t0\t0\t0\n");
  EXPECT_EQ(log.text(),  // group 1 holds no copy: one warning per deme of it
            "WARNING-compute_whole_stats: division by 0!\nWARNING-compute_whole_stats: division by 0!\n"
            "WARNING: Population 3 has not been colonised, AMOVA can not be computed!\n"
            "WARNING: Population 4 has not been colonised, AMOVA can not be computed!\n");
  log.clear();
  Table({{{}, 1, false}, {{}, 1, false}}, 1).lines();  // no copy at all: one warning per deme
  EXPECT_EQ(log.text().find("WARNING: Population 1 has"), 88u) << log.text();
}
