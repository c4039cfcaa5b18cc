#include "support/globaldef.h"

#include <climits>
#include <cmath>

#include <gsl/gsl_randist.h>

std::ofstream AOS("tessarel.log", std::ios::out | std::ios::trunc);

gsl_rng* randomnumber = nullptr;

gsl_rng_type const* run_generator_type = &mtblock::kind;

int getint_gsl(const int& n) {
  // Sign-extended on purpose: GSL's own error handler deals with n < 1.
  return static_cast<int>(gsl_rng_uniform_int(randomnumber, static_cast<unsigned long>(static_cast<long>(n))));
}

double getfloat_gsl() { return gsl_rng_uniform(randomnumber); }

double getnormal() { return gsl_ran_gaussian(randomnumber, 1.0); }

int getbinomial(const float& p, const int& n) {
  return static_cast<int>(gsl_ran_binomial(randomnumber, static_cast<double>(p), static_cast<unsigned int>(n)));
}

int trunc_to_int(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(x);
}

namespace globaldef {
int round(const float& x) { return static_cast<int>(std::floor(static_cast<double>(x) + 0.5)); }
}  // namespace globaldef
