#ifndef TESSAREL_TESTS_MODEL_WORLD_H
#define TESSAREL_TESTS_MODEL_WORLD_H

#include <gsl/gsl_rng.h>

#include <vector>

#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

using IndStep = void (Tpop::*)(std::ofstream*, std::vector<Tallele*>*, Tsettings*, std::vector<Tgeno*>*);
const IndStep kIndStep[4] = {&Tpop::newgeneration_symoverind, &Tpop::newgeneration_asymoverind,
                             &Tpop::newgeneration_rarealleleind, &Tpop::newgeneration_dominanceind};

// An allele table wired into Tgeno, settings, and the run generator on a
// fixed seed with a twin seeded alike; everything goes back as it was.
struct World {
  std::vector<Tallele*> table;
  Tsettings settings;
  gsl_rng* saved = randomnumber;
  gsl_rng* twin = nullptr;

  explicit World(int n_alleles, int per_pool = 0, unsigned long seed = 7) {
    for (int i = 0; i < n_alleles; ++i) table.push_back(new Tallele(i));
    Tgeno::_pallelevect = &table;
    Tgeno::_init_num_allele = n_alleles;
    Tgeno::_init_num_allele_per_grp = per_pool > 0 ? per_pool : n_alleles;
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, seed);
    twin = gsl_rng_clone(randomnumber);
    settings._locus_length = 1;
  }
  ~World() {
    for (Tallele* a : table) delete a;
    Tgeno::_pallelevect = nullptr;
    gsl_rng_free(randomnumber);
    gsl_rng_free(twin);
    randomnumber = saved;
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;
  // True while the run generator has drawn only in these checks, each of
  // which draws once from both: the steps since drew nothing.
  bool in_step() { return gsl_rng_get(randomnumber) == gsl_rng_get(twin); }
};

// A deme with both lists wired up; it deletes whatever it still holds.
struct Deme : Tpop {
  std::vector<Tgeno*> surplus;
  Deme(int n_alleles, double size) : Tpop(0, 0, 0, 0) {
    createfreqarrays(n_alleles);
    _current = &_inds_a;
    _next = &_inds_b;
    _size = _next_size = size;
  }
  ~Deme() {
    delete_ind_vector();
    delete_sup_ind(&surplus);
  }
  static void add(std::vector<Tgeno*>* list, int a, int b, int n = 1) {
    for (int i = 0; i < n; ++i) list->push_back(new Tgeno(a, b));
  }
  // Share of allele 0 among the copies of the current list.
  double p0() const {
    double zeros = 0.0;
    for (const Tgeno* g : *_current) zeros += (g->_allele1->_id == 0) + (g->_allele2->_id == 0);
    return zeros / (2.0 * static_cast<double>(_current->size()));
  }
};

#endif
