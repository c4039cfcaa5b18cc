#ifndef TESSAREL_SETTINGS_VALUE_SYNTAX_H
#define TESSAREL_SETTINGS_VALUE_SYNTAX_H

// The value syntax shared by every reader of the input files: the record
// tokens, and the prior texts with their parsing. The comment cut lives with
// the text class (cut_comment).
#include <istream>

#include "support/my_cstring.h"
#include "support/sampler.h"

// Room of a record token: 99 characters and the NUL.
const int RECORD_TOKEN_SIZE = 100;

// Reads one whitespace-delimited word of at most 99 characters; when no word
// can be read the token keeps its previous text and false is returned.
bool read_record_token(std::istream& in, char (&token)[RECORD_TOKEN_SIZE]);

// '/' to blanks, keep what follows the first '*', brackets to blanks.
void prepare_prior_text(my_string& text);

// Parses a prepared prior text (distribution name, then its parameters) into
// `prior`, which should be fresh; `value` receives the largest parameter, or
// 0. Returns 1 when a draw from the prior is defined (see prior_usable), else 0.
int parse_prior_text(my_string& text, TDistributionSettings* prior, float& value);

// True when a draw from the prior is defined: a known distribution with all
// its parameters, LOG_UNIFORM bounds above 0, UNIFORM_DISCRETE bounds and
// BINOMIAL trials (not negative) inside the int range.
bool prior_usable(const TDistributionSettings* p);

#endif
