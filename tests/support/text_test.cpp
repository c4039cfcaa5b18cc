// The text class: the line reader and the field operations every reader
// uses, the limit of 10000 characters, and the operations the run never calls.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/my_cstring.h"

namespace {

// The text, held to the class's invariants: a terminated text of _length
// characters in a buffer of more than _length bytes.
std::string text(const my_string& s) {
  EXPECT_TRUE(s._capacity > s._length && std::strlen(s._buffer) == static_cast<std::size_t>(s._length)) << s._buffer;
  return s._buffer;
}

// The text an operation leaves in a fresh object made from `in`, followed
// by what it returned (as text), if anything.
std::string after(const std::string& in, const std::function<std::string(my_string&)>& op) {
  my_string s(in.c_str());
  const std::string result = op(s);
  return text(s) + (result.empty() ? "" : "|" + result);
}

}  // namespace

TEST(Text, LineReaderSkipsLeadingBlanksAndEndsAtLfFfOrNul) {
  const std::string big(10005, 'x');
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"  \tabc def\r\n\nxyz", {"abc def\r|1", "|1", "xyz|0"}},
      {"", {"|0"}},
      {" \t ", {"|0"}},
      {"ab\xff" "cd\n", {"ab|1", "cd|1", "|0"}},
      {std::string("a\0b\n", 4), {std::string("a\0|1", 4), "b|1"}},
      {"\r \xff" "q", {"|1", "q|0"}},
      {big + "\nnext", {big.substr(0, 10000) + "|1", "next|0"}}};
  for (const auto& c : cases) {
    std::istringstream in(c.first);
    my_string line("previous");
    for (const std::string& want : c.second) {
      const int more = line.read_line(in);
      EXPECT_GT(line._capacity, line._length);
      EXPECT_EQ(std::string(line._buffer, line._length) + "|" + std::to_string(more), want) << c.first.substr(0, 20);
    }
  }
}

TEST(Text, Operations) {
  using S = my_string&;
  const std::string max(10000, 'a');
  const std::vector<std::pair<std::string, std::string>> checks = {
      {after("1 // a // b", [](S s) { return std::to_string(s.rfind(my_string("//"))); }), "1 // a // b|2"},
      {after("1 // a // b", [](S s) { cut_comment(s); return ""; }), "1 "},
      {after("//3 //4", [](S s) { cut_comment(s); s.remove_blanks(); return ""; }), "//3//4"},
      {after("\t\tA\tB", [](S s) { return text(s.extract_sub_str('\t')); }), "\tB|A"},
      {after("\tB", [](S s) { return text(s.extract_sub_str('\t')) + text(s.extract_sub_str('\t')); }), "|B"},
      {after("\t\t", [](S s) { return text(s.extract_sub_str('\t')); }), ""},
      {after("key:v:w", [](S s) { return text(s.extract_before(':')) + "," + text(s.extract_after(':')); }),
       "key:v:w|key,v:w"},
      {after("abc", [](S s) { return text(s.extract_before(':')) + "," + text(s.extract_after(':')); }), "abc|abc,abc"},
      {after(":a:", [](S s) { return text(s.extract_before(':')) + "," + text(s.extract_after(':')); }), ":a:|,a:"},
      {after("a:", [](S s) { return text(s.extract_after(':')); }), "a:"},
      {after("key:a_value_of_20_chars", [](S s) { return text(s.extract_after(':')); }), "key:a_value_of_20_chars|a_value_of_20_chars"},
      {after("abc", [](S s) { return std::to_string(s.contains("") + 2 * s.contains("abcd") + 4 * s.contains("bc") +
                                                    8 * s.contains('c') + 16 * s.contains('d')); }), "abc|12"},
      {after("abcdef", [](S s) { s.remove(0, 3).remove(2, 0).remove(4, 1); return ""; }), "abcdf"},
      {after("", [](S s) { s = "x"; s = "abcdefghij"; s = "abcdef"; s.remove(4, 3); return ""; }), "abcd"},
      {after(" a\tb/(c) ", [](S s) { s.convert_slash_to_blank(); s.convert_brackets_to_blank(); return ""; }), " a\tb  c  "},
      {after(" a\tb c ", [](S s) { s.remove_blanks(); return ""; }), "abc"},
      {after("x", [](S s) { std::ostringstream o; o << s << my_string("") << s; return o.str(); }), "x|xx"},
      // The limit: assignments and joins beyond it change nothing or give nothing.
      {after("old", [&max](S s) { s = (max + "b").c_str(); return ""; }), "old"},
      {after("", [&max](S s) { s = max.c_str(); s += "c"; s += 'c'; return std::to_string(s._length); }),
       max + "|10000"},
      {after("", [&max](S) { return std::to_string((my_string(max.c_str()) + "").is_null()) +
                                      std::to_string((my_string(max.substr(1).c_str()) + "c")._length); }), "|110000"},
      {after("ab", [](S s) { my_string t(s); return text(s += t) + text(my_string("x") + t); }), "abab|ababxab"},
      // Operations the run never calls.
      {after("path\\To/Fz A", [](S s) { s.Upper(); return text(s); }), "PATH\\TO/FZ A|PATH\\TO/FZ A"},
      {after("PATH\\TO/FZ A", [](S s) { s.to_lower(); return text(s.convert_blank_to_html_blank()); }),
       "path\\to/fz a|path\\to/fz%20a"},
      {after("a/b/c", [](S s) { return std::to_string(s.find_first_of('/') * 100 + s.find_first_of('/', 9) * 10 +
                                                     s.find_first_of('#')); }), "a/b/c|89"},
      {after("p\\t/f", [](S s) { s.rm_path(); return ""; }), "f"},
      {after("n", [](S s) { s.rm_path(); return ""; }), ""},
      {after("p\\t/f", [](S s) { s.extract_path(); return ""; }), "p\\t/"},
      {after("name", [](S s) { s.extract_path(); return ""; }), "n"},
      {after("a\\b:c/d", [](S s) { s.convert_to_underline(); return ""; }), "a_b_c_d"},
      {after("a\\b", [](S s) { s.convert_to_slash(); s.convert_to_html_slash(); return ""; }), "a/b"},
      // Numbers and characters keep a buffer that is large enough, or take one of 12 or 22 bytes.
      {after("", [](S s) { s = 'q'; return std::to_string(s._capacity); }), "q|12"},
      {after("ab", [](S s) { s = 'q'; return std::to_string(s._capacity); }), "q|4"},
      {after(std::string(18, 'x'), [](S s) { s = -42; return std::to_string(s._capacity); }), "-42|20"},
      {after("ab", [](S s) { s += "c"; s += 'd'; s += 'e'; return ""; }), "abcde"},
      {after("", [](S s) { s = 1.5f; return std::to_string(s._capacity); }), "1.500000|42"},
      {after("", [](S) { char b[16]; my_strcpy(b, "a/b/c"); my_strtok_right(b, '/'); return std::string(my_strcat(b, "!")); }),
       "|a/b!"}};
  for (const auto& c : checks) EXPECT_EQ(c.first, c.second);
}

TEST(Text, TokenWordAndQuoteReaders) {
  // A token resets to a 10-byte buffer and grows by 10 at a time, whatever
  // the capacity before.
  my_string s(std::string(50, 'z').c_str()), w, q;
  std::istringstream in("  \n a_token_of_25_characters\nx\"in quotes\" \"open\n");
  s.read_token(in);
  EXPECT_EQ(text(s) + std::to_string(s._capacity), "a_token_of_25_characters30");
  in >> w;
  EXPECT_TRUE(in.fail() && w.is_null());
  in.clear();
  in.get();
  EXPECT_EQ(q.GetNextQuota(in), 1);
  EXPECT_EQ(q.GetNextQuota(in), 0);
  std::istringstream bare("no quote\n\"q\"");
  EXPECT_EQ(w.GetNextQuota(bare), 0);
  EXPECT_EQ(text(q), "in quotesopen");
  std::istringstream words(std::string("a\tb c,x\ny,d\0  e f", 17));
  std::string got;
  for (int k = 0; k < 4; ++k) {
    (k < 2 ? w.read_to_delim(words, ',') : w.read_to_delim(words));
    got += text(w) + "|";
  }
  words >> w >> q;  // the last word ends with the input, the stream stays usable
  EXPECT_EQ(got + text(w) + "|" + text(q) + "|" + std::to_string(!words.fail()), "a\tb c|x|y,d||e|f|1");
  for (int k = 0; k < 2; ++k) {  // the rest of an over-long field is read and dropped
    std::istringstream field(std::string(10005, 'x') + ",y");
    k == 0 ? w.read_to_delim(field, ',') : w.read_to_delim(field);
    EXPECT_EQ(w._length, 10000);
  }
}
