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

}  // namespace

void renew_generator(const SeedSource& next_seed) {
  const long fresh = next_seed();
  unsigned long old_output = 0;
  if (randomnumber != nullptr) {
    old_output = gsl_rng_get(randomnumber);
    gsl_rng_free(randomnumber);
  }
  randomnumber = gsl_rng_alloc(run_generator_type);
  gsl_rng_set(randomnumber, renewal_seed(fresh, old_output));
}

int run_tessarel(const SeedSource& next_seed) {
  AOS << "Starting program ...ok!" << std::endl;
  const long seed = next_seed();
  randomnumber = gsl_rng_alloc(run_generator_type);
  gsl_rng_set(randomnumber, seed);
  AOS << "Inialization of the random number with seed " << seed << std::endl;

  OutputFailures failures;
  const std::string batch_name = "arlequin.arb";
  std::ofstream batch(batch_name.c_str(), std::ios::out | std::ios::trunc);
  failures.check(batch, batch_name);

  std::ifstream parameters("tessarel_param.txt");
  AOS << "Reading parameters...";
  Tsettings settings;
  parameters >> settings;
  const int frequency_threshold = settings._size_frequency_mode;

  if (settings.check_parameters_validity() == 0) {
    gsl_rng_free(randomnumber);
    randomnumber = nullptr;
    return 0;
  }
  const double needed = startup_bytes(settings);
  const double budget = memory_budget_bytes();
  if (budget > 0.0 && needed > budget) {
    // Refused before anything is built: the run would be killed part-way
    // through building its tables, leaving nothing but a truncated log.
    const double mb = 1024.0 * 1024.0;
    const double most = 9.0e18;
    AOS << "\n\tERROR: The alleles, demes and initial individuals need about "
        << static_cast<long long>(std::min(most, std::ceil(needed / mb))) << " MB of memory, more than the "
        << static_cast<long long>(std::min(most, std::floor(budget / mb))) << " MB this run may use!!!"
        << std::endl;
    gsl_rng_free(randomnumber);
    randomnumber = nullptr;
    return 0;
  }

  const std::string abc_name = "tessarel_abc.txt";
  std::ofstream abc;
  if (settings._abc_mode) {
    abc.open(abc_name.c_str(), std::ios::out | std::ios::trunc);
    failures.check(abc, abc_name);
    settings.WriteSampledParametersHeader(&abc, settings._all_pop_with_same_demo != 0 ? 1 : 0);
  }

  const int num_alleles = settings._num_alleles;
  const int startup_per_pool = settings._num_alleles_per_pool;
  const long long threshold = 10LL * num_alleles;
  const int migration_threshold = threshold > INT_MAX ? INT_MAX : static_cast<int>(threshold);
  std::vector<Tallele*> alleles(static_cast<size_t>(num_alleles), nullptr);
  creates_alleles(&alleles, num_alleles);
  Tgeno::_init_num_allele = num_alleles;
  Tgeno::_init_num_allele_per_grp = startup_per_pool;
  Tgeno::_pallelevect = &alleles;
  int per_pool = startup_per_pool;

  const size_t npop = static_cast<size_t>(settings._num_pop);
  std::vector<Tpop*> demes(npop, nullptr);
  creates_pops(&demes, &settings, num_alleles);
  set_unactivedemes(&demes, &settings);
  set_neighbours(&demes, &settings);
  set_kzero(&demes, &settings);

  if (settings._abc_mode) {
    write_abc_header_tail(&abc, &demes);
    failures.check(abc, abc_name);
  }
  AOS << "\nBasic parameters read!\nStarting simulation...";

  std::vector<Tgeno*> surplus;
  std::vector<int> times;
  std::ofstream no_output;  // never opened: rows written to it are dropped
  std::ofstream frequency_file;
  // File names of the per-deme frequency files, made once rather than at
  // every deme's turn of every generation.
  std::vector<std::string> frequency_names;

  // The bound is read afresh at every simulation (an ABC draw may change it);
  // the count stops at INT_MAX rather than overflowing.
  for (int sim = 1; sim <= settings._num_simulations && sim > 0; sim = sim < INT_MAX ? sim + 1 : -1) {
    const std::string project_name = create_project_file_name(sim);
    std::ofstream project(project_name.c_str(), std::ios::out | std::ios::trunc);
    batch << project_name << std::endl;
    AOS << "\n*************\nSIMULATION " << sim << std::endl;
    // Checked only now: before the simulation's line the log stands in the
    // middle of a line, and a failure must be a line of its own.
    failures.check(project, project_name);
    failures.check(batch, batch_name);

    if (settings._abc_mode) {
      settings._abc_line = "";
      settings.SampleABCParametersAndChangeSettings();
      if (abc.is_open()) {
        abc << settings._abc_line;
        failures.check(abc, abc_name);
      }
      // Drawn route rates reach the demes inside updatepopfromsettings.
      set_pool_allele_counts(&settings, num_alleles);
      per_pool = Tgeno::_init_num_allele_per_grp;
      updatepopfromsettings(&demes, &settings);
    }

    for (size_t i = 0; i < npop; ++i) demes[i]->set_selectioncoef(&settings);
    for (size_t a = 0; a < alleles.size(); ++a) alleles[a]->_count = 0.0;
    set_kzero(&demes, &settings);
    for (size_t i = 0; i < npop; ++i) {
      Tpop* deme = demes[i];
      deme->delete_ind_vector();
      int initial = 0;
      if (i < settings._init_k_deme.size()) initial = std::max(0, trunc_to_int(settings._init_k_deme[i]));
      const int pool = ancestral_pool(deme, &settings, per_pool, num_alleles);
      deme->create_ind_vector(initial, pool, settings._init_freq);
    }
    const bool intermediate = settings._intermediate_output != 0;
    if (intermediate) {
      create_pop_files(&demes, &settings, &failures);
      if (frequency_names.size() != npop) {
        frequency_names.clear();
        for (size_t i = 0; i < npop; ++i) frequency_names.push_back(create_pop_file_name(static_cast<int>(i)));
      }
    }
    times.assign(npop, 0);

    for (int g = 0; g < settings._num_generations; ++g) {
      renew_generator(next_seed);
      changepopstructure(&settings, &demes, g);
      if (settings._mutation_rate > 0.0f && g > 0) Add_mutation(&demes, &alleles, &settings);
      for (size_t a = 0; a < alleles.size(); ++a) alleles[a]->_count = 0.0;
      for (size_t i = 0; i < npop; ++i) {
        std::fill(demes[i]->_imm_alleles.begin(), demes[i]->_imm_alleles.end(), 0);
      }
      const bool migration = settings._num_pop - settings._num_unactive_deme > 1;
      const bool routes = settings._num_modified_mig > 0;
      const int model = settings._selection_model;

      for (size_t i = 0; i < npop; ++i) {
        Tpop* deme = demes[i];
        if (!deme->_inactive) {
          if (deme->_sample_size > 0 && deme->_current != nullptr && !deme->_current->empty() &&
              times[i] == 0) {
            times[i] = g;
          }
          std::ofstream* stream = &no_output;
          if (intermediate) {
            frequency_file.open(frequency_names[i].c_str(), std::ios::out | std::ios::app);
            frequency_file << g << ":\t";
            stream = &frequency_file;
          }
          surplus.clear();
          deme->logistic_growth(&surplus);
          reproduce(deme, model, stream, &alleles, &settings, &surplus);
          deme->delete_sup_ind(&surplus);
          if (intermediate) {
            failures.check(frequency_file, frequency_names[i]);
            frequency_file.close();
            frequency_file.clear();
          }
        }
        if (migration) {
          int e[4] = {0, 0, 0, 0};
          deme->count_emigrants(e[0], e[1], e[2], e[3], routes);
          for (int k = 0; k < 4; ++k) {
            if (e[k] <= 0) continue;
            const int j = deme->_nbr[k];
            if (j < 0 || static_cast<size_t>(j) >= npop) continue;
            if (deme->_freq_mode) {
              deme->migratefreq(e[k], demes[j], migration_threshold);
            } else {
              deme->migrateind(e[k], demes[j]);
            }
          }
        }
      }

      for (size_t i = 0; i < npop; ++i) {
        Tpop* deme = demes[i];
        if (migration) deme->Update_migrations();
        deme->Update_ind_lists();
        const int size = trunc_to_int(deme->_size);
        if (frequency_threshold < size && !deme->_freq_ready) {
          deme->_freq_mode = true;
          AOS << "Pop [" << (i + 1) << "] enters frequency mode at generation " << g << "!" << std::endl;
        }
        if (deme->_freq_mode && frequency_threshold > size) {
          deme->_freq_mode = false;
          deme->_back_to_ind = true;
          AOS << "Pop [" << (i + 1) << "] enters individual mode at generation " << g << "!" << std::endl;
        }
      }
    }

    if (intermediate) write_final_frequency_lines(&demes, &alleles, &settings, &failures);
    write_project_file(&project, &demes, &alleles, &settings, sim, &times);
    failures.check(project, project_name);
    project.close();
    if (settings._abc_mode && abc.is_open()) {
      write_abc_row_end(&abc, times, &demes);
      failures.check(abc, abc_name);
    }
    reset_settings_in_pops(&demes, &settings);
  }

  delete_pops_and_inds(&demes);
  demes.clear();
  delete_alleles(&alleles);
  Tgeno::_pallelevect = nullptr;
  gsl_rng_free(randomnumber);
  randomnumber = nullptr;
  AOS << "Ending program...";
  abc.close();
  batch.close();
  AOS << "ok!" << std::endl;
  return 0;
}
