// c_text.cpp -- escaping, parenthesis stripping and operator spelling.
#include "cgen/c_text.h"

#include "lexer/text.h"

namespace qo {

namespace {

bool is_hex_digit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::string c_escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    bool after_hex_escape = false;
    for (unsigned char c : text) {
        if (after_hex_escape && is_hex_digit(c)) out += "\"\"";
        after_hex_escape = false;
        if (const char *escape = common_escape(c)) {
            out += escape;
        } else if (c >= 0x80) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            after_hex_escape = true;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string c_string_literal(std::string_view text) { return '"' + c_escape(text) + '"'; }

std::string c_str_value(std::string_view text) { return "QO_STR(" + c_string_literal(text) + ")"; }

std::string strip_outer_parens(std::string_view text) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') return std::string(text);
    long depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        else if (text[i] == ')') --depth;
        if (depth == 0 && i + 1 < text.size()) return std::string(text);
    }
    return depth == 0 ? std::string(text.substr(1, text.size() - 2)) : std::string(text);
}

const char *binop_to_c(TokKind op) {
    switch (op) {
    case TokKind::Plus: return "+";
    case TokKind::Minus: return "-";
    case TokKind::Star: return "*";
    case TokKind::Slash: return "/";
    case TokKind::Percent: return "%";
    case TokKind::EqEq: return "==";
    case TokKind::NotEq: return "!=";
    case TokKind::Lt: return "<";
    case TokKind::Gt: return ">";
    case TokKind::LtEq: return "<=";
    case TokKind::GtEq: return ">=";
    case TokKind::And: return "&&";
    case TokKind::Or: return "||";
    default: return kind_name(op);
    }
}

}  // namespace qo
