// Prior table at run time: header of the ABC table and one draw per
// simulation.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

#include "settings/settings.h"
#include "settings/value_syntax.h"
#include "support/globaldef.h"

namespace {

// Which block a slot belongs to, with S the number of structures.
struct SlotPlace {
  int key;  // settings key
  int d;    // entry of the deme/group block, -1 elsewhere
  int k;    // entry of the structure list, -1 elsewhere
};

SlotPlace place_of(int i, int S) {
  SlotPlace p{i, -1, -1};
  if (i < POP_STRUCT) return p;
  long long first_entry = static_cast<long long>(S) + 24;
  if (i < first_entry) {
    p.key = POP_STRUCT;
    p.k = i - 24;
    return p;
  }
  long long off = i - first_entry;
  p.d = static_cast<int>(off / 6);
  p.key = INIT_K_DEME + static_cast<int>(off % 6);
  return p;
}

// A drawn value that is no finite float could never be stored soundly.
float finite_value(float v) {
  if (std::isnan(v)) return 0.0f;
  if (v > FLT_MAX) return FLT_MAX;
  if (v < -FLT_MAX) return -FLT_MAX;
  return v;
}

template <class T>
void store_at(std::vector<T>& vec, int index, T value) {
  if (index >= 0 && index < static_cast<int>(vec.size())) vec[index] = value;
}

void append_value_text(std::string& line, float v, bool as_int) {
  // Large enough for any float in "%f" (at most 47 characters): never cut.
  char buffer[64];
  if (as_int)
    std::snprintf(buffer, sizeof(buffer), "%d", trunc_to_int(v));
  else
    std::snprintf(buffer, sizeof(buffer), "%f", static_cast<double>(v));
  line += buffer;
  line += "\t";
}

}  // namespace

void Tsettings::WriteSampledParametersHeader(std::ofstream* out, const int& group_mode) {
  if (out == nullptr) return;
  const int S = _num_pop_struct;
  int j = 0;
  for (int i = 0; i < ABC_DB_SIZE; ++i) {
    if (_abc_db[i] == nullptr) continue;
    SlotPlace p = place_of(i, S);
    if (i <= 24) {
      *out << settings_label(i);
    } else if (p.key == POP_STRUCT) {
      ++j;
      *out << "POP_STRUCT_" << j;
    } else {
      switch (p.key) {
        case INIT_K_DEME: *out << "INIT_K_DEME_"; break;
        case FINAL_K: *out << (group_mode ? "FINAL_K_GROUP_" : "FINAL_K_DEME_"); break;
        case GROWTH_RATE: *out << (group_mode ? "GROWTH_RATE_GROUP_" : "GROWTH_RATE_DEME_"); break;
        case MIG_RATE: *out << (group_mode ? "MIG_RATE_GROUP_" : "MIG_RATE_DEME_"); break;
        case GROUP_DEME: *out << "GROUP_DEME_"; break;
        default: *out << "SAMP_SIZE_DEME_"; break;
      }
      *out << (p.d + 1);
    }
    *out << "\t";
  }
  for (size_t r = 0; r < _route_abc_db.size(); ++r) {
    if (_route_abc_db[r] == nullptr) continue;
    *out << "MODIFIEDMIG_" << (r + 1) << "\t";
  }
}

int Tsettings::SampleABCParametersAndChangeSettings() {
  _abc_line = "";
  const int S = _num_pop_struct;
  for (int i = 0; i < ABC_DB_SIZE; ++i) {
    TDistributionSettings* prior = _abc_db[i];
    if (prior == nullptr) continue;
    // A prior the readers could not complete is never drawn from.
    if (!prior_usable(prior)) return 0;
    float v = finite_value(_sampler.Sample(prior));
    SlotPlace p = place_of(i, S);
    SETTINGS key = static_cast<SETTINGS>(p.key);
    if (ChangeOneSettingValue(key, v, p.d, p.k) == 0) return 0;
    const bool as_int = i == NUM_GENERATIONS || i == NUM_ALLELES || p.key == POP_STRUCT ||
                        p.key == INIT_K_DEME || p.key == FINAL_K;
    append_value_text(_abc_line, v, as_int);
  }
  for (size_t r = 0; r < _route_abc_db.size(); ++r) {
    TDistributionSettings* prior = _route_abc_db[r];
    if (prior == nullptr) continue;
    if (!prior_usable(prior)) return 0;
    float v = finite_value(_sampler.Sample(prior));
    store_at(_modified_mig, static_cast<int>(r), v);
    append_value_text(_abc_line, v, false);
  }
  return 1;
}

int Tsettings::ChangeOneSettingValue(const SETTINGS& slot, float& value, const int& d, const int& k) {
  const float v = value;
  const int n = trunc_to_int(v);
  const bool groups = _all_pop_with_same_demo != 0;
  switch (static_cast<int>(slot)) {
    case SELECTION_MODEL: _selection_model = n; break;
    case NUM_SIMULATIONS: _num_simulations = n; break;
    case NUM_GENERATIONS: _num_generations = n; break;
    case NUM_ALLELES: _num_alleles = n; break;
    case ONE_POOL: _one_pool = n; break;
    case INIT_FREQ: _init_freq = v; break;
    case MUTATION_RATE: _mutation_rate = v; break;
    case SELECTION_RATE: _selection_rate = v; break;
    case SELECTION_GRADIENT: _selection_gradient = n; break;
    case SELECTION_RATE_NORTH_EAST: _selection_rate_north_east = v; break;
    case SELECTION_RATE_SOUTH_WEST: _selection_rate_south_west = v; break;
    case LOCUS_LENGTH: _locus_length = n; break;
    case SIZEFREQUENCYMODE: _size_frequency_mode = n; break;
    case INTERMEDIATE_OUTPUT: _intermediate_output = n; break;
    case OUTPUT_INTERVALL: _output_intervall = n; break;
    case X_COORDINATE: _x_coordinate = n; break;
    case Y_COORDINATE: _y_coordinate = n; break;
    case NUM_POP: _num_pop = n; break;
    case NUM_UNACTIVEDEME: _num_unactive_deme = n; break;
    case NUM_MODIFIEDMIG: _num_modified_mig = n; break;
    case MODIFIEDMIG: store_at(_modified_mig, d, v); break;
    case ALL_POP_WITH_SAME_DEMO: _all_pop_with_same_demo = n; break;
    case NUM_POP_GROUPS: _num_pop_groups = n; break;
    case NUM_POP_STRUCT: _num_pop_struct = n; break;
    case POP_STRUCT:
      // The value is the interval after the preceding structure's start.
      if (k >= 1 && k < static_cast<int>(_pop_struct.size()))
        _pop_struct[k] = trunc_to_int(static_cast<float>(_pop_struct[k - 1]) + v);
      break;
    case INIT_K_DEME: store_at(_init_k_deme, d, static_cast<double>(v)); break;
    case FINAL_K:
      if (groups)
        store_at(_final_k_group, d, static_cast<double>(v));
      else
        store_at(_final_k_deme, d, static_cast<double>(v));
      break;
    case GROWTH_RATE:
      if (groups)
        store_at(_growth_rate_group, d, v);
      else
        store_at(_growth_rate_deme, d, v);
      break;
    case MIG_RATE:
      if (groups)
        store_at(_mig_rate_group, d, v);
      else
        store_at(_mig_rate_deme, d, v);
      break;
    default:
      // UNACTIVEDEME, GROUP_DEME, SAMP_SIZE_DEME and unknown keys have no member.
      return 0;
  }
  return 1;
}
