// lexer.h -- source text to the token stream.
//
// `lex` never fails: bytes that start no token are dropped, unterminated
// strings and interpolations run to the end of their text, and the stream
// always ends with Eof. String interpolation is resolved here: "a${x}b"
// becomes the tokens of `"a" + (x) + "b"`, so no later phase knows about it.
#ifndef QO_LEXER_LEXER_H
#define QO_LEXER_LEXER_H

#include <string>
#include <string_view>

#include "lexer/token.h"

namespace qo {

// The whole token stream of `source`, ending with Eof.
Tokens lex(std::string_view source);

// Literal pieces that look like script or style code lose their comments
// before they become Str tokens, so templates do not ship them.
// True for text holding "<script" or "<style", or both "function" and ";".
bool looks_like_code(std::string_view text);
// Removes // line comments (except right after ':', as in "://") and
// /* block */ comments outside '...', "..." and `...` quotes.
std::string strip_code_comments(std::string_view text);

}  // namespace qo

#endif
