// The lexer: literals, greedy operators, dropped bytes, comments, escapes,
// interpolation and the comment stripping of code-like literals.
#include <gtest/gtest.h>

#include "frontend_util.h"

namespace qo {
namespace {

using testing::token_line;

TEST(Lexer, EmptyAndBlankSourcesGiveOnlyEof) {
    Tokens tokens = lex("");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0], (Token{TokKind::Eof, ""}));
    EXPECT_EQ(token_line(" \t\r\n\x01\x1f"), "Eof");
}

TEST(Lexer, NumbersNeverTakeADotWithoutADigitAfterIt) {
    EXPECT_EQ(token_line("1.5"), "Float(1.5) Eof");
    EXPECT_EQ(token_line("1."), "Int(1) Dot Eof");
    EXPECT_EQ(token_line("1..5"), "Int(1) DotDot Int(5) Eof");
    EXPECT_EQ(token_line("1..=3"), "Int(1) DotDotEq Int(3) Eof");
    EXPECT_EQ(token_line("5.seconds"), "Int(5) Dot Ident(seconds) Eof");
    EXPECT_EQ(token_line("1.5.2"), "Float(1.5) Dot Int(2) Eof");
    EXPECT_EQ(token_line("-3 007"), "Minus Int(3) Int(007) Eof");
}

TEST(Lexer, KeywordsMatchOnlyTheirLowerCaseSpelling) {
    EXPECT_EQ(token_line("let Let TRUE true false _x9 fn2"),
              "Let Ident(Let) Ident(TRUE) Bool(true) Bool(false) Ident(_x9) Ident(fn2) Eof");
    EXPECT_EQ(keyword_kind("catch"), TokKind::Catch);
    EXPECT_EQ(keyword_kind("vessel"), TokKind::Vessel);
    EXPECT_EQ(keyword_kind("print"), TokKind::Ident);
    // Each reserved word lexes as its own kind, whose name is the word capitalised.
    for (const char *word : {"while", "import", "from", "sealed", "requires", "extern", "service"}) {
        std::string name = word;
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        EXPECT_EQ(token_line(word), name + " Eof") << word;
    }
}

TEST(Lexer, OperatorsAreMatchedGreedily) {
    EXPECT_EQ(token_line("!= ! && -> - ..= .. . :: : <= < == => = >= > || |> |"),
              "NotEq Not And Arrow Minus DotDotEq DotDot Dot ColonColon Colon LtEq Lt EqEq "
              "FatArrow Eq GtEq Gt Or PipeOp Pipe Eof");
    EXPECT_EQ(token_line("+*/%;,?@()[]{}"),
              "Plus Star Slash Percent Semicolon Comma QuestionMark At LParen RParen LBracket "
              "RBracket LBrace RBrace Eof");
    EXPECT_EQ(token_line("a>>=b"), "Ident(a) Gt GtEq Ident(b) Eof");
    EXPECT_EQ(token_line("...="), "DotDot Dot Eq Eof");
}

TEST(Lexer, BytesThatStartNoTokenAreDropped) {
    EXPECT_EQ(token_line("a & b ~ c # $ ' \\ ^ `"), "Ident(a) Ident(b) Ident(c) Eof");
    EXPECT_EQ(token_line("caf\xc3\xa9 \xff\x7f"), "Ident(caf) Eof");
}

TEST(Lexer, LineCommentsRunToTheNewline) {
    EXPECT_EQ(token_line("x//c"), "Ident(x) Eof");
    EXPECT_EQ(token_line("x // c\ny"), "Ident(x) Ident(y) Eof");
    EXPECT_EQ(token_line("a/b"), "Ident(a) Slash Ident(b) Eof");
    EXPECT_EQ(token_line("a/"), "Ident(a) Slash Eof");
    EXPECT_EQ(token_line("/* x */"), "Slash Star Ident(x) Star Slash Eof");
}

TEST(Lexer, StringEscapes) {
    Tokens tokens = lex(R"("He said \"hi\"\q" "\n\r\t\\\$")");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].text, "He said \"hi\"q");
    EXPECT_EQ(tokens[1].text, "\n\r\t\\$");
    // A literal runs over newlines; a trailing backslash at the end of the source is dropped.
    EXPECT_EQ(lex("\"a\nb\"")[0].text, "a\nb");
    EXPECT_EQ(lex("\"ab\\")[0].text, "ab");
}

TEST(Lexer, UnterminatedStringRunsToTheEnd) {
    Tokens tokens = lex("x \"abc let y");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1], (Token{TokKind::Str, "abc let y"}));
    EXPECT_EQ(tokens[2].kind, TokKind::Eof);
}

TEST(Lexer, InterpolationSpellsAConcatenation) {
    EXPECT_EQ(token_line(R"("a${x}b")"), "Str(a) Plus LParen Ident(x) RParen Plus Str(b) Eof");
    EXPECT_EQ(token_line(R"("n=${n}")"), "Str(n=) Plus LParen Ident(n) RParen Eof");
    EXPECT_EQ(token_line(R"("${x}")"), "LParen Ident(x) RParen Eof");
    EXPECT_EQ(token_line(R"("${a}${b}")"), "LParen Ident(a) RParen Plus LParen Ident(b) RParen Eof");
    EXPECT_EQ(token_line(R"("${}")"), "Str() Eof");
    EXPECT_EQ(token_line(R"("${ // nothing }")"), "Str() Eof");
    EXPECT_EQ(token_line(R"("x${}y")"), "Str(x) Plus Str() Plus Str(y) Eof");
    EXPECT_EQ(token_line(R"("\${x}")"), "Str(${x}) Eof");
    EXPECT_EQ(token_line(R"("a$b")"), "Str(a$b) Eof");
}

TEST(Lexer, InterpolationTextEndsAtTheBalancingBrace) {
    // Inner quotes are not special; braces balance.
    EXPECT_EQ(token_line(R"("${m["k"]}")"), "LParen Ident(m) LBracket Str(k) RBracket RParen Eof");
    EXPECT_EQ(token_line(R"("${ {a: 1} }!")"),
              "LParen LBrace Ident(a) Colon Int(1) RBrace RParen Plus Str(!) Eof");
    // A `}` inside a nested literal ends the interpolation (that literal is
    // cut there), and the quote after it closes the outer literal.
    EXPECT_EQ(token_line(R"("${f("}")}x")"),
              "LParen Ident(f) LParen Str() RParen RParen RBrace Ident(x) Str() Eof");
    // Interpolations nest.
    EXPECT_EQ(token_line(R"("a${"b${c}"}")"),
              "Str(a) Plus LParen Str(b) Plus LParen Ident(c) RParen RParen Eof");
}

TEST(Lexer, UnterminatedInterpolationLosesTheLastByte) {
    EXPECT_EQ(token_line(R"("${abc)"), "LParen Ident(ab) RParen Eof");
    EXPECT_EQ(token_line("\"x${"), "Str(x) Plus Str() Eof");
    EXPECT_EQ(token_line("\"${\"${abc"), "LParen LParen Ident(a) RParen RParen Eof");
}

TEST(Lexer, CodeLikeLiteralsLoseTheirComments) {
    EXPECT_EQ(lex("\"<script>var a=1; // note\nb()</script>\"")[0].text, "<script>var a=1; \nb()</script>");
    EXPECT_EQ(lex("\"function f() { /* x */ return 'a//b'; }\"")[0].text,
              "function f() {  return 'a//b'; }");
    EXPECT_EQ(lex("\"<style>a{} /* open\"")[0].text, "<style>a{} ");
    // A URL's `://` survives inside code; text without code markers is never touched.
    EXPECT_EQ(lex("\"function g(); u = http://x\"")[0].text, "function g(); u = http://x");
    EXPECT_EQ(lex("\"see http://x // not code\"")[0].text, "see http://x // not code");
    // Each literal piece is judged on its own.
    Tokens pieces = lex("\"<script>a; // c\n${x}// kept\"");
    EXPECT_EQ(pieces[0].text, "<script>a; \n");
    EXPECT_EQ(pieces.back().kind, TokKind::Eof);
    EXPECT_EQ(pieces[pieces.size() - 2].text, "// kept");
}

TEST(Lexer, StripCodeCommentsKeepsQuotedTextAndEscapes) {
    EXPECT_EQ(strip_code_comments("a \"//x\" `/*y*/` 'q\\'//' // z\nb"), "a \"//x\" `/*y*/` 'q\\'//' \nb");
    EXPECT_EQ(strip_code_comments("'abc\\"), "'abc");
    EXPECT_TRUE(looks_like_code("x<style>"));
    EXPECT_TRUE(looks_like_code("function;"));
    EXPECT_FALSE(looks_like_code("function only"));
}

TEST(TokenAccess, OutOfRangeReadsAsEofAndExpectNeverPassesIt) {
    Tokens tokens = lex("a )");
    EXPECT_EQ(tok_kind(tokens, 99), TokKind::Eof);
    EXPECT_EQ(tok_value(tokens, 99), "");
    EXPECT_EQ(expect(tokens, 0, TokKind::Ident), 1u);
    EXPECT_EQ(expect(tokens, 0, TokKind::Comma), 1u);  // a wrong token is stepped over
    EXPECT_EQ(expect(tokens, 2, TokKind::RParen), 2u);  // Eof is not
    EXPECT_EQ(step(tokens, 1, 5), 2u);
    EXPECT_EQ(std::string(kind_name(TokKind::DotDotEq)), "DotDotEq");
}

}  // namespace
}  // namespace qo
