#include <gtest/gtest.h>

#include <gsl/gsl_rng.h>

#include <cmath>
#include <map>
#include <vector>

#include "support/globaldef.h"
#include "support/sampler.h"

namespace {

// A generator that hands out a fixed list of uniforms and counts them, so
// that draws can be followed one by one.
struct Script {
  std::vector<double> values;
  size_t next = 0;
};
Script g_script;

void script_set(void*, unsigned long) {}
double script_double(void*) {
  if (g_script.next >= g_script.values.size()) {
    ADD_FAILURE() << "more uniforms drawn than scripted";
    return 0.5;
  }
  return g_script.values[g_script.next++];
}
unsigned long script_get(void* s) { return static_cast<unsigned long>(script_double(s) * 4294967296.0); }

const gsl_rng_type kScriptType = {"script", 0xffffffffUL, 0, sizeof(int), &script_set, &script_get,
                                  &script_double};

class ScriptedDraws : public ::testing::Test {
 protected:
  void SetUp() override { randomnumber = gsl_rng_alloc(&kScriptType); }
  void TearDown() override {
    gsl_rng_free(randomnumber);
    randomnumber = nullptr;
  }
  void script(std::vector<double> v) {
    g_script.values = std::move(v);
    g_script.next = 0;
  }
  size_t used() const { return g_script.next; }
  TSampler sampler;
};

class SeededDraws : public ::testing::Test {
 protected:
  void SetUp() override {
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    twin = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, 777UL);
    gsl_rng_set(twin, 777UL);
  }
  void TearDown() override {
    gsl_rng_free(randomnumber);
    gsl_rng_free(twin);
    randomnumber = nullptr;
  }
  gsl_rng* twin = nullptr;
  TSampler sampler;
};

TDistributionSettings prior(DISTRIBUTIONS id, std::vector<float> params) {
  TDistributionSettings d;
  d.addDistributionID(id);
  d._params = std::move(params);
  return d;
}

const double kJustBelowOne = 1.0 - std::ldexp(1.0, -26);  // narrows to 1.0f

}  // namespace

TEST(DistributionKeywords, ExactCaseSensitiveMatch) {
  TDistributionSettings d;
  EXPECT_EQ(d.translateDistributionEnum("UNIFORM"), UNIFORM);
  EXPECT_EQ(d.translateDistributionEnum("LOG_UNIFORM"), LOG_UNIFORM);
  EXPECT_EQ(d.translateDistributionEnum("UNIFORM_DISCRETE"), UNIFORM_DISCRETE);
  EXPECT_EQ(d.translateDistributionEnum("POISSON"), POISSON);
  EXPECT_EQ(d.translateDistributionEnum("BINOMIAL"), BINOMIAL);
  EXPECT_EQ(d.translateDistributionEnum("uniform"), NO_DISTRIBUTION);
  EXPECT_EQ(d.translateDistributionEnum("Poisson"), NO_DISTRIBUTION);
  EXPECT_EQ(d.translateDistributionEnum("UNIFORM "), NO_DISTRIBUTION);
  EXPECT_EQ(d.translateDistributionEnum(""), NO_DISTRIBUTION);
  EXPECT_EQ(d.translateDistributionEnum(nullptr), NO_DISTRIBUTION);
  EXPECT_EQ(d._distribution, NO_DISTRIBUTION);  // the lookup stores nothing
}

TEST(DistributionKeywords, AddDistributionId) {
  TDistributionSettings d;
  EXPECT_EQ(d._num_params, 0);
  EXPECT_EQ(d.addDistributionID(POISSON), 1);
  EXPECT_EQ(d._num_params, 1);
  for (DISTRIBUTIONS id : {UNIFORM, LOG_UNIFORM, UNIFORM_DISCRETE, BINOMIAL}) {
    EXPECT_EQ(d.addDistributionID(id), 1);
    EXPECT_EQ(d._distribution, id);
    EXPECT_EQ(d._num_params, 2);
  }
  EXPECT_EQ(d.addDistributionID(static_cast<DISTRIBUTIONS>(6)), 0);
  EXPECT_EQ(d._distribution, 6);  // stored all the same
  EXPECT_EQ(d._num_params, 2);
  EXPECT_EQ(d.addDistributionID(NO_DISTRIBUTION), 0);
}

TEST_F(ScriptedDraws, UnknownIdOrMissingParametersDrawNothing) {
  script({});
  for (int id : {0, 6, -1, 99}) {
    TDistributionSettings d = prior(static_cast<DISTRIBUTIONS>(id), {1.0f, 2.0f});
    EXPECT_EQ(sampler.Sample(&d), -9999999.0f);
  }
  TDistributionSettings one = prior(UNIFORM, {5.0f});
  EXPECT_EQ(sampler.Sample(&one), -9999999.0f);
  TDistributionSettings none = prior(POISSON, {});
  EXPECT_EQ(sampler.Sample(none), -9999999.0f);
  TDistributionSettings bin = prior(BINOMIAL, {0.5f});
  EXPECT_EQ(sampler.Sample(&bin), -9999999.0f);
  EXPECT_EQ(sampler.Sample(static_cast<TDistributionSettings*>(nullptr)), -9999999.0f);
  EXPECT_EQ(sampler.Sample(LOG_UNIFORM, {}), -9999999.0f);
  // Bounds without a logarithm, values that are not numbers, negative trials.
  EXPECT_EQ(sampler.Sample(LOG_UNIFORM, {0.0f, 10.0f}), -9999999.0f);
  EXPECT_EQ(sampler.Sample(LOG_UNIFORM, {1.0f, -10.0f}), -9999999.0f);
  EXPECT_EQ(sampler.logDistribution(0.0f, 1.0f), -9999999.0f);
  EXPECT_EQ(sampler.Sample(UNIFORM, {NAN, 1.0f}), -9999999.0f);
  EXPECT_EQ(sampler.Sample(POISSON, {INFINITY}), -9999999.0f);
  EXPECT_EQ(sampler.Sample(UNIFORM_DISCRETE, {0.0f, 1e20f}), -9999999.0f);
  EXPECT_EQ(sampler.Sample(BINOMIAL, {0.5f, -3.0f}), -9999999.0f);
  EXPECT_EQ(used(), 0u);
}

TEST_F(ScriptedDraws, UniformEdges) {
  script({0.0, 0.5, kJustBelowOne, 0.25, 0.8});
  TDistributionSettings d = prior(UNIFORM, {2.0f, 6.0f});
  EXPECT_EQ(sampler.Sample(&d), 2.0f);
  EXPECT_EQ(sampler.Sample(&d), 4.0f);
  EXPECT_EQ(sampler.Sample(&d), 6.0f);  // a uniform that narrows to 1.0 gives p1
  TDistributionSettings reversed = prior(UNIFORM, {6.0f, 2.0f});
  EXPECT_EQ(sampler.Sample(&reversed), 5.0f);
  EXPECT_EQ(sampler.uniformDistribution(3.0f, 3.0f), 3.0f);
  EXPECT_EQ(used(), 5u);

  // Bounds whose difference overflows a float still give a value between
  // them, never NaN or an infinity.
  script({0.0, 0.5, kJustBelowOne});
  TDistributionSettings wide = prior(UNIFORM, {-3e38f, 3e38f});
  EXPECT_EQ(sampler.Sample(&wide), -3e38f);
  EXPECT_EQ(sampler.Sample(&wide), 0.0f);
  EXPECT_EQ(sampler.Sample(&wide), 3e38f);
}

TEST_F(ScriptedDraws, UniformDiscreteEdges) {
  script({0.0, 0.2499, 0.25, kJustBelowOne, 0.999, 0.5, 0.0, 0.99});
  TDistributionSettings d = prior(UNIFORM_DISCRETE, {2.7f, 5.9f});
  EXPECT_EQ(sampler.Sample(&d), 2.0f);
  EXPECT_EQ(sampler.Sample(&d), 2.0f);
  EXPECT_EQ(sampler.Sample(&d), 3.0f);
  EXPECT_EQ(sampler.Sample(&d), 6.0f);  // trunc(p1) + 1 when u narrows to 1.0
  TDistributionSettings zero = prior(UNIFORM_DISCRETE, {0.0f, 0.0f});
  EXPECT_EQ(sampler.Sample(&zero), 0.0f);
  TDistributionSettings neg = prior(UNIFORM_DISCRETE, {-2.5f, 1.0f});
  EXPECT_EQ(sampler.Sample(&neg), 0.0f);  // lo -2, hi 2: -2 + 4 * 0.5
  EXPECT_EQ(sampler.uniformDiscreteDistribution(3, 4), 3);
  EXPECT_EQ(sampler.uniformDiscreteDistribution(3, 4), 4);
  EXPECT_EQ(used(), 8u);
}

TEST_F(ScriptedDraws, BinomialFoldsAProbabilityAboveOneHalf) {
  // p = 1 - 0.7; a success is u < 0.3. Five successes out of ten trials.
  script({0.1, 0.5, 0.2, 0.9, 0.29, 0.31, 0.0, 0.99, 0.6, 0.05});
  TDistributionSettings d = prior(BINOMIAL, {0.7f, 10.0f});
  EXPECT_EQ(sampler.Sample(&d), 5.0f);
  EXPECT_EQ(used(), 10u);
  // Unfolded: three uniforms below 0.4 out of ten.
  script({0.1, 0.5, 0.2, 0.9, 0.41, 0.45, 0.39, 0.99, 0.6, 0.75});
  EXPECT_EQ(sampler.bnldev(0.4f, 10), 3.0f);
  EXPECT_EQ(used(), 10u);
  script({0.1, 0.1});
  EXPECT_EQ(sampler.Sample(BINOMIAL, {0.25f, 2.9f}), 2.0f);  // trials are truncated
  EXPECT_EQ(used(), 2u);
}

TEST_F(ScriptedDraws, BinomialWaitingTimeMethod) {
  // n p = 30 * 0.02 = 0.6 < 1: the count is the index of the uniform at which
  // the running product drops below exp(-0.6) = 0.5488.
  script({0.9, 0.8, 0.7});
  EXPECT_EQ(sampler.bnldev(0.02f, 30), 2.0f);
  EXPECT_EQ(used(), 3u);
  script({0.5});
  EXPECT_EQ(sampler.bnldev(0.02f, 30), 0.0f);
  // Folded: p = 0.98 gives 30 minus the waiting count.
  script({0.99, 0.1});
  EXPECT_EQ(sampler.bnldev(0.98f, 30), 29.0f);
}

TEST_F(ScriptedDraws, PoissonSwitchesMethodAtTwelve) {
  // Product method: the count of uniforms multiplied before the product
  // reaches exp(-mean), minus one.
  script({0.25, 0.0});
  EXPECT_EQ(sampler.poidev(11.99f), 1.0f);
  EXPECT_EQ(used(), 2u);
  // Rejection method from 12.0 on: y = tan(pi / 4) = 1, em = sqrt(24) + 12
  // floored to 16, accepted by a uniform of 0.
  script({0.25, 0.0});
  TDistributionSettings d = prior(POISSON, {12.0f});
  EXPECT_EQ(sampler.Sample(&d), 16.0f);
  EXPECT_EQ(used(), 2u);
  // Back below the switch the product method applies again.
  script({0.5, 0.5, 0.5, 0.0});
  EXPECT_EQ(sampler.poidev(3.0f), 3.0f);
  // A mean of 0 or less gives 0 after one uniform.
  script({0.7});
  EXPECT_EQ(sampler.poidev(0.0f), 0.0f);
  script({0.7});
  EXPECT_EQ(sampler.poidev(-4.0f), 0.0f);
  EXPECT_EQ(used(), 1u);
}

TEST_F(ScriptedDraws, PoissonRejectionRedrawsNegativeCandidates) {
  // u = 0.75: y = tan(3 pi / 4) = -1, em = 12 - 4.9 stays >= 0 -> floor 7;
  // acceptance with 0. Then a candidate below zero (u close to 1/2 from
  // above) is drawn again.
  script({0.75, 0.0});
  EXPECT_EQ(sampler.poidev(12.0f), 7.0f);
  script({0.501, 0.25, 0.0});
  EXPECT_EQ(sampler.poidev(12.0f), 16.0f);
  EXPECT_EQ(used(), 3u);
}

TEST_F(SeededDraws, ContinuousDrawsFollowTheirFormulas) {
  TDistributionSettings u = prior(UNIFORM, {100.0f, 1000.0f});
  TDistributionSettings lg = prior(LOG_UNIFORM, {0.001f, 10.0f});
  TDistributionSettings ud = prior(UNIFORM_DISCRETE, {2.7f, 5.9f});
  for (int i = 0; i < 500; ++i) {
    const float fu = static_cast<float>(gsl_rng_uniform(twin));
    EXPECT_EQ(sampler.Sample(&u), (1000.0f - 100.0f) * fu + 100.0f);

    const double du = gsl_rng_uniform(twin);
    const double l0 = std::log10(static_cast<double>(0.001f));
    const double l1 = std::log10(10.0);
    const float e = static_cast<float>(l0 + du * (l1 - l0));
    EXPECT_EQ(sampler.Sample(&lg), static_cast<float>(std::pow(10.0, static_cast<double>(e))));

    const float fd = static_cast<float>(gsl_rng_uniform(twin));
    EXPECT_EQ(sampler.Sample(&ud), static_cast<float>(static_cast<int>((6.0f - 2.0f) * fd + 2.0f)));
  }
}

TEST_F(SeededDraws, RangesOverManyDraws) {
  TDistributionSettings lg = prior(LOG_UNIFORM, {0.01f, 100.0f});
  TDistributionSettings ud = prior(UNIFORM_DISCRETE, {2.7f, 5.9f});
  std::map<int, int> seen;
  double log_sum = 0.0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    const float v = sampler.Sample(&lg);
    ASSERT_GE(v, 0.0099f);
    ASSERT_LE(v, 100.01f);
    log_sum += std::log10(v);
    ++seen[static_cast<int>(sampler.Sample(&ud))];
  }
  EXPECT_NEAR(log_sum / n, 0.0, 0.05);  // log10 is uniform on [-2, 2]
  ASSERT_EQ(seen.size(), 4u);
  for (int k = 2; k <= 5; ++k) EXPECT_NEAR(seen[k], n / 4, n / 20) << k;
}

TEST_F(SeededDraws, PoissonAndBinomialMoments) {
  struct Case {
    DISTRIBUTIONS id;
    std::vector<float> params;
    double mean;
    double var;
    float max;
  };
  const std::vector<Case> cases = {
      {POISSON, {3.0f}, 3.0, 3.0, 1e9f},          {POISSON, {11.99f}, 11.99, 11.99, 1e9f},
      {POISSON, {12.0f}, 12.0, 12.0, 1e9f},       {POISSON, {250.0f}, 250.0, 250.0, 1e9f},
      {BINOMIAL, {0.3f, 10.0f}, 3.0, 2.1, 10.0f}, {BINOMIAL, {0.7f, 10.0f}, 7.0, 2.1, 10.0f},
      {BINOMIAL, {0.005f, 100.0f}, 0.5, 0.4975, 100.0f},
      {BINOMIAL, {0.2f, 100.0f}, 20.0, 16.0, 100.0f},
      {BINOMIAL, {0.9f, 200.0f}, 180.0, 18.0, 200.0f},
  };
  const int n = 20000;
  for (const Case& c : cases) {
    TDistributionSettings d = prior(c.id, c.params);
    double sum = 0.0, sum2 = 0.0;
    for (int i = 0; i < n; ++i) {
      const float v = sampler.Sample(&d);
      ASSERT_GE(v, 0.0f);
      ASSERT_LE(v, c.max);
      ASSERT_EQ(v, std::floor(v));
      sum += v;
      sum2 += static_cast<double>(v) * v;
    }
    const double mean = sum / n;
    const double var = sum2 / n - mean * mean;
    EXPECT_NEAR(mean, c.mean, 4.0 * std::sqrt(c.var / n) + 1e-3) << c.id << " " << c.params[0];
    EXPECT_NEAR(var, c.var, 0.08 * c.var) << c.id << " " << c.params[0];
  }
}

TEST_F(SeededDraws, BinomialCachesFollowChangingArguments) {
  // Alternating arguments must not reuse the other call's cached values.
  double a = 0.0, b = 0.0;
  const int n = 20000;
  for (int i = 0; i < n; ++i) {
    a += sampler.bnldev(0.3f, 100);
    b += sampler.bnldev(0.45f, 400);
  }
  EXPECT_NEAR(a / n, 30.0, 0.15);
  EXPECT_NEAR(b / n, 180.0, 0.3);
  double p = 0.0, q = 0.0;
  for (int i = 0; i < n; ++i) {
    p += sampler.poidev(20.0f);
    q += sampler.poidev(60.0f);
  }
  EXPECT_NEAR(p / n, 20.0, 0.15);
  EXPECT_NEAR(q / n, 60.0, 0.25);
}

TEST(Gammln, LanczosSeries) {
  TSampler s;
  // With the series' full coefficients ln Gamma(1) comes out exactly 0 and
  // ln Gamma(2) as -2^-51; a shortened last coefficient shifts both by a few
  // 1e-15, enough to change which candidates the Poisson and binomial
  // rejection steps accept for em = 0 and 1.
  EXPECT_EQ(s.gammln(1.0f), 0.0f);
  EXPECT_EQ(s.gammln(2.0f), static_cast<float>(-std::ldexp(1.0, -51)));
  EXPECT_NEAR(s.gammln(0.5f), 0.5723649f, 1e-6);
  EXPECT_NEAR(s.gammln(11.0f), std::lgamma(11.0), 1e-5);
  EXPECT_NEAR(s.gammln(171.5f), std::lgamma(171.5), 1e-2);
}
