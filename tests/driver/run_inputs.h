#ifndef TESSAREL_TESTS_DRIVER_RUN_INPUTS_H
#define TESSAREL_TESTS_DRIVER_RUN_INPUTS_H

// Input sets and helpers shared by the end-to-end tests of the run.

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "driver/tessarel.h"
#include "test_util.h"

namespace runtest {

// The parameter file, line by line, and the first structure (and group) file.
struct Inputs {
  std::string simulations = "1";
  std::string generations = "2";
  std::string alleles = "2";
  std::string one_pool = "0";
  std::string init_freq = "1";
  std::string mutation = "0";
  std::string model = "1";
  std::string gradient = "0";
  std::string rate = "0";
  std::string north_east = "0";
  std::string south_west = "0";
  std::string intermediate = "0";
  std::string x = "1";
  std::string y = "1";
  std::string groups = "1";
  std::string same_demo = "0";
  std::string route_count = "0";
  std::string routes = "no routes";
  std::string structures = "1";
  std::string structure_list = "1 0";
  // One record "N0 K r m group sample" per deme.
  std::vector<std::string> demes;
  // Group records "K r m" (group mode only).
  std::vector<std::string> group_records;

  std::string parameter_text() const {
    std::ostringstream out;
    out << "test run\n"
        << simulations << "\n"
        << generations << "\n"
        << "genetics\n"
        << alleles << "\n"
        << one_pool << "\n"
        << init_freq << "\n"
        << mutation << "\n"
        << "selection\n"
        << model << "\n"
        << gradient << "\n"
        << rate << "\n"
        << north_east << "\n"
        << south_west << "\n"
        << "output\n"
        << intermediate << "\n"
        << "world\n"
        << x << "\n"
        << y << "\n"
        << groups << "\n"
        << same_demo << "\n"
        << route_count << "\n"
        << routes << "\n"
        << structures << "\n"
        << structure_list << "\n";
    return out.str();
  }

  void write() const {
    testutil::write_file("tessarel_param.txt", parameter_text());
    std::string structure = "structure 1\nN0 K r m group sample\n";
    for (const std::string& d : demes) structure += d + "\n";
    testutil::write_file("tessarel_structure_1.txt", structure);
    if (!group_records.empty()) {
      std::string groups_text = "groups\n";
      for (const std::string& g : group_records) groups_text += g + "\n";
      testutil::write_file("tessarel_alldemes_1.txt", groups_text);
    }
  }
};

// A fixed sequence of clock-like seeds (values in [-999999, 0]).
inline SeedSource seed_sequence(long start) {
  long next = start;
  return [next]() mutable {
    next = (next * 7919 + 104729) % 1000000;
    return -next;
  };
}

inline SeedSource constant_seed(long value) {
  return [value]() { return value; };
}

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

// The value of the first line "key=value" of a project file, -1 if absent.
inline long project_value(const std::string& text, const std::string& key) {
  for (const std::string& line : split_lines(text)) {
    if (line.compare(0, key.size() + 1, key + "=") == 0) return std::atol(line.c_str() + key.size() + 1);
  }
  return -1;
}

// SampleSize of the block of "population k", -1 when the deme has no block.
inline long sample_size_of(const std::string& project, int k) {
  std::vector<std::string> lines = split_lines(project);
  const std::string name = "SampleName=\"population " + std::to_string(k) + "\"";
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == name) return std::atol(lines[i + 1].c_str() + 11);
  }
  return -1;
}

// Allele lines ("a" + number + TAB + frequency) of the block of "population k".
inline std::vector<std::string> sample_lines_of(const std::string& project, int k) {
  std::vector<std::string> lines = split_lines(project);
  std::vector<std::string> result;
  const std::string name = "SampleName=\"population " + std::to_string(k) + "\"";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != name) continue;
    for (size_t j = i + 3; j < lines.size() && lines[j] != "}"; ++j) result.push_back(lines[j]);
    break;
  }
  return result;
}

}  // namespace runtest

#endif
