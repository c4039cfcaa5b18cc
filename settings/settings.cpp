#include "settings/settings.h"

#include <cmath>
#include <cfloat>
#include <climits>
#include <cstdlib>

namespace {

const char* const kLabels[32] = {
    "SELECTION_MODEL", "NUM_SIMULATIONS", "NUM_GENERATIONS", "NUM_ALLELES",
    "ONE_POOL", "INIT_FREQ", "MUTATION_RATE", "SELECTION_RATE",
    "NAME_NOT_KNOWN", "SELECTION_RATE_NORTH_EAST", "SELECTION_RATE_SOUTH_WEST",
    "LOCUS_LENGTH", "SIZEFREQUENCYMODE", "INTERMEDIATE_OUTPUT",
    "OUTPUT_INTERVALL", "X_COORDINATE", "Y_COORDINATE", "NUM_POP",
    "NUM_UNACTIVEDEME", "NUM_MODIFIEDMIG", "UNACTIVEDEME", "MODIFIEDMIG",
    "ALL_POP_WITH_SAME_DEMO", "NUM_POP_GROUPS", "NUM_POP_STRUCT", "POP_STRUCT",
    "INIT_K_DEME", "FINAL_K", "GROWTH_RATE", "MIG_RATE", "GROUP_DEME",
    "SAMP_SIZE_DEME"};

}  // namespace

const char* settings_label(int key) {
  if (key < 0 || key > 31) return "NAME_NOT_KNOWN";
  return kLabels[key];
}

float text_to_float(const char* text) {
  if (text == nullptr) return 0.0f;
  double x = std::strtod(text, nullptr);
  // "nan", "inf" and overflowing texts are no usable number.
  if (!std::isfinite(x)) return 0.0f;
  if (x > FLT_MAX) return FLT_MAX;
  if (x < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(x);
}

Tsettings::Tsettings()
    : _num_simulations(),
      _intermediate_output(),
      _output_intervall(),
      _size_frequency_mode(),
      _num_pop(),
      _num_generations(),
      _x_coordinate(),
      _y_coordinate(),
      _num_unactive_deme(),
      _num_modified_mig(),
      _num_pop_groups(),
      _num_pop_struct(),
      _num_alleles(),
      _num_alleles_per_pool(),
      _one_pool(),
      _init_freq(),
      _locus_length(),
      _selection_model(),
      _mutation_rate(),
      _selection_rate(),
      _selection_gradient(),
      _selection_rate_north_east(),
      _selection_rate_south_west(),
      _num_abc_params(),
      _all_pop_with_same_demo(),
      _pinit_k_deme(&_init_k_deme),
      _pmig_rate_deme(&_mig_rate_deme),
      _pfinal_k_deme(&_final_k_deme),
      _pgrowth_rate_deme(&_growth_rate_deme),
      _pgroup_deme(&_group_deme),
      _ppop_struct(&_pop_struct),
      _psamp_size_deme(&_samp_size_deme),
      _pmig_rate_group(&_mig_rate_group),
      _pfinal_k_group(&_final_k_group),
      _pgrowth_rate_group(&_growth_rate_group),
      _punactive_deme(&_unactive_deme),
      _pmodified_mig_from(&_modified_mig_from),
      _pmodified_mig_to(&_modified_mig_to),
      _pmodified_mig(&_modified_mig),
      _abc_mode(false),
      _abc_error(false) {
  for (int i = 0; i < ABC_DB_SIZE; ++i) _abc_db.push_back(nullptr);
}

Tsettings::~Tsettings() {
  for (TDistributionSettings* p : _abc_db) {
    if (p != nullptr) {
      p->_params.clear();
      delete p;
    }
  }
  _abc_db.clear();
  for (TDistributionSettings* p : _route_abc_db) delete p;
  _route_abc_db.clear();
}
