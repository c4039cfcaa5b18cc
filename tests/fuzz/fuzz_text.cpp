// The text class and the toolkit's readers over arbitrary bytes. Every
// reader of the text class takes the whole input: no operation may leave its
// buffer, pass the limit of 10000 characters, lose its final NUL or stop
// consuming its input. The bytes after the first three (numbers of
// simulations, demes and generations) are then every file the toolkit reads
// ("CI_file", frequency files, latitude coefficients, "generations.txt"),
// with the summaries and the comparison that use them: readers append their
// count or nothing, the limits come one per deme or not at all, and the
// result files hold no "nan" or "inf".

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "settings/settings.h"
#include "stats/compare.h"
#include "stats/toolkit_io.h"
#include "support/my_cstring.h"

namespace {

void check(const my_string& s, const char* what, bool limited = true) {
  fuzzutil::require(s._buffer != nullptr && s._length >= 0 && s._buffer[s._length] == '\0', what);
  fuzzutil::require(!limited || s._length <= my_string::MAX_LENGTH, what);
  fuzzutil::require(std::strlen(s._buffer) <= static_cast<size_t>(s._length), what);
}

void exercise(const my_string& line, int a, int b) {
  my_string value(line);
  cut_comment(value);
  value.remove_blanks();
  check(value, "comment cut and blanks");
  for (char d : {'\t', ' '}) {
    my_string rest(line);
    for (int guard = rest._length + 1; !rest.is_null(); --guard) {
      fuzzutil::require(guard > 0, "extract_sub_str consumed nothing");
      check(rest.extract_sub_str(d), "field");
    }
    check(line.extract_before(d), "extract_before");
    check(line.extract_after(d), "extract_after");
  }
  check(my_string(line).remove(a, b), "remove");
  my_string grown(line);
  for (int i = 0; i < 3; ++i) grown += grown;
  check(grown + line, "appends and join");
}

// Every reader of the text class over the bytes, with the operations the
// readers apply to a line.
void text_readers(const std::string& bytes, int a, int b) {
  check(my_string(bytes.c_str()), "constructor");
  std::istringstream lines(bytes), words(bytes), tokens(bytes), fields(bytes), quotes(bytes);
  my_string line, w;
  for (size_t n = 0, more = 1; more; ++n) {
    fuzzutil::require(n <= bytes.size() + 1, "read_line returned 1 without consuming input");
    more = static_cast<size_t>(line.read_line(lines));
    check(line, "read_line");
    exercise(line, a, b);
  }
  for (size_t guard = bytes.size() + 2; words >> w && guard > 0; --guard) check(w, "operator>>");
  for (int i = 0; i < 64 && tokens.good(); ++i) {
    w.read_token(tokens);
    check(w, "read_token", false);
    w.read_to_delim(fields, ',');
    check(w, "read_to_delim");
    w.read_to_delim(fields);
    w.GetNextQuota(quotes);
    check(w, "GetNextQuota");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  text_readers(bytes, size > 1 ? data[0] - 8 : 0, size > 2 ? data[1] * 40 - 100 : 0);
  if (size < 3) return 0;
  const std::string file = bytes.substr(3);
  Tsettings s;
  s._num_simulations = data[0] % 64;
  s._num_pop = data[1] % 40;
  s._num_generations = data[2] % 128;
  const std::string last = "generation" + std::to_string(s._num_generations) + "_Pop";
  for (const std::string& name : {std::string("CI_file"), std::string("generations.txt"), std::string("freq")})
    fuzzutil::put_file(name, file);

  my_string name("freq");
  std::vector<float> v, coef;
  float mean = 0, sd = 0;
  int lost = 0, fixed = 0, npos = 0, gen = s._num_generations - 1, flag = 3;
  find_fileANDcompute_stat(&s, &v, name, mean, sd, lost, fixed);
  fuzzutil::require(v.size() <= static_cast<size_t>(s._num_simulations), "more values than simulations");
  fuzzutil::require(lost >= 0 && fixed >= 0 && static_cast<size_t>(lost + fixed) <= v.size(), "lost and fixed");
  positiveFreq_vector(&v, npos, mean, sd);
  fuzzutil::require(npos >= 0 && static_cast<size_t>(npos) <= v.size(), "positive count");
  create_latCoef_vector(&s, name, &coef);
  fuzzutil::require(coef.size() <= static_cast<size_t>(s._num_pop), "more coefficients than demes");
  for (int pop = -1; pop <= s._num_pop; ++pop) change_selRate(&s, &coef, pop, 0.02f, gen, flag);
  std::vector<int> generations;
  create_intermediategenerations_vector(&s, name, &generations);

  std::vector<float> lower, upper;
  std::vector<std::string> labels;
  set_CI_limits(&s, &lower, &upper, &labels);
  fuzzutil::require(lower.size() == upper.size() && upper.size() == labels.size(), "limits of different lengths");
  fuzzutil::require(lower.empty() || lower.size() == static_cast<size_t>(s._num_pop), "limits not one per deme");
  for (size_t i = 0; i < lower.size() && i < 3; ++i) {
    const std::string p = std::to_string(i + 1) + ".freq";
    fuzzutil::put_file("generation0_Pop" + p, file);
    fuzzutil::put_file(last + p, file);
    int deme = static_cast<int>(i);
    computeANDwrite(&s, deme, lower[i], upper[i], labels[i]);
  }
  // Label lines (text from the file, ending in "(deme)") are not numbers.
  std::istringstream stat(fuzzutil::read_file("lactase_stat"));
  for (std::string line; std::getline(stat, line);)
    fuzzutil::require(fuzzutil::no_nan(line) || line.back() == ')', "lactase_stat holds nan or inf");
  std::remove("lactase_stat");
  std::remove("no_sim_compa.txt");
  return 0;
}
