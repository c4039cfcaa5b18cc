#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/globaldef.h"
#include "test_util.h"

TEST(ErrorReport, EmptyListPassesSilently) {
  testutil::LogCapture log;
  Tsettings s;
  EXPECT_EQ(s.check_parameters_validity(), 1);
  EXPECT_TRUE(log.text().empty());
}

TEST(ErrorReport, EveryCodeOnItsOwnLineAfterAnEmptyOne) {
  testutil::LogCapture log;
  Tsettings s;
  s._selection_model = -1;
  s._num_pop = 25;
  s._errors = {1, 1, 5, 2, 3, 6, 7, 8, 9, 0, 10, 12, 13, 11, 14, 15, 16};
  EXPECT_EQ(s.check_parameters_validity(), 0);
  EXPECT_EQ(log.text(),
            "\n\tERROR: at least one of the removed migration is wrong!\n"
            "\n\tERROR: at least one of the removed migration is wrong!\n"
            "\n\tERROR: At least one population group index is wrong, check it !!!\n"
            "\n\tERROR: Selection model -1 does not exist!!!\n"
            "\n\tERROR: Details are not given for all 25 populations!\n"
            "\n\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!\n"
            "\n\tERROR: At least one population structure must be define!!!\n"
            "\n\tERROR: Initial population structure must start at generation 0!!!\n"
            "\n\tERROR: Initial frequency for allele 1 must be between 0 and 1!!!\n"
            "\n\tERROR: An undetermined error occured, please check your parameter file!\n"
            "\n\tERROR: An undetermined error occured, please check your parameter file!\n"
            "\n\tERROR: At least one initial allele per ancestral pool is needed!\n"
            "\n\tERROR: The virtual area needs at least one deme in each direction!\n"
            "\n\tERROR: At least one prior cannot be used: unknown distribution, missing parameters, "
            "LOG_UNIFORM bound not above 0, or no prior slot left!\n"
            "\n\tERROR: Too many demes, groups, routes or structures: at most 1000000 demes and "
            "groups and 10000 routes and structures!\n"
            "\n\tERROR: The initial allele count or the initial deme sizes are too large for this "
            "machine!\n"
            "\n\tERROR: At least one group used by a deme has a wrong demography: K must be at "
            "least -1, r and m between 0 and 1!\n");
  EXPECT_EQ(s._errors.size(), 17u);  // the report changes nothing
}
