// Cost of the steps of a simulated generation, each beside the cost of the
// random draws it needs. Run through scripts/bench.sh, which builds this
// program in Release mode and prints the table of medians.
//
// Counters: "offspring/s" (items per second) for reproduction, the floor
// benchmarks report the same unit so that reproduction / floor is the ratio
// to the bare draws made through GSL. The work itself draws from the run's
// block generator. The log goes to /dev/null (the mutation step writes to
// it). Whole runs are measured by bench_targets.cpp.

#include <benchmark/benchmark.h>
#include <gsl/gsl_rng.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "driver/mutation_step.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"
#include "bench_util.h"
#include "support/globaldef.h"

namespace {

int const NUM_ALLELES = 10;

// The bare draws of a benchmark are made straight through GSL on a
// gsl_rng_mt19937, as many as the work makes on the run's generator.
gsl_rng* gsl_floor() {
  static gsl_rng* r = gsl_rng_alloc(gsl_rng_mt19937);
  return r;
}

// ---------------------------------------------------------------------------
// The allele table and the settings every benchmark shares.
struct World {
  std::vector<Tallele*> alleles;
  Tsettings settings;
  std::ofstream no_output;  // never opened, as in a run without frequency files

  World() {
    for (int i = 0; i < NUM_ALLELES; ++i) alleles.push_back(new Tallele(i));
    Tgeno::_pallelevect = &alleles;
    Tgeno::_init_num_allele = NUM_ALLELES;
    Tgeno::_init_num_allele_per_grp = NUM_ALLELES;
    settings._intermediate_output = 0;
    settings._locus_length = 1;
  }
  ~World() {
    for (Tallele* a : alleles) delete a;
  }
  void trim_alleles() {
    while (alleles.size() > static_cast<std::size_t>(NUM_ALLELES)) {
      delete alleles.back();
      alleles.pop_back();
    }
  }
};

World& world() {
  static World w;
  return w;
}

void reseed(unsigned long seed) { gsl_rng_set(randomnumber, seed); }

// Model 4 stands for the neutral case: model 1 with s = 0.
int model_of(int arg) { return arg == 4 ? 1 : arg; }
float selection_of(int arg) { return arg == 4 ? 0.0f : 0.1f; }
char const* model_label(int arg) {
  static char const* const labels[] = {"model0", "model1", "model2", "model3", "neutral"};
  return labels[arg];
}

Tpop* make_individual_deme(int n, float s) {
  Tpop* pop = new Tpop(n, 0, 0, 0);
  pop->_k = static_cast<double>(n);
  pop->_r = 0.0f;  // constant size: the next list keeps n individuals
  pop->_s = s;
  pop->createfreqarrays(NUM_ALLELES);
  pop->create_ind_vector(n, 0, 0.0f);
  return pop;
}

void destroy_deme(Tpop* pop) {
  pop->delete_ind_vector();
  pop->deletefreqarrays();
  delete pop;
}

// Genotypes of a deme, to put it back into its starting state.
std::vector<std::pair<int, int> > genotypes_of(Tpop const& pop) {
  std::vector<std::pair<int, int> > g;
  g.reserve(pop._current->size());
  for (Tgeno const* x : *pop._current) g.push_back(std::make_pair(x->_allele1->_id, x->_allele2->_id));
  return g;
}

void restore(Tpop& pop, std::vector<std::pair<int, int> > const& g) {
  std::vector<Tgeno*>& list = *pop._current;
  for (std::size_t i = 0; i < list.size() && i < g.size(); ++i) list[i]->set_alleles(g[i].first, g[i].second);
}

// One individual-mode generation of one deme, as the run does it.
void individual_generation(Tpop& pop, int model, World& w, std::vector<Tgeno*>& surplus) {
  surplus.clear();
  pop.logistic_growth(&surplus);
  switch (model) {
    case 1: pop.newgeneration_asymoverind(&w.no_output, &w.alleles, &w.settings, &surplus); break;
    case 2: pop.newgeneration_rarealleleind(&w.no_output, &w.alleles, &w.settings, &surplus); break;
    case 3: pop.newgeneration_dominanceind(&w.no_output, &w.alleles, &w.settings, &surplus); break;
    default: pop.newgeneration_symoverind(&w.no_output, &w.alleles, &w.settings, &surplus); break;
  }
  pop.delete_sup_ind(&surplus);
  pop.Update_ind_lists();
}

// The deme is put back to its first genotypes every so many generations, so
// that drift never takes the measured work far from where it started.
int const RESTORE_EVERY = 20;

// Draws per generation (getint calls, getfloat calls) of individual-mode
// reproduction, measured with the counting generator over RESTORE_EVERY
// generations from the benchmark's starting state.
std::pair<double, double> draws_per_generation(int arg, int n) {
  static std::map<std::pair<int, int>, std::pair<double, double> > cache;
  auto key = std::make_pair(arg, n);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;

  World& w = world();
  gsl_rng* saved = randomnumber;
  randomnumber = gsl_rng_alloc(&benchutil::counting_type);
  gsl_rng_set(randomnumber, 1000 + static_cast<unsigned long>(arg));
  Tpop* pop = make_individual_deme(n, selection_of(arg));
  std::vector<Tgeno*> surplus;
  benchutil::counts() = benchutil::Counts();
  for (int g = 0; g < RESTORE_EVERY; ++g) individual_generation(*pop, model_of(arg), w, surplus);
  std::pair<double, double> result(static_cast<double>(benchutil::counts().gets) / RESTORE_EVERY,
                                   static_cast<double>(benchutil::counts().doubles) / RESTORE_EVERY);
  destroy_deme(pop);
  gsl_rng_free(randomnumber);
  randomnumber = saved;
  cache[key] = result;
  return result;
}

// ---------------------------------------------------------------------------
// Individual-mode reproduction (growth, reproduction, surplus, list swap).
void BM_IndividualReproduction(benchmark::State& state) {
  int const arg = static_cast<int>(state.range(0));
  int const n = static_cast<int>(state.range(1));
  World& w = world();
  reseed(1000 + static_cast<unsigned long>(arg));
  Tpop* pop = make_individual_deme(n, selection_of(arg));
  std::vector<std::pair<int, int> > const start = genotypes_of(*pop);
  std::vector<Tgeno*> surplus;
  int g = 0;
  for (auto _ : state) {
    individual_generation(*pop, model_of(arg), w, surplus);
    if (++g == RESTORE_EVERY) {
      state.PauseTiming();
      restore(*pop, start);
      g = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
  state.SetLabel(model_label(arg));
  destroy_deme(pop);
}

// The bare draws of the benchmark above through GSL: as many
// gsl_rng_uniform_int(2N) and gsl_rng_uniform calls per generation.
void BM_IndividualReproductionFloor(benchmark::State& state) {
  int const arg = static_cast<int>(state.range(0));
  int const n = static_cast<int>(state.range(1));
  std::pair<double, double> const draws = draws_per_generation(arg, n);
  long const ints = static_cast<long>(draws.first + 0.5);
  long const floats = static_cast<long>(draws.second + 0.5);
  unsigned long const two_n = 2UL * static_cast<unsigned long>(n);
  gsl_rng* r = gsl_floor();
  gsl_rng_set(r, 2000 + static_cast<unsigned long>(arg));
  for (auto _ : state) {
    unsigned long isum = 0;
    double fsum = 0.0;
    for (long i = 0; i < ints; ++i) isum += gsl_rng_uniform_int(r, two_n);
    for (long i = 0; i < floats; ++i) fsum += gsl_rng_uniform(r);
    benchmark::DoNotOptimize(isum);
    benchmark::DoNotOptimize(fsum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
  state.counters["getint/gen"] = static_cast<double>(ints);
  state.counters["getfloat/gen"] = static_cast<double>(floats);
  state.SetLabel(model_label(arg));
}

// ---------------------------------------------------------------------------
// Frequency-mode generation of one deme of N individuals (10 alleles), from
// the same even frequencies at every iteration.
void BM_FrequencyGeneration(benchmark::State& state) {
  int const model = static_cast<int>(state.range(0));
  double const n = static_cast<double>(state.range(1));
  World& w = world();
  reseed(3000 + static_cast<unsigned long>(model));
  Tpop pop(0, 0, 0, 0);
  pop.createfreqarrays(NUM_ALLELES);
  pop._k = n;
  pop._r = 0.0f;
  pop._s = 0.1f;
  pop._freq_mode = true;
  pop._freq_ready = true;
  std::vector<float> const even(NUM_ALLELES, 1.0f / NUM_ALLELES);
  std::vector<Tgeno*> surplus;
  for (auto _ : state) {
    pop._freq = even;
    pop._size = n;
    pop.logistic_growth(&surplus);
    switch (model) {
      case 1: pop.newgeneration_asymoverfreq(&w.no_output, &w.alleles, &w.settings); break;
      case 2: pop.newgeneration_rareallelefreq(&w.no_output, &w.alleles, &w.settings); break;
      case 3: pop.newgeneration_dominancefreq(&w.no_output, &w.alleles, &w.settings); break;
      default: pop.newgeneration_symoverfreq(&w.no_output, &w.alleles, &w.settings); break;
    }
    pop.Update_ind_lists();
    benchmark::DoNotOptimize(pop._freq.data());
  }
  state.SetItemsProcessed(state.iterations());  // generations per second
  state.SetLabel(model_label(model));
}

// ---------------------------------------------------------------------------
// A grid of demes on a torus (every deme has four links, so that every deme
// sends and receives the same number and the sizes stay put).
struct Grid {
  std::vector<Tpop*> demes;
  int side;

  Grid(int side_, int n, bool frequency_mode, float m) : side(side_) {
    int const count = side * side;
    for (int i = 0; i < count; ++i) {
      Tpop* d = new Tpop(n, i, i / side, i % side);
      d->_k = static_cast<double>(n);
      d->_m = m;
      d->createfreqarrays(NUM_ALLELES);
      if (frequency_mode) {
        d->_current = &d->_inds_a;
        d->_next = &d->_inds_b;
        d->_freq_mode = true;
        d->_freq_ready = true;
        for (float& f : d->_freq) f = 1.0f / NUM_ALLELES;
        d->_next_size = static_cast<double>(n);
      } else {
        d->create_ind_vector(n, 0, 0.0f);
        d->_next_size = static_cast<double>(n);
      }
      int const x = i % side;
      int const y = i / side;
      d->_nbr[0] = y * side + (x + 1) % side;
      d->_nbr[1] = y * side + (x + side - 1) % side;
      d->_nbr[2] = ((y + 1) % side) * side + x;
      d->_nbr[3] = ((y + side - 1) % side) * side + x;
      d->_n_nbr = 4;
      for (int k = 0; k < 4; ++k) d->_mig_factor[k] = -1.0f;
      demes.push_back(d);
    }
  }
  ~Grid() {
    for (Tpop* d : demes) destroy_deme(d);
  }
};

// Emigrant counts, migrants into the receivers' buffers, and the merging of
// the buffers, over the whole grid. Individual mode: 1000 individuals per
// deme, m = 0.1; frequency mode: 10^6 individuals per deme, m = 0.01 (the
// normal approximation between frequency-mode demes).
void BM_Migration(benchmark::State& state) {
  int const side = static_cast<int>(state.range(0));
  bool const frequency_mode = state.range(1) != 0;
  int const n = frequency_mode ? 1000000 : 1000;
  int const threshold = 10 * NUM_ALLELES;
  reseed(4000);
  Grid grid(side, n, frequency_mode, frequency_mode ? 0.01f : 0.1f);
  int64_t migrants = 0;
  std::vector<float> const even(NUM_ALLELES, 1.0f / NUM_ALLELES);
  for (auto _ : state) {
    for (Tpop* d : grid.demes) {
      int e[4] = {0, 0, 0, 0};
      d->count_emigrants(e[0], e[1], e[2], e[3], false);
      for (int k = 0; k < 4; ++k) {
        if (e[k] <= 0) continue;
        migrants += e[k];
        Tpop* receiver = grid.demes[static_cast<std::size_t>(d->_nbr[k])];
        if (frequency_mode)
          d->migratefreq(e[k], receiver, threshold);
        else
          d->migrateind(e[k], receiver);
      }
    }
    for (Tpop* d : grid.demes) {
      d->Update_migrations();
      if (frequency_mode) {
        d->_n_immigrants = 0;
        d->_freq = even;  // keep the work the same at every iteration
        d->_next_size = static_cast<double>(n);
      }
    }
  }
  state.SetItemsProcessed(migrants);  // migrants per second
  state.counters["demes"] = static_cast<double>(side * side);
  state.SetLabel(frequency_mode ? "frequency mode" : "individual mode");
}

// ---------------------------------------------------------------------------
// The mutation step over a grid of individual-mode demes of 1000
// individuals, mutation rate 10^-4 (0.1 mutation per deme and generation),
// without frequency files (every mutation appends an allele). The table and
// the mutated individuals are put back after each step.
void BM_MutationStep(benchmark::State& state) {
  int const side = static_cast<int>(state.range(0));
  int const n = 1000;
  World& w = world();
  w.settings._mutation_rate = 1e-4f;
  reseed(5000);
  Grid grid(side, n, false, 0.0f);
  for (auto _ : state) {
    Add_mutation(&grid.demes, &w.alleles, &w.settings);
    state.PauseTiming();
    if (w.alleles.size() > static_cast<std::size_t>(NUM_ALLELES)) {
      for (Tpop* d : grid.demes) {
        for (Tgeno* g : *d->_current) {
          if (g->_allele1->_id >= NUM_ALLELES) g->set_allele1(0);
        }
        d->_freq.resize(NUM_ALLELES);
        d->_gam1.resize(NUM_ALLELES);
        d->_gam2.resize(NUM_ALLELES);
        d->_imm_alleles.resize(NUM_ALLELES);
      }
      w.trim_alleles();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(side) * side * n);  // individuals
  state.counters["demes"] = static_cast<double>(side * side);
  w.settings._mutation_rate = 0.0f;
}

// The bare draws of the mutation step through GSL: one gsl_rng_uniform per
// individual.
void BM_MutationStepFloor(benchmark::State& state) {
  int const side = static_cast<int>(state.range(0));
  long const draws = static_cast<long>(side) * side * 1000;
  gsl_rng* r = gsl_floor();
  gsl_rng_set(r, 5001);
  for (auto _ : state) {
    double fsum = 0.0;
    for (long i = 0; i < draws; ++i) fsum += gsl_rng_uniform(r);
    benchmark::DoNotOptimize(fsum);
  }
  state.SetItemsProcessed(state.iterations() * draws);
  state.counters["demes"] = static_cast<double>(side * side);
}

// ---------------------------------------------------------------------------
// The draws of an offspring under model 1 (two getint over 2N = 2000 and one
// getfloat): range(0) == 0 through GSL on a gsl_rng_mt19937, 1 through the
// run's block generator. Items are offspring.
void BM_Draws(benchmark::State& state) {
  bool const block = state.range(0) != 0;
  long const per_iteration = 100000;
  gsl_rng* const kept = randomnumber;
  randomnumber = block ? gsl_rng_alloc(&mtblock::kind) : gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(randomnumber, 6000);
  for (auto _ : state) {
    long isum = 0;
    double fsum = 0.0;
    if (block) {
      for (long i = 0; i < per_iteration; ++i) {
        isum += getint(2000);
        isum += getint(2000);
        fsum += getfloat();
      }
    } else {
      for (long i = 0; i < per_iteration; ++i) {
        isum += static_cast<long>(gsl_rng_uniform_int(randomnumber, 2000));
        isum += static_cast<long>(gsl_rng_uniform_int(randomnumber, 2000));
        fsum += gsl_rng_uniform(randomnumber);
      }
    }
    benchmark::DoNotOptimize(isum);
    benchmark::DoNotOptimize(fsum);
  }
  gsl_rng_free(randomnumber);
  randomnumber = kept;
  state.SetItemsProcessed(state.iterations() * per_iteration);
  state.SetLabel(block ? "block generator" : "GSL");
}

}  // namespace

BENCHMARK(BM_IndividualReproduction)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1000, 10000, 100000}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndividualReproductionFloor)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1000, 10000, 100000}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrequencyGeneration)
    ->ArgsProduct({{0, 1, 2, 3}, {1000, 10000, 100000}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Migration)->ArgsProduct({{2, 10, 50}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MutationStep)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MutationStepFloor)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Draws)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  // Messages of the model (mutations, warnings) go nowhere.
  AOS.close();
  AOS.clear();
  AOS.open("/dev/null", std::ios::out);
  randomnumber = gsl_rng_alloc(&mtblock::kind);  // the run's own generator
  world();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gsl_rng_free(randomnumber);
  randomnumber = nullptr;
  return 0;
}
