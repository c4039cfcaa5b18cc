#ifndef TESSAREL_STATS_DIVERSITY_H
#define TESSAREL_STATS_DIVERSITY_H

#include <fstream>
#include <vector>

#include "model/population.h"
#include "settings/settings.h"

// Header line matching compute_whole_stats: per active deme "k_na", "k_obsHe",
// "k_Genediv"; the totals; then, when more than one deme is active, the AMOVA
// columns and one "Fst_i_j" per pair of active demes. TAB-separated, ended by
// a newline and a flush.
void write_legend(std::ofstream* out, std::vector<Tpop*>* pops, Tsettings* settings);

// Counts the current individuals of every active deme and writes one line of
// diversity statistics (number of alleles, observed heterozygosity, gene
// diversity per deme and in total), the AMOVA F-statistics over the active
// demes (one Fst without groups; Fst, Fct, Fsc with groups) and every pairwise
// Fst. num_alleles is the size of the allele table. Warnings go to AOS.
// Neither the demes nor the settings are changed.
void compute_whole_stats(std::vector<Tpop*>* pops, std::ofstream* out, Tsettings* settings,
                         const int& num_alleles);

#endif
