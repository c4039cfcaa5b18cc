// The run's input files from arbitrary text: the parameter file, the first
// structure and group files and two structure-change files (parts separated
// by a line "@@@@"; an empty part is a missing file), and a last part that,
// when it starts with a number from 1 to 1000000, is the run's
// frequency-mode threshold. The shipped program's threshold is fixed at
// 1000000, far beyond the small runs below: a lower one lets them enter and
// leave frequency mode (see few_mutations). The readers must keep
// every value finite and every per-deme and per-group vector complete; a
// run they accept has its prior table drawn, its grid built and changed by
// the first structure-change file (a capacity never below -1, rates inside
// [0, 1]), and, when its counts are small, runs whole: its result files hold
// no "nan" or "inf".
//
// Counts in the input (demes, groups, routes, structures) are read as they
// are: a reader that cannot stop on its own at a huge count shows up as a
// timeout or an out-of-memory finding.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/grid.h"
#include "driver/structure.h"
#include "driver/tessarel.h"
#include "fuzz_common.h"
#include "settings/settings.h"

namespace {

using fuzzutil::require;

template <class T>
void finite(const std::vector<T>& v) {
  for (const T& x : v) require(std::isfinite(static_cast<double>(x)), "a value is not finite");
}

void check_values(const Tsettings& s) {
  finite(std::vector<float>{s._init_freq, s._mutation_rate, s._selection_rate, s._selection_rate_north_east,
                            s._selection_rate_south_west});
  for (const auto* v : {&s._init_k_deme, &s._final_k_deme, &s._final_k_group}) finite(*v);
  for (const auto* v : {&s._growth_rate_deme, &s._mig_rate_deme, &s._growth_rate_group, &s._mig_rate_group,
                        &s._modified_mig})
    finite(*v);
  const size_t n = s._init_k_deme.size(), g = s._final_k_group.size(), r = s._modified_mig.size();
  require(s._final_k_deme.size() == n && s._growth_rate_deme.size() == n && s._mig_rate_deme.size() == n &&
              s._group_deme.size() == n && s._samp_size_deme.size() == n && s._growth_rate_group.size() == g &&
              s._mig_rate_group.size() == g && s._modified_mig_from.size() == r && s._modified_mig_to.size() == r,
          "vectors of different lengths");
}

void build_and_change(Tsettings& s, const std::string& change) {
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
  std::istringstream in(change);
  change_settings_in_pops(in, 2, &demes, &s);
  for (const Tpop* d : demes) {
    require(std::isfinite(d->_k) && d->_k >= -1.0, "K not finite or below -1");
    require(d->_r >= 0.0f && d->_r <= 1.0f && d->_m >= 0.0f && d->_m <= 1.0f, "rate outside [0, 1]");
  }
  delete_pops_and_inds(&demes);
  delete_alleles(&alleles);
  Tgeno::_pallelevect = nullptr;
}

// The threshold the last part gives, if any.
std::optional<int> frequency_threshold(const std::string& part) {
  const long t = std::strtol(part.c_str(), nullptr, 10);
  if (t < 1 || t > 1000000) return std::nullopt;
  return static_cast<int>(t);
}

// Every mutation adds an allele to the table, and a frequency-mode deme
// walks the whole table for each mutation it takes and each generation: a
// lower threshold is only for runs whose mutation rate is fixed and low
// enough to keep the table of the largest small run to a few hundred
// alleles.
bool few_mutations(const Tsettings& s) {
  const bool drawn = s._abc_db.size() > MUTATION_RATE && s._abc_db[MUTATION_RATE] != nullptr;
  return !drawn && s._mutation_rate <= 1e-4f;
}

// The counts that size a whole run's work, drawn ones included.
bool small_run(const Tsettings& s) {
  if (s._num_simulations > 3 || s._num_generations > 10 || s._num_pop > 12 || s._num_alleles > 10) return false;
  for (double n0 : s._init_k_deme)
    if (!(n0 <= 50.0)) return false;
  for (const TDistributionSettings* d : s._abc_db)
    for (float p : d != nullptr ? d->_params : std::vector<float>())
      if (!(std::fabs(p) <= 100.0f)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  const std::vector<std::string> parts = fuzzutil::split_parts(data, size, 6);
  const char* names[] = {"tessarel_param.txt", "tessarel_structure_1.txt", "tessarel_alldemes_1.txt",
                         "tessarel_structure_2.txt", "tessarel_structure_3.txt"};
  for (size_t k = 0; k < 5; ++k) {
    fuzzutil::put_file(names[k], parts[k]);
    if (k >= 3) fuzzutil::put_file("tessarel_alldemes_" + std::to_string(k - 1) + ".txt", parts[k]);
  }
  gsl_rng* previous = randomnumber;
  randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
  bool run = false;
  std::optional<int> threshold;
  {
    Tsettings s;
    std::ifstream in(names[0]);
    in >> s;
    check_values(s);
    if (s.check_parameters_validity() == 1) {
      run = small_run(s);
      if (few_mutations(s)) threshold = frequency_threshold(parts[5]);
      for (int i = 0; s._abc_mode && i < 2; ++i) {
        s._abc_line = "";
        s.SampleABCParametersAndChangeSettings();
        check_values(s);
        require(fuzzutil::no_nan(s._abc_line.c_str()), "ABC line holds nan or inf");
      }
      build_and_change(s, parts[3]);
    }
  }
  gsl_rng_free(randomnumber);
  randomnumber = previous;
  if (!run) return 0;
  frequency_threshold_override = threshold;
  run_tessarel([]() { return -123456L; });
  std::vector<std::string> results = {"arlequin.arb", "tessarel_abc.txt", "Result_000001.arp", "Result_000002.arp",
                                      "Result_000003.arp"};
  for (int d = 1; d <= 12; ++d) results.push_back("tessarel_frequency.deme" + std::to_string(d));
  for (const std::string& name : results) {
    require(fuzzutil::no_nan(fuzzutil::read_file(name)), name.c_str());
    std::remove(name.c_str());
  }
  return 0;
}
