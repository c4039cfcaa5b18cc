#ifndef TESSAREL_SUPPORT_GLOBALDEF_H
#define TESSAREL_SUPPORT_GLOBALDEF_H

#include <fstream>

#include <gsl/gsl_rng.h>

// The run log, opened on "tessarel.log" (truncated) before main starts.
extern std::ofstream AOS;

// The generator behind every draw; null until the run driver sets it.
extern gsl_rng* randomnumber;

// Uniform integer in [0, n - 1]; n must be at least 1.
int getint(const int& n);
// Uniform double in [0, 1).
double getfloat();
// Standard normal deviate.
double getnormal();
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
