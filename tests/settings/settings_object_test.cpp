#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

TEST(SettingsObject, FreshObjectIsEmptyAndZero) {
  Tsettings s;
  ASSERT_EQ(s._abc_db.size(), 100u);
  for (TDistributionSettings* p : s._abc_db) EXPECT_EQ(p, nullptr);
  EXPECT_TRUE(s._errors.empty());
  EXPECT_TRUE(s._pop_struct.empty());
  EXPECT_TRUE(s._modified_mig.empty());
  EXPECT_TRUE(s._route_abc_db.empty());
  EXPECT_TRUE(s._abc_line.empty());
  EXPECT_FALSE(s._abc_mode);
  EXPECT_FALSE(s._abc_error);
  EXPECT_EQ(s._num_simulations + s._intermediate_output + s._output_intervall +
                s._size_frequency_mode + s._num_pop + s._num_generations + s._x_coordinate +
                s._y_coordinate + s._num_unactive_deme + s._num_modified_mig + s._num_pop_groups +
                s._num_pop_struct + s._num_alleles + s._num_alleles_per_pool + s._one_pool +
                s._locus_length + s._selection_model + s._selection_gradient + s._num_abc_params +
                s._all_pop_with_same_demo,
            0);
  EXPECT_EQ(s._init_freq, 0.0f);
  EXPECT_EQ(s._mutation_rate, 0.0f);
  EXPECT_EQ(s._selection_rate, 0.0f);
  EXPECT_EQ(s._selection_rate_north_east, 0.0f);
  EXPECT_EQ(s._selection_rate_south_west, 0.0f);
}

TEST(SettingsObject, KeyLabels) {
  EXPECT_STREQ(settings_label(SELECTION_GRADIENT), "NAME_NOT_KNOWN");
  EXPECT_STREQ(settings_label(SELECTION_RATE_SOUTH_WEST), "SELECTION_RATE_SOUTH_WEST");
  EXPECT_STREQ(settings_label(SAMP_SIZE_DEME), "SAMP_SIZE_DEME");
  EXPECT_STREQ(settings_label(-1), "NAME_NOT_KNOWN");
  EXPECT_STREQ(settings_label(32), "NAME_NOT_KNOWN");
  EXPECT_EQ(static_cast<int>(SAMP_SIZE_DEME), 31);
  EXPECT_EQ(static_cast<int>(MIG_RATE), 29);
}

// Under the sanitizer build a leaked prior fails the run.
TEST(SettingsObject, DestructionReleasesPriorsAnywhereAndReplacedOnes) {
  testutil::LogCapture log;
  Tsettings* s = new Tsettings();
  for (int slot : {0, 2, 57, 99}) {
    my_string text("UNIFORM 1 2");
    float v = 0;
    EXPECT_EQ(s->FillABC_db(text, slot, v), 1);
  }
  my_string again("POISSON 4");
  float v = 0;
  EXPECT_EQ(s->FillABC_db(again, 57, v), 1);
  EXPECT_EQ(s->_abc_db[57]->_distribution, POISSON);
  ASSERT_EQ(s->_abc_db[57]->_params.size(), 1u);
  EXPECT_EQ(s->_num_abc_params, 5);
  my_string route("UNIFORM 0.1 0.2");
  EXPECT_EQ(s->FillRoutePrior(route, 1, v), 1);
  delete s;
}
