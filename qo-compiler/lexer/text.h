// text.h -- small text helpers shared by the front end's phases.
#ifndef QO_LEXER_TEXT_H
#define QO_LEXER_TEXT_H

#include <string_view>

namespace qo {

// s without leading and trailing white space (space, \t, \n, \v, \f, \r).
std::string_view trim(std::string_view s);

// The backslash escape C, JavaScript and JSON string literals all share for
// c (quote, backslash, newline, return, tab), or nullptr for any other byte.
const char *common_escape(unsigned char c);

}  // namespace qo

#endif
