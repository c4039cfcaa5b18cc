// Whole runs measured against the speed targets, each as a ratio of CPU
// times taken in this one process (medians of the given repetitions):
//   (a) 30 x 30 demes, K = N0 = 1000, 60 generations, model 1, s = 0, no
//       mutation: the run over the same numbers of gsl_rng_uniform_int and
//       gsl_rng_uniform calls made in a tight loop on a gsl_rng_mt19937
//       (the draws the run makes are counted in a run of its own);
//   (b) the same with a mutation rate of 1e-3, over the neutral run;
//   (d) the cost per offspring of 60 x 60 demes, and of demes of 10^4
//       individuals, over that of 10 x 10 demes of 10^3 (the larger of the
//       two ratios: a cost that grows faster than the work shows here);
//   (e) a frequency-mode generation (model 0) of a deme holding 1000
//       alleles of a table of 50000, over that of a deme whose table holds
//       only the 1000;
//   (f) 2 x 2 demes of 1.5 to 2 million individuals (in frequency mode
//       after the first generation), 100 generations, model 0, mutation rate
//       1e-4 without frequency files (so the table gains about 800
//       alleles a generation), over the same run without mutation;
//   (g) that run with mutation over 200 generations, over 100.
// Usage: tessarel_bench_targets [repetitions]   (run in an empty folder)
// Prints one line per target: "target (x) ... met" or "... MISSED".

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "driver/tessarel.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"
#include "support/mt_block.h"

using benchutil::Scenario;

namespace {

// Each scenario runs in a folder of its own below the working directory.
std::string folder_of(Scenario const& sc) {
  char name[96];
  std::snprintf(name, sizeof(name), "run_%d_%d_%d_%g", sc.side, sc.k, sc.generations,
                static_cast<double>(sc.mutation));
  mkdir(name, 0755);
  benchutil::write_inputs(name, sc);
  return name;
}

double run_seconds(Scenario const& sc) {
  std::string const dir = folder_of(sc);
  if (chdir(dir.c_str()) != 0) {
    std::perror(dir.c_str());
    std::exit(1);
  }
  double const start = benchutil::cpu_seconds();
  run_tessarel(benchutil::FixedSeeds());
  double const seconds = benchutil::cpu_seconds() - start;
  if (chdir("..") != 0) std::exit(1);
  return seconds;
}

benchutil::Counts count_draws(Scenario const& sc) {
  gsl_rng_type const* const kept = run_generator_type;
  run_generator_type = &benchutil::counting_type;
  benchutil::counts() = benchutil::Counts();
  run_seconds(sc);
  run_generator_type = kept;
  return benchutil::counts();
}

// The counted draws made straight through GSL: gsl_rng_uniform_int over 2K,
// as the offspring loop asks, and gsl_rng_uniform.
double gsl_draw_seconds(benchutil::Counts const& c, unsigned long range) {
  gsl_rng* r = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(r, 4242);
  double const start = benchutil::cpu_seconds();
  unsigned long isum = 0;
  for (unsigned long i = 0; i < c.gets; ++i) isum += gsl_rng_uniform_int(r, range);
  double fsum = 0.0;
  for (unsigned long i = 0; i < c.doubles; ++i) fsum += gsl_rng_uniform(r);
  double const seconds = benchutil::cpu_seconds() - start;
  gsl_rng_free(r);
  if (isum == 1 && fsum < 0.0) std::puts("");  // keeps the loops
  return seconds;
}

// CPU time of `generations` frequency-mode generations of one deme of 10^7
// individuals whose table holds `table` alleles, `held` of them spread evenly
// over it with equal frequencies (each far from loss: the normal drift
// branch for every one, the same alleles present in every generation).
double frequency_generation_seconds(std::size_t table, std::size_t held, int generations) {
  Tsettings settings;
  settings._intermediate_output = 0;
  settings._locus_length = 1;
  std::ofstream no_output;
  std::vector<Tallele*> no_alleles;  // read for its length only when _freq is not ready
  Tpop pop(0, 0, 0, 0);
  pop.createfreqarrays(static_cast<int>(table));
  std::vector<float> start(table, 0.0f);
  for (std::size_t i = 0; i < held; ++i) start[i * (table / held)] = 1.0f / static_cast<float>(held);
  pop._k = 1e7;
  pop._r = 0.0f;
  pop._s = 0.01f;
  pop._freq_mode = true;
  pop._freq_ready = true;
  gsl_rng* const kept = randomnumber;
  randomnumber = gsl_rng_alloc(&mtblock::kind);
  gsl_rng_set(randomnumber, 77);
  std::vector<Tgeno*> surplus;
  double const begin = benchutil::cpu_seconds();
  for (int g = 0; g < generations; ++g) {
    pop._freq = start;
    pop._size = 1e7;
    pop.logistic_growth(&surplus);
    pop.newgeneration_symoverfreq(&no_output, &no_alleles, &settings);
    pop.Update_ind_lists();
  }
  double const seconds = benchutil::cpu_seconds() - begin;
  gsl_rng_free(randomnumber);
  randomnumber = kept;
  return seconds;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void verdict(char const* what, double value, double limit) {
  std::printf("target %s: %.2f (at most %.2f) %s\n", what, value, limit, value <= limit ? "met" : "MISSED");
}

}  // namespace

// Each repetition times both sides of every ratio one after the other, so
// that a change in the load of the machine falls on both; the medians of
// the ratios are reported.
int main(int argc, char** argv) {
  int const reps = std::max(1, argc > 1 ? std::atoi(argv[1]) : 3);
  setvbuf(stdout, nullptr, _IOLBF, 0);

  Scenario neutral;  // 30 x 30, K = 1000, 60 generations, model 1, s = 0
  Scenario mutating = neutral;
  mutating.mutation = 1e-3f;
  benchutil::Counts const draws = count_draws(neutral);
  std::vector<double> floor_s, run_s, mutated_s, a, b;
  for (int i = 0; i < reps; ++i) {
    floor_s.push_back(gsl_draw_seconds(draws, 2UL * static_cast<unsigned long>(neutral.k)));
    run_s.push_back(run_seconds(neutral));
    mutated_s.push_back(run_seconds(mutating));
    a.push_back(run_s.back() / floor_s.back());
    b.push_back(mutated_s.back() / run_s.back());
  }
  std::printf("30 x 30 demes, K = 1000, 60 generations, model 1, s = 0: %.3f s; its %lu + %lu GSL draws: %.3f s\n",
              median(run_s), draws.gets, draws.doubles, median(floor_s));
  verdict("(a) neutral run over its draws through GSL", median(a), 0.8);
  std::printf("the same with mutation rate 1e-3: %.3f s\n", median(mutated_s));
  verdict("(b) run with mutation over the neutral run", median(b), 1.3);

  // Cost per offspring, counted at the carrying capacity: N0 = K and the
  // logistic growth keeps every deme there.
  int const sizes[][2] = {{10, 1000}, {60, 1000}, {10, 10000}};
  std::vector<double> ns[3], d;
  for (int i = 0; i < reps; ++i) {
    for (int j = 0; j < 3; ++j) {
      Scenario sc = neutral;
      sc.side = sizes[j][0];
      sc.k = sizes[j][1];
      ns[j].push_back(run_seconds(sc) * 1e9 / (static_cast<double>(sc.side) * sc.side * sc.k * sc.generations));
    }
    d.push_back(std::max(ns[1].back(), ns[2].back()) / ns[0].back());
  }
  std::printf("%7s %7s %14s\n", "demes", "K", "ns/offspring");
  std::printf("%7d %7d %14.2f\n", 100, 1000, median(ns[0]));
  std::printf("%7d %7d %14.2f\n", 900, 1000, median(run_s) * 1e9 / (900.0 * 1000 * neutral.generations));
  std::printf("%7d %7d %14.2f\n", 3600, 1000, median(ns[1]));
  std::printf("%7d %7d %14.2f\n", 100, 10000, median(ns[2]));
  verdict("(d) growth of the cost per offspring with demes and individuals", median(d), 1.3);

  std::vector<double> wide_s, narrow_s, e;
  for (int i = 0; i < reps; ++i) {
    wide_s.push_back(frequency_generation_seconds(50000, 1000, 200));
    narrow_s.push_back(frequency_generation_seconds(1000, 1000, 200));
    e.push_back(wide_s.back() / narrow_s.back());
  }
  std::printf("frequency-mode generation, 1000 alleles held: table of 50000 %.3f ms, table of 1000 %.3f ms\n",
              median(wide_s) * 1e3 / 200, median(narrow_s) * 1e3 / 200);
  verdict("(e) table of 50000 alleles over a table of the 1000 held", median(e), 2.0);

  Scenario large;
  large.side = 2;
  large.k = 2000000;
  large.n0 = 1500000;
  large.model = 0;
  large.s = 0.01f;
  large.generations = 100;
  Scenario large_mutating = large;
  large_mutating.mutation = 1e-4f;
  Scenario large_longer = large_mutating;
  large_longer.generations = 200;
  std::vector<double> still_s, mut_s, longer_s, f, g;
  for (int i = 0; i < reps; ++i) {
    still_s.push_back(run_seconds(large));
    mut_s.push_back(run_seconds(large_mutating));
    longer_s.push_back(run_seconds(large_longer));
    f.push_back(mut_s.back() / still_s.back());
    g.push_back(longer_s.back() / mut_s.back());
  }
  std::printf("2 x 2 demes of 1.5 to 2 million, 100 generations: %.3f s; with mutation 1e-4: %.3f s; "
              "200 generations with mutation: %.3f s\n",
              median(still_s), median(mut_s), median(longer_s));
  verdict("(f) frequency-mode run with mutation over the run without", median(f), 5.0);
  verdict("(g) 200 generations with mutation over 100", median(g), 3.0);
  return 0;
}
