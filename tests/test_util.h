#ifndef TESSAREL_TESTS_TEST_UTIL_H
#define TESSAREL_TESTS_TEST_UTIL_H

#include <string>

namespace testutil {

// A fresh directory under the system's temporary folder; the process works
// inside it until the object goes out of scope, then returns and removes it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

 private:
  std::string _path;
  std::string _previous;
};

// Sends the global log stream to a file of the test's own until destroyed;
// text() returns what was logged so far.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::string text();
  void clear();

 private:
  std::string _path;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);

}  // namespace testutil

#endif
