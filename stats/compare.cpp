#include "stats/compare.h"

#include <cmath>
#include <fstream>
#include <ostream>

#include "stats/detail.h"
#include "stats/toolkit_io.h"
#include "support/globaldef.h"
#include "support/my_cstring.h"

using stats_detail::leading_float;
using stats_detail::leading_int;
using stats_detail::put_value;

namespace {

// Count, mean and sample sd of one part of the split (0, 0, 0 when empty).
void summarise_part(std::vector<float>& part, int& n, float& mean, float& sd) {
  n = static_cast<int>(part.size());
  mean_and_stdE(&part, mean, sd);
}

// Mean, sd, zeros and ones of a vector, and its positive-value summary; all 0
// when it is empty.
struct WholeSummary {
  float mean{};
  float sd{};
  int n_zero{};
  int n_one{};
  int npos{};
  float mean_pos{};
  float sd_pos{};
};

WholeSummary summarise(std::vector<float>* v) {
  WholeSummary s;
  stat_whole_freq_vect(v, s.mean, s.sd, s.n_zero, s.n_one);
  positiveFreq_vector(v, s.npos, s.mean_pos, s.sd_pos);
  return s;
}

void write_summary(std::ostream& os, const WholeSummary& s) {
  os << '\t';
  put_value(os, s.mean);
  os << '\t';
  put_value(os, s.sd);
  os << '\t' << s.n_zero << '\t' << s.n_one << '\t' << s.npos << '\t';
  put_value(os, s.mean_pos);
  os << '\t';
  put_value(os, s.sd_pos);
}

}  // namespace

void set_CI_limits(Tsettings* settings, std::vector<float>* lower, std::vector<float>* upper,
                   std::vector<std::string>* labels) {
  std::ifstream in("CI_file");
  if (!in.is_open()) {
    AOS << "> !No " << "CI_file" << " !!\n";
    return;
  }
  AOS << ">Reading CI_file... ";
  my_string line;
  line.read_line(in);
  line.read_line(in);
  cut_comment(line);
  line.remove_blanks();
  const int count = leading_int(line);
  const int num_pop = settings != nullptr ? settings->_num_pop : 0;
  if (count != num_pop) {
    AOS << "!! population number in CI_file != psettings->get_num_pop()";
    return;
  }
  for (int k = 0; k < num_pop; ++k) {
    line.read_line(in);
    my_string low = line.extract_sub_str('\t');
    AOS << low << ", ";
    my_string up = line.extract_sub_str('\t');
    AOS << up << ", ";
    line.remove_blanks();
    AOS << line << "-";
    if (lower != nullptr) lower->push_back(leading_float(low));
    if (upper != nullptr) upper->push_back(leading_float(up));
    if (labels != nullptr) labels->push_back(std::string(line.c_str() ? line.c_str() : ""));
  }
  AOS << std::endl;
}

void ciFreq_vector(std::vector<float>* values, float& lower, float& upper,
                   std::vector<int>* inside, int& n_in, float& mean_in, float& sd_in,
                   int& n_below, float& mean_below, float& sd_below, int& n_above,
                   float& mean_above, float& sd_above) {
  AOS << " Inside ciFreq_vector function..." << std::endl;
  std::vector<float> in_list, below_list, above_list;
  if (values != nullptr) {
    int t = 0;
    for (float x : *values) {
      ++t;
      if (x != 0.0f && x < lower) {
        below_list.push_back(x);
      } else if (lower <= x && x <= upper) {
        in_list.push_back(x);
        if (inside != nullptr) inside->push_back(t);
      } else if (x > upper) {
        above_list.push_back(x);
      }
      // Otherwise (a 0 under a positive lower limit, or NaN): in no list.
    }
  }
  summarise_part(in_list, n_in, mean_in, sd_in);
  if (n_in == 0) AOS << "No simulation gave frequency inside CI!!\n";
  summarise_part(below_list, n_below, mean_below, sd_below);
  if (n_below == 0)
    AOS << "No simulation gave frequency < " << static_cast<double>(lower) << "!!\n";
  summarise_part(above_list, n_above, mean_above, sd_above);
  if (n_above == 0)
    AOS << "No simulation gave frequency > " << static_cast<double>(upper) << "!!\n";
}

void computeANDwrite(Tsettings* settings, int& deme, float& lower, float& upper,
                     std::string& label) {
  const int p = deme + 1;
  const int last_gen = settings != nullptr ? settings->_num_generations : 0;

  std::vector<float> v;
  my_string file(create_output_generation_file_name(0, p).c_str());
  create_freq_vector(settings, file, &v);
  const WholeSummary first = summarise(&v);

  v.clear();
  file = create_output_generation_file_name(last_gen, p).c_str();
  create_freq_vector(settings, file, &v);
  const WholeSummary last = summarise(&v);

  std::vector<int> positions;
  int n_in{}, n_below{}, n_above{};
  float mean_in{}, sd_in{}, mean_below{}, sd_below{}, mean_above{}, sd_above{};
  ciFreq_vector(&v, lower, upper, &positions, n_in, mean_in, sd_in, n_below, mean_below,
                sd_below, n_above, mean_above, sd_above);

  std::ofstream stat("lactase_stat", std::ios::out | std::ios::app);
  stat << label << "(" << p << ")\n";
  stat << "G_0";
  write_summary(stat, first);
  stat << std::endl;
  stat << "G_" << last_gen;
  write_summary(stat, last);
  stat << '\t';
  put_value(stat, lower);
  stat << '\t';
  put_value(stat, upper);
  stat << '\t' << n_in << '\t';
  put_value(stat, mean_in);
  stat << '\t';
  put_value(stat, sd_in);
  stat << '\t' << n_below << '\t';
  put_value(stat, mean_below);
  stat << '\t';
  put_value(stat, sd_below);
  stat << '\t' << n_above << '\t';
  put_value(stat, mean_above);
  stat << '\t';
  put_value(stat, sd_above);
  stat << std::endl;

  std::ofstream compa("no_sim_compa.txt", std::ios::out | std::ios::app);
  compa << label << '\t';
  for (int t : positions) compa << t << '\t';
  compa << std::endl;

  // Leaving the scope closes "no_sim_compa.txt", then "lactase_stat".
  AOS << "SimCompa..." << std::endl;
}
