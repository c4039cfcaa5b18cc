#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

namespace {

int read_int(Tsettings& s, const char* text, int slot = 2) {
  my_string t(text);
  int v = -77;
  s.getParameterValueNOString<int>(t, v, slot);
  return v;
}

float read_float(Tsettings& s, const char* text, int slot = 6) {
  my_string t(text);
  float v = -77;
  s.getParameterValueNOString<float>(t, v, slot);
  return v;
}

}  // namespace

TEST(ValueSyntax, FixedNumbersAndComments) {
  testutil::LogCapture log;
  Tsettings s;
  EXPECT_EQ(read_int(s, "10 //ten"), 10);
  EXPECT_EQ(read_int(s, "//10"), 0);           // a leading comment mark cuts nothing
  EXPECT_EQ(read_int(s, "2.9"), 2);
  EXPECT_EQ(read_int(s, "-2.9"), -2);
  EXPECT_EQ(read_int(s, "16777217"), 16777216);  // through float before truncation
  EXPECT_EQ(read_int(s, " 1 2 \t3"), 123);      // blanks and TABs go before conversion
  EXPECT_EQ(read_int(s, "12abc"), 12);
  EXPECT_EQ(read_int(s, "abc"), 0);
  EXPECT_FLOAT_EQ(read_float(s, "0.25//rate *UNIFORM 1 2"), 0.25f);  // '*' behind a comment
  EXPECT_FALSE(s._abc_mode);
  EXPECT_EQ(read_int(s, "1 //a //b"), 1);
  EXPECT_TRUE(log.text().empty());
}

TEST(ValueSyntax, NonFiniteAndOutOfRangeConversions) {
  Tsettings s;
  EXPECT_EQ(read_float(s, "nan"), 0.0f);
  EXPECT_EQ(read_float(s, "inf"), 0.0f);
  EXPECT_EQ(read_float(s, "-infinity"), 0.0f);
  EXPECT_EQ(read_float(s, "1e999"), 0.0f);
  EXPECT_EQ(read_int(s, "nan"), 0);
  EXPECT_EQ(read_int(s, "1e20"), INT_MAX);
  EXPECT_EQ(read_int(s, "-1e20"), INT_MIN);
  EXPECT_EQ(read_int(s, "3e9"), INT_MAX);
  EXPECT_EQ(read_int(s, "1e300"), INT_MAX);  // finite double beyond the float range
  EXPECT_EQ(trunc_to_int(2147483520.0f), 2147483520);
  EXPECT_EQ(trunc_to_int(-2147483648.0f), INT_MIN);
}

TEST(ValueSyntax, FixedOnlyReaderRefusesPriors) {
  testutil::LogCapture log;
  Tsettings s;
  int member = 5;
  my_string t("*UNIFORM 1 10");
  s.getSimpleValues<int>(t, member, 1);
  EXPECT_EQ(member, 5);
  EXPECT_EQ(log.text(), "ERROR: the parameter 1 must be given fixed values!\n");
  EXPECT_TRUE(s._errors.empty());
  EXPECT_FALSE(s._abc_mode);
  for (TDistributionSettings* p : s._abc_db) EXPECT_EQ(p, nullptr);

  my_string t2("7.8 // *not a prior");
  s.getSimpleValues<int>(t2, member, 1);
  EXPECT_EQ(member, 7);
}

TEST(ValueSyntax, PriorReaderRegistersAndStoresLargestParameter) {
  testutil::LogCapture log;
  Tsettings s;
  EXPECT_EQ(read_int(s, "*UNIFORM 100 1000 //generations", 2), 1000);
  ASSERT_NE(s._abc_db[2], nullptr);
  EXPECT_EQ(s._abc_db[2]->_distribution, UNIFORM);
  ASSERT_EQ(s._abc_db[2]->_params.size(), 2u);
  EXPECT_EQ(s._abc_db[2]->_params[0], 100.0f);
  EXPECT_EQ(s._abc_db[2]->_params[1], 1000.0f);
  EXPECT_TRUE(s._abc_mode);
  EXPECT_FALSE(s._abc_error);
  EXPECT_EQ(s._num_abc_params, 1);

  // '/' and brackets separate like blanks.
  EXPECT_FLOAT_EQ(read_float(s, "*LOG_UNIFORM/0.001/0.01", 6), 0.01f);
  EXPECT_EQ(s._abc_db[6]->_distribution, LOG_UNIFORM);
  EXPECT_EQ(read_int(s, "*UNIFORM(100/1000)", 3), 1000);
  EXPECT_EQ(s._abc_db[3]->_params.size(), 2u);
  // All parameters negative: the value stays 0.
  EXPECT_FLOAT_EQ(read_float(s, "*UNIFORM -5 -1", 7), 0.0f);
  EXPECT_FALSE(s._abc_error);
  EXPECT_TRUE(log.text().empty());
}

TEST(ValueSyntax, RegistrationParsingOfBlanks) {
  Tsettings s;
  float v = -1;
  // One leading blank is dropped.
  my_string a(" UNIFORM 2 3");
  EXPECT_EQ(s.FillABC_db(a, 10, v), 1);
  EXPECT_EQ(v, 3.0f);
  // A blank before a bracket gives a parameter 0: 0, 100, 1000.
  EXPECT_EQ(read_int(s, "*UNIFORM (100 1000)", 2), 1000);
  ASSERT_EQ(s._abc_db[2]->_params.size(), 3u);
  EXPECT_EQ(s._abc_db[2]->_params[0], 0.0f);
  EXPECT_EQ(s._abc_db[2]->_params[2], 1000.0f);
  // Two blanks in a row give a parameter 0 between them.
  my_string b("BINOMIAL 0.5  20");
  EXPECT_EQ(s.FillABC_db(b, 11, v), 1);
  ASSERT_EQ(s._abc_db[11]->_params.size(), 3u);
  EXPECT_EQ(s._abc_db[11]->_params[1], 0.0f);
  EXPECT_EQ(v, 20.0f);
  // Two leading blanks: the name is empty, hence unknown.
  my_string c("  UNIFORM 2 3");
  EXPECT_EQ(s.FillABC_db(c, 12, v), 0);
  EXPECT_EQ(s._abc_db[12]->_distribution, NO_DISTRIBUTION);
  EXPECT_EQ(v, 0.0f);
  // A trailing blank adds nothing.
  my_string d("POISSON 4 ");
  EXPECT_EQ(s.FillABC_db(d, 13, v), 1);
  EXPECT_EQ(s._abc_db[13]->_params.size(), 1u);
  // NaN parameters read as 0.
  my_string e("UNIFORM nan 5");
  EXPECT_EQ(s.FillABC_db(e, 14, v), 1);
  EXPECT_EQ(s._abc_db[14]->_params[0], 0.0f);
}

TEST(ValueSyntax, FailedRegistrationsSetAbcError) {
  struct Case {
    const char* text;
    float value;
  };
  // Unknown name (case matters), a name alone, too few parameters,
  // LOG_UNIFORM bounds not above 0, and whole-number bounds or trials the
  // sampler cannot take (it would give its no-value marker, not a draw).
  const Case cases[] = {{"NORMAL 0 1", 0.0f},   {"uniform 1 2", 0.0f},  {"UNIFORM", 0.0f},
                        {"UNIFORM 7", 7.0f},    {"BINOMIAL 0.5", 0.5f}, {"LOG_UNIFORM 0 10", 10.0f},
                        {"LOG_UNIFORM -1 -2", 0.0f},
                        {"UNIFORM_DISCRETE 0 3e9", 3e9f},
                        {"UNIFORM_DISCRETE -3e9 5", 5.0f},
                        {"BINOMIAL 0.5 -3", 0.5f},
                        {"BINOMIAL 0.5 3e9", 3e9f}};
  for (const Case& c : cases) {
    testutil::LogCapture log;
    Tsettings s;
    my_string t(c.text);
    float v = -1;
    EXPECT_EQ(s.FillABC_db(t, 6, v), 0) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_TRUE(s._abc_error) << c.text;
    EXPECT_NE(s._abc_db[6], nullptr) << c.text;
    EXPECT_EQ(s._num_abc_params, 0);
    EXPECT_TRUE(log.text().empty()) << c.text;
  }
  // The edges the sampler still takes are accepted.
  for (const char* ok : {"BINOMIAL 0.5 -0.5", "BINOMIAL 1.5 0", "UNIFORM_DISCRETE -2e9 2e9",
                         "POISSON -4", "UNIFORM 5 -5"}) {
    Tsettings s;
    my_string t(ok);
    float v = 0;
    EXPECT_EQ(s.FillABC_db(t, 6, v), 1) << ok;
    EXPECT_FALSE(s._abc_error) << ok;
  }
  // Through the reader: the member gets the value, ABC mode is on.
  Tsettings s;
  EXPECT_FLOAT_EQ(read_float(s, "*NORMAL 0 1", 6), 0.0f);
  EXPECT_TRUE(s._abc_error);
  EXPECT_TRUE(s._abc_mode);
  EXPECT_EQ(s._abc_db[6]->_distribution, NO_DISTRIBUTION);
  EXPECT_TRUE(s._abc_db[6]->_params.empty());
}

TEST(ValueSyntax, SlotOutsideTableIsRefusedWithoutTouchingIt) {
  testutil::LogCapture log;
  Tsettings s;
  my_string t("UNIFORM 5 9");
  float v = 0;
  EXPECT_EQ(s.FillABC_db(t, 100, v), 0);
  EXPECT_EQ(v, 9.0f);
  EXPECT_TRUE(s._abc_error);
  ASSERT_EQ(s._abc_db.size(), 100u);
  for (TDistributionSettings* p : s._abc_db) EXPECT_EQ(p, nullptr);
  EXPECT_EQ(log.text(),
            "ERROR: the prior for slot 100 cannot be used: the prior table has only slots 0 to 99!\n");
}
