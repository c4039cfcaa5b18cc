// Prior distributions checked by their moments and bounds over many seeded
// draws, ln Gamma against known values, and the run-wide helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "support/globaldef.h"
#include "support/sampler.h"
#include "support/stat_utils.h"
#include "test_util.h"

TEST(Sampler, DistributionsHaveTheirMomentsAndBounds) {
  gsl_rng* saved = randomnumber;
  randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
  TSampler t;
  auto prior = [&t](int id, std::vector<float> p) { return [&t, id, p] { return t.Sample(DISTRIBUTIONS(id), p); }; };
  const double ln10 = std::log(10.0), lu = 0.9 / ln10;  // E[10^U] for U uniform on (-1, 0)
  const struct {
    std::function<float()> draw;
    double lo, hi, mean, var;
  } cases[] = {{prior(1, {2, 5}), 2, 5, 3.5, 0.75},           {prior(1, {5, 2}), 2, 5, 3.5, 0.75},
               {prior(2, {0.1f, 1}), 0.1, 1, lu, 0.99 / (2 * ln10) - lu * lu},
               {prior(3, {2.7f, 5.9f}), 2, 5, 3.5, 1.25},     {prior(4, {3.5f}), 0, 60, 3.5, 3.5},
               {prior(4, {12}), 0, 80, 12, 12},
               {prior(5, {0.3f, 10}), 0, 10, 3, 2.1},         {prior(5, {0.7f, 10}), 0, 10, 7, 2.1},
               {prior(5, {0.01f, 50}), 0, 50, 0.5, 0.495},    {prior(5, {0.8f, 100}), 0, 100, 80, 16},
               {[&t] { return float(t.uniformDiscreteDistribution(1, 5)); }, 1, 5, 3, 2},
               {[&t] { return t.logDistribution(1, 100); }, 1, 100, 99 / (2 * ln10), 9999 / (4 * ln10) - 2450.25 / (ln10 * ln10)},
               {[&t] { return t.uniformDistribution(-1, 1); }, -1, 1, 0, 1.0 / 3},
               {[&t] { return t.uniformDistribution(-3e38f, 3e38f); }, -3e38, 3e38, 0, 3e76}};
  const int n = 20000;
  for (const auto& c : cases) {
    double s = 0.0, s2 = 0.0;
    for (int i = 0; i < n; ++i) {
      const double x = c.draw();
      ASSERT_TRUE(x >= c.lo && x <= c.hi) << x;
      s += x, s2 += x * x;
    }
    EXPECT_NEAR(s / n, c.mean, 4.0 * std::sqrt(c.var / n)) << "case " << &c - cases;
    EXPECT_NEAR(s2 / n - s * s / n / n, c.var, 0.06 * c.var) << "case " << &c - cases;
  }
  for (int i = 0; i < 100; ++i) ASSERT_EQ(std::fmod(t.Sample(BINOMIAL, {0.8f, 100}) + t.Sample(POISSON, {30}), 1.0f), 0.0f);  // counts
  EXPECT_EQ(t.Sample(UNIFORM, {3, 3}) + t.Sample(UNIFORM_DISCRETE, {0, 0}) + t.Sample(BINOMIAL, {0.5f, 0}), 3.0f);
  // At the ends of the int range a bound rounds to a float beyond it; the draw still keeps to the bounds.
  EXPECT_EQ(t.uniformDiscreteDistribution(-2147483500, -2147483500), -2147483500);
  EXPECT_EQ(t.uniformDiscreteDistribution(2147483500, 2147483500), 2147483500);
  // An unknown distribution, or too few parameters: no value and no draw.
  gsl_rng* twin = gsl_rng_clone(randomnumber);
  for (int id : {0, 6, -1}) EXPECT_EQ(t.Sample(DISTRIBUTIONS(id), {1, 2}), -9999999.0f);
  for (auto p : {std::make_pair(5, std::vector<float>{0.5f}), std::make_pair(5, std::vector<float>{0.5f, -3}),
                 std::make_pair(3, std::vector<float>{0, 3e9f}), std::make_pair(2, std::vector<float>{0, 100}),
                 std::make_pair(1, std::vector<float>{NAN, 1})})
    EXPECT_EQ(t.Sample(DISTRIBUTIONS(p.first), p.second), -9999999.0f);
  EXPECT_EQ(gsl_rng_get(twin), gsl_rng_get(randomnumber));
  gsl_rng_free(twin);
  gsl_rng_free(randomnumber);
  randomnumber = saved;
}

TEST(Sampler, KeywordsParameterCountsAndLnGamma) {
  TDistributionSettings d;
  const char* names[] = {"UNIFORM", "LOG_UNIFORM", "UNIFORM_DISCRETE", "POISSON", "BINOMIAL", "uniform", "UNIFORM "};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(d.translateDistributionEnum(names[i]), i < 5 ? i + 1 : 0) << names[i];
  EXPECT_EQ(d.addDistributionID(POISSON), 1);
  EXPECT_EQ(d._num_params, 1);
  EXPECT_EQ(d.addDistributionID(DISTRIBUTIONS(7)), 0);  // the id is stored, the count stays
  EXPECT_EQ(d._distribution * 10 + d._num_params, 71);
  TSampler t;
  for (float x : {0.5f, 1.0f, 2.0f, 5.0f, 10.5f, 101.0f})
    EXPECT_NEAR(t.gammln(x), std::lgamma(double(x)), 1e-5 * (1 + std::fabs(std::lgamma(x))));
}

TEST(Support, RoundingAndTheSecondGeneratorFamily) {
  EXPECT_EQ(globaldef::round(2.5f) * 100 + globaldef::round(-2.5f) * 10 + globaldef::round(-0.4f), 280);
  SetSeed(200);
  EXPECT_EQ(w_rndu + z_rndu + my_rand(), 200 + 170 * 22 + 137 + 232);
  long a = 17, z = 0;
  const double first = ran3(&a);  // the first call seeds, from 17 as from -17
  EXPECT_EQ(std::lround(first * 1e9), 527083316);
  double mean = first;
  for (int i = 1; i < 10000; ++i) {
    const double u = ran3(&a);
    ASSERT_TRUE(u >= 0.0 && u < 1.0 && a == 1);
    mean += u;
  }
  EXPECT_EQ(std::lround(mean * 1e6), 4984992335);  // near 5000, and the whole table seeded
  testutil::LogCapture log;
  initialize_ran3(-17);  // a negative seed starts the sequence again, a zero one goes on with it
  EXPECT_EQ(std::lround(ran3(&z) * 1e9), 988885008);
  initialize_ran3(5);
  testing::internal::CaptureStdout();
  initialize_ran3(-200000000);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "initialize_ran3(const int seed)\nGiven seed was too big, so Random generator initialized with seed=-232\n");
  EXPECT_EQ(log.text(), "Random generator initialized with seed= -17\nRandom generator initialized with lidum=-232\n");
}
