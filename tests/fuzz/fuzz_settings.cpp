// The parameter reader over a parameter file with its first structure file
// and first group file (input parts separated by a line "@@@@"; a missing
// part means a missing file), then the error report and, for a run it
// accepts, the prior table's header and two draws. Small accepted grids are
// also built, so that settings the reader lets through reach the deme table.
//
// Counts in the input (demes, groups, routes, structures) are used as read:
// a reader that cannot stop on its own at a huge count shows up here as a
// timeout or an out-of-memory finding.

#include <gsl/gsl_rng.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/grid.h"
#include "fuzz_common.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"

namespace {

template <class T>
void check_finite(const std::vector<T>& v, const char* what) {
  for (const T& x : v) fuzzutil::require(std::isfinite(static_cast<double>(x)), what);
}

// Conversions never yield NaN or an infinity, whatever the text.
void check_values(const Tsettings& s) {
  fuzzutil::require(std::isfinite(s._init_freq), "init_freq not finite");
  fuzzutil::require(std::isfinite(s._mutation_rate), "mutation_rate not finite");
  fuzzutil::require(std::isfinite(s._selection_rate), "selection_rate not finite");
  fuzzutil::require(std::isfinite(s._selection_rate_north_east), "north_east not finite");
  fuzzutil::require(std::isfinite(s._selection_rate_south_west), "south_west not finite");
  check_finite(s._init_k_deme, "N0 not finite");
  check_finite(s._final_k_deme, "K not finite");
  check_finite(s._growth_rate_deme, "r not finite");
  check_finite(s._mig_rate_deme, "m not finite");
  check_finite(s._final_k_group, "group K not finite");
  check_finite(s._growth_rate_group, "group r not finite");
  check_finite(s._mig_rate_group, "group m not finite");
  check_finite(s._modified_mig, "route rate not finite");
  fuzzutil::require(s._abc_db.size() == static_cast<size_t>(ABC_DB_SIZE), "prior table resized");
  // Every per-deme vector has one entry per deme record read.
  const size_t n = s._init_k_deme.size();
  fuzzutil::require(s._final_k_deme.size() == n && s._growth_rate_deme.size() == n &&
                        s._mig_rate_deme.size() == n && s._group_deme.size() == n &&
                        s._samp_size_deme.size() == n,
                    "per-deme vectors of different lengths");
  const size_t g = s._final_k_group.size();
  fuzzutil::require(s._growth_rate_group.size() == g && s._mig_rate_group.size() == g,
                    "per-group vectors of different lengths");
  const size_t r = s._modified_mig.size();
  fuzzutil::require(s._modified_mig_from.size() == r && s._modified_mig_to.size() == r,
                    "route vectors of different lengths");
}

// A run the checks accept, on a grid small enough to build at every input.
void build_grid(Tsettings& s) {
  if (s._num_pop < 1 || s._num_pop > 400 || s._num_alleles < 1 || s._num_alleles > 2000) return;
  std::vector<Tallele*> alleles(static_cast<size_t>(s._num_alleles), nullptr);
  creates_alleles(&alleles, s._num_alleles);
  Tgeno::_init_num_allele = s._num_alleles;
  Tgeno::_init_num_allele_per_grp = s._num_alleles_per_pool;
  Tgeno::_pallelevect = &alleles;
  std::vector<Tpop*> demes(static_cast<size_t>(s._num_pop), nullptr);
  creates_pops(&demes, &s, s._num_alleles);
  set_unactivedemes(&demes, &s);
  set_neighbours(&demes, &s);
  set_kzero(&demes, &s);
  if (s._abc_mode) {
    std::ofstream none;
    s._abc_line = "";
    s.SampleABCParametersAndChangeSettings();
    set_pool_allele_counts(&s, s._num_alleles);
    updatepopfromsettings(&demes, &s);
  }
  reset_settings_in_pops(&demes, &s);
  delete_pops_and_inds(&demes);
  delete_alleles(&alleles);
  Tgeno::_pallelevect = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  std::vector<std::string> parts = fuzzutil::split_parts(data, size, 3);
  fuzzutil::write_file("tessarel_param.txt", parts[0]);
  if (parts.size() > 1)
    fuzzutil::write_file("tessarel_structure_1.txt", parts[1]);
  else
    fuzzutil::remove_file("tessarel_structure_1.txt");
  if (parts.size() > 2)
    fuzzutil::write_file("tessarel_alldemes_1.txt", parts[2]);
  else
    fuzzutil::remove_file("tessarel_alldemes_1.txt");

  gsl_rng* previous = randomnumber;
  randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(randomnumber, 12345);
  {
    Tsettings s;
    std::ifstream in("tessarel_param.txt");
    in >> s;
    check_values(s);
    if (s.check_parameters_validity() == 1) {
      if (s._abc_mode) {
        std::ofstream header("/dev/null");
        s.WriteSampledParametersHeader(&header, s._all_pop_with_same_demo != 0 ? 1 : 0);
        for (int i = 0; i < 2; ++i) {
          s._abc_line = "";
          s.SampleABCParametersAndChangeSettings();
          check_values(s);
          fuzzutil::require(!fuzzutil::has_nan_or_inf_word(s._abc_line.c_str()), "ABC line holds nan or inf");
        }
      }
      build_grid(s);
    }
  }
  gsl_rng_free(randomnumber);
  randomnumber = previous;
  return 0;
}
