#ifndef TESSAREL_TESTS_SETTINGS_FIXTURE_H
#define TESSAREL_TESTS_SETTINGS_FIXTURE_H

#include <fstream>
#include <sstream>
#include <string>

#include "settings/settings.h"
#include "test_util.h"

namespace settings_test {

// The lines of a parameter file; each field is the text of its line.
struct ParamFile {
  std::string sims = "10";
  std::string gens = "100";
  std::string alleles = "2";
  std::string one_pool = "0";
  std::string init_freq = "0.5";
  std::string mutation = "0.001";
  std::string model = "1";
  std::string gradient = "0";
  std::string sel = "0.1";
  std::string ne = "0";
  std::string sw = "0";
  std::string inter = "0";
  std::string x = "2";
  std::string y = "1";
  std::string groups = "1";
  std::string same = "0";
  std::string routes_count = "0";
  std::string routes = "//no modified route";
  std::string structs = "1";
  std::string struct_list = "1 0";

  std::string text() const {
    std::ostringstream o;
    o << "//Number of simulations and generations\n"
      << sims << "\n" << gens << "\n"
      << "//Genetic settings\n"
      << alleles << "\n" << one_pool << "\n" << init_freq << "\n" << mutation << "\n"
      << "//Selection\n"
      << model << "\n" << gradient << "\n" << sel << "\n" << ne << "\n" << sw << "\n"
      << "//Output\n"
      << inter << "\n"
      << "//World\n"
      << x << "\n" << y << "\n" << groups << "\n" << same << "\n"
      << routes_count << "\n" << routes << "\n" << structs << "\n" << struct_list << "\n";
    return o.str();
  }
};

// Writes the given files into the current (temporary) folder and reads the
// parameter file into s.
inline void read_all(Tsettings& s, const ParamFile& p, const std::string& structure,
                     const std::string& alldemes = "") {
  testutil::write_file("tessarel_param.txt", p.text());
  if (!structure.empty()) testutil::write_file("tessarel_structure_1.txt", structure);
  if (!alldemes.empty()) testutil::write_file("tessarel_alldemes_1.txt", alldemes);
  std::ifstream in("tessarel_param.txt");
  in >> s;
}

}  // namespace settings_test

#endif
