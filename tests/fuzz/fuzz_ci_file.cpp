// The reader of "CI_file" over arbitrary files, then the comparison of the
// limits it read with frequencies taken from the same bytes. The first input
// byte gives the number of demes the settings hold; the rest is the file.
// The reader appends one entry per deme or none at all, and the result files
// never hold "nan" or "inf" in a number field.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "settings/settings.h"
#include "stats/compare.h"

namespace {

// Number fields of "lactase_stat": every line but the label lines (the
// first of each three) after its first TAB.
void check_results() {
  const std::string stat = fuzzutil::read_file("lactase_stat");
  std::istringstream lines(stat);
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) {
    if (n++ % 3 == 0) continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    fuzzutil::require(!fuzzutil::has_nan_or_inf_word(line.substr(tab)), "lactase_stat holds nan or inf");
  }
  fuzzutil::remove_file("lactase_stat");
  fuzzutil::remove_file("no_sim_compa.txt");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  if (size < 1) return 0;
  const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
  fuzzutil::write_file("CI_file", file);

  Tsettings s;
  s._num_pop = data[0] % 40;
  s._num_simulations = 1 + data[0] % 7;
  s._num_generations = 10;

  std::vector<float> lower, upper;
  std::vector<std::string> labels;
  set_CI_limits(&s, &lower, &upper, &labels);
  fuzzutil::require(lower.size() == upper.size() && upper.size() == labels.size(), "CI vectors of different lengths");
  fuzzutil::require(lower.empty() || lower.size() == static_cast<size_t>(s._num_pop), "CI vectors not one per deme");
  for (const std::string& label : labels) {
    fuzzutil::require(label.find(' ') == std::string::npos && label.find('\t') == std::string::npos,
                      "blank left in a label");
  }

  // Frequencies: every limit read, in file order.
  std::vector<float> values;
  for (size_t i = 0; i < lower.size(); ++i) {
    values.push_back(lower[i]);
    values.push_back(upper[i]);
  }
  for (size_t i = 0; i < lower.size(); ++i) {
    std::vector<int> inside;
    int n_in = 0, n_below = 0, n_above = 0;
    float mean_in = 0, sd_in = 0, mean_below = 0, sd_below = 0, mean_above = 0, sd_above = 0;
    ciFreq_vector(&values, lower[i], upper[i], &inside, n_in, mean_in, sd_in, n_below, mean_below, sd_below,
                  n_above, mean_above, sd_above);
    fuzzutil::require(n_in >= 0 && n_below >= 0 && n_above >= 0, "negative count");
    fuzzutil::require(static_cast<size_t>(n_in + n_below + n_above) <= values.size(), "more values split than given");
    fuzzutil::require(inside.size() == static_cast<size_t>(n_in), "positions and count differ");
    for (int t : inside) fuzzutil::require(t >= 1 && static_cast<size_t>(t) <= values.size(), "position outside");
  }

  // The whole comparison for the first demes, with the file itself as their
  // frequency files.
  const size_t compared = lower.size() < 3 ? lower.size() : 3;
  for (size_t i = 0; i < compared; ++i) {
    int deme = static_cast<int>(i);
    const std::string p = std::to_string(i + 1);
    fuzzutil::write_file(("generation0_Pop" + p + ".freq").c_str(), file);
    fuzzutil::write_file(("generation10_Pop" + p + ".freq").c_str(), file);
    computeANDwrite(&s, deme, lower[i], upper[i], labels[i]);
  }
  check_results();
  return 0;
}
