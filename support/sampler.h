#ifndef TESSAREL_SUPPORT_SAMPLER_H
#define TESSAREL_SUPPORT_SAMPLER_H

#include <vector>

// Fixed to int: a stored id outside 0..5 is a legitimate (unknown) value.
enum DISTRIBUTIONS : int {
  NO_DISTRIBUTION = 0,
  UNIFORM = 1,
  LOG_UNIFORM = 2,
  UNIFORM_DISCRETE = 3,
  POISSON = 4,
  BINOMIAL = 5
};

// One prior: distribution id and its parameters in the order written.
class TDistributionSettings {
 public:
  std::vector<float> _params;
  DISTRIBUTIONS _distribution;
  int _num_params;

  TDistributionSettings() : _params(), _distribution(NO_DISTRIBUTION), _num_params(0) {}

  // Exact, case-sensitive keyword lookup; NO_DISTRIBUTION when unknown.
  DISTRIBUTIONS translateDistributionEnum(const char* keyword);
  // Stores the id; 1 for a known distribution (setting _num_params), else 0.
  int addDistributionID(DISTRIBUTIONS id);
};

// Value returned for a prior that cannot be drawn (unknown distribution or
// too few parameters); no random number is consumed then.
const float SAMPLER_NO_VALUE = -9999999.0f;

// Draws values from priors; all uniforms come from getfloat().
class TSampler {
 public:
  float Sample(TDistributionSettings* p);
  float Sample(TDistributionSettings& p);
  float Sample(DISTRIBUTIONS id, std::vector<float> params);

  float uniformDistribution(const float& min, const float& max);
  float logDistribution(const float& min, const float& max);
  int uniformDiscreteDistribution(const int& min, const int& max);

  float poidev(float xm);
  float bnldev(float pp, int n);
  float gammln(float xx);

 private:
  float draw(DISTRIBUTIONS id, const std::vector<float>& params);
};

#endif
