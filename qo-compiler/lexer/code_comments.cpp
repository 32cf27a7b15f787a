// code_comments.cpp -- comment stripping for code carried in string literals.
//
// Script and style bodies travel as string literals. Their comments are
// removed at lex time with a small scanner that knows the three quote kinds
// of JavaScript and CSS, so a "//" inside a quoted string survives. It does
// not know regular expression literals; a "//" inside one is cut, which is
// the price of staying a byte scanner.
#include "lexer/lexer.h"

namespace qo {

bool looks_like_code(std::string_view text) {
    if (text.find("<script") != std::string_view::npos) return true;
    if (text.find("<style") != std::string_view::npos) return true;
    return text.find("function") != std::string_view::npos &&
           text.find(';') != std::string_view::npos;
}

namespace {

bool is_quote(char c) { return c == '\'' || c == '"' || c == '`'; }

// Copies a quoted run starting at the opening quote; returns the index
// after the closing quote (or the end).
std::size_t copy_quoted(std::string_view text, std::size_t i, std::string &out) {
    char quote = text[i];
    out += quote;
    for (++i; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (i + 1 < text.size()) out.append(text.substr(i, 2));
            ++i;
            continue;
        }
        out += c;
        if (c == quote) return i + 1;
    }
    return text.size();
}

}  // namespace

std::string strip_code_comments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (is_quote(c)) {
            i = copy_quoted(text, i, out);
        } else if (c == '/' && next == '/' && !(i > 0 && text[i - 1] == ':')) {
            std::size_t nl = text.find('\n', i);
            i = nl == std::string_view::npos ? text.size() : nl;
        } else if (c == '/' && next == '*') {
            std::size_t close = text.find("*/", i + 2);
            i = close == std::string_view::npos ? text.size() : close + 2;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace qo
