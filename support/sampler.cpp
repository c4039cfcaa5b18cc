#include "support/sampler.h"

#include <cmath>
#include <cstring>

#include "support/globaldef.h"

namespace {

const double PI_APPROX = 3.141592654;

// Number of parameters each distribution reads; 0 for an unknown id.
size_t params_needed(DISTRIBUTIONS id) {
  switch (id) {
    case UNIFORM:
    case LOG_UNIFORM:
    case UNIFORM_DISCRETE:
    case BINOMIAL:
      return 2;
    case POISSON:
      return 1;
    default:
      return 0;
  }
}

// True when x truncated toward zero fits an int with room for one more.
bool fits_int(float x) { return x > -2147483520.0f && x < 2147483520.0f; }

int trunc_to_int(float x) { return static_cast<int>(x); }

}  // namespace

DISTRIBUTIONS TDistributionSettings::translateDistributionEnum(const char* keyword) {
  if (keyword == nullptr) return NO_DISTRIBUTION;
  if (std::strcmp(keyword, "UNIFORM") == 0) return UNIFORM;
  if (std::strcmp(keyword, "LOG_UNIFORM") == 0) return LOG_UNIFORM;
  if (std::strcmp(keyword, "UNIFORM_DISCRETE") == 0) return UNIFORM_DISCRETE;
  if (std::strcmp(keyword, "POISSON") == 0) return POISSON;
  if (std::strcmp(keyword, "BINOMIAL") == 0) return BINOMIAL;
  return NO_DISTRIBUTION;
}

int TDistributionSettings::addDistributionID(DISTRIBUTIONS id) {
  _distribution = id;
  switch (id) {
    case UNIFORM:
    case LOG_UNIFORM:
    case UNIFORM_DISCRETE:
    case BINOMIAL:
      _num_params = 2;
      return 1;
    case POISSON:
      _num_params = 1;
      return 1;
    default:
      return 0;
  }
}

float TSampler::Sample(TDistributionSettings* p) {
  if (p == nullptr) return SAMPLER_NO_VALUE;
  return draw(p->_distribution, p->_params);
}

float TSampler::Sample(TDistributionSettings& p) { return draw(p._distribution, p._params); }

float TSampler::Sample(DISTRIBUTIONS id, std::vector<float> params) { return draw(id, params); }

float TSampler::draw(DISTRIBUTIONS id, const std::vector<float>& params) {
  const size_t needed = params_needed(id);
  // An unknown distribution, or a prior missing parameters, gets the
  // no-value marker without touching the generator.
  if (needed == 0 || params.size() < needed) return SAMPLER_NO_VALUE;
  for (size_t i = 0; i < needed; ++i)
    if (!std::isfinite(params[i])) return SAMPLER_NO_VALUE;
  const float p0 = params[0];
  const float p1 = needed > 1 ? params[1] : 0.0f;
  switch (id) {
    case UNIFORM:
      return uniformDistribution(p0, p1);
    case LOG_UNIFORM:
      return logDistribution(p0, p1);
    case UNIFORM_DISCRETE: {
      if (!fits_int(p0) || !fits_int(p1)) return SAMPLER_NO_VALUE;
      const float lo = static_cast<float>(trunc_to_int(p0));
      const float hi = static_cast<float>(trunc_to_int(p1) + 1);
      const float u = static_cast<float>(getfloat());
      const float r = (hi - lo) * u + lo;
      return static_cast<float>(trunc_to_int(r));
    }
    case POISSON:
      return poidev(p0);
    case BINOMIAL:
      // A negative number of trials has no count to draw.
      if (!fits_int(p1) || trunc_to_int(p1) < 0) return SAMPLER_NO_VALUE;
      return bnldev(p0, trunc_to_int(p1));
    default:
      return SAMPLER_NO_VALUE;
  }
}

float TSampler::uniformDistribution(const float& min, const float& max) {
  const float u = static_cast<float>(getfloat());
  const float span = max - min;
  // Bounds near the ends of the float range overflow the span (and a zero
  // uniform would then give inf * 0 = NaN); only then is the span taken in
  // double, which stays between the bounds.
  if (!std::isfinite(span))
    return static_cast<float>((static_cast<double>(max) - static_cast<double>(min)) * u +
                              static_cast<double>(min));
  return span * u + min;
}

float TSampler::logDistribution(const float& min, const float& max) {
  // The logarithm of a bound of 0 or less does not exist.
  if (!(min > 0.0f) || !(max > 0.0f)) return SAMPLER_NO_VALUE;
  const double u = getfloat();
  const double lmin = std::log10(static_cast<double>(min));
  const double lmax = std::log10(static_cast<double>(max));
  const float e = static_cast<float>(lmin + u * (lmax - lmin));
  return static_cast<float>(std::pow(10.0, static_cast<double>(e)));
}

int TSampler::uniformDiscreteDistribution(const int& min, const int& max) {
  const float lo = static_cast<float>(min);
  const float hi = static_cast<float>(static_cast<long long>(max) + 1);
  const float u = static_cast<float>(getfloat());
  const float r = (hi - lo) * u + lo;
  if (!(r < 2147483520.0f)) return max;
  if (!(r > -2147483520.0f)) return min;
  return static_cast<int>(r);
}

float TSampler::gammln(float xx) {
  static const double cof[6] = {76.18009172947146,     -86.50532032941677,
                                24.01409824083091,     -1.231739572450155,
                                0.1208650973866179e-2, -0.5395239384953e-5};
  double x, y, tmp, ser;
  y = x = xx;
  tmp = x + 5.5;
  tmp -= (x + 0.5) * std::log(tmp);
  ser = 1.000000000190015;
  for (double c : cof) ser += c / ++y;
  return static_cast<float>(-tmp + std::log(2.5066282746310005 * ser / x));
}

float TSampler::poidev(float xm) {
  static float sq, alxm, g, oldm = (-1.0f);
  float em, t, y;

  if (xm < 12.0f) {
    if (xm != oldm) {
      oldm = xm;
      g = std::exp(-xm);
    }
    em = -1;
    t = 1.0f;
    do {
      ++em;
      t = static_cast<float>(t * getfloat());
    } while (t > g);
  } else {
    if (xm != oldm) {
      oldm = xm;
      sq = static_cast<float>(std::sqrt(2.0 * xm));
      alxm = std::log(xm);
      g = xm * alxm - gammln(static_cast<float>(xm + 1.0));
    }
    do {
      do {
        y = static_cast<float>(std::tan(PI_APPROX * getfloat()));
        em = sq * y + xm;
      } while (em < 0.0f);
      em = std::floor(em);
      t = static_cast<float>(0.9 * (1.0 + y * y) *
                             std::exp(em * alxm - gammln(static_cast<float>(em + 1.0)) - g));
    } while (getfloat() > t);
  }
  return em;
}

float TSampler::bnldev(float pp, int n) {
  static int nold = (-1);
  static float pold = (-1.0f), pc, plog, pclog, en, oldg;
  float am, em, g, angle, p, bnl, sq, t, y;
  int j;

  p = static_cast<float>(pp <= 0.5f ? static_cast<double>(pp) : 1.0 - pp);
  am = n * p;
  if (n < 25) {
    bnl = 0.0f;
    for (j = 1; j <= n; j++)
      if (getfloat() < p) ++bnl;
  } else if (am < 1.0f) {
    g = std::exp(-am);
    t = 1.0f;
    for (j = 0; j <= n; j++) {
      t = static_cast<float>(t * getfloat());
      if (t < g) break;
    }
    bnl = static_cast<float>(j <= n ? j : n);
  } else {
    if (n != nold) {
      en = static_cast<float>(n);
      oldg = gammln(static_cast<float>(en + 1.0));
      nold = n;
    }
    if (p != pold) {
      pc = static_cast<float>(1.0 - p);
      plog = std::log(p);
      pclog = std::log(pc);
      pold = p;
    }
    sq = static_cast<float>(std::sqrt(2.0 * am * pc));
    do {
      do {
        angle = static_cast<float>(PI_APPROX * getfloat());
        y = std::tan(angle);
        em = sq * y + am;
      } while (em < 0.0f || em >= (en + 1.0));
      em = std::floor(em);
      t = static_cast<float>(1.2 * sq * (1.0 + y * y) *
                             std::exp(oldg - gammln(static_cast<float>(em + 1.0)) -
                                      gammln(static_cast<float>(en - em + 1.0)) + em * plog +
                                      (en - em) * pclog));
    } while (getfloat() > t);
    bnl = em;
  }
  if (p != pp) bnl = n - bnl;
  return bnl;
}
