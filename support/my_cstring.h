#ifndef TESSAREL_SUPPORT_MY_CSTRING_H
#define TESSAREL_SUPPORT_MY_CSTRING_H

#include <istream>
#include <ostream>

// Owning byte string of at most 10000 characters (read_token excepted).
// No operation throws or reports: where the limit is hit, the operation
// leaves the object as documented on it. Data members are public so that
// callers may read the text directly; prefer c_str() and length().
class my_string {
 public:
  static const int MAX_LENGTH = 10000;

  char* _buffer;   // owned, always NUL-terminated
  int _delta;      // growth step of character-wise appends (10)
  int _length;     // characters held (a NUL stored by read_line counts)
  int _capacity;   // recorded buffer size
  char* _scratch;  // transient copy used while the buffer grows

  my_string();
  my_string(const char* s);  // 10000 characters or more give the empty text
  my_string(const my_string& s);
  ~my_string();

  // Read access for callers.
  const char* c_str() const { return _buffer; }
  int length() const { return _length; }

  // Whole-text assignment and appending: over 10000 characters the object
  // stays as it was.
  my_string& operator=(const my_string& s);
  my_string& operator=(const char* s);
  my_string& operator=(const char& c);
  my_string& operator=(int n);    // "%d"
  my_string& operator=(float f);  // "%f"
  my_string& operator+=(const my_string& s);
  my_string& operator+=(const char* s);
  my_string& operator+=(char c);  // dropped when 10000 characters are held

  // Line reader: 1 at a line end (LF, 0xFF, NUL), 0 when input ran out.
  int read_line(std::istream& in);
  // Whitespace-delimited token of any length.
  void read_token(std::istream& in);
  // Characters up to d, LF, NUL or 0xFF (the ending one consumed).
  void read_to_delim(std::istream& in, char d);
  // Characters up to space, TAB, LF, NUL or 0xFF.
  void read_to_delim(std::istream& in);
  // Appends the next double-quoted text of the current line.
  int GetNextQuota(std::istream& in);

  // Index of the first occurrence of the pattern (searches forward), or -1.
  int rfind(const my_string& pattern) const;
  int find_first_of(const char& c) const;
  int find_first_of(const char& c, int start) const;
  my_string& remove(int pos, int n);
  bool contains(const char* pattern) const;
  bool contains(const my_string& pattern) const;
  bool contains(char c) const;
  bool is_null() const;

  void remove_blanks();
  void convert_slash_to_blank();
  void convert_brackets_to_blank();
  void convert_to_slash();
  void convert_to_html_slash();
  void convert_to_underline();
  my_string convert_blank_to_html_blank() const;

  void Lower();
  void to_lower();
  void Upper();
  void to_upper();

  void rm_path();
  void extract_path();

  // Field tokenizer: removes leading d's and the next field from the front
  // of the object and returns the field.
  my_string extract_sub_str(char d);
  my_string extract_before(char c) const;
  my_string extract_after(char c) const;

 private:
  void grow_whole(int n);   // room for a text of n characters
  void grow_one_char();     // room for one more character
  void append_char(char c); // character-wise rule, no limit check
  void reset_small();       // empty text in a fresh 10-byte buffer
};

my_string operator+(const my_string& a, const my_string& b);
my_string operator+(const my_string& a, const char* b);
std::ostream& operator<<(std::ostream& os, const my_string& s);
std::istream& operator>>(std::istream& is, my_string& s);

// The comment cut of every reader: text from the first "//" on is dropped,
// unless that "//" starts the text (which then stays whole).
void cut_comment(my_string& text);

char* my_strcpy(char* dest, const char* src);
char* my_strcat(char* dest, const char* src);
// Cuts s at the last occurrence of c.
void my_strtok_right(char* s, char c);

#endif
