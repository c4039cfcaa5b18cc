#ifndef TESSAREL_DRIVER_STRUCTURE_H
#define TESSAREL_DRIVER_STRUCTURE_H

#include <istream>
#include <vector>

#include "model/population.h"

class Tsettings;

// Applies every structure whose start generation is g (g > 0), in list order.
void changepopstructure(Tsettings* s, std::vector<Tpop*>* demes, const int& g);

// Reads one structure-change file and applies it to all demes; g is used
// for the log only. The second form names the file in error lines.
void change_settings_in_pops(std::istream& in, const int& g, std::vector<Tpop*>* demes,
                             Tsettings* s);
void change_settings_in_pops(std::istream& in, const int& g, std::vector<Tpop*>* demes,
                             Tsettings* s, const char* file_name);

#endif
