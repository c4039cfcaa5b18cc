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

// Drops the text from the first "//" on, unless that "//" starts the text.
void cut_comment(my_string& text);
// '/' to blanks, keep what follows the first '*', brackets to blanks.
void prepare_prior_text(my_string& text);
// True when a draw from the prior is defined: a known distribution with all
// its parameters, and LOG_UNIFORM bounds above 0.
bool prior_usable(const TDistributionSettings* p);
// Reads one whitespace-delimited word of at most 99 characters; when no word
// can be read the token keeps its previous text and false is returned.
bool read_record_token(std::istream& in, char (&token)[TOKEN_SIZE]);

}  // namespace settings_detail

#endif
