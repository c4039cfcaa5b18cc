// The whole run on hostile input sets built from the fuzz input: every value
// of the parameter, structure, group and structure-change files is taken
// from a list of awkward texts (nan, inf, 1e40, negatives, comments, priors
// good and bad, random bytes), while the counts that size the work
// (simulations, generations, grid, groups, routes, structures, initial and
// carrying sizes) stay small, so that every input ends in milliseconds
// unless the code under test loops or blows up. Result files never hold
// "nan" or "inf".

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/tessarel.h"
#include "fuzz_common.h"

namespace {

// Any text a value may hold; none of them can make a count large.
const char* const kAwkward[] = {
    "0", "1", "-1", "0.5", "1.5", "-0.5", "-99", "2.9", "nan", "-nan", "inf", "-inf", "1e-40",
    "abc", "", "//3", "3//c", "0.4 //x", "  7\t", "1e40", "-1e40", "*UNIFORM 0 1", "*UNIFORM/0.2/0.8",
    "*UNIFORM(0/1)", "*LOG_UNIFORM 0.001 0.1", "*LOG_UNIFORM 0 1", "*POISSON 0.5", "*BINOMIAL 3 0.5",
    "*UNIFORM_DISCRETE 0 2", "*NORMAL 0 1", "*UNIFORM", "*UNIFORM 1", "*", "**UNIFORM 0 1",
    "*UNIFORM 1e40 -1e40", "*BINOMIAL -3 2", "*POISSON -1"};

// Texts for values that size the work: small, possibly wrong, possibly a
// prior whose draws stay small.
const char* const kSmallCount[] = {"0", "1", "2", "3", "-1", "-7", "nan", "inf", "abc", "", "2.9",
                                   "*UNIFORM_DISCRETE 1 3", "*UNIFORM_DISCRETE/0/2", "*POISSON 2",
                                   "*UNIFORM 1", "*NORMAL 1 2", "1//x", "//2"};

std::string pick(FuzzedDataProvider& in, bool small) {
  const int choice = in.ConsumeIntegralInRange<int>(0, 7);
  if (choice == 0) {
    // Raw bytes, without the whitespace that would shift the other values.
    std::string raw = in.ConsumeRandomLengthString(12);
    for (char& c : raw)
      if (c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == '\0' || c == '\xff') c = '_';
    // A raw text could still read as a big number: only where size does not matter.
    if (!small) return raw;
  }
  if (small) return kSmallCount[in.ConsumeIntegralInRange<size_t>(0, sizeof(kSmallCount) / sizeof(*kSmallCount) - 1)];
  return kAwkward[in.ConsumeIntegralInRange<size_t>(0, sizeof(kAwkward) / sizeof(*kAwkward) - 1)];
}

// Inside a token no blank may stand: priors take their "/" form.
std::string token(FuzzedDataProvider& in, bool small) {
  std::string t = pick(in, small);
  for (char& c : t)
    if (c == ' ' || c == '\t') c = '/';
  return t.empty() ? "0" : t;
}

std::string small_int(FuzzedDataProvider& in, int lo, int hi) {
  if (in.ConsumeIntegralInRange<int>(0, 5) == 0) return pick(in, true);
  return std::to_string(in.ConsumeIntegralInRange<int>(lo, hi));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  FuzzedDataProvider in(data, size);

  const int x = in.ConsumeIntegralInRange<int>(1, 4);
  const int y = in.ConsumeIntegralInRange<int>(1, 3);
  const int groups = in.ConsumeIntegralInRange<int>(0, 3);
  const bool group_mode = in.ConsumeBool();
  const int routes = in.ConsumeIntegralInRange<int>(0, 3);
  const int structures = in.ConsumeIntegralInRange<int>(1, 3);

  std::string p = "fuzzed run\n";
  p += small_int(in, 1, 3) + "\n";                      // simulations (fixed only)
  p += small_int(in, 0, 6) + "\n";                      // generations
  p += "genetics\n";
  p += small_int(in, 1, 5) + "\n";                      // alleles per pool
  p += small_int(in, 0, 1) + "\n";                      // one pool per group
  p += pick(in, false) + "\n";                          // initial frequency
  p += pick(in, false) + "\n";                          // mutation rate
  p += "selection\n";
  p += small_int(in, 0, 4) + "\n";                      // model
  p += small_int(in, 0, 3) + "\n";                      // gradient
  for (int i = 0; i < 3; ++i) p += pick(in, false) + "\n";
  p += "output\n";
  p += small_int(in, 0, 1) + "\n";
  p += "world\n";
  p += std::to_string(x) + "\n" + std::to_string(y) + "\n" + std::to_string(groups) + "\n";
  p += std::string(group_mode ? "1" : "0") + "\n";
  p += std::to_string(routes) + "\n";
  for (int r = 0; r < routes; ++r) {
    p += "(" + std::to_string(in.ConsumeIntegralInRange<int>(-1, x * y + 1)) + "," +
         std::to_string(in.ConsumeIntegralInRange<int>(-1, x * y + 1)) + "," + token(in, false) + ") ";
  }
  p += "routes\n" + std::to_string(structures) + "\n1 " + (in.ConsumeIntegralInRange<int>(0, 7) == 0 ? "*UNIFORM/0/0" : "0");
  for (int k = 2; k <= structures; ++k) p += " " + std::to_string(k) + " " + small_int(in, 0, 5);
  p += "\n";
  fuzzutil::write_file("tessarel_param.txt", p);

  std::string s = "structure 1\nN0 K r m group sample\n";
  for (int d = 0; d < x * y; ++d) {
    s += small_int(in, 0, 30) + " ";                                                 // N0
    s += (in.ConsumeBool() ? small_int(in, -1, 60) : token(in, false)) + " ";       // K
    s += token(in, false) + " " + token(in, false) + " ";                           // r, m
    s += small_int(in, 0, groups + 1) + " " + small_int(in, 0, 8) + "\n";           // group, sample
  }
  fuzzutil::write_file("tessarel_structure_1.txt", s);

  std::string g = "groups\n";
  for (int i = 0; i < groups; ++i) {
    g += (in.ConsumeBool() ? small_int(in, -1, 60) : token(in, false)) + " " + token(in, false) + " " +
         token(in, false) + "\n";
  }
  if (group_mode && in.ConsumeIntegralInRange<int>(0, 9) != 0)
    fuzzutil::write_file("tessarel_alldemes_1.txt", g);
  else
    fuzzutil::remove_file("tessarel_alldemes_1.txt");

  for (int k = 2; k <= 3; ++k) {
    const std::string name = std::string(group_mode ? "tessarel_alldemes_" : "tessarel_structure_") +
                             std::to_string(k) + ".txt";
    if (k > structures || in.ConsumeIntegralInRange<int>(0, 9) == 0) {
      fuzzutil::remove_file(name.c_str());
      continue;
    }
    std::string c = "change\n";
    const char* modes[] = {"abs", "rel", "Abs", "abs,"};
    for (int m = 0; m < 3; ++m) c += std::string(modes[in.ConsumeIntegralInRange<int>(0, 3)]) + " ";
    c += "\n";
    const int triples = group_mode ? groups : x * y;
    const int written = in.ConsumeIntegralInRange<int>(0, triples);  // a short file repeats its last token
    for (int t = 0; t < written; ++t) c += token(in, false) + " " + token(in, false) + " " + token(in, false) + "\n";
    fuzzutil::write_file(name.c_str(), c);
  }

  run_tessarel([]() { return -123456L; });

  const char* fixed_results[] = {"arlequin.arb", "tessarel_abc.txt", "Result_000001.arp", "Result_000002.arp",
                                 "Result_000003.arp"};
  std::vector<std::string> results(fixed_results, fixed_results + 5);
  for (int d = 1; d <= 12; ++d) results.push_back("tessarel_frequency.deme" + std::to_string(d));
  for (const std::string& name : results) {
    const std::string text = fuzzutil::read_file(name.c_str());
    if (fuzzutil::has_nan_or_inf_word(text)) {
      std::fprintf(stderr, "tessarel fuzz: %s holds nan or inf\n", name.c_str());
      std::abort();
    }
    fuzzutil::remove_file(name.c_str());
  }
  return 0;
}
