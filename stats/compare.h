#ifndef TESSAREL_STATS_COMPARE_H
#define TESSAREL_STATS_COMPARE_H

#include <string>
#include <vector>

#include "settings/settings.h"

// Reads "CI_file": per deme a lower limit, an upper limit and a label,
// appended to the three vectors (left untouched when the file is missing or
// announces another number of demes than the settings hold).
void set_CI_limits(Tsettings* settings, std::vector<float>* lower, std::vector<float>* upper,
                   std::vector<std::string>* labels);

// Splits the values into those below [lower, upper], inside it and above it
// (a 0 never counts as below), appends the 1-based position of every value
// inside to `inside`, and summarises each part (count, mean, sample sd).
void ciFreq_vector(std::vector<float>* values, float& lower, float& upper,
                   std::vector<int>* inside, int& n_in, float& mean_in, float& sd_in,
                   int& n_below, float& mean_below, float& sd_below, int& n_above,
                   float& mean_above, float& sd_above);

// Compares the frequencies of deme `deme` (from 0) at generation 0 and at the
// last generation, read from their frequency files, with its interval, and
// appends the results to "lactase_stat" and "no_sim_compa.txt".
void computeANDwrite(Tsettings* settings, int& deme, float& lower, float& upper,
                     std::string& label);

#endif
