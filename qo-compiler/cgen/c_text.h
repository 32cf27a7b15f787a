// c_text.h -- small text helpers of the C generator.
#ifndef QO_CGEN_C_TEXT_H
#define QO_CGEN_C_TEXT_H

#include <string>
#include <string_view>

#include "lexer/token.h"

namespace qo {

// The text escaped for a C string literal: \" \\ \n \r \t, bytes >= 0x80
// as \xHH (lowercase), and an empty literal break ("") after such an escape
// when an ASCII hex digit follows, so the compiler does not read it as part
// of the escape. Every other byte is copied.
std::string c_escape(std::string_view text);
// A C string literal: the escaped text in double quotes.
std::string c_string_literal(std::string_view text);
// "QO_STR(" + the literal + ")": a string value of the text.
std::string c_str_value(std::string_view text);

// The text without its outer parentheses when the first "(" is closed by
// the final ")" (every parenthesis counts, also inside string literals);
// otherwise unchanged.
std::string strip_outer_parens(std::string_view text);

// The C operator of a binary operator kind ("Plus" -> "+"); an unknown
// kind gives its own name.
const char *binop_to_c(TokKind op);

}  // namespace qo

#endif
