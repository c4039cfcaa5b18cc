#ifndef TESSAREL_STATS_TOOLKIT_IO_H
#define TESSAREL_STATS_TOOLKIT_IO_H

#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/my_cstring.h"

// Result-file names; numbers in plain decimal.
std::string create_output_file_name(const int& n);                            // tessarel_abc_<n>.txt
std::string create_freq_file_name(const int& n);                              // lactase_gen<n>.freq
std::string create_output_generation_file_name(const int& gen, const int& pop);  // generation<g>_Pop<p>.freq

// Mean and sample standard deviation (divisor n - 1) in single precision;
// 0 and 0 for an empty vector, sd 0 for a single entry.
void mean_and_stdE(std::vector<float>* v, float& mean, float& sd);

// As mean_and_stdE, plus the number of entries equal to 0 (lost) and to 1
// (fixed). An empty vector sets only the two counts.
void stat_whole_freq_vect(std::vector<float>* v, float& mean, float& sd, int& lost, int& fixed);

// Count, mean and sd of the entries above 0.
void positiveFreq_vector(std::vector<float>* v, int& npos, float& mean, float& sd);

// Appends the values of a frequency file (two heading lines, then one value
// per line) to v: NUM_SIMULATIONS of them, or, with a warning, as many as the
// file holds when it ends before.
void create_freq_vector(Tsettings* settings, my_string& file, std::vector<float>* v);

// create_freq_vector, then the summary of stat_whole_freq_vect over the
// whole of v; the outputs are left alone when v stays empty.
void find_fileANDcompute_stat(Tsettings* settings, std::vector<float>* v, my_string& file,
                              float& mean, float& sd, int& lost, int& fixed);

// Appends NUM_POP per-deme coefficients (two heading lines first) to v.
void create_latCoef_vector(Tsettings* settings, my_string& file, std::vector<float>* v);

// Sets file to "generations.txt" and appends the generations it lists to v.
// A count above 1000000 is refused with a warning and nothing is appended.
void create_intermediategenerations_vector(Tsettings* settings, my_string& file,
                                           std::vector<int>* v);

// Sets the settings' selection rate to base times coef[pop]; a pop outside
// the vector leaves the rate as it is. With flag 1 or 3, at the last
// generation, the new rate is logged.
void change_selRate(Tsettings* settings, std::vector<float>* coef, int& pop, const float& base,
                    int& gen, int& flag);

#endif
