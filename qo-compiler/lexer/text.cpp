// text.cpp -- small text helpers shared by the front end's phases.
#include "lexer/text.h"

namespace qo {

std::string_view trim(std::string_view s) {
    constexpr std::string_view space = " \t\n\v\f\r";
    std::size_t first = s.find_first_not_of(space);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

const char *common_escape(unsigned char c) {
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: return nullptr;
    }
}

}  // namespace qo
