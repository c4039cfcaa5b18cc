// The structure-change reader over arbitrary files, in per-deme and in group
// mode, on a small grid whose shape comes from the first eight input bytes;
// the rest is the file of structure 2 (and, after a line "@@@@", that of
// structure 3, which starts at the same generation). Whatever a file holds,
// a carrying capacity stays finite and never drops below -1, growth and
// migration rates stay inside [0, 1], and links and flags stay as built.

#include <gsl/gsl_rng.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "driver/grid.h"
#include "driver/structure.h"
#include "fuzz_common.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"

namespace {

const size_t kHeader = 8;
const int kAlleles = 3;

uint8_t header_byte(const uint8_t* data, size_t size, size_t i) { return i < size ? data[i] : 0; }

void fill_settings(Tsettings& s, const uint8_t* data, size_t size) {
  const uint8_t b0 = header_byte(data, size, 0);
  const uint8_t b1 = header_byte(data, size, 1);
  s._x_coordinate = 1 + b0 % 4;
  s._y_coordinate = 1 + (b0 / 4) % 3;
  s._num_pop = s._x_coordinate * s._y_coordinate;
  s._all_pop_with_same_demo = b1 & 1;
  s._num_pop_groups = (b1 >> 1) % 4;  // 0 groups is possible in a broken setup
  s._num_alleles = kAlleles;
  s._num_alleles_per_pool = kAlleles;
  s._num_pop_struct = 3;
  s._pop_struct = {0, 3, 3};
  const double capacities[] = {-1.0, 0.0, 0.5, 150.7, 1000.0, 20.0, 3.0, -1.0};
  for (int d = 0; d < s._num_pop; ++d) {
    const uint8_t v = header_byte(data, size, 2 + static_cast<size_t>(d) % (kHeader - 2)) + static_cast<uint8_t>(d * 37);
    s._init_k_deme.push_back(v % 3 == 0 ? 0.0 : 5.0);
    s._final_k_deme.push_back(capacities[v % 8]);
    s._growth_rate_deme.push_back(static_cast<float>(v % 11) / 10.0f);
    s._mig_rate_deme.push_back(static_cast<float>((v / 11) % 11) / 10.0f);
    // One more than the groups: a deme whose group has no record.
    s._group_deme.push_back(1 + v % (s._num_pop_groups + 1));
    s._samp_size_deme.push_back(v % 4);
  }
  for (int g = 0; g < s._num_pop_groups; ++g) {
    s._final_k_group.push_back(capacities[(g * 3 + b1) % 8]);
    s._growth_rate_group.push_back(0.25f * static_cast<float>(g % 5));
    s._mig_rate_group.push_back(0.1f * static_cast<float>(g + 1));
  }
  s._num_modified_mig = 1;
  s._modified_mig_from.push_back(0);
  s._modified_mig_to.push_back(s._num_pop > 1 ? 1 : 0);
  s._modified_mig.push_back(0.5f);
}

void check_demes(const std::vector<Tpop*>& demes, const std::vector<Tpop>& before) {
  for (size_t i = 0; i < demes.size(); ++i) {
    const Tpop* d = demes[i];
    fuzzutil::require(std::isfinite(d->_k), "K not finite");
    fuzzutil::require(d->_k >= -1.0, "K below -1");
    fuzzutil::require(d->_r >= 0.0f && d->_r <= 1.0f, "growth rate outside [0, 1]");
    fuzzutil::require(d->_m >= 0.0f && d->_m <= 1.0f, "migration rate outside [0, 1]");
    fuzzutil::require(d->_inactive == before[i]._inactive, "inactive flag changed");
    for (int k = 0; k < 4; ++k) {
      fuzzutil::require(d->_nbr[k] == before[i]._nbr[k], "link changed");
      fuzzutil::require(d->_mig_factor[k] == before[i]._mig_factor[k], "route factor changed");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  const size_t skip = size < kHeader ? size : kHeader;
  std::vector<std::string> parts = fuzzutil::split_parts(data + skip, size - skip, 2);

  Tsettings s;
  fill_settings(s, data, size);
  const char* stem = s._all_pop_with_same_demo ? "tessarel_alldemes_" : "tessarel_structure_";
  fuzzutil::write_file((std::string(stem) + "2.txt").c_str(), parts[0]);
  if (parts.size() > 1)
    fuzzutil::write_file((std::string(stem) + "3.txt").c_str(), parts[1]);
  else
    fuzzutil::remove_file((std::string(stem) + "3.txt").c_str());

  std::vector<Tallele*> alleles(kAlleles, nullptr);
  creates_alleles(&alleles, kAlleles);
  Tgeno::_init_num_allele = kAlleles;
  Tgeno::_init_num_allele_per_grp = kAlleles;
  Tgeno::_pallelevect = &alleles;
  std::vector<Tpop*> demes(static_cast<size_t>(s._num_pop), nullptr);
  creates_pops(&demes, &s, kAlleles);
  set_unactivedemes(&demes, &s);
  set_neighbours(&demes, &s);
  set_kzero(&demes, &s);
  reset_settings_in_pops(&demes, &s);

  std::vector<Tpop> before;
  for (Tpop* d : demes) {
    Tpop copy;
    copy._inactive = d->_inactive;
    for (int k = 0; k < 4; ++k) {
      copy._nbr[k] = d->_nbr[k];
      copy._mig_factor[k] = d->_mig_factor[k];
    }
    before.push_back(copy);
  }

  // Through the files, as the run does it: both structures start at 3.
  for (int g = 0; g <= 4; ++g) changepopstructure(&s, &demes, g);
  check_demes(demes, before);

  // Straight from a stream, once more on the changed demes.
  {
    std::istringstream in(parts[0]);
    change_settings_in_pops(in, 7, &demes, &s);
    check_demes(demes, before);
  }

  reset_settings_in_pops(&demes, &s);
  delete_pops_and_inds(&demes);
  delete_alleles(&alleles);
  Tgeno::_pallelevect = nullptr;
  return 0;
}
