// The toolkit's readers of number files (frequency files, the latitude
// coefficients, "generations.txt") over arbitrary files, with the summaries
// that use them. The first three input bytes give the numbers of
// simulations, demes and generations; the rest is the file, read by every
// reader. The readers append at most their count (or nothing for a missing
// file) and the result files never hold "nan" or "inf" in a number field.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "settings/settings.h"
#include "stats/compare.h"
#include "stats/toolkit_io.h"
#include "support/my_cstring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  if (size < 3) return 0;
  const std::string file(reinterpret_cast<const char*>(data + 3), size - 3);

  Tsettings s;
  s._num_simulations = data[0] % 64;
  s._num_pop = data[1] % 16;
  s._num_generations = data[2] % 128;
  s._selection_rate = 0.02f;

  fuzzutil::write_file("freq_input", file);
  my_string name("freq_input");

  std::vector<float> v;
  create_freq_vector(&s, name, &v);
  fuzzutil::require(v.size() <= static_cast<size_t>(s._num_simulations), "frequency vector longer than the simulations");

  float mean = 0, sd = 0;
  int lost = 0, fixed = 0, npos = 0;
  find_fileANDcompute_stat(&s, &v, name, mean, sd, lost, fixed);
  fuzzutil::require(lost >= 0 && fixed >= 0 && static_cast<size_t>(lost + fixed) <= v.size(), "counts");
  positiveFreq_vector(&v, npos, mean, sd);
  fuzzutil::require(npos >= 0 && static_cast<size_t>(npos) <= v.size(), "positive count");
  mean_and_stdE(&v, mean, sd);

  std::vector<float> coef;
  create_latCoef_vector(&s, name, &coef);
  fuzzutil::require(coef.size() == static_cast<size_t>(s._num_pop), "coefficients not one per deme");
  for (int pop = -2; pop <= s._num_pop + 1; ++pop) {
    int p = pop;
    int gen = s._num_generations - 1;
    int flag = 3;
    s._selection_rate = 0.02f;
    change_selRate(&s, &coef, p, 0.02f, gen, flag);
  }

  fuzzutil::write_file("generations.txt", file);
  std::vector<int> generations;
  my_string ignored("anything");
  create_intermediategenerations_vector(&s, ignored, &generations);

  // The comparison reads the same text as both of its frequency files.
  const std::string last = "generation" + std::to_string(s._num_generations) + "_Pop1.freq";
  fuzzutil::write_file("generation0_Pop1.freq", file);
  fuzzutil::write_file(last.c_str(), file);
  int deme = 0;
  float lower = v.empty() ? 0.1f : v.front();
  float upper = v.empty() ? 0.3f : v.back();
  std::string label = "deme";
  computeANDwrite(&s, deme, lower, upper, label);
  const std::string stat = fuzzutil::read_file("lactase_stat");
  std::istringstream lines(stat);
  std::string line;
  std::getline(lines, line);  // the label line
  while (std::getline(lines, line)) {
    fuzzutil::require(!fuzzutil::has_nan_or_inf_word(line), "lactase_stat holds nan or inf");
  }
  fuzzutil::remove_file("lactase_stat");
  fuzzutil::remove_file("no_sim_compa.txt");
  fuzzutil::remove_file(last.c_str());
  return 0;
}
