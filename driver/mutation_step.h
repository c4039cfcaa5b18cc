#ifndef TESSAREL_DRIVER_MUTATION_STEP_H
#define TESSAREL_DRIVER_MUTATION_STEP_H

#include <vector>

#include "model/alelle.h"
#include "model/population.h"

class Tsettings;

// Brings the mutations of one generation into every deme, appending new
// alleles to the table; the demes that read their per-allele arrays
// (reads_allele_arrays) leave it with one slot per allele of the table.
void Add_mutation(std::vector<Tpop*>* demes, std::vector<Tallele*>* alleles, Tsettings* s);

#endif
