// What the settings offer that no input file can reach: values stored under
// keys that no reader gives a prior, and error codes no reader pushes.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "settings/settings.h"
#include "test_util.h"

TEST(UnusedSettingsOperations, KeysWithoutReaderAndUnknownErrorCodes) {
  Tsettings s;
  const std::vector<std::pair<SETTINGS, int Tsettings::*> > ints = {
      {SELECTION_MODEL, &Tsettings::_selection_model}, {NUM_SIMULATIONS, &Tsettings::_num_simulations},
      {LOCUS_LENGTH, &Tsettings::_locus_length}, {SIZEFREQUENCYMODE, &Tsettings::_size_frequency_mode},
      {INTERMEDIATE_OUTPUT, &Tsettings::_intermediate_output}, {OUTPUT_INTERVALL, &Tsettings::_output_intervall},
      {X_COORDINATE, &Tsettings::_x_coordinate}, {Y_COORDINATE, &Tsettings::_y_coordinate},
      {NUM_POP, &Tsettings::_num_pop}, {NUM_UNACTIVEDEME, &Tsettings::_num_unactive_deme},
      {NUM_MODIFIEDMIG, &Tsettings::_num_modified_mig}, {ALL_POP_WITH_SAME_DEMO, &Tsettings::_all_pop_with_same_demo},
      {NUM_POP_GROUPS, &Tsettings::_num_pop_groups}, {NUM_POP_STRUCT, &Tsettings::_num_pop_struct}};
  float value = -7.9f;
  for (const auto& key : ints) {
    EXPECT_EQ(s.ChangeOneSettingValue(key.first, value, 0, 0), 1) << key.first;
    EXPECT_EQ(s.*key.second, -7) << key.first;
  }
  s._modified_mig = {0.1f, 0.2f};
  s._pop_struct = {0, 40};
  value = 0.5f;
  EXPECT_EQ(s.ChangeOneSettingValue(MODIFIEDMIG, value, 1, 0), 1);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.1f, 0.5f}));
  EXPECT_EQ(s.ChangeOneSettingValue(POP_STRUCT, value, 0, 0), 1);  // structure 1 stays at 0
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 40}));
  for (int key : {20, 30, 31, 32}) EXPECT_EQ(s.ChangeOneSettingValue(static_cast<SETTINGS>(key), value, 0, 0), 0);

  // Each draw replaces the line of the one before; an unusable prior stops the draws with 0.
  my_string prior("BINOMIAL 0.5 0");
  EXPECT_EQ(s.FillABC_db(prior, MUTATION_RATE, value), 1);
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings() + s.SampleABCParametersAndChangeSettings(), 2);
  EXPECT_EQ(s._abc_line, "0.000000\t");
  s._abc_db[MUTATION_RATE]->_params.pop_back();
  EXPECT_EQ(s.SampleABCParametersAndChangeSettings(), 0);

  testutil::LogCapture log;
  s._errors = {0, 10};
  EXPECT_EQ(s.check_parameters_validity(), 0);
  EXPECT_EQ(log.text(),
            "\n\tERROR: An undetermined error occured, please check your parameter file!\n"
            "\n\tERROR: An undetermined error occured, please check your parameter file!\n");
}
