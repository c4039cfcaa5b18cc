// Whole runs stored as data: every folder of tests/cases holds the input
// files of one run (in/; a folder there stands in the way of an output file
// of the same name), the start of its seed sequence (seed; "=" and a number
// for a clock stuck at that reading) and every file the run must leave
// behind, log included (out/). The run happens in a fresh folder and each
// output is compared byte for byte; a file the run writes that out/ does not
// list fails the case too.
//
// TESSAREL_RECORD=1 writes out/ from the run instead; what it writes must be
// read against the file formats before it is committed.

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/tessarel.h"
#include "support/globaldef.h"
#include "test_util.h"

using testutil::read_file;

namespace {

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool is_dir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The clock stand-in: values in [-999999, 0], as the clock gives.
SeedSource seed_source(const std::string& text) {
  const long start = std::atol(text.c_str() + (text[0] == '=' ? 1 : 0));
  if (text[0] == '=') return [start]() { return start; };
  return [next = start]() mutable {
    next = (next * 7919 + 104729) % 1000000;
    return -next;
  };
}

// Line and text of the first difference, to read a failure at a glance.
std::string first_difference(const std::string& want, const std::string& got) {
  std::size_t at = 0;
  while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
  const long line = 1 + std::count(want.begin(), want.begin() + static_cast<long>(at), '\n');
  auto around = [at](const std::string& s) {
    const std::size_t from = at == 0 ? std::string::npos : s.rfind('\n', at - 1);
    const std::size_t start = from == std::string::npos ? 0 : from + 1;
    return s.substr(start, std::min<std::size_t>(s.find('\n', at) - start, 200));
  };
  return "line " + std::to_string(line) + "\n  expected: " + around(want) + "\n  written:  " + around(got);
}

class Case : public testing::TestWithParam<std::string> {};

TEST_P(Case, WritesExactlyTheRecordedFiles) {
  const std::string root = std::string(TESSAREL_CASES_DIR) + "/" + GetParam();
  const std::vector<std::string> inputs = entries(root + "/in");
  ASSERT_FALSE(inputs.empty()) << root << "/in holds no input";
#if !defined(__SANITIZE_ADDRESS__) && !defined(__clang__)
  // A run that regresses into allocating without bound fails instead of
  // swapping the machine (AddressSanitizer cannot run under such a limit).
  struct rlimit limit = {4UL << 30, 4UL << 30};
  setrlimit(RLIMIT_AS, &limit);
#else
  if (std::ifstream(root + "/address_limit").good()) GTEST_SKIP() << "its log reads the 4 GB limit";
#endif
  testutil::TempDir dir;
  for (const std::string& f : inputs) {
    if (is_dir(root + "/in/" + f)) {
      mkdir(f.c_str(), 0755);
    } else {
      testutil::write_file(f, read_file(root + "/in/" + f));
    }
  }
  AOS.close();
  AOS.clear();
  AOS.open("tessarel.log", std::ios::out | std::ios::trunc);
  EXPECT_EQ(0, run_tessarel(seed_source(read_file(root + "/seed"))));
  AOS.close();
  AOS.clear();
  AOS.open("/dev/null", std::ios::out);

  std::set<std::string> written;
  for (const std::string& f : entries(".")) {
    if (std::find(inputs.begin(), inputs.end(), f) == inputs.end()) written.insert(f);
  }
  if (std::getenv("TESSAREL_RECORD") != nullptr) {
    mkdir((root + "/out").c_str(), 0755);
    for (const std::string& f : entries(root + "/out")) std::remove((root + "/out/" + f).c_str());
    for (const std::string& f : written) testutil::write_file(root + "/out/" + f, read_file(f));
    return;
  }
  for (const std::string& f : entries(root + "/out")) {
    if (!written.count(f)) {
      ADD_FAILURE() << f << " was not written";
      continue;
    }
    const std::string want = read_file(root + "/out/" + f);
    const std::string got = read_file(f);
    EXPECT_TRUE(want == got) << f << " differs at " << first_difference(want, got);
    written.erase(f);
  }
  for (const std::string& f : written) ADD_FAILURE() << f << " was written but is not expected";
}

std::vector<std::string> case_names() {
  std::vector<std::string> names = entries(TESSAREL_CASES_DIR);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return !is_dir(std::string(TESSAREL_CASES_DIR) + "/" + n); }),
              names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Runs, Case, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
