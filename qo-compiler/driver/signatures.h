// signatures.h -- top-level signatures read straight from the tokens.
//
// Two scanners walk the top level of a token stream without building a
// tree, stepping over everything else with the three recovery helpers at
// the end (which the C generator uses too):
//   - scan_fn_sigs_qo: a module's functions as Qo text, for its header;
//   - scan_fn_sigs: what the C generator needs before any code: functions
//     with their C parameter lists, extern functions, top-level lets, and
//     cgi and service blocks.
// Decorated functions are found too: `@word` is stepped over up to `fn`.
// A `fn` followed by `(` is a lambda (as in `let f = fn(x: Int) { x }`),
// not a declaration, and is stepped over like any expression.
#ifndef QO_DRIVER_SIGNATURES_H
#define QO_DRIVER_SIGNATURES_H

#include <string>
#include <vector>

#include "lexer/token.h"

namespace qo {

enum class SigKind { Fn, ExternFn, ToplevelLet, CgiBlock, ServiceBlock };
// "fn", "extern_fn", "toplevel_let", "cgi_block", "service_block".
const char *kind_name(SigKind kind);

// A function as Qo text: "a: Int, b: [String]" and "Int" ("Any" when no
// return type is written).
struct QoSig {
    SigKind kind;  // Fn or ExternFn
    std::string name;
    std::string params_qo;
    std::string ret_qo;
};

// A top-level declaration for the C generator.
struct CSig {
    SigKind kind;
    std::string name;
    std::string params_c;  // Fn, ExternFn: "qo_val_t a, qo_val_t b" or "void"
    bool is_main = false;  // Fn named "main"
    std::string ltype;     // ToplevelLet: the declared type's leading identifier, or ""
};

// Scanned text and the position after it.
struct ScanText {
    std::string text;
    Pos pos;
};

// Functions (but `main`) and extern functions, in source order.
std::vector<QoSig> scan_fn_sigs_qo(const Tokens &tokens);
std::vector<CSig> scan_fn_sigs(const Tokens &tokens);

// `(a: T, ...)` at pos as "a: T, ..." ("" for none).
ScanText scan_params_qo(const Tokens &tokens, Pos pos);
// The type at pos as text: "Map<String, List<Int>>?", "[Int]"; "Any" for a
// type that starts with neither an identifier nor `[`.
ScanText scan_type_qo(const Tokens &tokens, Pos pos);
// `(a: T, ...)` at pos as "qo_val_t a, ..." ("void" for none).
ScanText scan_params_c(const Tokens &tokens, Pos pos);

// pos at a `{`: the position after its matching `}` (or of Eof).
Pos skip_to_rbrace(const Tokens &tokens, Pos pos);
// The position of the next statement start, or of a `}` that closes the
// enclosing block, outside any braces opened on the way (or of Eof).
Pos skip_expr_to_stmt_boundary(const Tokens &tokens, Pos pos);
// Fn Let Extern Cgi Service Type Enum Import From Eof.
bool is_stmt_start_kind(TokKind kind);

}  // namespace qo

#endif
