// Report of the error codes collected while reading.
#include <ostream>

#include "settings/settings.h"
#include "support/globaldef.h"

int Tsettings::check_parameters_validity() {
  if (_errors.empty()) return 1;
  for (int code : _errors) {
    AOS << std::endl;
    switch (code) {
      case 1: AOS << "\tERROR: at least one of the removed migration is wrong!"; break;
      case 2: AOS << "\tERROR: Selection model " << _selection_model << " does not exist!!!"; break;
      case 3: AOS << "\tERROR: Details are not given for all " << _num_pop << " populations!"; break;
      case 5: AOS << "\tERROR: At least one population group index is wrong, check it !!!"; break;
      case 6:
        AOS << "\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!";
        break;
      case 7: AOS << "\tERROR: At least one population structure must be define!!!"; break;
      case 8: AOS << "\tERROR: Initial population structure must start at generation 0!!!"; break;
      case 9: AOS << "\tERROR: Initial frequency for allele 1 must be between 0 and 1!!!"; break;
      case 11:
        AOS << "\tERROR: At least one prior cannot be used: unknown distribution, missing "
               "parameters, LOG_UNIFORM bound not above 0, or no prior slot left!";
        break;
      case 12: AOS << "\tERROR: At least one initial allele per ancestral pool is needed!"; break;
      case 13: AOS << "\tERROR: The virtual area needs at least one deme in each direction!"; break;
      case 14:
        AOS << "\tERROR: Too many demes, groups, routes or structures: at most 1000000 demes and "
               "groups and 10000 routes and structures!";
        break;
      case 15:
        AOS << "\tERROR: The initial allele count or the initial deme sizes are too large for this "
               "machine!";
        break;
      case 16:
        AOS << "\tERROR: At least one group used by a deme has a wrong demography: K must be at "
               "least -1, r and m between 0 and 1!";
        break;
      default:
        AOS << "\tERROR: An undetermined error occured, please check your parameter file!";
        break;
    }
    AOS << std::endl;
  }
  return 0;
}
