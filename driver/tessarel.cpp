#include "driver/tessarel.h"

#include <gsl/gsl_rng.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "driver/grid.h"
#include "driver/mutation_step.h"
#include "driver/structure.h"
#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

unsigned long renewal_seed(long fresh_seed, unsigned long old_output) {
  // The generator keeps the low 32 bits of its seed; mixing the old output
  // into exactly those bits keeps every distinct output a distinct seed.
  return static_cast<unsigned long>(fresh_seed) ^ (old_output & 0xffffffffUL);
}

namespace {

void reproduce(Tpop* deme, const int& model, std::ofstream* stream, std::vector<Tallele*>* alleles,
               Tsettings* s, std::vector<Tgeno*>* surplus) {
  if (deme->_freq_mode) {
    switch (model) {
      case 1: deme->newgeneration_asymoverfreq(stream, alleles, s); break;
      case 2: deme->newgeneration_rareallelefreq(stream, alleles, s); break;
      case 3: deme->newgeneration_dominancefreq(stream, alleles, s); break;
      default: deme->newgeneration_symoverfreq(stream, alleles, s); break;
    }
  } else {
    switch (model) {
      case 1: deme->newgeneration_asymoverind(stream, alleles, s, surplus); break;
      case 2: deme->newgeneration_rarealleleind(stream, alleles, s, surplus); break;
      case 3: deme->newgeneration_dominanceind(stream, alleles, s, surplus); break;
      default: deme->newgeneration_symoverind(stream, alleles, s, surplus); break;
    }
  }
}

// Memory the run needs before its first generation: the allele table, the
// demes with their per-allele arrays, and the initial individuals of one
// simulation (two lists per deme). Counted in double: the products of counts
// read from the input overflow any integer type.
double startup_bytes(const Tsettings& s) {
  const double heap = 16.0;  // bookkeeping of one heap block
  const double alleles = s._num_alleles > 0 ? s._num_alleles : 0;
  const double demes = s._num_pop > 0 ? s._num_pop : 0;
  double bytes = alleles * (sizeof(Tallele) + heap + sizeof(Tallele*));
  bytes += demes * (sizeof(Tpop) + heap + sizeof(Tpop*));
  bytes += demes * alleles * (3.0 * sizeof(float) + sizeof(int));
  double individuals = 0.0;
  for (double n0 : s._init_k_deme) {
    if (n0 >= 1.0) individuals += std::floor(std::min(n0, static_cast<double>(INT_MAX)));
  }
  bytes += 2.0 * individuals * (sizeof(Tgeno) + heap + sizeof(Tgeno*));
  return bytes;
}

// What this process may use: the machine's memory, or less when the
// process runs under an address-space limit. 0 when neither is known.
double memory_budget_bytes() {
  double budget = 0.0;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && page_size > 0) budget = static_cast<double>(pages) * static_cast<double>(page_size);
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const double cap = static_cast<double>(limit.rlim_cur);
    if (budget <= 0.0 || cap < budget) budget = cap;
  }
  return budget;
}

// The run's generators are all made here, of one type.
gsl_rng* new_generator(unsigned long seed) {
  gsl_rng* generator = gsl_rng_alloc(run_generator_type);
  gsl_rng_set(generator, seed);
  return generator;
}

void release_generator() {
  gsl_rng_free(randomnumber);
  randomnumber = nullptr;
}

const char* const kBatchName = "arlequin.arb";
const char* const kAbcName = "tessarel_abc.txt";

// What the run holds from start-up to its end.
struct Run {
  explicit Run(const SeedSource& seeds) : next_seed(seeds) {}
  const SeedSource& next_seed;
  OutputFailures failures;
  std::ofstream batch;
  std::ofstream abc;
  Tsettings settings;
  int frequency_threshold = 0;  // copies taken once at start-up
  int num_alleles = 0;
  int migration_threshold = 0;
  int per_pool = 0;  // alleles per ancestral pool of the current simulation
  std::vector<Tallele*> alleles;
  std::vector<Tpop*> demes;
  std::vector<Tgeno*> surplus;
  std::ofstream no_output;  // never opened: rows written to it are dropped
  std::ofstream frequency_file;
  // File names of the per-deme frequency files, made once rather than at
  // every deme's turn of every generation.
  std::vector<std::string> frequency_names;
};

// Refuses, before anything is built, a run whose start-up tables exceed the
// memory it may use: it would be killed part-way through building them,
// leaving nothing but a truncated log.
bool fits_in_memory(const Tsettings& s) {
  const double needed = startup_bytes(s);
  const double budget = memory_budget_bytes();
  if (!(budget > 0.0 && needed > budget)) return true;
  const double mb = 1024.0 * 1024.0;
  const double most = 9.0e18;
  AOS << "\n\tERROR: The alleles, demes and initial individuals need about "
      << static_cast<long long>(std::min(most, std::ceil(needed / mb))) << " MB of memory, more than the "
      << static_cast<long long>(std::min(most, std::floor(budget / mb))) << " MB this run may use!!!"
      << std::endl;
  return false;
}

// The allele table, the class-wide genotype values and the grid of demes.
void build_tables(Run& run) {
  Tsettings& s = run.settings;
  run.num_alleles = s._num_alleles;
  run.per_pool = s._num_alleles_per_pool;
  const long long threshold = 10LL * run.num_alleles;
  run.migration_threshold = threshold > INT_MAX ? INT_MAX : static_cast<int>(threshold);
  run.alleles.assign(static_cast<size_t>(run.num_alleles), nullptr);
  creates_alleles(&run.alleles, run.num_alleles);
  Tgeno::_init_num_allele = run.num_alleles;
  Tgeno::_init_num_allele_per_grp = run.per_pool;
  Tgeno::_pallelevect = &run.alleles;

  run.demes.assign(static_cast<size_t>(s._num_pop), nullptr);
  creates_pops(&run.demes, &s, run.num_alleles);
  set_unactivedemes(&run.demes, &s);
  set_neighbours(&run.demes, &s);
  set_kzero(&run.demes, &s);
}

// Start-up up to the first simulation; false when the run ends there.
bool start_up(Run& run) {
  AOS << "Starting program ...ok!" << std::endl;
  const long seed = run.next_seed();
  randomnumber = new_generator(static_cast<unsigned long>(seed));
  AOS << "Inialization of the random number with seed " << seed << std::endl;

  run.batch.open(kBatchName, std::ios::out | std::ios::trunc);
  run.failures.check(run.batch, kBatchName);
  std::ifstream parameters("tessarel_param.txt");
  AOS << "Reading parameters...";
  parameters >> run.settings;
  run.frequency_threshold = frequency_threshold_override.value_or(run.settings._size_frequency_mode);
  if (run.settings.check_parameters_validity() == 0 || !fits_in_memory(run.settings)) return false;

  if (run.settings._abc_mode) {
    run.abc.open(kAbcName, std::ios::out | std::ios::trunc);
    run.failures.check(run.abc, kAbcName);
    run.settings.WriteSampledParametersHeader(&run.abc, run.settings._all_pop_with_same_demo != 0 ? 1 : 0);
  }
  build_tables(run);
  if (run.settings._abc_mode) {
    write_abc_header_tail(&run.abc, &run.demes);
    run.failures.check(run.abc, kAbcName);
  }
  AOS << "\nBasic parameters read!\nStarting simulation...";
  return true;
}

// ABC mode: the simulation's parameter set, written to the table and pushed
// into the demes.
void draw_parameter_set(Run& run) {
  Tsettings& s = run.settings;
  s._abc_line = "";
  s.SampleABCParametersAndChangeSettings();
  if (run.abc.is_open()) {
    run.abc << s._abc_line;
    run.failures.check(run.abc, kAbcName);
  }
  // Drawn route rates reach the demes inside updatepopfromsettings.
  set_pool_allele_counts(&s, run.num_alleles);
  run.per_pool = Tgeno::_init_num_allele_per_grp;
  updatepopfromsettings(&run.demes, &s);
}

// Selection coefficients, fresh individuals and, with intermediate output,
// fresh frequency files for the simulation about to start.
void set_up_demes(Run& run) {
  Tsettings& s = run.settings;
  const size_t npop = run.demes.size();
  for (size_t i = 0; i < npop; ++i) run.demes[i]->set_selectioncoef(&s);
  set_kzero(&run.demes, &s);
  for (size_t i = 0; i < npop; ++i) {
    Tpop* deme = run.demes[i];
    deme->delete_ind_vector();
    int initial = 0;
    if (i < s._init_k_deme.size()) initial = std::max(0, trunc_to_int(s._init_k_deme[i]));
    const int pool = ancestral_pool(deme, &s, run.per_pool, run.num_alleles);
    deme->create_ind_vector(initial, pool, s._init_freq);
  }
  if (s._intermediate_output != 0) {
    create_pop_files(&run.demes, &s, &run.failures);
    if (run.frequency_names.size() != npop) {
      run.frequency_names.clear();
      for (size_t i = 0; i < npop; ++i) run.frequency_names.push_back(create_pop_file_name(static_cast<int>(i)));
    }
  }
}

// An active deme's turn in generation g: colonisation time, growth and
// reproduction, with its frequency row when intermediate output is on.
void deme_turn(Run& run, size_t i, int g, std::vector<int>& times) {
  Tsettings& s = run.settings;
  Tpop* deme = run.demes[i];
  if (deme->_sample_size > 0 && deme->_current != nullptr && !deme->_current->empty() && times[i] == 0) {
    times[i] = g;
  }
  const bool intermediate = s._intermediate_output != 0;
  std::ofstream* stream = &run.no_output;
  if (intermediate) {
    run.frequency_file.open(run.frequency_names[i].c_str(), std::ios::out | std::ios::app);
    run.frequency_file << g << ":\t";
    stream = &run.frequency_file;
  }
  run.surplus.clear();
  deme->logistic_growth(&run.surplus);
  reproduce(deme, s._selection_model, stream, &run.alleles, &s, &run.surplus);
  deme->delete_sup_ind(&run.surplus);
  if (intermediate) {
    run.failures.check(run.frequency_file, run.frequency_names[i]);
    run.frequency_file.close();
    run.frequency_file.clear();
  }
}

// First migration pass for one deme: its emigrants go into the receivers'
// buffers.
void send_emigrants(Run& run, Tpop* deme) {
  int e[4] = {0, 0, 0, 0};
  deme->count_emigrants(e[0], e[1], e[2], e[3], run.settings._num_modified_mig > 0);
  for (int k = 0; k < 4; ++k) {
    if (e[k] <= 0) continue;
    const int j = deme->_nbr[k];
    if (j < 0 || static_cast<size_t>(j) >= run.demes.size()) continue;
    if (deme->_freq_mode) {
      deme->migratefreq(e[k], run.demes[j], run.migration_threshold);
    } else {
      deme->migrateind(e[k], run.demes[j]);
    }
  }
}

void run_generation(Run& run, int g, std::vector<int>& times) {
  Tsettings& s = run.settings;
  renew_generator(run.next_seed);
  changepopstructure(&s, &run.demes, g);
  if (s._mutation_rate > 0.0f && g > 0) Add_mutation(&run.demes, &run.alleles, &s);
  // The mutations read the previous generation's counts; a simulation's first
  // generation clears what the one before left.
  for (size_t a = 0; a < run.alleles.size(); ++a) run.alleles[a]->_count = 0.0;
  const bool migration = s._num_pop - s._num_unactive_deme > 1;

  for (size_t i = 0; i < run.demes.size(); ++i) {
    if (!run.demes[i]->_inactive) deme_turn(run, i, g, times);
    if (migration) send_emigrants(run, run.demes[i]);
  }
  for (size_t i = 0; i < run.demes.size(); ++i) {
    Tpop* deme = run.demes[i];
    if (migration) deme->Update_migrations();
    deme->Update_ind_lists();
    switch_mode(deme, i, run.frequency_threshold, g, run.alleles.size());
  }
}

void end_simulation(Run& run, int sim, std::ofstream& project, const std::string& project_name,
                    std::vector<int>& times) {
  Tsettings& s = run.settings;
  if (s._intermediate_output != 0) write_final_frequency_lines(&run.demes, &run.alleles, &s, &run.failures);
  write_project_file(&project, &run.demes, &run.alleles, &s, sim, &times);
  run.failures.check(project, project_name);
  project.close();
  if (s._abc_mode && run.abc.is_open()) {
    write_abc_row_end(&run.abc, times, &run.demes);
    run.failures.check(run.abc, kAbcName);
  }
  reset_settings_in_pops(&run.demes, &s);
}

void run_simulation(Run& run, int sim) {
  const std::string project_name = create_project_file_name(sim);
  std::ofstream project(project_name.c_str(), std::ios::out | std::ios::trunc);
  run.batch << project_name << std::endl;
  AOS << "\n*************\nSIMULATION " << sim << std::endl;
  // Checked only now: before the simulation's line the log stands in the
  // middle of a line, and a failure must be a line of its own.
  run.failures.check(project, project_name);
  run.failures.check(run.batch, kBatchName);

  if (run.settings._abc_mode) draw_parameter_set(run);
  set_up_demes(run);
  std::vector<int> times(run.demes.size(), 0);
  // The bound is read afresh at every generation: an ABC draw may change it.
  for (int g = 0; g < run.settings._num_generations; ++g) run_generation(run, g, times);
  end_simulation(run, sim, project, project_name, times);
}

void end_run(Run& run) {
  delete_pops_and_inds(&run.demes);
  run.demes.clear();
  delete_alleles(&run.alleles);
  Tgeno::_pallelevect = nullptr;
  release_generator();
  AOS << "Ending program...";
  run.abc.close();
  run.batch.close();
  AOS << "ok!" << std::endl;
}

}  // namespace

std::optional<int> frequency_threshold_override;

void renew_generator(const SeedSource& next_seed) {
  const long fresh = next_seed();
  unsigned long old_output = 0;
  if (randomnumber != nullptr) {
    old_output = gsl_rng_get(randomnumber);
    gsl_rng_free(randomnumber);
  }
  randomnumber = new_generator(renewal_seed(fresh, old_output));
}

void switch_mode(Tpop* deme, size_t index, int threshold, int g, size_t table_alleles) {
  const int size = trunc_to_int(deme->_size);
  if (threshold < size && !deme->_freq_ready) {
    deme->_freq_mode = true;
    // Its arrays missed the alleles added while it kept individuals.
    deme->growfreqarrays(table_alleles);
    AOS << "Pop [" << (index + 1) << "] enters frequency mode at generation " << g << "!" << std::endl;
  }
  if (deme->_freq_mode && threshold > size) {
    deme->_freq_mode = false;
    deme->_back_to_ind = true;
    AOS << "Pop [" << (index + 1) << "] enters individual mode at generation " << g << "!" << std::endl;
  }
}

int run_tessarel(const SeedSource& next_seed) {
  Run run(next_seed);
  if (!start_up(run)) {
    release_generator();
    return 0;
  }
  // The bound is read afresh at every simulation (an ABC draw may change it);
  // the count stops at INT_MAX rather than overflowing.
  for (int sim = 1; sim <= run.settings._num_simulations && sim > 0; sim = sim < INT_MAX ? sim + 1 : -1) {
    run_simulation(run, sim);
  }
  end_run(run);
  return 0;
}
