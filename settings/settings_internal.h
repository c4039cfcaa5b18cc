#ifndef TESSAREL_SETTINGS_SETTINGS_INTERNAL_H
#define TESSAREL_SETTINGS_SETTINGS_INTERNAL_H

// Helpers shared by the readers of the settings; not for other subsystems.
#include <cstring>
#include <iomanip>
#include <istream>

#include "support/my_cstring.h"
#include "support/sampler.h"

namespace settings_detail {

// Room of a record token: 99 characters and the NUL.
const int TOKEN_SIZE = 100;

// Largest tables a run can build. A list whose count is above its limit (a
// typo, or a line shifted by a miscounted list) is not read at all and the
// run is refused (code 14), instead of reading on for ever after the input
// ran out and echoing millions of records of a run that cannot go on.
const int MAX_DEMES = 1000000;
const int MAX_GROUPS = 1000000;
const int MAX_ROUTES = 10000;
const int MAX_STRUCTURES = 10000;
// Largest initial allele table and sum of initial deme sizes (code 15).
const int MAX_ALLELES = 1000000;
const double MAX_TOTAL_N0 = 100000000.0;

// Number of records to read for a list of n records: none beyond the limit.
inline int records_to_read(int n, int limit) { return n > limit ? 0 : n; }

// Drops the text from the first "//" on, unless that "//" starts the text.
void cut_comment(my_string& text);
// '/' to blanks, keep what follows the first '*', brackets to blanks.
void prepare_prior_text(my_string& text);
// True when a draw from the prior is defined: a known distribution with all
// its parameters, LOG_UNIFORM bounds above 0, UNIFORM_DISCRETE bounds and
// BINOMIAL trials (not negative) inside the int range.
bool prior_usable(const TDistributionSettings* p);
// Reads one whitespace-delimited word of at most 99 characters; when no word
// can be read the token keeps its previous text and false is returned.
bool read_record_token(std::istream& in, char (&token)[TOKEN_SIZE]);

}  // namespace settings_detail

#endif
