#ifndef TESSAREL_DRIVER_GRID_H
#define TESSAREL_DRIVER_GRID_H

#include <fstream>
#include <vector>

#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"

class Tsettings;

// ---- allele table ----

// Fills entries 0 .. n-1 of an already sized table with fresh alleles.
void creates_alleles(std::vector<Tallele*>* alleles, const int& n);
// Deletes every allele of the table; the entries stay (dangling).
void delete_alleles(std::vector<Tallele*>* alleles);

// ---- deme table and grid ----

// Builds deme i of an already sized table from the settings, with nalleles
// slots in each of its per-allele arrays.
void creates_pops(std::vector<Tpop*>* demes, Tsettings* s, const int& nalleles);
// Flags the demes whose per-deme carrying capacity is exactly -1.
void set_unactivedemes(std::vector<Tpop*>* demes, Tsettings* s);
// Grid position, links to the four neighbours and route factors; logs the
// modified routes.
void set_neighbours(std::vector<Tpop*>* demes, Tsettings* s);
// Factor of the first route from -> to, or -1 when there is none.
float check_if_migrationismodified(const int& from, const int& to, std::vector<int>* froms,
                                   std::vector<int>* tos, std::vector<float>* factors);
// Flags linked, active neighbours whose carrying capacity is below 1.
void set_kzero(std::vector<Tpop*>* demes, Tsettings* s);
// Puts every deme back to the demography of the settings.
void reset_settings_in_pops(std::vector<Tpop*>* demes, Tsettings* s);
// ABC mode: pushes the values just drawn (N0, K, r, m and the route rates)
// into the demes and logs them.
void updatepopfromsettings(std::vector<Tpop*>* demes, Tsettings* s);
// Deletes every deme together with its individuals.
void delete_pops_and_inds(std::vector<Tpop*>* demes);

// Where a deme's genetic state lives: in its frequencies while _freq_ready
// holds (frequency mode, and a deme just back from it whose individuals are
// rebuilt only in its next reproduction), else in its current list (individual
// mode, and a deme that has just entered frequency mode and builds its
// frequencies from that list in its next reproduction).
inline bool state_in_frequencies(const Tpop* deme) { return deme->_freq_ready; }

// Whether a deme reads its per-allele arrays: only in frequency mode or while
// its state lives in its frequencies. These demes keep one slot per allele of
// the table; the others are brought to that length when they enter frequency
// mode.
inline bool reads_allele_arrays(const Tpop* deme) { return deme->_freq_mode || deme->_freq_ready; }

// ---- helpers of the same family that the run itself does not call ----

void creates_inds(std::vector<Tpop*>* demes, Tsettings* s);
int check_if_unactive(const int& i, std::vector<int>* list);
int check_if_migrationisallowed(const int& from, const int& to, std::vector<int>* froms,
                                std::vector<int>* tos);
void setallmodifiedmigrvaluestothefirstone(Tsettings* s);
void updatemodifiedmigrvalues(std::vector<Tpop*>* demes, Tsettings* s);
// Draws one parameter set, writes its values to the stream and refreshes
// the class-wide allele pool counts; the genotype is not used.
void drawABCsettings(Tsettings* s, std::ofstream* out, Tgeno* unused);

// ---- values pushed after each ABC draw ----

// Route factors of every existing neighbour slot taken again from the
// settings' routes (first route of a pair decides), without logging and
// without touching the links. updatepopfromsettings calls it.
void apply_route_rates(std::vector<Tpop*>* demes, Tsettings* s);

// Ancestral pool of a deme's initial individuals: group - 1 with one pool per
// group, else 0; wrapped round when the first table_alleles entries hold fewer
// blocks of per_pool alleles than there are groups (a drawn ONE_POOL), so that
// no pool reaches past them.
int ancestral_pool(const Tpop* deme, const Tsettings* s, const int& per_pool, const int& table_alleles);

// Number of initial alleles per ancestral pool for the simulation about to
// start: the drawn NUM_ALLELES when it carries a prior, else the start-up
// per-pool count; never below 1 and, where the table allows it, never so
// large that a pool's block reaches past the first table_alleles entries.
int abc_alleles_per_pool(const Tsettings* s, const int& table_alleles);
// Sets Tgeno::_init_num_allele_per_grp from abc_alleles_per_pool and
// Tgeno::_init_num_allele to pools x that count.
void set_pool_allele_counts(const Tsettings* s, const int& table_alleles);

#endif
