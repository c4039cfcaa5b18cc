#ifndef TESSAREL_DRIVER_TESSAREL_H
#define TESSAREL_DRIVER_TESSAREL_H

#include <cstddef>
#include <functional>
#include <optional>

#include "driver/results.h"

class Tpop;

// Gives the seed of each new generator: the clock in the shipped program,
// a fixed sequence in the tests.
typedef std::function<long()> SeedSource;

// The frequency-mode threshold of every run of the process when set, in place
// of the fixed one of the settings. The shipped program never sets it. The
// whole-run fuzz target does: its runs stay small to stay fast, and would
// otherwise never reach frequency mode.
extern std::optional<int> frequency_threshold_override;

// The whole run: reads the input files of the working directory, runs every
// simulation, writes the result files and the log. Always returns 0.
int run_tessarel(const SeedSource& next_seed);

// Seed of the generator that replaces the current one at the start of a
// generation: the fresh seed mixed with one 32-bit output of the generator
// being replaced, so that two generations handed the same fresh seed (two
// clock readings within the same microsecond field) still draw differently.
unsigned long renewal_seed(long fresh_seed, unsigned long old_output);

// Replaces the run's generator by a new one seeded with renewal_seed (the
// first generator of a run has nothing to mix in and takes the fresh seed).
void renew_generator(const SeedSource& next_seed);

// Mode switch of deme `index` at the end of generation g: into frequency mode
// above the threshold (its per-allele arrays then get one slot per allele of
// the table), back to individuals below it; each switch is logged.
void switch_mode(Tpop* deme, std::size_t index, int threshold, int g, std::size_t table_alleles);

#endif
