// token.cpp -- kind names, the keyword table and the total accessors.
//
// The name table is indexed by the enum's value, so it must list the kinds
// in declaration order; a static_assert on its length catches a kind added
// to one place only.
#include "lexer/token.h"

#include <array>
#include <ostream>
#include <unordered_map>

namespace qo {

namespace {

constexpr std::array kKindNames = {
    "Ident", "Bool", "Int", "Float", "Str",
    "Let", "Fn", "Type", "Enum", "Match", "Return", "If", "Else", "For", "In", "While", "Import",
    "From", "As", "With", "Sealed", "Activate", "Where", "Test", "Seed", "Assert", "Protocol",
    "Impl", "Retry", "Times", "Fallback", "Reason", "Parallel", "Trace", "Requires", "Deploy",
    "To", "Via", "Target", "Cgi", "Service", "Manager", "Engine", "Accessor", "Vessel", "Extern",
    "Break", "Continue", "Try", "Catch",
    "Plus", "Minus", "Star", "Slash", "Percent",
    "Eq", "EqEq", "NotEq", "Not",
    "Lt", "LtEq", "Gt", "GtEq",
    "And", "Or", "PipeOp", "Pipe",
    "Arrow", "FatArrow",
    "Dot", "DotDot", "DotDotEq",
    "Colon", "ColonColon", "Semicolon", "Comma",
    "QuestionMark", "At",
    "LParen", "RParen", "LBracket", "RBracket", "LBrace", "RBrace",
    "Eof",
};
static_assert(kKindNames.size() == static_cast<std::size_t>(TokKind::Eof) + 1);

const std::unordered_map<std::string_view, TokKind> &keyword_table() {
    static const std::unordered_map<std::string_view, TokKind> table = {
        {"let", TokKind::Let}, {"fn", TokKind::Fn}, {"type", TokKind::Type},
        {"enum", TokKind::Enum}, {"match", TokKind::Match}, {"return", TokKind::Return},
        {"if", TokKind::If}, {"else", TokKind::Else}, {"for", TokKind::For},
        {"in", TokKind::In}, {"while", TokKind::While}, {"import", TokKind::Import},
        {"from", TokKind::From}, {"as", TokKind::As}, {"with", TokKind::With},
        {"sealed", TokKind::Sealed}, {"activate", TokKind::Activate}, {"where", TokKind::Where},
        {"test", TokKind::Test}, {"seed", TokKind::Seed}, {"assert", TokKind::Assert},
        {"protocol", TokKind::Protocol}, {"impl", TokKind::Impl}, {"retry", TokKind::Retry},
        {"times", TokKind::Times}, {"fallback", TokKind::Fallback}, {"reason", TokKind::Reason},
        {"parallel", TokKind::Parallel}, {"trace", TokKind::Trace},
        {"requires", TokKind::Requires}, {"deploy", TokKind::Deploy}, {"to", TokKind::To},
        {"via", TokKind::Via}, {"target", TokKind::Target}, {"true", TokKind::Bool},
        {"false", TokKind::Bool}, {"cgi", TokKind::Cgi}, {"service", TokKind::Service},
        {"manager", TokKind::Manager}, {"engine", TokKind::Engine},
        {"accessor", TokKind::Accessor}, {"vessel", TokKind::Vessel},
        {"extern", TokKind::Extern}, {"break", TokKind::Break},
        {"continue", TokKind::Continue}, {"try", TokKind::Try}, {"catch", TokKind::Catch},
    };
    return table;
}

}  // namespace

const char *kind_name(TokKind kind) {
    return kKindNames[static_cast<std::size_t>(kind)];
}

std::ostream &operator<<(std::ostream &os, TokKind kind) {
    return os << kind_name(kind);
}

TokKind tok_kind(const Tokens &tokens, Pos i) {
    return i < tokens.size() ? tokens[i].kind : TokKind::Eof;
}

const std::string &tok_value(const Tokens &tokens, Pos i) {
    static const std::string empty;
    return i < tokens.size() ? tokens[i].text : empty;
}

Pos expect(const Tokens &tokens, Pos i, TokKind kind) {
    TokKind here = tok_kind(tokens, i);
    if (here == kind && i < tokens.size()) return i + 1;
    if (here == TokKind::Eof) return i;
    return i + 1;
}

Pos step(const Tokens &tokens, Pos pos, Pos n) {
    Pos last = tokens.empty() ? 0 : tokens.size() - 1;
    if (pos > last) return pos;
    return pos + n < last ? pos + n : last;
}

Pos skip_past_close(const Tokens &tokens, Pos pos, TokKind open, TokKind close) {
    int depth = 1;
    while (!at(tokens, pos, TokKind::Eof)) {
        TokKind kind = tok_kind(tokens, pos);
        pos = step(tokens, pos);
        if (kind == open) ++depth;
        if (kind == close && --depth == 0) break;
    }
    return pos;
}

TokKind keyword_kind(std::string_view word) {
    const auto &table = keyword_table();
    auto it = table.find(word);
    return it == table.end() ? TokKind::Ident : it->second;
}

}  // namespace qo
