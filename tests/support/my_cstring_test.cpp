#include <gtest/gtest.h>

#include <cfloat>
#include <sstream>
#include <string>

#include "support/my_cstring.h"

namespace {

std::string text(const my_string& s) { return std::string(s.c_str()); }

// Reads one line and returns the reader's result along with the text.
std::pair<int, std::string> line(my_string& s, std::istream& in) {
  int r = s.read_line(in);
  return {r, std::string(s._buffer, static_cast<size_t>(s._length))};
}

void comment_cut(my_string& s) {
  int p = s.rfind("//");
  s.remove(p, s._length - p);
}

}  // namespace

TEST(LineReader, BlanksLineEndsAndEndOfInput) {
  std::istringstream in(std::string("  \tabc def\r\n\n\r\r lead\nxyz"));
  my_string s;
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("abc def\r")));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("")));
  EXPECT_TRUE(s.is_null());
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("lead")));
  EXPECT_EQ(line(s, in), std::make_pair(0, std::string("xyz")));
  EXPECT_EQ(line(s, in), std::make_pair(0, std::string("")));

  std::istringstream empty("");
  EXPECT_EQ(line(s, empty), std::make_pair(0, std::string("")));
  std::istringstream blanks("   \t");
  EXPECT_EQ(line(s, blanks), std::make_pair(0, std::string("")));
}

TEST(LineReader, CarriageReturnLineEndsKeepTrailingCr) {
  std::istringstream in(std::string("a b\r\nc\r\n"));
  my_string s;
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("a b\r")));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("c\r")));
  EXPECT_EQ(line(s, in).first, 0);
}

TEST(LineReader, ByteFFEndsTheLine) {
  std::istringstream in(std::string("ab\xFF" "cd\n\xFFrest\n"));
  my_string s;
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("ab")));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("cd")));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("")));  // leading 0xFF
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("rest")));
}

TEST(LineReader, NulIsStoredAndEndsTheLine) {
  std::istringstream in(std::string("ab\0cd\n", 6));
  my_string s;
  EXPECT_EQ(s.read_line(in), 1);
  EXPECT_EQ(s._length, 3);
  EXPECT_EQ(text(s), "ab");
  std::ostringstream out;
  out << s;
  EXPECT_EQ(out.str(), "ab");
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("cd")));
}

TEST(LineReader, OverLongLineKeepsTheLimitAndConsumesTheRest) {
  std::string longline(10005, 'q');
  longline[9999] = 'E';
  longline[10000] = 'X';
  std::istringstream in(longline + "\nnext\n" + std::string(10003, 'w'));
  my_string s;
  EXPECT_EQ(s.read_line(in), 1);
  EXPECT_EQ(s._length, 10000);
  EXPECT_EQ(text(s), longline.substr(0, 10000));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("next")));
  EXPECT_EQ(s.read_line(in), 0);  // last line without LF, over the limit too
  EXPECT_EQ(text(s), std::string(10000, 'w'));

  // A NUL past the limit is dropped like any byte there and does not end
  // the line; a CR or 0xFF there behaves as on a short line.
  std::istringstream nul(std::string(10002, 'n') + std::string(1, '\0') + "after\n" +
                         std::string(10001, 'c') + "\r\xFF" "tail\n");
  EXPECT_EQ(line(s, nul), std::make_pair(1, std::string(10000, 'n')));
  EXPECT_EQ(line(s, nul), std::make_pair(1, std::string(10000, 'c')));
  EXPECT_EQ(line(s, nul), std::make_pair(1, std::string("tail")));
}

TEST(LineReader, ReusedObjectStartsEmptyEachLine) {
  std::istringstream in(std::string("a long first line\nb\n"));
  my_string s("previous");
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("a long first line")));
  EXPECT_EQ(line(s, in), std::make_pair(1, std::string("b")));
}

TEST(CommentCut, CutsFromFirstDoubleSlashUnlessAtStart) {
  my_string s("1 // a // b");
  EXPECT_EQ(s.rfind("//"), 2);
  comment_cut(s);
  EXPECT_EQ(text(s), "1 ");
  EXPECT_EQ(s._length, 2);

  my_string whole("// 5 7");
  comment_cut(whole);
  EXPECT_EQ(text(whole), "// 5 7");
  whole.remove_blanks();
  EXPECT_EQ(text(whole), "//57");

  my_string none("42\t");
  comment_cut(none);
  EXPECT_EQ(text(none), "42\t");
  none.remove_blanks();
  EXPECT_EQ(text(none), "42");
  EXPECT_EQ(none._length, 2);
}

TEST(TextSearch, RfindAndContains) {
  my_string s("abcabc");
  EXPECT_EQ(s.rfind("bc"), 1);  // first occurrence, despite the name
  EXPECT_EQ(s.rfind(""), -1);
  EXPECT_EQ(s.rfind("abcabcx"), -1);
  EXPECT_EQ(s.rfind("zz"), -1);
  EXPECT_TRUE(s.contains("cab"));
  EXPECT_FALSE(s.contains(""));
  EXPECT_FALSE(s.contains("abcabcabc"));
  EXPECT_FALSE(s.contains(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(s.contains(my_string("ca")));
  EXPECT_TRUE(s.contains('c'));
  EXPECT_FALSE(s.contains('*'));
  EXPECT_EQ(s.find_first_of('c'), 2);
  EXPECT_EQ(s.find_first_of('z'), -1);
  EXPECT_EQ(s.find_first_of('c', 3), 2);  // the start is only a bound
  EXPECT_EQ(s.find_first_of('c', 7), -1);
  EXPECT_EQ(my_string().find_first_of('c', 0), -1);
}

TEST(TextEdit, Remove) {
  my_string s("abcdef");
  s.remove(0, 3);
  s.remove(2, 0);
  s.remove(-1, 2);
  EXPECT_EQ(text(s), "abcdef");
  s.remove(2, 100);
  EXPECT_EQ(text(s), "ab");
  EXPECT_EQ(s._length, 2);
  my_string t("abcdef");
  t.remove(1, 2);
  EXPECT_EQ(text(t), "adef");
  EXPECT_EQ(t._length, 4);
  t.remove(50, 3);  // beyond the text: nothing to remove
  EXPECT_EQ(text(t), "adef");
  t.remove(1, 2147483647);
  EXPECT_EQ(text(t), "a");
}

TEST(TextEdit, BlanksSlashesBracketsAndCase) {
  my_string s(" a\tb /c(d)\r");
  s.convert_slash_to_blank();
  EXPECT_EQ(text(s), " a\tb  c(d)\r");
  s.convert_brackets_to_blank();
  EXPECT_EQ(text(s), " a\tb  c d \r");
  s.remove_blanks();
  EXPECT_EQ(text(s), "abcd\r");
  EXPECT_EQ(s._length, 5);

  my_string c("Ab-Z\xC9z");
  c.Upper();
  EXPECT_EQ(text(c), "AB-Z\xC9Z");
  c.to_lower();
  EXPECT_EQ(text(c), "ab-z\xC9z");
  c.to_upper();
  c.Lower();
  EXPECT_EQ(text(c), "ab-z\xC9z");

  my_string p("C:\\dir/x");
  p.convert_to_underline();
  EXPECT_EQ(text(p), "C__dir_x");
  my_string q("a\\b\\c");
  q.convert_to_slash();
  EXPECT_EQ(text(q), "a/b/c");
  my_string r("a\\b");
  r.convert_to_html_slash();
  EXPECT_EQ(text(r), "a/b");
}

TEST(TextEdit, Paths) {
  my_string a("dir\\sub/file.txt");
  a.rm_path();
  EXPECT_EQ(text(a), "file.txt");
  EXPECT_EQ(a._length, 8);
  my_string b("file.txt");
  b.rm_path();
  EXPECT_EQ(text(b), "ile.txt");
  my_string c("dir\\sub/file.txt");
  c.extract_path();
  EXPECT_EQ(text(c), "dir\\sub/");
  my_string d("file.txt");
  d.extract_path();
  EXPECT_EQ(text(d), "f");
  my_string e;
  e.rm_path();
  e.extract_path();
  EXPECT_EQ(text(e), "");
}

TEST(FieldTokenizer, SkipsLeadingDelimitersAndConsumesTheField) {
  my_string s("\t\tA\tB");
  my_string a = s.extract_sub_str('\t');
  EXPECT_EQ(text(a), "A");
  EXPECT_EQ(text(s), "\tB");
  EXPECT_EQ(s._length, 2);
  my_string b = s.extract_sub_str('\t');
  EXPECT_EQ(text(b), "B");
  EXPECT_TRUE(s.is_null());
  my_string c = s.extract_sub_str('\t');
  EXPECT_TRUE(c.is_null());

  my_string only(",,,");
  EXPECT_TRUE(only.extract_sub_str(',').is_null());
  EXPECT_TRUE(only.is_null());

  // A route token "(3,4)" after the bracket: from, to, then the rest.
  my_string route("3,4)");
  EXPECT_EQ(text(route.extract_sub_str(',')), "3");
  EXPECT_EQ(text(route.extract_sub_str(',')), "4)");
  EXPECT_TRUE(route.is_null());
}

TEST(FieldTokenizer, BeforeAndAfter) {
  my_string s("key:value:x");
  EXPECT_EQ(text(s.extract_before(':')), "key");
  EXPECT_EQ(text(s.extract_after(':')), "value:x");
  my_string none("plain");
  EXPECT_EQ(text(none.extract_after(':')), "plain");
  EXPECT_EQ(text(none.extract_before(':')), "plain");
  my_string end("abc:");
  EXPECT_TRUE(end.extract_after(':').is_null());
  EXPECT_EQ(text(end.extract_before(':')), "abc");
  my_string start(":abc");
  EXPECT_TRUE(start.extract_before(':').is_null());
  EXPECT_EQ(text(start.extract_after(':')), "abc");
  my_string empty;
  EXPECT_TRUE(empty.extract_after(':').is_null());
  EXPECT_TRUE(empty.extract_before(':').is_null());
  EXPECT_EQ(text(s), "key:value:x");  // the source is untouched
}

TEST(Limits, AssignmentAppendAndConstruction) {
  const std::string t10000(10000, 'a');
  const std::string t10001(10001, 'b');

  my_string s("previous");
  s = t10001.c_str();
  EXPECT_EQ(text(s), "previous");
  s = t10000.c_str();
  EXPECT_EQ(s._length, 10000);
  EXPECT_EQ(text(s), t10000);

  EXPECT_TRUE(my_string(t10000.c_str()).is_null());
  EXPECT_EQ(my_string(t10000.substr(1).c_str())._length, 9999);

  my_string a(std::string(6000, 'x').c_str());
  my_string b(std::string(4001, 'y').c_str());
  a += b;
  EXPECT_EQ(a._length, 6000);
  a += std::string(4000, 'y').c_str();
  EXPECT_EQ(a._length, 10000);
  a += 'z';
  EXPECT_EQ(a._length, 10000);
  EXPECT_EQ(a.c_str()[9999], 'y');

  my_string big(std::string(5001, 'x').c_str());
  my_string other(std::string(5000, 'y').c_str());
  EXPECT_TRUE((big + other).is_null());
  EXPECT_EQ((big + "yy")._length, 5003);
  EXPECT_EQ(text(my_string("ab") + my_string("cd")), "abcd");

  my_string copy(s);
  EXPECT_EQ(copy._length, 10000);
}

TEST(Limits, CharacterReadersDropTheExcess) {
  std::istringstream in(std::string(10004, 'd') + ",next,");
  my_string s;
  s.read_to_delim(in, ',');
  EXPECT_EQ(s._length, 10000);
  s.read_to_delim(in, ',');
  EXPECT_EQ(text(s), "next");

  std::istringstream words(std::string(10003, 'w') + " second");
  my_string w;
  words >> w;
  EXPECT_EQ(w._length, 10000);
  words >> w;
  EXPECT_EQ(text(w), "second");

  my_string blanks(std::string(9999, ' ').c_str());
  EXPECT_EQ(blanks.convert_blank_to_html_blank()._length, 10000);
}

TEST(Limits, TokenHasNoLimit) {
  std::istringstream in(" \t\n" + std::string(20000, 't') + "\nnext");
  my_string s;
  s.read_token(in);
  EXPECT_EQ(s._length, 20000);
  EXPECT_EQ(in.peek(), '\n');  // the line end is put back
  // Assigning our own over-long text to ourselves must not read freed memory.
  my_string copy;
  copy = s;
  EXPECT_TRUE(copy.is_null());
  s = s.c_str() + 15000;
  EXPECT_EQ(s._length, 5000);
  s.read_token(in);
  EXPECT_EQ(text(s), "next");
  s.read_token(in);
  EXPECT_TRUE(s.is_null());
}

TEST(WordReaders, DelimitersOfEachReader) {
  std::istringstream in(std::string("  a\tb c\rd\xFF" "e\nf"));
  my_string w;
  in >> w;
  EXPECT_EQ(text(w), "a\tb");  // a TAB inside a word stays
  in >> w;
  EXPECT_EQ(text(w), "c");
  in >> w;
  EXPECT_EQ(text(w), "d");
  in >> w;
  EXPECT_EQ(text(w), "e");
  EXPECT_EQ(in.peek(), '\n');
  // At the line end the word is empty and the extraction fails, leaving the
  // LF in the stream.
  EXPECT_FALSE(static_cast<bool>(in >> w));
  EXPECT_TRUE(w.is_null());
  in.clear();
  EXPECT_EQ(in.get(), '\n');
  EXPECT_TRUE(static_cast<bool>(in >> w));
  EXPECT_EQ(text(w), "f");
  EXPECT_FALSE(static_cast<bool>(in >> w));
  EXPECT_TRUE(w.is_null());

  std::istringstream d(std::string("ab cd\tef\0gh", 11));
  my_string t;
  t.read_to_delim(d);
  EXPECT_EQ(text(t), "ab");
  t.read_to_delim(d);
  EXPECT_EQ(text(t), "cd");
  t.read_to_delim(d);
  EXPECT_EQ(text(t), "ef");
  t.read_to_delim(d);
  EXPECT_EQ(text(t), "gh");
  t = "keep";
  t.read_to_delim(d);  // the stream has failed: nothing is read
  EXPECT_TRUE(t.is_null());
}

TEST(WordReaders, QuotedText) {
  std::istringstream in(std::string("x \"first q\" y \"sec\nond\"\nno quote\n\"open"));
  my_string s("pre:");
  EXPECT_EQ(s.GetNextQuota(in), 1);
  EXPECT_EQ(text(s), "pre:first q");  // appended, not replaced
  my_string t;
  EXPECT_EQ(t.GetNextQuota(in), 0);  // a LF inside the quotes
  EXPECT_EQ(text(t), "sec");
  my_string rest;
  rest.read_line(in);
  EXPECT_EQ(text(rest), "ond\"");
  my_string u;
  EXPECT_EQ(u.GetNextQuota(in), 0);  // no quote on the line
  EXPECT_TRUE(u.is_null());
  my_string v;
  EXPECT_EQ(v.GetNextQuota(in), 1);  // input ends inside the quotes
  EXPECT_EQ(text(v), "open");
}

TEST(Assignment, NumbersCharactersAndCopies) {
  my_string s;
  s = 12345;
  EXPECT_EQ(text(s), "12345");
  EXPECT_EQ(s._length, 5);
  s = -2147483647 - 1;
  EXPECT_EQ(text(s), "-2147483648");
  s = 2.5f;
  EXPECT_EQ(text(s), "2.500000");
  EXPECT_EQ(s._length, 8);
  s = -FLT_MAX;  // far more than 40 characters
  EXPECT_EQ(s._length, 47);
  EXPECT_EQ(text(s).substr(0, 4), "-340");
  const char c = 'Q';
  s = c;
  EXPECT_EQ(text(s), "Q");
  EXPECT_EQ(s._length, 1);
  my_string one("x");
  one = one.c_str()[0];
  EXPECT_EQ(text(one), "x");

  my_string a("deep");
  my_string b(a);
  b += "er";
  EXPECT_EQ(text(a), "deep");
  EXPECT_EQ(text(b), "deeper");
  const my_string& same = a;  // self-assignment, through a reference
  a = same;
  EXPECT_EQ(text(a), "deep");
  a += a;
  EXPECT_EQ(text(a), "deepdeep");
  a = b;
  b = "x";
  EXPECT_EQ(text(a), "deeper");
  my_string from_null(static_cast<const char*>(nullptr));
  EXPECT_TRUE(from_null.is_null());
}

TEST(Output, WritesTextOnlyAndFlagsMissingBuffer) {
  std::ostringstream out;
  out << my_string("a b") << '|' << my_string();
  EXPECT_EQ(out.str(), "a b|");
  my_string s;
  char* kept = s._buffer;
  s._buffer = nullptr;
  std::ostringstream bad;
  bad << s;
  EXPECT_TRUE(bad.bad());
  EXPECT_EQ(bad.str(), "");
  s._buffer = kept;
}

TEST(CharArrays, CopyAppendAndCutAtLast) {
  char buf[32];
  EXPECT_EQ(my_strcpy(buf, "abc"), buf);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(my_strcat(buf, ".d.e"), buf);
  EXPECT_STREQ(buf, "abc.d.e");
  my_strtok_right(buf, '.');
  EXPECT_STREQ(buf, "abc.d");
  my_strtok_right(buf, '#');
  EXPECT_STREQ(buf, "abc.d");
  char empty[2] = "";
  my_strtok_right(empty, '.');
  EXPECT_STREQ(empty, "");
  my_strtok_right(nullptr, '.');
}
