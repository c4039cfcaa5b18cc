#include "test_util.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/globaldef.h"

namespace testutil {

namespace {
std::string current_dir() {
  std::vector<char> buf(4096);
  if (getcwd(buf.data(), buf.size()) == nullptr) return ".";
  return std::string(buf.data());
}

void remove_tree(const std::string& path) {
  std::string cmd = "rm -rf '" + path + "'";
  if (std::system(cmd.c_str()) != 0) {
    // Leaving a temporary folder behind is harmless.
  }
}
}  // namespace

TempDir::TempDir() : _previous(current_dir()) {
  const std::string templ = "/tmp/tessarel_test_XXXXXX";
  std::vector<char> name(templ.begin(), templ.end());
  name.push_back('\0');
  char* made = mkdtemp(name.data());
  _path = made ? std::string(made) : std::string(".");
  if (chdir(_path.c_str()) != 0) _path = _previous;
}

TempDir::~TempDir() {
  if (chdir(_previous.c_str()) != 0) {
    // Nothing sensible to do in a destructor.
  }
  if (_path != _previous) remove_tree(_path);
}

LogCapture::LogCapture() {
  char name[] = "/tmp/tessarel_log_XXXXXX";
  int fd = mkstemp(name);
  if (fd >= 0) close(fd);
  _path = name;
  AOS.close();
  AOS.clear();
  AOS.open(_path.c_str(), std::ios::out | std::ios::trunc);
}

LogCapture::~LogCapture() {
  AOS.close();
  AOS.clear();
  // Back to a log nobody reads, so later tests never write to a closed stream.
  AOS.open("/dev/null", std::ios::out);
  std::remove(_path.c_str());
}

std::string LogCapture::text() {
  AOS.flush();
  return read_file(_path);
}

void LogCapture::clear() {
  AOS.close();
  AOS.clear();
  AOS.open(_path.c_str(), std::ios::out | std::ios::trunc);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace testutil
