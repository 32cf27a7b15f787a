// cgen.h -- the C generator: one Qo source to one C translation unit.
//
// codegen_streaming prints the whole program: the program-kind diagnostics,
// the includes, forward declarations of every function and global, then it
// walks the tokens itself, parsing one top-level statement at a time with
// parse_stmt. Each function is generated at once and its tree dropped, so
// a large source is never held as one tree; only the top-level statements
// and the body of `fn main` are kept, for the generated `main`, which is
// followed by the "#error" lines of the static checks. In test mode
// (ctx.test_mode) the program is a test runner instead (test blocks become
// functions, `main` runs them and prints a summary).
//
// The output is byte for byte the described C text; it goes through one
// buffered sink and reaches `out` in large blocks.
#ifndef QO_CGEN_CGEN_H
#define QO_CGEN_CGEN_H

#include <cstdio>
#include <vector>

#include "driver/signatures.h"
#include "lexer/token.h"
#include "parser/context.h"

namespace qo {

// Prints the C program of tokens (with their signatures) to out; false when
// writing to out failed (the program is then incomplete).
bool codegen_streaming(Context &ctx, const Tokens &tokens, const std::vector<CSig> &sigs,
                       std::FILE *out);

}  // namespace qo

#endif
