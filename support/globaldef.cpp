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

void skip_normal() {
  if (randomnumber->type != &mtblock::kind) {
    getnormal();
    return;
  }
  // gsl_ran_gaussian draws points of the square (-1, 1)^2, each coordinate
  // from a uniform redrawn while it is 0, until one falls inside the unit
  // circle but not on its centre; only then does it take a logarithm.
  mtblock::State* s = mtblock::state_of(randomnumber);
  auto uniform_pos = [s]() {
    double u;
    do u = mtblock::uniform(s);
    while (u == 0.0);
    return u;
  };
  for (;;) {
    double const x = -1 + 2 * uniform_pos();
    double const y = -1 + 2 * uniform_pos();
    double const r2 = x * x + y * y;
    if (!(r2 > 1.0 || r2 == 0)) return;
  }
}

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
