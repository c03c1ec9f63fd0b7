// Refused patterns: the error of each kind, where it points, and the report.
#include <gtest/gtest.h>

#include <string>

#include "regex/regex.hpp"

namespace korvel::regex {
namespace {

std::string error_of(std::string_view pattern) {
  auto regex = Regex::compile(pattern);
  if (regex) return "(compiled)";
  return std::move(regex).error();
}

// The report of a single-line pattern: the pattern, the caret line, the message.
std::string one_line_report(std::string_view pattern, std::string_view carets,
                            std::string_view message) {
  std::string report = "regex parse error:\n    ";
  report.append(pattern).append("\n    ").append(carets).append("\nerror: ").append(message);
  return report;
}

const std::string kDivider(79, '~');

TEST(RegexSyntaxErrorTest, WorkedExamples) {
  const std::pair<const char*, std::string> cases[] = {
      {"(", "regex parse error:\n    (\n    ^\nerror: unclosed group"},
      {"a)", "regex parse error:\n    a)\n     ^\nerror: unopened group"},
      {"*", "regex parse error:\n    *\n    ^\nerror: repetition operator missing expression"},
      {"[z-a]",
       "regex parse error:\n    [z-a]\n     ^^^\n"
       "error: invalid character class range, the start must be <= the end"},
      {"\\p{Foo}",
       "regex parse error:\n    \\p{Foo}\n    ^^^^^^^\nerror: Unicode property not found"},
      {"(?<n>a)(?<n>b)",
       "regex parse error:\n    (?<n>a)(?<n>b)\n       ^      ^\nerror: duplicate capture group "
       "name"},
      {"x{2,1}",
       "regex parse error:\n    x{2,1}\n     ^^^^^\n"
       "error: invalid repetition count range, the start must be <= the end"},
      {"(?=a)",
       "regex parse error:\n    (?=a)\n    ^^^\n"
       "error: look-around, including look-ahead and look-behind, is not supported"},
      {"\\1", "regex parse error:\n    \\1\n    ^^\nerror: backreferences are not supported"},
      {"(?i", "regex parse error:\n    (?i\n       ^\nerror: expected flag but got end of regex"},
      {"a\n(b", "regex parse error:\n" + kDivider + "\n1: a\n2: (b\n   ^\n" + kDivider +
                    "\nerror: unclosed group"},
      {"ab\n(?P<x>c)\n(?P<x>d)", "regex parse error:\n" + kDivider +
                                     "\n1: ab\n2: (?P<x>c)\n       ^\n3: (?P<x>d)\n       ^\n" +
                                     kDivider + "\nerror: duplicate capture group name"},
      {"(?x)a{\n2,1}", "regex parse error:\n" + kDivider + "\n1: (?x)a{\n2: 2,1}\n" + kDivider +
                           "\non line 1 (column 6) through line 2 (column 4)\n"
                           "error: invalid repetition count range, the start must be <= the end"},
      {"a{\n",
       "regex parse error:\n" + kDivider + "\n1: a{\n" + kDivider +
           "\non line 1 (column 2) through line 2 (column 0)\nerror: unclosed counted repetition"},
      {"(\n2\n3\n4\n5\n6\n7\n8\n9\n",
       "regex parse error:\n" + kDivider +
           "\n 1: (\n    ^\n 2: 2\n 3: 3\n 4: 4\n 5: 5\n 6: 6\n 7: 7\n 8: 8\n 9: 9\n" + kDivider +
           "\nerror: unclosed group"},
      {"(?i-i)", "regex parse error:\n    (?i-i)\n      ^ ^\nerror: duplicate flag"},
      {"(?--i)",
       "regex parse error:\n    (?--i)\n      ^^\nerror: flag negation operator repeated"},
      {"a{1000}{1000}", "Compiled regex exceeds size limit of 10485760 bytes."},
  };
  for (const auto& [pattern, report] : cases) EXPECT_EQ(error_of(pattern), report) << pattern;
}

// One pattern for each error kind, with the span its carets mark.
TEST(RegexSyntaxErrorTest, EachKindMarksItsSpan) {
  struct Case {
    const char* pattern;
    const char* carets;
    const char* message;
  };
  const Case cases[] = {
      {"[\\b]", " ^^", "invalid escape sequence found in character class"},
      {"[\\A]", " ^^", "invalid escape sequence found in character class"},
      {"[a-\\d]", "   ^^", "invalid range boundary, must be a literal"},
      {"[\\d-z]", " ^^", "invalid range boundary, must be a literal"},
      {"[a", "^", "unclosed character class"},
      {"[]", "^^", "unclosed character class"},
      {"[^]", "^^^", "unclosed character class"},
      {"[-a", "^^", "unclosed character class"},
      {"[a[b", "  ^", "unclosed character class"},
      {"(?x)[a#]", "    ^", "unclosed character class"},
      {"a{4294967296}", "  ^^^^^^^^^^", "decimal literal invalid"},
      {"\\x{}", "  ^^", "hexadecimal literal empty"},
      {"\\x{110000}", "   ^^^^^^", "hexadecimal literal is not a Unicode scalar value"},
      {"\\uD800", "  ^^^^", "hexadecimal literal is not a Unicode scalar value"},
      {"\\x{D800}", "   ^^^^", "hexadecimal literal is not a Unicode scalar value"},
      {"\\x{00000041}\\x{00110000}", "               ^^^^^^^^",
       "hexadecimal literal is not a Unicode scalar value"},
      {"\\xZZ", "  ^", "invalid hexadecimal digit"},
      {"\\x{ 41 }", "   ^", "invalid hexadecimal digit"},
      {"a\\", " ^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\x{4", "  ^^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\p{Greek", "        ^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\x4", "   ^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\p", "  ^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\U0001", "      ^", "incomplete escape sequence, reached end of pattern prematurely"},
      {"\\e", "^^", "unrecognized escape sequence"},
      {"\\Z", "^^", "unrecognized escape sequence"},
      {"\\\xc3\xa9", "^^", "unrecognized escape sequence"},
      {"(?i-)", "   ^", "dangling flag negation operator"},
      {"(?-)", "  ^", "dangling flag negation operator"},
      {"(?ii)", "  ^^", "duplicate flag"},
      {"(?u", "   ^", "expected flag but got end of regex"},
      {"(?z)", "  ^", "unrecognized flag"},
      {"(?P=n)", "  ^", "unrecognized flag"},
      {"(?#x)", "  ^", "unrecognized flag"},
      {"(?P<>a)", "    ^", "empty capture group name"},
      {"(?P<1a>x)", "    ^", "invalid capture group character"},
      {"(?P<a-b>x)", "     ^", "invalid capture group character"},
      {"(?x)(?P< n>a)", "        ^", "invalid capture group character"},
      {"(?P<a", "     ^", "unclosed capture group name"},
      {"(?<", "   ^", "unclosed capture group name"},
      {"((", " ^", "unclosed group"},
      {"(a|b", "^", "unclosed group"},
      {"(?", "^", "unclosed group"},
      {"(?i:a", "^", "unclosed group"},
      {"x{2,1}?", " ^^^^^^", "invalid repetition count range, the start must be <= the end"},
      {"x{}", "  ^", "repetition quantifier expects a valid decimal"},
      {"x{a}", "  ^", "repetition quantifier expects a valid decimal"},
      {"a{,5}", "  ^", "repetition quantifier expects a valid decimal"},
      {"x{2, }", "     ^", "repetition quantifier expects a valid decimal"},
      {"x{2", " ^^", "unclosed counted repetition"},
      {"a{", " ^", "unclosed counted repetition"},
      {"{", "^", "repetition operator missing expression"},
      {"(?i)*", "    ^", "repetition operator missing expression"},
      {"a|*", "  ^", "repetition operator missing expression"},
      {"(*)", " ^", "repetition operator missing expression"},
      {"(?)", " ^", "repetition operator missing expression"},
      {"\\b{start", "  ^^^^^^",
       "special word boundary assertion is either unclosed or contains an invalid character"},
      {"\\b{foo}", "   ^^^",
       "unrecognized special word boundary assertion, valid choices are: start, end, start-half or "
       "end-half"},
      {"\\b{", "^^^",
       "found either the beginning of a special word boundary or a bounded repetition on a \\b "
       "with an opening brace, but no closing brace"},
      {"\\p\\d", "  ^", "invalid Unicode character class"},
      {"\\0", "^^", "backreferences are not supported"},
      {"\\8", "^^", "backreferences are not supported"},
      {"(?!a)", "^^^", "look-around, including look-ahead and look-behind, is not supported"},
      {"(?<=a)", "^^^^", "look-around, including look-ahead and look-behind, is not supported"},
      {"(?<!a)", "^^^^", "look-around, including look-ahead and look-behind, is not supported"},
      // Found after parsing, while giving the pattern its meaning.
      {"(?-u:\\pL)", "     ^^^", "Unicode not allowed here"},
      {"(?-u:[\xc3\xa9])", "      ^", "Unicode not allowed here"},
      {"(?-u)\\B[\xc4\xb0]", "        ^", "Unicode not allowed here"},
      {"(?i-u:\xc7\x84\\p})", "       ^^^", "Unicode not allowed here"},
      {"(?-u:\\xFF)", "     ^^^^", "pattern can match invalid UTF-8"},
      {"(?-u:[\\xFF])", "      ^^^^", "pattern can match invalid UTF-8"},
      {"(?-u:\\W)", "     ^^", "pattern can match invalid UTF-8"},
      {"(?-u:.)", "     ^", "pattern can match invalid UTF-8"},
      {"(?-u:[^a])", "     ^^^^", "pattern can match invalid UTF-8"},
      {"(?-u)[[:^alpha:]]", "      ^^^^^^^^^^", "pattern can match invalid UTF-8"},
      {"(?-u)\\B.", "       ^", "pattern can match invalid UTF-8"},
      {"(?i-u:\xc3\x85.)", "       ^", "pattern can match invalid UTF-8"},
      {"\\p{Foo}", "^^^^^^^", "Unicode property not found"},
      {"\\p{}", "^^^^", "Unicode property not found"},
      {"\\p{=}", "^^^^^", "Unicode property not found"},
      {"\\p{L&}", "^^^^^^", "Unicode property not found"},
      {"\\p{^Greek}", "^^^^^^^^^^", "Unicode property not found"},
      {"\\p{scx=Foo}", "^^^^^^^^^^^", "Unicode property value not found"},
      {"\\p{gc=Foo}", "^^^^^^^^^^", "Unicode property value not found"},
      {"\\p{Unknown}", "^^^^^^^^^^^", "Unicode property value not found"},
      {"\\p{age=v16}", "^^^^^^^^^^^", "Unicode property value not found"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(error_of(c.pattern), one_line_report(c.pattern, c.carets, c.message)) << c.pattern;
  }
}

TEST(RegexSyntaxErrorTest, NestingLimit) {
  const std::string ok = std::string(250, '(') + std::string(250, ')');
  EXPECT_EQ(error_of(ok), "(compiled)");
  const std::string message = "exceed the maximum number of nested parentheses/brackets (250)";
  // The first node too deep, in preorder, is marked whole.
  const std::string groups = std::string(251, '(') + std::string(251, ')');
  EXPECT_EQ(error_of(groups), one_line_report(groups, std::string(250, ' ') + "^^", message));
  const std::string brackets = std::string(251, '[') + "a" + std::string(251, ']');
  EXPECT_EQ(error_of(brackets), one_line_report(brackets, std::string(250, ' ') + "^^^", message));
  const std::string repetitions = "a" + std::string(251, '*');
  EXPECT_EQ(error_of(repetitions), one_line_report(repetitions, "^^", message));
  // A parse error anywhere comes first.
  EXPECT_EQ(error_of(groups + ")"),
            one_line_report(groups + ")", std::string(502, ' ') + "^", "unopened group"));
}

TEST(RegexSyntaxErrorTest, DeepNestingEndsInAnErrorWithoutRecursion) {
  const std::string deep = std::string(200000, '(') + std::string(200000, ')');
  EXPECT_NE(error_of(deep).find("exceed the maximum number of nested"), std::string::npos);
  EXPECT_NE(error_of(std::string(200000, '[')).find("unclosed character class"), std::string::npos);
}

TEST(RegexSyntaxErrorTest, OrderOfChecks) {
  // Parsing finishes before any property is looked up.
  EXPECT_NE(error_of("\\p{Foo}(").find("error: unclosed group"), std::string::npos);
  // Translation stops at the first error from the left.
  EXPECT_NE(error_of("\\p{Foo}(?-u:\\xFF)").find("error: Unicode property not found"),
            std::string::npos);
}

TEST(RegexSyntaxErrorTest, ReportLayout) {
  // Columns count characters, not bytes; a tab is one column.
  EXPECT_EQ(error_of("\xc3\xa9\t)"), one_line_report("\xc3\xa9\t)", "  ^", "unopened group"));
  // A lone carriage return at the end stays; before a line feed it goes.
  EXPECT_EQ(error_of("a)\r"), one_line_report("a)\r", " ^", "unopened group"));
  EXPECT_EQ(error_of("a\r\n)"), "regex parse error:\n" + kDivider + "\n1: a\n2: )\n   ^\n" +
                                    kDivider + "\nerror: unopened group");
  // An empty line prints its number and the space after the colon.
  EXPECT_EQ(error_of("\n\n)"), "regex parse error:\n" + kDivider + "\n1: \n2: \n3: )\n   ^\n" +
                                   kDivider + "\nerror: unopened group");
  // A span on the empty line after a final line feed is not drawn.
  EXPECT_EQ(error_of("(?x)\\x\n"),
            "regex parse error:\n" + kDivider + "\n1: (?x)\\x\n" + kDivider +
                "\nerror: incomplete escape sequence, reached end of pattern prematurely");
  // Ten lines make the numbers two wide.
  std::string ten = "a\nb\nc\nd\ne\nf\ng\nh\ni\n)";
  EXPECT_EQ(error_of(ten), "regex parse error:\n" + kDivider +
                               "\n 1: a\n 2: b\n 3: c\n 4: d\n 5: e\n 6: f\n 7: g\n 8: h\n 9: i\n"
                               "10: )\n    ^\n" +
                               kDivider + "\nerror: unopened group");
  // A span that holds the line feed itself ends in column 0 of the next line.
  EXPECT_EQ(error_of("(?x:(?i\n-i))"), "regex parse error:\n" + kDivider +
                                           "\n1: (?x:(?i\n2: -i))\n" + kDivider +
                                           "\non line 1 (column 8) through line 2 (column 0)\n"
                                           "error: unrecognized flag");
  EXPECT_EQ(error_of("(?i-u)\xea\x9f\x8b\\P\n"),
            "regex parse error:\n" + kDivider + "\n1: (?i-u)\xea\x9f\x8b\\P\n" + kDivider +
                "\non line 1 (column 8) through line 2 (column 0)\n"
                "error: Unicode not allowed here");
}

}  // namespace
}  // namespace korvel::regex
