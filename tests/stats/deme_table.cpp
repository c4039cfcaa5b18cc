#include "deme_table.h"

#include <fstream>

#include "stats/diversity.h"
#include "test_util.h"

namespace statstest {

DemeTable::DemeTable(int num_alleles) {
  for (int a = 0; a < num_alleles; ++a) alleles.push_back(new Tallele(a));
  Tgeno::_pallelevect = &alleles;
}

DemeTable::~DemeTable() {
  for (Tpop* p : pops) {
    p->delete_ind_vector();
    delete p;
  }
  for (Tallele* a : alleles) delete a;
  Tgeno::_pallelevect = nullptr;
}

void DemeTable::add_genotypes(const std::vector<std::pair<int, int>>& genos, int group,
                              bool inactive) {
  const int id = static_cast<int>(pops.size());
  const int zero = 0;
  const int minus = -1;
  Tpop* p = new Tpop(zero, id, minus, minus);
  p->create_ind_vector(zero, zero, 0.0f);
  for (const auto& g : genos) p->_current->push_back(new Tgeno(g.first, g.second));
  p->_group = group;
  p->_inactive = inactive;
  pops.push_back(p);
}

void DemeTable::add_counts(const std::vector<int>& counts, int group, bool inactive) {
  std::vector<int> copies;
  for (std::size_t a = 0; a < counts.size(); ++a)
    for (int k = 0; k < counts[a]; ++k) copies.push_back(static_cast<int>(a));
  const std::size_t half = copies.size() / 2;
  std::vector<std::pair<int, int>> genos;
  for (std::size_t k = 0; k < half; ++k) genos.emplace_back(copies[k], copies[k + half]);
  add_genotypes(genos, group, inactive);
}

void DemeTable::finish(int groups) {
  settings._num_pop = static_cast<int>(pops.size());
  int inactive = 0;
  for (Tpop* p : pops)
    if (p->_inactive) ++inactive;
  settings._num_unactive_deme = inactive;
  settings._num_pop_groups = groups;
}

namespace {
std::string strip_newline(std::string s) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}
}  // namespace

std::string DemeTable::legend() {
  testutil::TempDir dir;
  {
    std::ofstream out("legend.txt");
    write_legend(&out, &pops, &settings);
  }
  return strip_newline(testutil::read_file("legend.txt"));
}

std::string DemeTable::line() {
  testutil::TempDir dir;
  {
    std::ofstream out("stats.txt");
    const int a = static_cast<int>(alleles.size());
    compute_whole_stats(&pops, &out, &settings, a);
  }
  return strip_newline(testutil::read_file("stats.txt"));
}

std::vector<std::string> split_tabs(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == '\t') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

}  // namespace statstest
