// frontend_util.h -- shorthands for the front end's tests: token streams
// and trees as compact text.
#ifndef QO_TESTS_COMPILER_FRONTEND_UTIL_H
#define QO_TESTS_COMPILER_FRONTEND_UTIL_H

#include <string>

#include "lexer/lexer.h"
#include "parser/parser.h"

namespace qo::testing {

// "Ident(x) Plus Int(1) Eof": texts shown for the kinds whose text varies.
inline std::string token_line(const std::string &source) {
    std::string out;
    for (const Token &t : lex(source)) {
        if (!out.empty()) out += ' ';
        out += kind_name(t.kind);
        bool varies = t.kind == TokKind::Ident || t.kind == TokKind::Int ||
                      t.kind == TokKind::Float || t.kind == TokKind::Str ||
                      t.kind == TokKind::Bool;
        if (varies) out += "(" + t.text + ")";
    }
    return out;
}

// The whole program's map form.
inline std::string program_json(const std::string &source) {
    Context ctx;
    return to_json(parse(ctx, lex(source)));
}

// The map form of the first statement.
inline std::string stmt_json(const std::string &source) {
    Context ctx;
    return to_json(*parse_stmt(ctx, lex(source), 0).node);
}

// The map form of the expression that starts the source.
inline std::string expr_json(const std::string &source) {
    Context ctx;
    return to_json(*parse_expr(ctx, lex(source), 0).node);
}

}  // namespace qo::testing

#endif
