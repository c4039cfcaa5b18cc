#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "settings/settings.h"
#include "settings_fixture.h"
#include "support/globaldef.h"
#include "test_util.h"

using settings_test::ParamFile;
using settings_test::read_all;

namespace {

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string structure_file(int demes, int groups) {
  std::string text = "N0 K r m group sample\n//\n";
  for (int d = 0; d < demes; ++d)
    text += std::to_string(10 * (d + 1)) + " 100 0.5 0.1 " + std::to_string(d % groups + 1) + " 2\n";
  return text;
}

std::string deme_echo(int demes, int groups) {
  std::string text;
  for (int d = 0; d < demes; ++d)
    text += "\tDeme " + std::to_string(d + 1) + "\tN0:" + std::to_string(10 * (d + 1)) +
            " \tK:100 \tr:0.5 \tm:0.1 \tGroup:" + std::to_string(d % groups + 1) +
            " \tSample size:2\n";
  return text;
}

const char* kEchoHead =
    "\n\n"
    "\tGENERAL SETTINGS\n"
    "\tSimulations: 10\n"
    "\tGenerations: 100\n"
    "\n"
    "\tSELECTION SETTINGS\n";

}  // namespace

TEST(ParamFile, WholeEchoInGroupModeWithRoutesAndStructures) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.model = "0";
  p.gradient = "1";
  p.ne = "0.2";
  p.sw = "0.05";
  p.alleles = "3";
  p.one_pool = "1";
  p.x = "5";
  p.y = "4";
  p.groups = "4";
  p.same = "1";
  p.routes_count = "2";
  p.routes = "(1,2,0.5) (3,40,0.1) two routes";
  p.structs = "3";
  p.struct_list = "1 0\n2 100\n3 250";
  read_all(s, p, structure_file(20, 4),
           "K r m\n500 0.3 0.05\n600 0.3 0.05\n-1 0 0\n700 0.1 0.2\n");
  const std::string expected =
      std::string(kEchoHead) +
      "\tSelection model: (SOS) => Latudinal gradient from 0.2 in the north to 0.05 in the South\n"
      "\n"
      "\tOUTPUT SETTINGS\n"
      "\tNo allele frequency output\n"
      "\n"
      "\tGENETIC SETTINGS\n"
      "\tTotal number of initial alleles: 12 in 4 ancestral pools\n"
      "\tInitial Frequenc for allele number 1: 0.5\n"
      "\tMutation rate: 0.001\n"
      "\n"
      "\tVIRTUAL WORLD STRUCTURE\n"
      "\tVirtual area is 5 (longitudinal) by 4 (latitudinal), total 20 demes\n"
      "\tGroup of demes: 4\n"
      "\tAll demes with same parameters: 1\n"
      "\t2 modified Routes: 1->2,3->40\n"
      "\tNum of structures: 3\n"
      "\tGeneration 0: Structure 1\n" +
      deme_echo(20, 4) +
      "\n"
      "\tGeneration 0: modification of deme demography through tessarel_alldemes_1.txt :\n"
      "\tAll demes belonging to group 1 are modified as follow:  new K = 500  new r = 0.3  new m = 0.05\n"
      "\tAll demes belonging to group 2 are modified as follow:  new K = 600  new r = 0.3  new m = 0.05\n"
      "\tGroup of populations 3 is inactive\n"
      "\tAll demes belonging to group 4 are modified as follow:  new K = 700  new r = 0.1  new m = 0.2\n"
      "\n";
  EXPECT_EQ(log.text(), expected);

  EXPECT_EQ(s._selection_model, 1);
  EXPECT_EQ(s._num_alleles, 12);
  EXPECT_EQ(s._num_alleles_per_pool, 3);
  EXPECT_EQ(s._num_pop, 20);
  EXPECT_EQ(s._size_frequency_mode, 1000000);
  EXPECT_EQ(s._locus_length, 1);
  EXPECT_EQ(s._output_intervall, 0);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 100, 250}));
  EXPECT_EQ(s._modified_mig_from, (std::vector<int>{0, 2}));
  EXPECT_EQ(s._modified_mig_to, (std::vector<int>{1, 39}));
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.5f, 0.1f}));
  EXPECT_EQ(s._final_k_group.size(), 4u);
  EXPECT_EQ(s._init_k_deme.size(), 20u);
  EXPECT_EQ(s._errors, (std::vector<int>{1}));

  log.clear();
  EXPECT_EQ(s.check_parameters_validity(), 0);
  EXPECT_EQ(log.text(), "\n\tERROR: at least one of the removed migration is wrong!\n");
}

TEST(ParamFile, OtherGradientsOutputAndPools) {
  testutil::TempDir dir;
  {
    testutil::LogCapture log;
    Tsettings s;
    ParamFile p;
    p.model = "3";
    p.gradient = "2";
    p.ne = "0.3";
    p.sw = "0.1";
    p.inter = "1";
    p.alleles = "3";
    p.one_pool = "2";
    p.groups = "4";
    p.init_freq = "0";
    read_all(s, p, structure_file(2, 1));
    const std::string text = log.text();
    EXPECT_NE(text.find("\tSelection model: (DPS) => Longitudinal gradient from 0.3 in the East to "
                        "0.1 in the West\n\n\tOUTPUT SETTINGS\n\tOutput allele frequencies\n"),
              std::string::npos);
    EXPECT_NE(text.find("\tTotal number of initial alleles: 3 in 1 ancestral pool\n\tMutation rate: "),
              std::string::npos);  // no initial-frequency line for 0
    EXPECT_EQ(s._num_alleles, 3);
    EXPECT_EQ(s._num_alleles_per_pool, 3);
    EXPECT_TRUE(s._errors.empty());
  }
  {
    testutil::LogCapture log;
    Tsettings s;
    ParamFile p;
    p.model = "2";
    p.gradient = "3";
    read_all(s, p, structure_file(2, 1));
    EXPECT_NE(log.text().find("\tSelection model: (FDS)\n\tOUTPUT SETTINGS\n"), std::string::npos);
    EXPECT_TRUE(s._errors.empty());
  }
}

TEST(ParamFile, RouteTokens) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.x = "4";
  p.y = "5";
  p.routes_count = "4";
  // Tokens may span lines; the line after the last token gives S.
  p.routes = "(0,5,0.2) nobracket\n(3,4) (2,21,0.3)//comment glued";
  read_all(s, p, structure_file(20, 1));
  EXPECT_EQ(s._modified_mig_from, (std::vector<int>{-1, -1, 2, 1}));
  EXPECT_EQ(s._modified_mig_to, (std::vector<int>{4, -1, 3, 20}));
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.2f, 0.0f, 0.0f, 0.3f}));
  EXPECT_EQ(s._errors, (std::vector<int>{1}));  // 21 lies outside the 20 demes
  EXPECT_NE(log.text().find("\t4 modified Routes: 0->5,0->0,3->4,2->21\n\tNum of structures: 1\n"),
            std::string::npos);
  EXPECT_EQ(s._pop_struct, (std::vector<int>{0}));
}

TEST(ParamFile, RoutePriorKeptOutOfTheTable) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.routes_count = "2";
  p.routes = "(1,2,0.4) (2,1,*UNIFORM/0.1/0.3)";
  read_all(s, p, structure_file(2, 1));
  for (TDistributionSettings* d : s._abc_db) EXPECT_EQ(d, nullptr);
  ASSERT_EQ(s._route_abc_db.size(), 2u);
  EXPECT_EQ(s._route_abc_db[0], nullptr);
  ASSERT_NE(s._route_abc_db[1], nullptr);
  EXPECT_EQ(s._route_abc_db[1]->_distribution, UNIFORM);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.4f, 0.3f}));
  EXPECT_TRUE(s._abc_mode);
  EXPECT_FALSE(s._abc_error);
  EXPECT_TRUE(s._errors.empty());
  // In ABC mode the structure-1 line and the deme details are not echoed.
  EXPECT_EQ(log.text().find("Structure 1"), std::string::npos);
  EXPECT_EQ(log.text().find("\tDeme 1"), std::string::npos);

  Tsettings bad;
  p.routes = "(1,2,0.4) (2,1,*GAUSS/0.1/0.3)";
  read_all(bad, p, structure_file(2, 1));
  EXPECT_TRUE(bad._abc_error);
  EXPECT_EQ(bad._errors, (std::vector<int>{11}));
}

TEST(ParamFile, StructureListAndItsPriors) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    Tsettings s;
    ParamFile p;
    p.structs = "3";
    p.struct_list = "1 0 2 *UNIFORM/10/20 3 250";
    read_all(s, p, structure_file(2, 1));
    EXPECT_EQ(s._pop_struct, (std::vector<int>{0, 20, 250}));
    ASSERT_NE(s._abc_db[25], nullptr);
    EXPECT_TRUE(s._abc_mode);
    // The prior came after structure 1, so its line is there.
    EXPECT_NE(log.text().find("\tNum of structures: 3\n\tGeneration 0: Structure 1\n"),
              std::string::npos);
  }
  {
    // A prior on the start of structure 1 is read for its value only: no
    // slot (slot 24 is NUM_POP_STRUCT's), but it is a prior, so ABC mode is
    // on before the structure-1 line would be written.
    log.clear();
    Tsettings s;
    ParamFile p;
    p.struct_list = "1 *UNIFORM/0/0";
    read_all(s, p, structure_file(2, 1));
    EXPECT_TRUE(s._errors.empty());
    EXPECT_EQ(s._pop_struct, (std::vector<int>{0}));
    for (TDistributionSettings* d : s._abc_db) EXPECT_EQ(d, nullptr);
    EXPECT_TRUE(s._abc_mode);
    EXPECT_FALSE(s._abc_error);
    EXPECT_EQ(s._num_pop_struct, 1);
    EXPECT_EQ(s._num_abc_params, 0);
    EXPECT_TRUE(ends_with(log.text(), "\tNum of structures: 1\n"));
  }
  {
    Tsettings s;
    ParamFile p;
    p.struct_list = "1 *UNIFORM/0/5";
    read_all(s, p, structure_file(2, 1));
    EXPECT_EQ(s._errors, (std::vector<int>{8}));
    for (TDistributionSettings* d : s._abc_db) EXPECT_EQ(d, nullptr);
  }
}

TEST(ParamFile, ReadingStopsAtCodes8And6And7) {
  testutil::TempDir dir;
  {
    testutil::LogCapture log;
    Tsettings s;
    ParamFile p;
    p.struct_list = "1 5";
    read_all(s, p, "");  // no structure file: it must not even be looked for
    EXPECT_EQ(s._errors, (std::vector<int>{8}));
    EXPECT_TRUE(s._pop_struct.empty());
    const std::string text = log.text();
    EXPECT_TRUE(ends_with(text, "\tNum of structures: 1\n"));
  }
  {
    testutil::LogCapture log;
    Tsettings s;
    ParamFile p;
    p.model = "7";
    p.init_freq = "2";
    p.routes_count = "1";
    p.routes = "(9,1,0.1)";
    read_all(s, p, "");
    EXPECT_EQ(s._errors, (std::vector<int>{1, 6}));
    log.clear();
    EXPECT_EQ(s.check_parameters_validity(), 0);
    EXPECT_EQ(log.text(),
              "\n\tERROR: at least one of the removed migration is wrong!\n"
              "\n\tERROR: Initial population structure file \"tessarel_structure_1.txt\" does not exist!!!\n");
  }
  {
    testutil::LogCapture log;
    Tsettings s;
    testutil::write_file("tessarel_param.txt", "");
    std::ifstream in("tessarel_param.txt");
    in >> s;
    EXPECT_EQ(s._errors, (std::vector<int>{7}));
    EXPECT_EQ(log.text(), std::string("\n\n\tGENERAL SETTINGS\n\tSimulations: 0\n\tGenerations: 0\n\n"
                                      "\tSELECTION SETTINGS\n"
                                      "\tSelection model: (SOS) => Homogeneous selection rate = 0\n"
                                      "\n\tOUTPUT SETTINGS\n\tNo allele frequency output\n"
                                      "\n\tGENETIC SETTINGS\n"
                                      "\tTotal number of initial alleles: 0 in 1 ancestral pool\n"
                                      "\tMutation rate: 0\n"
                                      "\n\tVIRTUAL WORLD STRUCTURE\n"
                                      "\tVirtual area is 0 (longitudinal) by 0 (latitudinal), total 0 demes\n"
                                      "\tGroup of demes: 0\n"
                                      "\tAll demes with same parameters: 0\n"
                                      "\t0 modified Routes: \n"));
  }
}

TEST(ParamFile, FixedValueMessagesWhereTheLineIsRead) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.sims = "*UNIFORM 1 10";
  p.routes_count = "*UNIFORM 1 2";
  p.structs = "1 *POISSON 3";
  read_all(s, p, structure_file(2, 1));
  const std::string text = log.text();
  EXPECT_EQ(text.rfind("ERROR: the parameter 1 must be given fixed values!\n\n\n\tGENERAL SETTINGS\n", 0), 0u);
  EXPECT_NE(text.find("\tAll demes with same parameters: 0\n"
                      "ERROR: the parameter 19 must be given fixed values!\n"
                      "\t0 modified Routes: \n"
                      "ERROR: the parameter 24 must be given fixed values!\n"),
            std::string::npos);
  EXPECT_EQ(s._num_simulations, 0);
  // S kept its value 0: reading ends with code 7.
  EXPECT_EQ(s._errors, (std::vector<int>{7}));
}

TEST(ParamFile, ClosingChecksInOrder) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.model = "-1";
  p.init_freq = "1.5";
  p.mutation = "*NORMAL 0 1";
  p.alleles = "0";
  read_all(s, p, "h\nh\n1 1 2 0 1 1\n");  // one invalid deme, the other repeats it
  EXPECT_EQ(s._errors, (std::vector<int>{2, 9, 3, 11, 12}));
  log.clear();
  EXPECT_EQ(s.check_parameters_validity(), 0);
  EXPECT_EQ(log.text(),
            "\n\tERROR: Selection model -1 does not exist!!!\n"
            "\n\tERROR: Initial frequency for allele 1 must be between 0 and 1!!!\n"
            "\n\tERROR: Details are not given for all 2 populations!\n"
            "\n\tERROR: At least one prior cannot be used: unknown distribution, missing parameters, "
            "LOG_UNIFORM bound not above 0, or no prior slot left!\n"
            "\n\tERROR: At least one initial allele per ancestral pool is needed!\n");
}

TEST(ParamFile, OnePoolPerGroupWithoutGroupsHasNoAllele) {
  // Alleles per pool are given, but one pool per group of no group leaves
  // the allele table empty: refused like a pool without alleles.
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.one_pool = "1";
  p.groups = "0";
  read_all(s, p, "h\nh\n1 1 0 0 1 1\n1 1 0 0 1 1\n");
  EXPECT_EQ(s._num_alleles_per_pool, 2);
  EXPECT_EQ(s._num_alleles, 0);
  EXPECT_EQ(s._errors, (std::vector<int>{5, 5, 12}));
}

TEST(ParamFile, ImpossibleGrids) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    Tsettings s;
    ParamFile p;
    p.x = "0";
    read_all(s, p, structure_file(2, 1));
    EXPECT_EQ(s._num_pop, 0);
    EXPECT_EQ(s._errors, (std::vector<int>{13}));
  }
  {
    Tsettings s;
    ParamFile p;
    p.x = "-2";
    p.y = "-3";
    read_all(s, p, structure_file(6, 1));
    EXPECT_EQ(s._errors, (std::vector<int>{13}));
  }
  {
    Tsettings s;
    ParamFile p;
    p.x = "100000";
    p.y = "100000";
    read_all(s, p, structure_file(2, 1));
    EXPECT_EQ(s._num_pop, INT_MAX);
    EXPECT_EQ(s._errors, (std::vector<int>{14}));
    log.clear();
    s.check_parameters_validity();
    EXPECT_EQ(log.text(),
              "\n\tERROR: Too many demes, groups, routes or structures: at most 1000000 demes and "
              "groups and 10000 routes and structures!\n");
  }
}

TEST(ParamFile, GroupModeWithMissingGroupFile) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.same = "1";
  p.groups = "1";
  p.structs = "2";
  p.struct_list = "1 0 2 100";
  read_all(s, p, structure_file(2, 1));
  const std::string text = log.text();
  EXPECT_TRUE(ends_with(text,
            "\n\tGeneration 0: modification of deme demography through tessarel_alldemes_1.txt :\n"
            "WARNING: tessarel_alldemes_1.txt cannot be opened: every group gets K, r and m of 0!\n"
            "\tAll demes belonging to group 1 are modified as follow:  new K = 0  new r = 0  new m = 0\n\n"));
  EXPECT_EQ(s._final_k_group, (std::vector<double>{0}));
  EXPECT_TRUE(s._errors.empty());
}

TEST(ParamFile, ValidGroupRecordsMakeUpForDemes) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  Tsettings s;
  ParamFile p;
  p.x = "2";
  p.y = "2";
  p.same = "1";
  read_all(s, p, "h\nh\n1 1 0 0 1 1  1 1 0 0 1 1  1 1 0 0 1 1  1 1 5 0 1 1\n", "h\n10 0.1 0.1\n");
  EXPECT_TRUE(s._errors.empty());
  Tsettings t;
  read_all(t, p, "h\nh\n1 1 0 0 1 1  1 1 0 0 1 1  1 1 0 0 1 1  1 1 5 0 1 1\n", "h\n10 2 0.1\n");
  // The invalid group is also the one the demes would live by.
  EXPECT_EQ(t._errors, (std::vector<int>{3, 16}));
}

TEST(ParamFile, FirstTokensOfAnExhaustedFileAreEmpty) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  {
    // The file ends right after R: the route token is empty.
    ParamFile p;
    p.routes_count = "1";
    std::string text = p.text();
    text = text.substr(0, text.find("//no modified route"));
    testutil::write_file("tessarel_param.txt", text);
    Tsettings s;
    std::ifstream in("tessarel_param.txt");
    in >> s;
    EXPECT_EQ(s._modified_mig_from, (std::vector<int>{-1}));
    EXPECT_EQ(s._modified_mig_to, (std::vector<int>{-1}));
    EXPECT_EQ(s._modified_mig, (std::vector<float>{0.0f}));
    EXPECT_EQ(s._errors, (std::vector<int>{7}));
  }
  {
    // The file ends right after S: structure 1 starts at 0 from the empty token.
    ParamFile p;
    std::string text = p.text();
    text = text.substr(0, text.rfind("1 0\n"));
    testutil::write_file("tessarel_param.txt", text);
    testutil::write_file("tessarel_structure_1.txt", structure_file(2, 1));
    Tsettings s;
    std::ifstream in("tessarel_param.txt");
    in >> s;
    EXPECT_EQ(s._pop_struct, (std::vector<int>{0}));
    EXPECT_TRUE(s._errors.empty());
    EXPECT_EQ(s._init_k_deme.size(), 2u);
  }
}

TEST(ParamFile, WindowsLineEndsReadTheSame) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  ParamFile p;
  p.routes_count = "1";
  p.routes = "(1,2,0.5)";
  p.alleles = "4";
  std::string text = p.text();
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  testutil::write_file("tessarel_param.txt", crlf);
  testutil::write_file("tessarel_structure_1.txt", "h\r\nh\r\n1 1 0 0 1 1\r\n1 1 0 0 1 1\r\n");
  Tsettings s;
  std::ifstream in("tessarel_param.txt");
  in >> s;
  EXPECT_EQ(s._num_alleles, 4);
  EXPECT_EQ(s._modified_mig, (std::vector<float>{0.5f}));
  EXPECT_EQ(s._num_pop, 2);
  EXPECT_TRUE(s._errors.empty());
}
