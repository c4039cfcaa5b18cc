#ifndef TESSAREL_SUPPORT_GLOBALDEF_H
#define TESSAREL_SUPPORT_GLOBALDEF_H

#include <fstream>

#include <gsl/gsl_rng.h>

#include "support/mt_block.h"

// The run log, opened on "tessarel.log" (truncated) before main starts.
extern std::ofstream AOS;

// The generator behind every draw; null until the run driver sets it.
extern gsl_rng* randomnumber;

// The type of every generator the run creates: the block MT19937, whose
// draws are those of gsl_rng_mt19937. Benchmarks put a counting type here.
extern gsl_rng_type const* run_generator_type;

// The GSL calls behind getint and getfloat, for any generator.
int getint_gsl(const int& n);
double getfloat_gsl();

// Uniform integer in [0, n - 1]; n must be at least 1. The same number as
// gsl_rng_uniform_int on randomnumber, inline when the run's own generator
// type is installed; n < 1 still goes to GSL, whose error handler decides.
inline int getint(const int& n) {
  gsl_rng const* r = randomnumber;
  if (r->type == &mtblock::kind && n > 0)
    return static_cast<int>(mtblock::uniform_int(mtblock::state_of(r), static_cast<std::uint32_t>(n)));
  return getint_gsl(n);
}

// Uniform double in [0, 1), as gsl_rng_uniform on randomnumber.
inline double getfloat() {
  gsl_rng const* r = randomnumber;
  if (r->type == &mtblock::kind) return mtblock::uniform(mtblock::state_of(r));
  return getfloat_gsl();
}
// Standard normal deviate.
double getnormal();
// Advances randomnumber exactly as getnormal() would, without forming the
// deviate: for a draw whose value is not needed (the run's own generator
// type walks GSL's polar rejection over the same words; any other type
// makes the draw).
void skip_normal();
// Binomial deviate with probability p and n trials.
int getbinomial(const float& p, const int& n);

// floor(x + 0.5) as an int. Kept in its own namespace: a global
// round(const float&) would silently capture float calls meant for the C
// library's round (and make calls with <math.h> or integer arguments
// ambiguous). Call it as globaldef::round.
namespace globaldef {
int round(const float& x);
}

// x truncated toward zero and clamped to the int range; NaN gives 0. Sizes,
// counts and input values pass through it wherever a double becomes an int,
// so that no conversion is ever undefined.
int trunc_to_int(double x);

#endif
