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
#include "core_fixture.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace reprotest {

// The model tests' world (allele table, seeded generator and its twin) with
// one pool holding every allele, settings, and the twin's other draws.
struct World : coretest::World {
  Tsettings settings;

  explicit World(int n_alleles, unsigned long seed = 4242) : coretest::World(n_alleles, n_alleles, seed) {
    settings._locus_length = 1;
  }

  void reseed(unsigned long seed) {
    gsl_rng_set(randomnumber, seed);
    gsl_rng_set(twin, seed);
  }

  int tint(int n) { return twin_int(n); }
  double tfloat() { return twin_float(); }
  double tnormal() { return gsl_ran_gaussian(twin, 1.0); }
  int tbinom(float p, int n) {
    return static_cast<int>(gsl_ran_binomial(twin, static_cast<double>(p), static_cast<unsigned>(n)));
  }
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
