// The main parameter file: numbered lines, route tokens, structure list, then
// the first structure and group files and the closing checks.
#include <climits>
#include <fstream>
#include <ostream>

#include "settings/settings.h"
#include "settings/settings_internal.h"
#include "settings/value_syntax.h"
#include "support/globaldef.h"

namespace {

int clamp_product(int a, int b) {
  long long p = static_cast<long long>(a) * static_cast<long long>(b);
  if (p > INT_MAX) return INT_MAX;
  if (p < INT_MIN) return INT_MIN;
  return static_cast<int>(p);
}

void write_model_line(const Tsettings& s) {
  switch (s._selection_model) {
    case 0: AOS << "\tSelection model: (real SOS)"; break;
    case 1: AOS << "\tSelection model: (SOS)"; break;
    case 2: AOS << "\tSelection model: (FDS)"; break;
    case 3: AOS << "\tSelection model: (DPS)"; break;
    default: break;
  }
  switch (s._selection_gradient) {
    case 0:
      AOS << " => Homogeneous selection rate = " << s._selection_rate << std::endl;
      break;
    case 1:
      AOS << " => Latudinal gradient from " << s._selection_rate_north_east << " in the north to "
          << s._selection_rate_south_west << " in the South" << std::endl;
      break;
    case 2:
      AOS << " => Longitudinal gradient from " << s._selection_rate_north_east << " in the East to "
          << s._selection_rate_south_west << " in the West" << std::endl;
      break;
    default:
      // No gradient text and no line end: the next item closes the line.
      break;
  }
}

// One route token: from, to and rate, appended to the route vectors.
void read_route(std::istream& in, Tsettings& s, int i, char (&token)[RECORD_TOKEN_SIZE]) {
  read_record_token(in, token);
  my_string text(token);
  cut_comment(text);
  float from = 0.0f, to = 0.0f, rate = 0.0f;
  if (text.contains("(")) {
    my_string after = text.extract_after('(');
    my_string from_field = after.extract_sub_str(',');
    my_string to_field = after.extract_sub_str(',');
    my_string rest = after.extract_before(')');
    my_string rate_field = rest.extract_after(',');
    from = text_to_float(from_field.c_str());
    to = text_to_float(to_field.c_str());
    if (rate_field.contains("*")) {
      rate_field.convert_slash_to_blank();
      my_string prior_text = rate_field.extract_after('*');
      s.FillRoutePrior(prior_text, i, rate);
      s._abc_mode = true;
    } else {
      rate = text_to_float(rate_field.c_str());
    }
  }
  s._modified_mig_from.push_back(trunc_to_int(from - 1.0f));
  s._modified_mig_to.push_back(trunc_to_int(to - 1.0f));
  s._modified_mig.push_back(rate);
  if (i > 0) AOS << ",";
  AOS << from << "->" << to;
  const float n = static_cast<float>(s._num_pop);
  if (from < 0.0f || from > n || to < 0.0f || to > n) s._errors.push_back(1);
}

// Start generation of a structure. Structure 1 always starts at generation
// 0, so a prior there is read for its value only and takes no slot (slot 24
// is NUM_POP_STRUCT's); it is a prior all the same, so ABC mode is on.
int read_start_generation(Tsettings& s, const char* token, int i) {
  my_string text(token);
  if (i >= 1) {
    int generation{};
    s.getParameterValueNOString<int>(text, generation, 24 + i);
    return generation;
  }
  cut_comment(text);
  if (!text.contains("*")) {
    text.remove_blanks();
    return trunc_to_int(text_to_float(text.c_str()));
  }
  prepare_prior_text(text);
  TDistributionSettings scratch;
  float v = 0.0f;
  parse_prior_text(text, &scratch, v);
  s._abc_mode = true;
  return trunc_to_int(v);
}

}  // namespace

std::istream& operator>>(std::istream& in, Tsettings& s) {
  my_string line;
  my_string line5;
  int valid = 0;

  line.read_line(in);  // 1
  line.read_line(in);  // 2
  s.getSimpleValues<int>(line, s._num_simulations, NUM_SIMULATIONS);
  line.read_line(in);  // 3
  s.getParameterValueNOString<int>(line, s._num_generations, NUM_GENERATIONS);
  s._size_frequency_mode = 1000000;
  line.read_line(in);  // 4
  line5.read_line(in);  // 5, converted once the groups are known
  line.read_line(in);  // 6
  s.getParameterValueNOString<int>(line, s._one_pool, ONE_POOL);
  line.read_line(in);  // 7
  s.getParameterValueNOString<float>(line, s._init_freq, INIT_FREQ);
  line.read_line(in);  // 8
  s.getParameterValueNOString<float>(line, s._mutation_rate, MUTATION_RATE);
  s._locus_length = 1;
  line.read_line(in);  // 9
  line.read_line(in);  // 10
  s.getSimpleValues<int>(line, s._selection_model, SELECTION_MODEL);
  if (s._selection_model == 0) s._selection_model = 1;
  line.read_line(in);  // 11
  s.getParameterValueNOString<int>(line, s._selection_gradient, SELECTION_GRADIENT);
  line.read_line(in);  // 12
  s.getParameterValueNOString<float>(line, s._selection_rate, SELECTION_RATE);
  line.read_line(in);  // 13
  s.getParameterValueNOString<float>(line, s._selection_rate_north_east, SELECTION_RATE_NORTH_EAST);
  line.read_line(in);  // 14
  s.getParameterValueNOString<float>(line, s._selection_rate_south_west, SELECTION_RATE_SOUTH_WEST);
  line.read_line(in);  // 15
  line.read_line(in);  // 16
  s.getSimpleValues<int>(line, s._intermediate_output, INTERMEDIATE_OUTPUT);
  s._output_intervall = 0;
  line.read_line(in);  // 17
  line.read_line(in);  // 18
  s.getSimpleValues<int>(line, s._x_coordinate, X_COORDINATE);
  line.read_line(in);  // 19
  s.getSimpleValues<int>(line, s._y_coordinate, Y_COORDINATE);
  // The true extent, kept for the echo: the deme count saturates at the int
  // range, and a grid past it is refused for its size (code 14).
  const long long grid_cells = static_cast<long long>(s._x_coordinate) * s._y_coordinate;
  s._num_pop = clamp_product(s._x_coordinate, s._y_coordinate);
  line.read_line(in);  // 20
  s.getSimpleValues<int>(line, s._num_pop_groups, NUM_POP_GROUPS);
  line.read_line(in);  // 21
  s.getSimpleValues<int>(line, s._all_pop_with_same_demo, ALL_POP_WITH_SAME_DEMO);

  AOS << std::endl << std::endl;
  AOS << "\tGENERAL SETTINGS" << std::endl;
  AOS << "\tSimulations: " << s._num_simulations << std::endl;
  AOS << "\tGenerations: " << s._num_generations << std::endl;
  AOS << std::endl << "\tSELECTION SETTINGS" << std::endl;
  write_model_line(s);
  AOS << std::endl << "\tOUTPUT SETTINGS" << std::endl;
  if (s._intermediate_output != 0)
    AOS << "\tOutput allele frequencies" << std::endl;
  else
    AOS << "\tNo allele frequency output" << std::endl;
  AOS << std::endl << "\tGENETIC SETTINGS" << std::endl;

  {
    int v = 0;
    s.getParameterValueNOString<int>(line5, v, NUM_ALLELES);
    if (s._one_pool == 1) {
      s._num_alleles_per_pool = v;
      s._num_alleles = clamp_product(s._num_pop_groups, v);
    } else {
      s._num_alleles_per_pool = v;
      s._num_alleles = v;
    }
  }
  if (s._one_pool == 1)
    AOS << "\tTotal number of initial alleles: " << s._num_alleles << " in " << s._num_pop_groups
        << " ancestral pools" << std::endl;
  else
    AOS << "\tTotal number of initial alleles: " << s._num_alleles << " in 1 ancestral pool"
        << std::endl;
  if (s._init_freq > 0.0f)
    AOS << "\tInitial Frequenc for allele number 1: " << s._init_freq << std::endl;
  AOS << "\tMutation rate: " << s._mutation_rate << std::endl;
  AOS << std::endl << "\tVIRTUAL WORLD STRUCTURE" << std::endl;
  AOS << "\tVirtual area is " << s._x_coordinate << " (longitudinal) by " << s._y_coordinate
      << " (latitudinal), total " << grid_cells << " demes" << std::endl;
  AOS << "\tGroup of demes: " << s._num_pop_groups << std::endl;
  AOS << "\tAll demes with same parameters: " << s._all_pop_with_same_demo << std::endl;

  line.read_line(in);  // 22
  s.getSimpleValues<int>(line, s._num_modified_mig, NUM_MODIFIEDMIG);
  AOS << "\t" << s._num_modified_mig << " modified Routes: ";
  {
    char token[RECORD_TOKEN_SIZE] = "";
    const int routes =
        settings_detail::records_to_read(s._num_modified_mig, settings_detail::MAX_ROUTES);
    for (int i = 0; i < routes; ++i) read_route(in, s, i, token);
  }
  AOS << std::endl;

  line.read_line(in);  // rest of the line holding the last route token
  line.read_line(in);
  s.getSimpleValues<int>(line, s._num_pop_struct, NUM_POP_STRUCT);
  if (s._num_pop_struct < 1) {
    s._errors.push_back(7);
    return in;
  }
  AOS << "\tNum of structures: " << s._num_pop_struct << std::endl;

  {
    char token[RECORD_TOKEN_SIZE] = "";
    const int structures =
        settings_detail::records_to_read(s._num_pop_struct, settings_detail::MAX_STRUCTURES);
    for (int i = 0; i < structures; ++i) {
      int number = 0;
      in >> number;  // the structure's own number is not used
      read_record_token(in, token);
      int generation = read_start_generation(s, token, i);
      if (i == 0 && generation != 0) {
        s._errors.push_back(8);
        return in;
      }
      s._pop_struct.push_back(generation);
      if (i == 0 && !s._abc_mode) AOS << "\tGeneration 0: Structure 1" << std::endl;
    }
  }

  {
    std::ifstream structure("tessarel_structure_1.txt");
    if (!structure.is_open()) {
      s._errors.push_back(6);
      return in;
    }
    s.read_structure(structure, valid);
    structure.close();
  }

  if (s._all_pop_with_same_demo != 0) {
    std::ifstream groups("tessarel_alldemes_1.txt");
    // Structure 1 starts at 0 (its list is empty only when S was refused).
    AOS << "\n\tGeneration " << (s._pop_struct.empty() ? 0 : s._pop_struct[0])
        << ": modification of deme demography through tessarel_alldemes_1.txt :" << std::endl;
    if (!groups.is_open())
      AOS << "WARNING: tessarel_alldemes_1.txt cannot be opened: every group gets K, r and m of 0!"
          << std::endl;
    s.read_popabc(groups, valid);
    AOS << std::endl;
    groups.close();
  }

  if (s._selection_model < 0 || s._selection_model > 3) s._errors.push_back(2);
  if (s._init_freq < 0.0f || s._init_freq > 1.0f) s._errors.push_back(9);
  // A saturated count is no real number of demes to name (and no record of
  // such a grid is read): code 14 alone tells why it is refused.
  if (valid < s._num_pop && grid_cells <= INT_MAX) s._errors.push_back(3);
  if (s._abc_error) s._errors.push_back(11);
  // With one pool per group, no group means no allele at all.
  if (s._num_alleles_per_pool < 1 || s._num_alleles < 1) s._errors.push_back(12);
  if (s._x_coordinate < 1 || s._y_coordinate < 1) s._errors.push_back(13);
  // Group tables exist in group mode only; elsewhere a group count costs nothing.
  const bool too_many_groups =
      s._all_pop_with_same_demo != 0 && s._num_pop_groups > settings_detail::MAX_GROUPS;
  if (s._num_pop > settings_detail::MAX_DEMES || too_many_groups ||
      s._num_modified_mig > settings_detail::MAX_ROUTES ||
      s._num_pop_struct > settings_detail::MAX_STRUCTURES)
    s._errors.push_back(14);
  {
    // Every deme, inactive ones too, gets its N0 individuals at each start.
    double total_n0 = 0.0;
    for (double n0 : s._init_k_deme)
      if (n0 > 0.0) total_n0 += n0;
    if (s._num_alleles > settings_detail::MAX_ALLELES || total_n0 > settings_detail::MAX_TOTAL_N0)
      s._errors.push_back(15);
  }
  if (s._all_pop_with_same_demo != 0) {
    // Valid deme records may make up the count for an invalid group record,
    // but in group mode the demes live by their group's values: a group that
    // a deme uses must itself be valid.
    bool bad_group = false;
    for (int group : s._group_deme) {
      if (group < 1 || static_cast<size_t>(group) > s._final_k_group.size()) continue;
      const size_t g = static_cast<size_t>(group - 1);
      if (!settings_detail::demography_valid(s._final_k_group[g], s._growth_rate_group[g],
                                             s._mig_rate_group[g])) {
        bad_group = true;
        break;
      }
    }
    if (bad_group) s._errors.push_back(16);
  }
  return in;
}
