#ifndef TESSAREL_TESTS_MODEL_REPRO_FIXTURE_H
#define TESSAREL_TESTS_MODEL_REPRO_FIXTURE_H

#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace reprotest {

// An allele table wired into Tgeno, settings, the run generator seeded with
// a fixed seed and a twin generator with the same seed: the tests derive
// from the twin the values the code under test must have drawn.
struct World {
  std::vector<Tallele*> table;
  Tsettings settings;
  gsl_rng* twin = nullptr;
  gsl_rng* saved = nullptr;

  explicit World(int n_alleles, unsigned long seed = 4242) {
    for (int i = 0; i < n_alleles; ++i) table.push_back(new Tallele(i));
    Tgeno::_pallelevect = &table;
    Tgeno::_init_num_allele = n_alleles;
    Tgeno::_init_num_allele_per_grp = n_alleles;
    settings._locus_length = 1;
    saved = randomnumber;
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    twin = gsl_rng_alloc(gsl_rng_mt19937);
    reseed(seed);
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

  void reseed(unsigned long seed) {
    gsl_rng_set(randomnumber, seed);
    gsl_rng_set(twin, seed);
  }

  int tint(int n) { return static_cast<int>(gsl_rng_uniform_int(twin, static_cast<unsigned long>(n))); }
  double tfloat() { return gsl_rng_uniform(twin); }
  double tnormal() { return gsl_ran_gaussian(twin, 1.0); }
  int tbinom(float p, int n) {
    return static_cast<int>(gsl_ran_binomial(twin, static_cast<double>(p), static_cast<unsigned>(n)));
  }
  // True when the run generator and the twin have made the same draws.
  bool in_step() { return gsl_rng_get(randomnumber) == gsl_rng_get(twin); }
};

// A deme with its two lists wired up; it deletes its individuals and the
// surplus list when it goes.
struct Deme {
  Tpop pop;
  std::vector<Tgeno*> surplus;

  Deme(int n_alleles, double size) : pop(0, 0, 0, 0) {
    pop.createfreqarrays(n_alleles);
    pop._current = &pop._inds_a;
    pop._next = &pop._inds_b;
    pop._size = size;
    pop._next_size = size;
  }
  ~Deme() {
    pop.delete_ind_vector();
    for (Tgeno* g : surplus) delete g;
  }
  Deme(const Deme&) = delete;
  Deme& operator=(const Deme&) = delete;

  void parent(int a, int b) { pop._current->push_back(new Tgeno(a, b)); }
  void offspring_slots(int n) {
    for (int i = 0; i < n; ++i) pop._next->push_back(new Tgeno(0, 0));
  }
  std::vector<Tgeno*>& next() { return *pop._next; }
  std::vector<Tgeno*>& current() { return *pop._current; }
};

inline int id1(const Tgeno* g) { return g->_allele1->_id; }
inline int id2(const Tgeno* g) { return g->_allele2->_id; }

inline int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

inline bool all_finite_nonneg(const std::vector<float>& v) {
  for (float f : v) {
    if (!std::isfinite(f) || f < 0.0f) return false;
  }
  return true;
}

}  // namespace reprotest

#endif
