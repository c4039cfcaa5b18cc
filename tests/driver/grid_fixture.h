#ifndef TESSAREL_TESTS_DRIVER_GRID_FIXTURE_H
#define TESSAREL_TESTS_DRIVER_GRID_FIXTURE_H

// Shared set-up of the grid, structure and mutation tests: a settings
// object filled by hand, its allele and deme tables, and a seeded generator.
#include <gsl/gsl_rng.h>

#include <vector>

#include "driver/grid.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace gridtest {

struct World {
  Tsettings s;
  std::vector<Tallele*> alleles;
  std::vector<Tpop*> demes;
  gsl_rng* saved_rng = nullptr;

  explicit World(unsigned long seed = 7) {
    saved_rng = randomnumber;
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, seed);
  }

  ~World() {
    delete_pops_and_inds(&demes);
    delete_alleles(&alleles);
    gsl_rng_free(randomnumber);
    randomnumber = saved_rng;
    Tgeno::_pallelevect = nullptr;
  }

  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // Per-deme settings of an X x Y grid: N0 10, K 100, r 0.5, m 0.1,
  // group 1, sample size 5 everywhere.
  void grid(int x, int y) {
    s._x_coordinate = x;
    s._y_coordinate = y;
    s._num_pop = x * y;
    s._num_pop_groups = 1;
    for (int i = 0; i < s._num_pop; ++i) {
      s._init_k_deme.push_back(10.0);
      s._final_k_deme.push_back(100.0);
      s._growth_rate_deme.push_back(0.5f);
      s._mig_rate_deme.push_back(0.1f);
      s._group_deme.push_back(1);
      s._samp_size_deme.push_back(5);
    }
  }

  void route(int from, int to, float factor) {
    s._modified_mig_from.push_back(from);
    s._modified_mig_to.push_back(to);
    s._modified_mig.push_back(factor);
    s._num_modified_mig = static_cast<int>(s._modified_mig.size());
  }

  // The start-up sequence of the run: alleles, demes, inactive demes,
  // links, zero-capacity flags.
  void build(int nalleles = 3) {
    alleles.assign(static_cast<std::size_t>(nalleles), nullptr);
    creates_alleles(&alleles, nalleles);
    Tgeno::_pallelevect = &alleles;
    Tgeno::_init_num_allele = nalleles;
    Tgeno::_init_num_allele_per_grp = nalleles;
    demes.assign(static_cast<std::size_t>(s._num_pop), nullptr);
    creates_pops(&demes, &s, nalleles);
    set_unactivedemes(&demes, &s);
    set_neighbours(&demes, &s);
    set_kzero(&demes, &s);
  }
};

}  // namespace gridtest

#endif
