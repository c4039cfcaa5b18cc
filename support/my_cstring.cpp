#include "support/my_cstring.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kDefaultCapacity = 10;

inline bool is_ff(char c) { return static_cast<unsigned char>(c) == 0xFF; }

inline size_t safe_strlen(const char* s) { return s ? std::strlen(s) : 0; }

// Index of the first occurrence of pat (m bytes) in text (n bytes), or -1.
int find_bytes(const char* text, int n, const char* pat, int m) {
  if (m <= 0 || m > n) return -1;
  for (int i = 0; i + m <= n; ++i)
    if (text[i] == pat[0] && std::memcmp(text + i, pat, static_cast<size_t>(m)) == 0) return i;
  return -1;
}

}  // namespace

// ---------------------------------------------------------------- lifecycle

my_string::my_string()
    : _buffer(new char[kDefaultCapacity]), _delta(10), _length(0), _capacity(kDefaultCapacity), _scratch(nullptr) {
  _buffer[0] = '\0';
}

my_string::my_string(const char* s) : _buffer(nullptr), _delta(10), _length(0), _capacity(0), _scratch(nullptr) {
  const size_t n = safe_strlen(s);
  if (n <= static_cast<size_t>(MAX_LENGTH - 1)) {
    _capacity = static_cast<int>(n) + 2;
    _buffer = new char[_capacity];
    if (n > 0) std::memcpy(_buffer, s, n);
    _buffer[n] = '\0';
    _length = static_cast<int>(n);
  } else {
    _capacity = kDefaultCapacity;
    _buffer = new char[_capacity];
    _buffer[0] = '\0';
  }
}

my_string::my_string(const my_string& s) : my_string() { *this = s; }

my_string::~my_string() {
  if (_buffer != nullptr) delete[] _buffer;
  if (_scratch != nullptr) delete[] _scratch;
}

// ---------------------------------------------------------------- growth

void my_string::grow_whole(int n) {
  if (n + 1 >= _capacity) {
    char* fresh = new char[n + 2];
    std::strcpy(fresh, _buffer);
    delete[] _buffer;
    _buffer = fresh;
    _capacity = n + 2;
  }
}

void my_string::grow_one_char() {
  if (_length + 2 >= _capacity) {
    // The allocation is one byte larger than the recorded capacity.
    _scratch = new char[_length + 1];
    std::memcpy(_scratch, _buffer, static_cast<size_t>(_length) + 1);
    delete[] _buffer;
    _buffer = new char[_delta + _length + 2];
    std::memcpy(_buffer, _scratch, static_cast<size_t>(_length) + 1);
    delete[] _scratch;
    _scratch = nullptr;
    _capacity = _delta + _length + 1;
  }
}

void my_string::append_char(char c) {
  grow_one_char();
  _buffer[_length++] = c;
  _buffer[_length] = '\0';
}

void my_string::reset_small() {
  delete[] _buffer;
  _buffer = new char[kDefaultCapacity];
  _buffer[0] = '\0';
  _capacity = kDefaultCapacity;
  _length = 0;
}

// ---------------------------------------------------------------- assignment

my_string& my_string::operator=(const my_string& s) {
  if (&s == this) return *this;
  return *this = s._buffer;
}

my_string& my_string::operator=(const char* s) {
  const size_t len = safe_strlen(s);
  if (len > static_cast<size_t>(MAX_LENGTH)) return *this;
  const int n = static_cast<int>(len);
  if (n + 1 >= _capacity) {
    // Copy before releasing: s may point into our own buffer.
    char* fresh = new char[n + 2];
    if (n > 0) std::memcpy(fresh, s, static_cast<size_t>(n));
    delete[] _buffer;
    _buffer = fresh;
    _capacity = n + 2;
  } else if (n > 0) {
    std::memmove(_buffer, s, static_cast<size_t>(n));
  }
  _buffer[n] = '\0';
  _length = n;
  return *this;
}

my_string& my_string::operator=(const char& ch) {
  const char c = ch;  // ch may refer into the buffer released below
  if (_capacity < 4) {
    delete[] _buffer;
    _capacity = 12;
    _buffer = new char[_capacity];
  }
  _buffer[0] = c;
  _buffer[1] = '\0';
  _length = 1;
  return *this;
}

my_string& my_string::operator=(int n) {
  if (_capacity < 20) {
    delete[] _buffer;
    _capacity = 22;
    _buffer = new char[_capacity];
  }
  _length = std::snprintf(_buffer, static_cast<size_t>(_capacity), "%d", n);
  return *this;
}

my_string& my_string::operator=(float f) {
  if (_capacity < 40) {
    delete[] _buffer;
    _capacity = 42;
    _buffer = new char[_capacity];
  }
  // "%f" of a large float needs more than 40 characters (47 for the largest,
  // sign included): format aside first.
  return *this = std::to_string(static_cast<double>(f)).c_str();
}

// The text version copes with a text taken from this very object.
my_string& my_string::operator+=(const my_string& s) { return *this += s._buffer; }

my_string& my_string::operator+=(const char* s) {
  const size_t own = std::strlen(_buffer);
  const size_t add = safe_strlen(s);
  if (own + add > static_cast<size_t>(MAX_LENGTH)) return *this;
  const int n = static_cast<int>(own + add);
  if (n + 1 >= _capacity) {
    char* fresh = new char[n + 2];
    std::memcpy(fresh, _buffer, own);
    if (add > 0) std::memcpy(fresh + own, s, add);  // s may point into the old buffer
    delete[] _buffer;
    _buffer = fresh;
    _capacity = n + 2;
  } else if (add > 0) {
    std::memmove(_buffer + own, s, add);
  }
  _buffer[n] = '\0';
  _length = n;
  return *this;
}

my_string& my_string::operator+=(char c) {
  if (_length >= MAX_LENGTH) return *this;
  append_char(c);
  return *this;
}

my_string operator+(const my_string& a, const my_string& b) { return a + b._buffer; }

my_string operator+(const my_string& a, const char* b) {
  my_string result;
  const size_t la = std::strlen(a._buffer);
  const size_t lb = safe_strlen(b);
  if (la + lb > static_cast<size_t>(my_string::MAX_LENGTH)) return result;
  result = a._buffer;
  result += b;
  return result;
}

// ---------------------------------------------------------------- readers

int my_string::read_line(std::istream& in) {
  if (_capacity < 2) {
    delete[] _buffer;
    _buffer = new char[2];
    _capacity = 2;
  }
  _buffer[0] = '\0';
  _length = 0;

  char c;
  if (!in.get(c)) return 0;
  while (c == ' ' || c == '\t' || c == '\r') {
    if (!in.get(c)) return 0;
  }
  if (is_ff(c)) return 1;
  for (;;) {
    if (c == '\n' || is_ff(c)) return 1;
    // Past the limit every byte is dropped and the line read on to its end,
    // a NUL too: a dropped byte must not end the line, or the rest of it
    // would pass for the next line.
    if (_length < MAX_LENGTH) {
      append_char(c);
      // A stored NUL ends the line; what follows it belongs to the next call.
      if (c == '\0') return 1;
    }
    if (!in.get(c)) return 0;
  }
}

void my_string::read_token(std::istream& in) {
  reset_small();
  char c;
  for (;;) {
    if (!in.get(c)) return;
    if (c != '\t' && c != ' ' && c != '\n' && c != '\r') break;
  }
  for (;;) {
    if (c == '\t' || c == ' ') return;
    if (c == '\n') {
      in.putback(c);
      return;
    }
    if (_length >= _capacity - 1) {
      char* fresh = new char[_capacity + _delta];
      std::memcpy(fresh, _buffer, static_cast<size_t>(_length) + 1);
      delete[] _buffer;
      _buffer = fresh;
      _capacity += _delta;
    }
    _buffer[_length++] = c;
    _buffer[_length] = '\0';
    if (!in.get(c)) return;
  }
}

void my_string::read_to_delim(std::istream& in, char d) {
  _length = 0;
  _buffer[0] = '\0';
  if (in.fail()) return;
  char c;
  while (in.get(c)) {
    if (c == d || c == '\n' || c == '\0' || is_ff(c)) return;
    if (_length < MAX_LENGTH) append_char(c);
  }
}

void my_string::read_to_delim(std::istream& in) {
  _length = 0;
  _buffer[0] = '\0';
  if (in.fail()) return;
  char c;
  while (in.get(c)) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\0' || is_ff(c)) return;
    if (_length < MAX_LENGTH) append_char(c);
  }
}

std::istream& operator>>(std::istream& is, my_string& s) {
  s._length = 0;
  s._buffer[0] = '\0';
  char c;
  do {
    if (!is.get(c)) return is;
  } while (c == ' ' || c == '\t');
  for (;;) {
    if (c == ' ' || c == '\r' || is_ff(c)) return is;
    if (c == '\n') {
      is.putback(c);
      // An empty word fails, so that a word loop stops at the line end
      // instead of reading empty words forever.
      if (s._length == 0) is.setstate(std::ios::failbit);
      return is;
    }
    if (s._length < my_string::MAX_LENGTH) s += c;
    if (!is.get(c)) {
      // The word ends with the input; keep the stream usable for the caller.
      if (s._length > 0) is.clear(is.rdstate() & ~std::ios::failbit);
      return is;
    }
  }
}

int my_string::GetNextQuota(std::istream& in) {
  char c;
  for (;;) {
    if (!in.get(c)) return 0;
    if (c == '\n') return 0;
    if (c == '"') break;
  }
  for (;;) {
    if (!in.get(c)) return 1;
    if (c == '"') return 1;
    if (c == '\n') return 0;
    if (_length < MAX_LENGTH) append_char(c);
  }
}

// ---------------------------------------------------------------- queries

int my_string::rfind(const my_string& pattern) const {
  return find_bytes(_buffer, _length, pattern._buffer, static_cast<int>(std::strlen(pattern._buffer)));
}

int my_string::find_first_of(const char& c) const {
  for (int i = 0; i < _length; ++i)
    if (_buffer[i] == c) return i;
  return -1;
}

int my_string::find_first_of(const char& c, int start) const {
  if (_length < start || _length == 0) return -1;
  return find_first_of(c);
}

bool my_string::contains(const char* pattern) const {
  if (pattern == nullptr) return false;
  return find_bytes(_buffer, _length, pattern, static_cast<int>(std::strlen(pattern))) >= 0;
}

bool my_string::contains(const my_string& pattern) const { return contains(pattern._buffer); }

bool my_string::contains(char c) const { return find_first_of(c) >= 0; }

bool my_string::is_null() const { return _length == 0; }

// ---------------------------------------------------------------- in place edits

my_string& my_string::remove(int pos, int n) {
  if (pos <= 0 || n <= 0) return *this;
  if (pos >= _length) return *this;  // nothing lies there to remove
  const my_string rest(_buffer + pos + std::min(n, _length - pos));
  _buffer[pos] = '\0';
  return *this += rest;
}

void my_string::remove_blanks() {
  int kept = 0;
  for (int i = 0; i < _length; ++i)
    if (_buffer[i] != ' ' && _buffer[i] != '\t') _buffer[kept++] = _buffer[i];
  _buffer[kept] = '\0';
  _length = kept;
}

void my_string::convert_slash_to_blank() { std::replace(_buffer, _buffer + _length, '/', ' '); }

void my_string::convert_brackets_to_blank() {
  std::replace_if(_buffer, _buffer + _length, [](char c) { return c == '(' || c == ')'; }, ' ');
}

void my_string::convert_to_slash() { std::replace(_buffer, _buffer + _length, '\\', '/'); }

void my_string::convert_to_html_slash() { convert_to_slash(); }

void my_string::convert_to_underline() {
  std::replace_if(_buffer, _buffer + _length, [](char c) { return c == '\\' || c == ':' || c == '/'; }, '_');
}

my_string my_string::convert_blank_to_html_blank() const {
  my_string result;
  for (int i = 0; i < _length; ++i) {
    if (_buffer[i] == ' ') {
      result += '%';
      result += '2';
      result += '0';
    } else {
      result += _buffer[i];
    }
  }
  return result;
}

void my_string::Lower() {
  for (char* c = _buffer; c != _buffer + _length; ++c)
    if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
}

void my_string::to_lower() { Lower(); }

void my_string::Upper() {
  for (char* c = _buffer; c != _buffer + _length; ++c)
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
}

void my_string::to_upper() { Upper(); }

void my_string::rm_path() {
  if (_length == 0) return;
  int sep = 0;  // without a separator the first character serves as one
  for (int i = 0; i < _length; ++i)
    if (_buffer[i] == '\\' || _buffer[i] == '/') sep = i;
  *this = _buffer + sep + 1;  // the assignment copes with a text inside its own buffer
}

void my_string::extract_path() {
  if (_length == 0) return;
  int sep = 0;
  for (int i = 0; i < _length; ++i)
    if (_buffer[i] == '\\' || _buffer[i] == '/') sep = i;
  _buffer[sep + 1] = '\0';
  _length = sep + 1;
}

// ---------------------------------------------------------------- extraction

my_string my_string::extract_sub_str(char d) {
  my_string result;
  int i = 0;
  while (i < _length && _buffer[i] == d) ++i;
  if (i == _length) {
    _buffer[0] = '\0';
    _length = 0;
    return result;
  }
  int j = i;
  while (j < _length && _buffer[j] != d) ++j;
  const int n = j - i;
  if (n <= MAX_LENGTH) {
    result.grow_whole(n);
    std::memcpy(result._buffer, _buffer + i, static_cast<size_t>(n));
    result._buffer[n] = '\0';
    result._length = n;
  }
  std::memmove(_buffer, _buffer + j, static_cast<size_t>(_length - j) + 1);
  _length -= j;
  return result;
}

my_string my_string::extract_before(char c) const {
  my_string result;
  if (_length == 0) return result;
  int end = 0;
  while (end < _length && _buffer[end] != c) ++end;
  if (end == 0 || end > MAX_LENGTH) return result;
  result.grow_whole(end);
  std::memcpy(result._buffer, _buffer, static_cast<size_t>(end));
  result._buffer[end] = '\0';
  result._length = end;
  return result;
}

my_string my_string::extract_after(char c) const {
  my_string result;
  if (_length == 0) return result;
  int at = 0;
  while (at < _length && _buffer[at] != c) ++at;
  const int start = at < _length ? at + 1 : 0;
  const int n = _length - start;
  if (n == 0 || n > MAX_LENGTH) return result;
  result.grow_whole(n);
  std::memcpy(result._buffer, _buffer + start, static_cast<size_t>(n));
  result._buffer[n] = '\0';
  result._length = n;
  return result;
}

// ---------------------------------------------------------------- output

std::ostream& operator<<(std::ostream& os, const my_string& s) {
  if (s._buffer == nullptr) {
    os.setstate(std::ios::badbit);
    return os;
  }
  os << s._buffer;
  return os;
}

void cut_comment(my_string& text) {
  const int p = text.rfind(my_string("//"));
  if (p >= 1) text.remove(p, text._length - p);
}

// ---------------------------------------------------------------- char arrays

char* my_strcpy(char* dest, const char* src) { return std::strcpy(dest, src); }

char* my_strcat(char* dest, const char* src) { return std::strcat(dest, src); }

void my_strtok_right(char* s, char c) {
  if (s == nullptr || *s == '\0') return;
  char* last = std::strrchr(s, c);
  if (last != nullptr) *last = '\0';
}
