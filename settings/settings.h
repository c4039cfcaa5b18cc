#ifndef TESSAREL_SETTINGS_SETTINGS_H
#define TESSAREL_SETTINGS_SETTINGS_H

#include <fstream>
#include <istream>
#include <string>
#include <vector>

#include "support/my_cstring.h"
#include "support/sampler.h"

// Keys of the settings: they address a setting when a prior is drawn for it,
// label its column of the ABC table and, for 0 to 24, number its prior slot.
enum SETTINGS : int {
  SELECTION_MODEL = 0,
  NUM_SIMULATIONS = 1,
  NUM_GENERATIONS = 2,
  NUM_ALLELES = 3,
  ONE_POOL = 4,
  INIT_FREQ = 5,
  MUTATION_RATE = 6,
  SELECTION_RATE = 7,
  SELECTION_GRADIENT = 8,
  SELECTION_RATE_NORTH_EAST = 9,
  SELECTION_RATE_SOUTH_WEST = 10,
  LOCUS_LENGTH = 11,
  SIZEFREQUENCYMODE = 12,
  INTERMEDIATE_OUTPUT = 13,
  OUTPUT_INTERVALL = 14,
  X_COORDINATE = 15,
  Y_COORDINATE = 16,
  NUM_POP = 17,
  NUM_UNACTIVEDEME = 18,
  NUM_MODIFIEDMIG = 19,
  UNACTIVEDEME = 20,
  MODIFIEDMIG = 21,
  ALL_POP_WITH_SAME_DEMO = 22,
  NUM_POP_GROUPS = 23,
  NUM_POP_STRUCT = 24,
  POP_STRUCT = 25,
  INIT_K_DEME = 26,
  FINAL_K = 27,
  GROWTH_RATE = 28,
  MIG_RATE = 29,
  GROUP_DEME = 30,
  SAMP_SIZE_DEME = 31
};

// Header label of a key in the ABC table; "NAME_NOT_KNOWN" for key 8 and for
// any value outside 0..31. Keys 25 to 31 carry only the stem ("POP_STRUCT",
// "INIT_K_DEME", ...): the ABC header adds the number itself.
const char* settings_label(int key);

// Number of slots of the prior table.
const int ABC_DB_SIZE = 100;

class Tsettings {
 public:
  int _num_simulations;
  int _intermediate_output;
  int _output_intervall;
  int _size_frequency_mode;
  int _num_pop;
  int _num_generations;
  int _x_coordinate;
  int _y_coordinate;
  int _num_unactive_deme;
  int _num_modified_mig;
  std::vector<double> _init_k_deme;
  std::vector<float> _mig_rate_deme;
  std::vector<double> _final_k_deme;
  std::vector<float> _growth_rate_deme;
  std::vector<int> _samp_size_deme;
  std::vector<int> _group_deme;
  std::vector<float> _mig_rate_group;
  std::vector<double> _final_k_group;
  std::vector<float> _growth_rate_group;
  std::vector<int> _pop_struct;
  std::vector<int> _unactive_deme;
  std::vector<int> _modified_mig_from;
  std::vector<int> _modified_mig_to;
  std::vector<float> _modified_mig;
  int _num_pop_groups;
  int _num_pop_struct;
  int _num_alleles;
  int _num_alleles_per_pool;
  int _one_pool;
  float _init_freq;
  int _locus_length;
  int _selection_model;
  float _mutation_rate;
  float _selection_rate;
  int _selection_gradient;
  float _selection_rate_north_east;
  float _selection_rate_south_west;
  int _num_abc_params;
  int _all_pop_with_same_demo;
  std::vector<int> _errors;
  std::vector<double>* _pinit_k_deme;
  std::vector<float>* _pmig_rate_deme;
  std::vector<double>* _pfinal_k_deme;
  std::vector<float>* _pgrowth_rate_deme;
  std::vector<int>* _pgroup_deme;
  std::vector<int>* _ppop_struct;
  std::vector<int>* _psamp_size_deme;
  std::vector<float>* _pmig_rate_group;
  std::vector<double>* _pfinal_k_group;
  std::vector<float>* _pgrowth_rate_group;
  std::vector<int>* _punactive_deme;
  std::vector<int>* _pmodified_mig_from;
  std::vector<int>* _pmodified_mig_to;
  std::vector<float>* _pmodified_mig;
  bool _abc_mode;
  bool _abc_error;
  // Texts of the values drawn for the current simulation, each followed by a
  // TAB. A plain string rather than a my_string: a row may hold any number of
  // drawn values (every route may carry a prior), and none may be lost to the
  // line limit of my_string.
  std::string _abc_line;
  TSampler _sampler;
  std::vector<TDistributionSettings*> _abc_db;

  // Priors of the modified routes' rates, one entry per route in route order
  // (index = route index of _modified_mig): null for a fixed rate. They stay
  // out of _abc_db; SampleABCParametersAndChangeSettings draws them after the
  // table's slots and stores each drawn value into _modified_mig of its route.
  // Owned by the object.
  std::vector<TDistributionSettings*> _route_abc_db;

  Tsettings();
  ~Tsettings();
  Tsettings(const Tsettings&) = delete;
  Tsettings& operator=(const Tsettings&) = delete;

  // Value readers. The text is changed in place (comment cut, blanks
  // removed, prior text reshaped). Instantiated for int (getSimpleValues)
  // and for float and int (getParameterValueNOString).
  template <class T>
  void getSimpleValues(my_string& text, T& member, const int& key);
  template <class T>
  void getParameterValueNOString(my_string& text, T& member, const int& slot);

  // Registers the prior text in slot `slot` of the prior table; `value`
  // receives the largest parameter (or 0). Returns 1 on success, 0 (and sets
  // _abc_error) for an unknown distribution, too few parameters, a
  // LOG_UNIFORM bound not above 0, UNIFORM_DISCRETE bounds or BINOMIAL trials
  // the sampler cannot take, or a slot outside the table (which is then left
  // untouched).
  int FillABC_db(my_string& text, const int& slot, float& value);

  // Same parsing for the rate of modified route `route` (index from 0): the
  // prior goes into _route_abc_db[route], never into _abc_db.
  int FillRoutePrior(my_string& text, const int& route, float& value);
  // Readers of the first structure file and the first group file; `valid`
  // counts the valid records of both.
  void read_structure(std::istream& in, int& valid);
  void read_popabc(std::istream& in, int& valid);

  // Writes one message per collected error code; 1 when there was none.
  int check_parameters_validity();

  // ABC table: labels of the occupied slots (then of the route priors), each
  // followed by a TAB, no line end.
  void WriteSampledParametersHeader(std::ofstream* out, const int& group_mode);
  // Draws every prior once, stores the values, rebuilds _abc_line. Returns 1
  // when every prior was drawn and stored, 0 when it stopped early.
  int SampleABCParametersAndChangeSettings();
  // Stores one value for key `slot`, entry d of the per-deme/per-group
  // vectors and entry k of the structure list; 0 for key 20 or above 29.
  int ChangeOneSettingValue(const SETTINGS& slot, float& value, const int& d, const int& k);

 private:
  // Puts a fresh prior parsed from `text` into `cell` (replacing the one
  // there); sets _abc_error and returns 0 when it cannot be drawn from.
  int install_prior(TDistributionSettings*& cell, my_string& text, float& value);
};

std::istream& operator>>(std::istream& in, Tsettings& s);

// Conversion shared by the readers: strtod of the text, NaN and infinities
// count as no number (0), the result taken as the nearest float (clamped to
// the float range).
float text_to_float(const char* text);

#endif
