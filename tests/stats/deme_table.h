#ifndef TESSAREL_TESTS_STATS_DEME_TABLE_H
#define TESSAREL_TESTS_STATS_DEME_TABLE_H

#include <string>
#include <utility>
#include <vector>

#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"

namespace statstest {

// An allele table, a deme table and the settings that describe them, built
// directly through the model's constructors; everything is released on
// destruction.
class DemeTable {
 public:
  explicit DemeTable(int num_alleles);
  ~DemeTable();
  DemeTable(const DemeTable&) = delete;
  DemeTable& operator=(const DemeTable&) = delete;

  // A deme holding the given genotypes (allele numbers from 0).
  void add_genotypes(const std::vector<std::pair<int, int>>& genos, int group = 1,
                     bool inactive = false);
  // A deme holding counts[a] copies of allele a (the total must be even);
  // copy k is paired with copy k + n/2, so most individuals are heterozygous.
  void add_counts(const std::vector<int>& counts, int group = 1, bool inactive = false);

  // Brings NUM_POP, the number of inactive demes and NUM_POP_GROUPS in line.
  void finish(int groups);

  // Legend and statistics line, without their line ends.
  std::string legend();
  std::string line();

  std::vector<Tallele*> alleles;
  std::vector<Tpop*> pops;
  Tsettings settings;
};

std::vector<std::string> split_tabs(const std::string& s);

}  // namespace statstest

#endif
