// Every reader and text operation of my_string over arbitrary bytes: none may
// read or write outside its buffer, break the 10000-character limit, lose its
// terminating NUL or loop without consuming its input.

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz_common.h"
#include "support/my_cstring.h"

namespace {

const int kLimit = my_string::MAX_LENGTH;

// The buffer holds a terminated text of _length characters or fewer (a NUL
// stored by the line reader counts in _length but ends the C text earlier).
void check_text(const my_string& s, bool limited, const char* what) {
  fuzzutil::require(s._buffer != nullptr, what);
  fuzzutil::require(s._length >= 0, what);
  if (limited) fuzzutil::require(s._length <= kLimit, what);
  fuzzutil::require(s._buffer[s._length] == '\0', what);
  fuzzutil::require(std::strlen(s._buffer) <= static_cast<size_t>(s._length), what);
}

int int_from(const std::string& bytes, size_t at) {
  unsigned v = 0;
  for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return static_cast<int>(v);
}

// Operations on one line of text, as the readers apply them.
void exercise_line(my_string& line, const std::string& bytes) {
  check_text(line, true, "read_line result");
  const std::string copy(line._buffer, static_cast<size_t>(line._length));

  // Comment cut as every reader does it.
  my_string cut(line);
  check_text(cut, true, "copy");
  int p = cut.rfind(my_string("//"));
  fuzzutil::require(p == -1 || (p >= 0 && p + 1 < cut._length && cut._buffer[p] == '/' && cut._buffer[p + 1] == '/'),
                    "rfind position");
  cut.remove(p, cut._length - p);
  check_text(cut, true, "comment cut");

  my_string blanks(cut);
  blanks.remove_blanks();
  check_text(blanks, true, "remove_blanks");
  for (int i = 0; i < blanks._length; ++i) {
    fuzzutil::require(blanks._buffer[i] != ' ' && blanks._buffer[i] != '\t', "blank left");
  }

  my_string shaped(line);
  shaped.convert_slash_to_blank();
  shaped.convert_brackets_to_blank();
  check_text(shaped, true, "convert to blank");

  // Field tokenizer: every call consumes something or empties the object.
  const char delims[] = {'\t', ' ', ',', ':'};
  for (char d : delims) {
    my_string rest(line);
    int guard = rest._length + 2;
    while (!rest.is_null()) {
      const int before = rest._length;
      my_string field = rest.extract_sub_str(d);
      check_text(field, true, "extract_sub_str field");
      check_text(rest, true, "extract_sub_str rest");
      fuzzutil::require(rest._length < before, "extract_sub_str consumed nothing");
      fuzzutil::require(--guard > 0, "extract_sub_str endless");
    }
    my_string b = line.extract_before(d);
    my_string a = line.extract_after(d);
    check_text(b, true, "extract_before");
    check_text(a, true, "extract_after");
    fuzzutil::require(b._length <= line._length && a._length <= line._length, "extraction longer than text");
  }

  // Positions and counts straight from the input.
  my_string cutter(line);
  cutter.remove(int_from(bytes, 0), int_from(bytes, 4));
  check_text(cutter, true, "remove");
  cutter.remove(int_from(bytes, 1) % (kLimit + 3), int_from(bytes, 5) % (kLimit + 3));
  check_text(cutter, true, "remove small");

  (void)line.contains("*");
  (void)line.contains('(');
  (void)line.contains(copy.c_str());
  (void)line.contains(my_string("UNIFORM"));
  (void)line.find_first_of('x');
  (void)line.find_first_of('x', int_from(bytes, 2));

  my_string up(line);
  up.Upper();
  up.to_lower();
  up.convert_to_slash();
  up.convert_to_html_slash();
  up.convert_to_underline();
  check_text(up, true, "case and separators");

  my_string path(line);
  path.rm_path();
  check_text(path, true, "rm_path");
  my_string dir(line);
  dir.extract_path();
  check_text(dir, true, "extract_path");

  my_string html = line.convert_blank_to_html_blank();
  check_text(html, true, "convert_blank_to_html_blank");

  my_string joined = line + line;
  check_text(joined, true, "operator+");
  my_string joined2 = line + copy.c_str();
  check_text(joined2, true, "operator+ char*");
  my_string grown(line);
  for (int i = 0; i < 3; ++i) grown += grown;
  check_text(grown, true, "operator+=");
  grown += 'x';
  check_text(grown, true, "operator+= char");
  my_string assigned;
  assigned = copy.c_str();
  check_text(assigned, true, "operator= char*");

  // The plain character-array helpers, on a buffer with room to spare.
  std::string room = std::string(line._buffer) + std::string(8, '\0');
  my_strtok_right(&room[0], '/');
  my_strtok_right(&room[0], static_cast<char>(bytes.empty() ? 0 : bytes[0]));
  std::string target(room.size() * 2 + 2, '\0');
  my_strcpy(&target[0], room.c_str());
  my_strcat(&target[0], room.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::setup_once();
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Construction from a character array: 10000 characters or more give the
  // empty text.
  {
    my_string whole(bytes.c_str());
    check_text(whole, true, "constructor");
    if (std::strlen(bytes.c_str()) >= static_cast<size_t>(kLimit)) {
      fuzzutil::require(whole._length == 0, "constructor kept an over-long text");
    }
  }

  // Line by line, as every line-oriented reader consumes a file.
  {
    std::istringstream in(bytes);
    my_string line;
    int lines = 0;
    while (true) {
      const std::streampos before = in.tellg();
      const int more = line.read_line(in);
      exercise_line(line, bytes);
      if (more == 0) break;
      fuzzutil::require(++lines <= static_cast<int>(size) + 1, "read_line returned 1 without consuming input");
      (void)before;
    }
  }

  // Word readers.
  {
    std::istringstream in(bytes);
    my_string word;
    int guard = static_cast<int>(size) + 2;
    while (in >> word) {
      check_text(word, true, "operator>>");
      if (--guard <= 0) break;
    }
  }
  {
    std::istringstream in(bytes);
    my_string token;
    for (int i = 0; i < 64 && in.good(); ++i) {
      token.read_token(in);
      check_text(token, false, "read_token");
    }
  }
  {
    std::istringstream in(bytes);
    my_string field;
    for (int i = 0; i < 64 && in.good(); ++i) {
      field.read_to_delim(in, ',');
      check_text(field, true, "read_to_delim(d)");
      field.read_to_delim(in);
      check_text(field, true, "read_to_delim");
    }
  }
  {
    std::istringstream in(bytes);
    my_string quoted;
    for (int i = 0; i < 64 && in.good(); ++i) {
      quoted.GetNextQuota(in);
      check_text(quoted, true, "GetNextQuota");
    }
  }

  // Number texts.
  {
    my_string n;
    n = int_from(bytes, 0);
    check_text(n, true, "operator=(int)");
    float f = 0.0f;
    if (size >= 4) std::memcpy(&f, data, 4);
    n = f;
    check_text(n, true, "operator=(float)");
    n = static_cast<char>(size ? data[0] : 0);
    check_text(n, true, "operator=(char)");
  }
  return 0;
}
