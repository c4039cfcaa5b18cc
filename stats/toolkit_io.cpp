#include "stats/toolkit_io.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>

#include "stats/detail.h"
#include "support/globaldef.h"

using stats_detail::leading_float;
using stats_detail::leading_int;

namespace {

// Longest list of intermediate generations that "generations.txt" may give.
const int kMaxIntermediateGenerations = 1000000;

std::string decimal(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", n);
  return std::string(buf);
}

// Float sum in vector order, its mean, and the sample sd (divisor n - 1 in
// double, the squared deviations summed in float). Needs at least one entry.
void float_summary(const std::vector<float>& v, float& mean, float& sd) {
  float sum = 0.0f;
  for (float x : v) sum += x;
  mean = sum / static_cast<float>(v.size());
  if (v.size() < 2) {
    sd = 0.0f;
    return;
  }
  float sq = 0.0f;
  for (float x : v) {
    const float dev = x - mean;
    sq += dev * dev;
  }
  sd = static_cast<float>(
      std::sqrt(static_cast<double>(sq) / (static_cast<double>(v.size()) - 1.0)));
}

}  // namespace

std::string create_output_file_name(const int& n) {
  return "tessarel_abc_" + decimal(n) + ".txt";
}

std::string create_freq_file_name(const int& n) { return "lactase_gen" + decimal(n) + ".freq"; }

std::string create_output_generation_file_name(const int& gen, const int& pop) {
  return "generation" + decimal(gen) + "_Pop" + decimal(pop) + ".freq";
}

void mean_and_stdE(std::vector<float>* v, float& mean, float& sd) {
  mean = 0.0f;
  sd = 0.0f;
  if (v == nullptr || v->empty()) return;
  float_summary(*v, mean, sd);
}

void stat_whole_freq_vect(std::vector<float>* v, float& mean, float& sd, int& lost, int& fixed) {
  lost = 0;
  fixed = 0;
  if (v == nullptr || v->empty()) return;
  mean_and_stdE(v, mean, sd);
  for (float x : *v) {
    if (x == 0.0f) ++lost;
    if (x == 1.0f) ++fixed;
  }
}

void positiveFreq_vector(std::vector<float>* v, int& npos, float& mean, float& sd) {
  AOS << " Inside positiveFreq_vector function..." << std::endl;
  std::vector<float> pos;
  if (v != nullptr)
    for (float x : *v)
      if (x > 0.0f) pos.push_back(x);
  npos = static_cast<int>(pos.size());
  if (npos == 0) {
    mean = 0.0f;
    sd = 0.0f;
    AOS << "No simulation gave frequency > 0!!\n";
    return;
  }
  float_summary(pos, mean, sd);
}

void create_freq_vector(Tsettings* settings, my_string& file, std::vector<float>* v) {
  std::ifstream in(file.c_str());
  if (!in.is_open()) {
    AOS << "> !No " << file << " !!\n";
    return;
  }
  my_string line;
  line.read_line(in);
  line.read_line(in);
  const int count = settings != nullptr ? settings->_num_simulations : 0;
  // Only the lines the file holds are read: a missing simulation counted as
  // a frequency of 0 would pass for a lost allele, and a huge simulation
  // count would fill memory with such zeros.
  int k = 0;
  for (; k < count && in.peek() != std::char_traits<char>::eof(); ++k) {
    line.read_line(in);
    const float x = leading_float(line);
    if (v != nullptr) v->push_back(x);
  }
  if (k < count)
    AOS << "WARNING: " << file << " ends after " << k << " of " << count
        << " simulations: the missing ones are left out!" << std::endl;
}

void find_fileANDcompute_stat(Tsettings* settings, std::vector<float>* v, my_string& file,
                              float& mean, float& sd, int& lost, int& fixed) {
  create_freq_vector(settings, file, v);
  if (v == nullptr || v->empty()) return;
  stat_whole_freq_vect(v, mean, sd, lost, fixed);
}

void create_latCoef_vector(Tsettings* settings, my_string& file, std::vector<float>* v) {
  std::ifstream in(file.c_str());
  if (!in.is_open()) {
    AOS << "> !No " << file << " file !!\n";
    return;
  }
  my_string line;
  line.read_line(in);
  line.read_line(in);
  AOS << "Lat_coef read to change the sel_rate : ";
  const int count = settings != nullptr ? settings->_num_pop : 0;
  for (int k = 0; k < count; ++k) {
    line.read_line(in);
    const float x = leading_float(line);
    AOS << static_cast<double>(x) << " ";
    if (v != nullptr) v->push_back(x);
  }
  AOS << std::endl;
  const long long have = v != nullptr ? static_cast<long long>(v->size()) : 0;
  if (have != static_cast<long long>(count)) AOS << " pLat->size() != pop number !!\n";
}

void create_intermediategenerations_vector(Tsettings* settings, my_string& file,
                                           std::vector<int>* v) {
  file = "generations.txt";
  std::ifstream in(file.c_str());
  if (!in.is_open()) return;
  my_string line;
  line.read_line(in);
  cut_comment(line);
  line.remove_blanks();
  const int n = leading_int(line);
  if (n == 0) return;
  // Lines missing at the end read as 0, so a count far beyond the file would
  // fill memory and the log with zeros: such a list is refused as a whole.
  if (n > kMaxIntermediateGenerations) {
    AOS << "WARNING: generations.txt announces " << n << " generations, more than "
        << kMaxIntermediateGenerations << ": none is read!" << std::endl;
    return;
  }
  AOS << "Intermediate generations vector : ";
  line.read_line(in);
  for (int k = 0; k < n; ++k) {
    line.read_line(in);
    const int g = leading_int(line);
    AOS << g << ", ";
    if (v != nullptr) v->push_back(g);
  }
  AOS << std::endl;
  // A negative count reads nothing; with an empty vector there is then no
  // last generation to compare.
  if (v != nullptr && !v->empty() && settings != nullptr &&
      v->back() > settings->_num_generations)
    AOS << " !! Last generation in pintermediategenerations vector > Num_gen !!" << std::endl;
}

void change_selRate(Tsettings* settings, std::vector<float>* coef, int& pop, const float& base,
                    int& gen, int& flag) {
  if (settings == nullptr) return;
  if (pop >= 0 && coef != nullptr && static_cast<std::size_t>(pop) < coef->size())
    settings->_selection_rate = base * (*coef)[static_cast<std::size_t>(pop)];
  if ((flag == 1 || flag == 3) &&
      static_cast<long long>(gen) == static_cast<long long>(settings->_num_generations) - 1)
    AOS << "After modif : POPULATION " << pop << " sel_rate : "
        << static_cast<double>(settings->_selection_rate) << std::endl;
}
