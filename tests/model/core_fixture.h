#ifndef TESSAREL_TESTS_MODEL_CORE_FIXTURE_H
#define TESSAREL_TESTS_MODEL_CORE_FIXTURE_H

#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <vector>

#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "support/globaldef.h"

namespace coretest {

// An allele table wired into Tgeno, a seeded run generator and a twin
// generator with the same seed, from which tests derive the values the code
// under test must have drawn.
struct World {
  std::vector<Tallele*> table;
  gsl_rng* twin = nullptr;
  gsl_rng* saved = nullptr;

  World(int n_alleles, int per_pool, unsigned long seed = 12345) {
    for (int i = 0; i < n_alleles; ++i) table.push_back(new Tallele(i));
    Tgeno::_pallelevect = &table;
    Tgeno::_init_num_allele = n_alleles;
    Tgeno::_init_num_allele_per_grp = per_pool;
    saved = randomnumber;
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, seed);
    twin = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(twin, seed);
  }
  ~World() {
    for (Tallele* a : table) delete a;
    Tgeno::_pallelevect = nullptr;
    Tgeno::_init_num_allele = 0;
    Tgeno::_init_num_allele_per_grp = 0;
    gsl_rng_free(randomnumber);
    randomnumber = saved;
    gsl_rng_free(twin);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  int twin_int(int n) { return static_cast<int>(gsl_rng_uniform_int(twin, static_cast<unsigned long>(n))); }
  double twin_float() { return gsl_rng_uniform(twin); }
  // True when the run generator and the twin have consumed the same draws.
  bool in_step() {
    return gsl_rng_get(randomnumber) == gsl_rng_get(twin);
  }
};

// Individual with the given allele numbers (the table must hold them).
inline Tgeno* ind(int a, int b) { return new Tgeno(a, b); }

inline std::vector<int> ids(const std::vector<Tgeno*>& list, bool first) {
  std::vector<int> out;
  for (const Tgeno* g : list) out.push_back(first ? g->_allele1->_id : g->_allele2->_id);
  return out;
}

}  // namespace coretest

#endif
