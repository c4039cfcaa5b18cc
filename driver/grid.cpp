#include "driver/grid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ostream>
#include <unordered_map>

#include "settings/settings.h"
#include "support/globaldef.h"

namespace {

// Number of alleles the table held when it was built; the ancestral pools
// must stay inside this block whatever mutation appends later. -1 until
// creates_alleles has run.
int g_startup_alleles = -1;

std::size_t deme_count(const std::vector<Tpop*>* demes, const Tsettings* s) {
  if (demes == nullptr || s == nullptr || s->_num_pop < 1) return 0;
  std::size_t n = static_cast<std::size_t>(s->_num_pop);
  return std::min(n, demes->size());
}

template <class T>
bool entry_of(const std::vector<T>& v, long i, T& out) {
  if (i < 0 || static_cast<std::size_t>(i) >= v.size()) return false;
  out = v[static_cast<std::size_t>(i)];
  return true;
}

// Initial size, group and sample size of deme i; values that the settings do
// not hold leave the arguments as they are.
void basics_of(const Tsettings* s, int i, double& n0, int& group, int& sample) {
  entry_of(s->_init_k_deme, i, n0);
  entry_of(s->_group_deme, i, group);
  entry_of(s->_samp_size_deme, i, sample);
}

// K, r and m of deme i: per group (group counted from 1) in group mode, per
// deme otherwise. Values that the settings do not hold leave the arguments
// as they are.
void demography_of(const Tsettings* s, int i, int group, double& k, float& r, float& m) {
  if (s->_all_pop_with_same_demo != 0) {
    long gi = static_cast<long>(group) - 1;
    entry_of(s->_final_k_group, gi, k);
    entry_of(s->_growth_rate_group, gi, r);
    entry_of(s->_mig_rate_group, gi, m);
  } else {
    entry_of(s->_final_k_deme, i, k);
    entry_of(s->_growth_rate_deme, i, r);
    entry_of(s->_mig_rate_deme, i, m);
  }
}

// Grid neighbour of deme i in slot k (x+1, x-1, y+1, y-1), or -1 outside
// the grid.
int grid_neighbour(int i, int k, int x_extent, int y_extent) {
  int x = i % x_extent;
  int y = i / x_extent;
  switch (k) {
    case 0: return x < x_extent - 1 ? i + 1 : -1;
    case 1: return x > 0 ? i - 1 : -1;
    case 2: return y < y_extent - 1 ? i + x_extent : -1;
    default: return y > 0 ? i - x_extent : -1;
  }
}

// Flags by deme index built from the inactive list, so that lookups stay
// linear in the number of demes.
std::vector<char> inactive_mask(const Tsettings* s, std::size_t n) {
  std::vector<char> mask(n, 0);
  for (int j : s->_unactive_deme) {
    if (j >= 0 && static_cast<std::size_t>(j) < n) mask[static_cast<std::size_t>(j)] = 1;
  }
  return mask;
}

// Index of the first route from -> to, or -1.
long find_route(int from, int to, const std::vector<int>* froms, const std::vector<int>* tos,
                std::size_t limit) {
  if (froms == nullptr || tos == nullptr) return -1;
  std::size_t const n = std::min({froms->size(), tos->size(), limit});
  for (std::size_t r = 0; r < n; ++r) {
    if ((*froms)[r] == from && (*tos)[r] == to) return static_cast<long>(r);
  }
  return -1;
}

// First route of every (from, to) pair, so that linking a large grid with
// many routes stays linear instead of searching the whole list per slot.
class RouteIndex {
 public:
  explicit RouteIndex(const Tsettings* s) : _rates(&s->_modified_mig) {
    std::size_t const n = std::min({s->_modified_mig_from.size(), s->_modified_mig_to.size(), s->_modified_mig.size()});
    _first.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
      _first.emplace(key(s->_modified_mig_from[r], s->_modified_mig_to[r]), r);  // keeps the first
    }
  }
  // Index of the first route from -> to, or -1.
  long find(int from, int to) const {
    auto it = _first.find(key(from, to));
    return it == _first.end() ? -1 : static_cast<long>(it->second);
  }
  float rate(long r) const { return (*_rates)[static_cast<std::size_t>(r)]; }

 private:
  // Shifted as unsigned: a route may name deme -1 (a "0" or a malformed
  // route token), and shifting a negative value is undefined.
  static unsigned long long key(int from, int to) {
    return (static_cast<unsigned long long>(static_cast<unsigned int>(from)) << 32) |
           static_cast<unsigned long long>(static_cast<unsigned int>(to));
  }
  const std::vector<float>* _rates;
  std::unordered_map<unsigned long long, std::size_t> _first;
};

// The route log line of a factor found for a pair.
void log_route(int from, int to, float v) {
  if (v > 0.0f) {
    AOS << "\tMigration from deme " << from + 1 << " to deme " << to + 1 << " modified by " << v
        << " during the whole simulation" << std::endl;
  } else if (v > -1.0f) {
    AOS << "\tMigration not allowed from deme " << from + 1 << " to deme " << to + 1 << std::endl;
  }
}

bool grid_is_usable(const Tsettings* s) { return s->_x_coordinate >= 1 && s->_y_coordinate >= 1; }

// Recomputes the four route factors of deme i as the links were built,
// with the route log lines, leaving the links alone.
void recompute_route_factors(Tpop* d, int i, Tsettings* s) {
  for (int k = 0; k < 4; ++k) {
    int j = grid_neighbour(i, k, s->_x_coordinate, s->_y_coordinate);
    if (j < 0) continue;  // an edge slot stays closed
    d->_mig_factor[k] = check_if_migrationismodified(i, j, s->_pmodified_mig_from,
                                                     s->_pmodified_mig_to, s->_pmodified_mig);
  }
}

}  // namespace

void creates_alleles(std::vector<Tallele*>* alleles, const int& n) {
  if (alleles == nullptr || n < 1) return;
  std::size_t count = static_cast<std::size_t>(n);
  if (alleles->size() < count) alleles->resize(count, nullptr);
  for (int i = 0; i < n; ++i) {
    delete (*alleles)[static_cast<std::size_t>(i)];
    (*alleles)[static_cast<std::size_t>(i)] = new Tallele(i);
  }
  g_startup_alleles = n;
}

void delete_alleles(std::vector<Tallele*>* alleles) {
  if (alleles == nullptr) return;
  for (Tallele*& a : *alleles) {
    delete a;
    a = nullptr;  // the entries stay, but never dangle
  }
}

void creates_pops(std::vector<Tpop*>* demes, Tsettings* s, const int& nalleles) {
  if (demes == nullptr || s == nullptr || s->_num_pop < 1) return;
  std::size_t n = static_cast<std::size_t>(s->_num_pop);
  demes->resize(std::max(demes->size(), n), nullptr);
  for (std::size_t i = 0; i < n; ++i) {
    int idx = static_cast<int>(i);
    double n0 = 0.0;
    int group = 0;
    int sample = 0;
    basics_of(s, idx, n0, group, sample);
    double k = 0.0;
    float r = 0.0f;
    float m = 0.0f;
    demography_of(s, idx, group, k, r, m);

    Tpop* d = new Tpop(trunc_to_int(n0), idx, -1, -1);
    d->_group = group;
    d->_sample_size = sample;
    d->_size = n0;
    d->_k = k;
    d->_r = r;
    d->_m = m;
    d->createfreqarrays(nalleles);
    if ((*demes)[i] != nullptr) {
      // Never expected at start-up; release the old deme rather than leak it.
      (*demes)[i]->delete_ind_vector();
      delete (*demes)[i];
    }
    (*demes)[i] = d;
  }
}

void set_unactivedemes(std::vector<Tpop*>* demes, Tsettings* s) {
  if (s == nullptr) return;
  int found = 0;
  for (std::size_t i = 0; i < s->_init_k_deme.size(); ++i) {
    if (i >= s->_final_k_deme.size() || s->_final_k_deme[i] != -1.0) continue;
    s->_unactive_deme.push_back(static_cast<int>(i));
    ++found;
    if (demes != nullptr && i < demes->size() && (*demes)[i] != nullptr) (*demes)[i]->_inactive = true;
  }
  s->_num_unactive_deme = found;
}

float check_if_migrationismodified(const int& from, const int& to, std::vector<int>* froms,
                                   std::vector<int>* tos, std::vector<float>* factors) {
  if (factors == nullptr) return -1.0f;
  long r = find_route(from, to, froms, tos, factors->size());
  if (r < 0) return -1.0f;
  float v = (*factors)[static_cast<std::size_t>(r)];
  log_route(from, to, v);
  return v;
}

void set_neighbours(std::vector<Tpop*>* demes, Tsettings* s) {
  std::size_t n = deme_count(demes, s);
  if (n == 0 || !grid_is_usable(s)) return;
  std::vector<char> inactive = inactive_mask(s, n);
  RouteIndex routes(s);
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    int idx = static_cast<int>(i);
    int linked = 0;
    for (int k = 0; k < 4; ++k) {
      int j = grid_neighbour(idx, k, s->_x_coordinate, s->_y_coordinate);
      if (j < 0 || static_cast<std::size_t>(j) >= n) {
        d->_nbr[k] = -1;
        d->_mig_factor[k] = -1.0f;
        continue;
      }
      // Same result and log line as check_if_migrationismodified(idx, j, ...).
      long r = routes.find(idx, j);
      float f = -1.0f;
      if (r >= 0) {
        f = routes.rate(r);
        log_route(idx, j, f);
      }
      bool closed = inactive[static_cast<std::size_t>(j)] != 0 || (f > -1.0f && f <= 0.0f);
      d->_nbr[k] = closed ? -1 : j;
      d->_mig_factor[k] = f;
      if (!closed) ++linked;
    }
    d->_id = idx;
    d->_row = idx / s->_x_coordinate;
    d->_col = idx % s->_x_coordinate;
    d->_n_nbr = linked;
  }
}

void set_kzero(std::vector<Tpop*>* demes, Tsettings* s) {
  std::size_t n = deme_count(demes, s);
  if (n == 0) return;
  std::vector<char> inactive = inactive_mask(s, n);
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    for (int k = 0; k < 4; ++k) {
      int j = d->_nbr[k];
      if (j < 0 || static_cast<std::size_t>(j) >= n || inactive[static_cast<std::size_t>(j)]) continue;
      const Tpop* nb = (*demes)[static_cast<std::size_t>(j)];
      if (nb == nullptr) continue;
      d->_kzero[k] = trunc_to_int(nb->_k) <= 0;
    }
  }
}

void reset_settings_in_pops(std::vector<Tpop*>* demes, Tsettings* s) {
  AOS << "Reset population settings..." << std::endl;
  std::size_t n = deme_count(demes, s);
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    demography_of(s, static_cast<int>(i), d->_group, d->_k, d->_r, d->_m);
    entry_of(s->_init_k_deme, static_cast<long>(i), d->_size);
    d->_next_size = 0.0;
    d->_growth_rest = 0.0f;
    d->_rest_unused = 0.0f;
    for (int k = 0; k < 4; ++k) d->_emig_rest[k] = 0.0f;
    d->_freq_mode = false;
    d->_freq_ready = false;
    d->_back_to_ind = false;
  }
}

void apply_route_rates(std::vector<Tpop*>* demes, Tsettings* s) {
  std::size_t n = deme_count(demes, s);
  if (n == 0 || !grid_is_usable(s)) return;
  RouteIndex routes(s);
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    int idx = static_cast<int>(i);
    for (int k = 0; k < 4; ++k) {
      int j = grid_neighbour(idx, k, s->_x_coordinate, s->_y_coordinate);
      if (j < 0) continue;
      long r = routes.find(idx, j);
      d->_mig_factor[k] = r < 0 ? -1.0f : routes.rate(r);
    }
  }
}

void updatepopfromsettings(std::vector<Tpop*>* demes, Tsettings* s) {
  AOS << "Generation 0: Structure 1 (ABC mode)" << std::endl;
  std::size_t n = deme_count(demes, s);
  bool group_mode = s != nullptr && s->_all_pop_with_same_demo != 0;
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    int idx = static_cast<int>(i);
    entry_of(s->_init_k_deme, idx, d->_size);
    demography_of(s, idx, d->_group, d->_k, d->_r, d->_m);
    if (d->_inactive) {
      AOS << "Deme " << idx + 1 << " is inactive" << std::endl;
      continue;
    }
    double n0 = 0.0;
    int group = 0;
    int sample = 0;
    basics_of(s, idx, n0, group, sample);
    AOS << "Deme " << idx + 1;
    if (group_mode) AOS << " with ";
    AOS << "\tN0:" << trunc_to_int(n0) << "\tK:" << trunc_to_int(d->_k) << "\tr:" << d->_r
        << "\tm:" << d->_m << "\tGroup:" << group << "\tSample size:" << sample << std::endl;
  }
  // A drawn route rate must reach the slot its route links.
  apply_route_rates(demes, s);
}

void delete_pops_and_inds(std::vector<Tpop*>* demes) {
  if (demes == nullptr) return;
  for (Tpop*& d : *demes) {
    if (d == nullptr) continue;
    d->delete_ind_vector();
    d->deletefreqarrays();
    delete d;
    d = nullptr;
  }
}

void creates_inds(std::vector<Tpop*>* demes, Tsettings* s) {
  std::size_t n = deme_count(demes, s);
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    double n0 = 0.0;
    entry_of(s->_init_k_deme, static_cast<long>(i), n0);
    int const size = std::max(0, trunc_to_int(n0));
    int table = g_startup_alleles >= 0 ? g_startup_alleles
                : Tgeno::_pallelevect != nullptr ? static_cast<int>(Tgeno::_pallelevect->size())
                                                 : 0;
    int pool = ancestral_pool(d, s, Tgeno::_init_num_allele_per_grp, table);
    d->delete_ind_vector();
    d->create_ind_vector(size, pool, s->_init_freq);
  }
}

int check_if_unactive(const int& i, std::vector<int>* list) {
  if (list == nullptr) return 0;
  for (int j : *list) {
    if (j == i) return 1;
  }
  return 0;
}

int check_if_migrationisallowed(const int& from, const int& to, std::vector<int>* froms,
                                std::vector<int>* tos) {
  if (find_route(from, to, froms, tos, static_cast<std::size_t>(-1)) < 0) return 1;
  AOS << "Migration not allowed from pop " << from + 1 << " to pop " << to + 1 << std::endl;
  return 0;
}

void setallmodifiedmigrvaluestothefirstone(Tsettings* s) {
  if (s == nullptr || s->_num_modified_mig <= 1 || s->_modified_mig.empty()) return;
  float first = s->_modified_mig[0];
  for (float& v : s->_modified_mig) v = first;
}

void updatemodifiedmigrvalues(std::vector<Tpop*>* demes, Tsettings* s) {
  std::size_t n = deme_count(demes, s);
  if (n == 0 || !grid_is_usable(s)) return;
  static const int kLogOrder[4] = {0, 1, 3, 2};
  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    if (d == nullptr) continue;
    int idx = static_cast<int>(i);
    recompute_route_factors(d, idx, s);
    for (int k : kLogOrder) {
      if (!(d->_mig_factor[k] >= 0.0f)) continue;
      int j = grid_neighbour(idx, k, s->_x_coordinate, s->_y_coordinate);
      AOS << "\tGeneration 0: migration from deme " << idx + 1 << " to deme " << j + 1
          << " modified with by " << d->_mig_factor[k] << std::endl;
    }
  }
}

int ancestral_pool(const Tpop* deme, const Tsettings* s, const int& per_pool, const int& table_alleles) {
  if (s == nullptr || s->_one_pool != 1) return 0;
  int const pool = std::max(0, deme->_group - 1);
  int const blocks = std::max(1, per_pool > 0 ? table_alleles / per_pool : 1);
  return pool % blocks;
}

namespace {

// Ancestral pools the initial alleles are split into.
int pool_count(const Tsettings* s) {
  return (s != nullptr && s->_one_pool == 1 && s->_num_pop_groups > 1) ? s->_num_pop_groups : 1;
}

}  // namespace

int abc_alleles_per_pool(const Tsettings* s, const int& table_alleles) {
  if (s == nullptr) return 1;
  bool drawn = s->_abc_db.size() > static_cast<std::size_t>(NUM_ALLELES) &&
               s->_abc_db[NUM_ALLELES] != nullptr;
  int per_pool = drawn ? s->_num_alleles : s->_num_alleles_per_pool;
  int pools = pool_count(s);
  int most = table_alleles / pools;
  return std::max(1, std::min(per_pool, most));
}

void set_pool_allele_counts(const Tsettings* s, const int& table_alleles) {
  int per_pool = abc_alleles_per_pool(s, table_alleles);
  int pools = pool_count(s);
  Tgeno::_init_num_allele_per_grp = per_pool;
  long total = static_cast<long>(pools) * per_pool;
  Tgeno::_init_num_allele = total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

void drawABCsettings(Tsettings* s, std::ofstream* out, Tgeno* /*unused*/) {
  if (s == nullptr) return;
  s->_abc_line = "";
  s->SampleABCParametersAndChangeSettings();
  if (out != nullptr) *out << s->_abc_line;
  int table = g_startup_alleles;
  if (table < 0) {
    table = Tgeno::_pallelevect != nullptr ? static_cast<int>(Tgeno::_pallelevect->size())
                                           : s->_num_alleles_per_pool;
  }
  set_pool_allele_counts(s, table);
}
