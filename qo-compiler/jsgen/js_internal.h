// js_internal.h -- what the JavaScript generator's files share (internal).
//
// State. JsState is the generator's part of the Context (ctx.ext<JsState>):
// the output, two name sets and three counters. The name sets are the
// comma-framed lists the generators share (checks/comma_list.h).
//
// Declared names. Statement generation threads the set of names that
// already have a `let` in the current scope: a statement may add to it, and
// every nested block works on a copy, so its names are forgotten after it.
//
// Output. Lambdas are printed the moment their expression is generated,
// which is before the line of the statement holding them: generating an
// expression may therefore print lines.
#ifndef QO_JSGEN_JS_INTERNAL_H
#define QO_JSGEN_JS_INTERNAL_H

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>

#include "checks/comma_list.h"
#include "jsgen/js_gen.h"

namespace qo::jsgen {

struct JsState {
    std::FILE *out = stdout;
    CommaList int_names;   // Int-typed lets and parameters of the current function
    CommaList async_fns;   // functions declared @async: their calls are awaited
    long match_counter = 0;
    long lambda_counter = 0;
    long html_counter = 0;  // not reset between programs of one compilation

    void line(std::string_view text) const;
};

using Names = std::unordered_set<std::string>;

// "\"" + js_escape(text) + "\"".
std::string js_string(std::string_view text);
// An Int or Float literal's digits as a JavaScript number (no leading zeros).
std::string js_number(std::string_view digits);

// ---- expressions (js_expr.cpp) ----
std::string js_cg_expr(JsState &js, const Expr &e);

// ---- arrow-function forms (js_forms.cpp) ----
std::string js_cg_match(JsState &js, const expr::Match &m);
std::string js_cg_html_template(JsState &js, const expr::HtmlTemplate &t);

// ---- statements and functions (js_stmt.cpp) ----
// Prints the statement; names is updated for the statements after it.
void js_cg_stmt(JsState &js, const Stmt &s, const std::string &indent, Names &names);
// A block on its own copy of names.
void js_cg_stmts(JsState &js, const Block &block, const std::string &indent, Names names);
void js_cg_fn(JsState &js, const stmt::FnDef &fn);
// Prints the hoisted function now and returns its name.
std::string js_cg_lambda(JsState &js, const expr::Lambda &lambda);

}  // namespace qo::jsgen

#endif
