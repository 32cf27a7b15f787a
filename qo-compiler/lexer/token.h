// token.h -- the token stream every later phase reads.
//
// A stream is a std::vector of {kind, text} that always ends with exactly
// one Eof token whose text is empty. There are no source positions: parsers
// and scanners address tokens by index (Pos). The three accessors below are
// total: an index at or past the end reads as Eof with empty text, so loops
// that stop at Eof can never read past the stream.
//
// Kinds print (kind_name) as the capitalised names used throughout the
// compiler: "Ident", "LBrace", "DotDotEq", one per keyword ("Let", "Fn",
// ...), "Bool" for both `true` and `false`, and "Eof".
#ifndef QO_LEXER_TOKEN_H
#define QO_LEXER_TOKEN_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

enum class TokKind : std::uint8_t {
    // Words and literals.
    Ident, Bool, Int, Float, Str,
    // Keywords (the kind is the word with its first letter capitalised).
    Let, Fn, Type, Enum, Match, Return, If, Else, For, In, While, Import,
    From, As, With, Sealed, Activate, Where, Test, Seed, Assert, Protocol,
    Impl, Retry, Times, Fallback, Reason, Parallel, Trace, Requires, Deploy,
    To, Via, Target, Cgi, Service, Manager, Engine, Accessor, Vessel, Extern,
    Break, Continue, Try, Catch,
    // Operators and punctuation.
    Plus, Minus, Star, Slash, Percent,
    Eq, EqEq, NotEq, Not,
    Lt, LtEq, Gt, GtEq,
    And, Or, PipeOp, Pipe,
    Arrow, FatArrow,
    Dot, DotDot, DotDotEq,
    Colon, ColonColon, Semicolon, Comma,
    QuestionMark, At,
    LParen, RParen, LBracket, RBracket, LBrace, RBrace,
    Eof,
};

// The kind's name, e.g. "LBrace".
const char *kind_name(TokKind kind);
std::ostream &operator<<(std::ostream &os, TokKind kind);

struct Token {
    TokKind kind;
    std::string text;
    bool operator==(const Token &) const = default;
};

using Tokens = std::vector<Token>;
using Pos = std::size_t;

// Kind of token i; Eof past the end.
TokKind tok_kind(const Tokens &tokens, Pos i);
// Text of token i; "" past the end.
const std::string &tok_value(const Tokens &tokens, Pos i);
// The position after token i. A token of another kind is stepped over
// silently; Eof (or the end of the stream) is never stepped over unless
// Eof itself is expected. This is how the parser recovers without errors.
Pos expect(const Tokens &tokens, Pos i, TokKind kind);

// True when token i has the given kind (Eof past the end).
inline bool at(const Tokens &tokens, Pos i, TokKind kind) { return tok_kind(tokens, i) == kind; }

// pos moved on by n tokens, but never past the Eof token: positions that
// the parser and the scanners hand out always address a real token.
Pos step(const Tokens &tokens, Pos pos, Pos n = 1);

// pos just after an opening token of kind `open`: the position after the
// `close` that balances it (nested pairs counted), or of Eof.
Pos skip_past_close(const Tokens &tokens, Pos pos, TokKind open, TokKind close);

// The kind of a reserved word (exact lower-case spelling), or Ident.
TokKind keyword_kind(std::string_view word);

}  // namespace qo

#endif
