// js_gen.h -- the JavaScript code generator: a whole syntax tree in, one
// ES module (or one self-contained bundle) out.
//
// The generator works on the complete program (the JavaScript pipeline
// parses everything first) and writes line by line to `out`. Its state
// (integer-name set, async-function set, counters for generated names)
// lives in the compilation's Context, so one Context is one output file.
//
// Module mode imports the runtime file for its side effect and takes the
// runtime's functions from `globalThis.__qo`; bundle mode wraps the whole
// program in a function whose first lines are the runtime text with its
// export statements cut, so the runtime's functions are in scope.
#ifndef QO_JSGEN_JS_GEN_H
#define QO_JSGEN_JS_GEN_H

#include <cstdio>
#include <string>
#include <string_view>

#include "parser/ast.h"
#include "parser/context.h"

namespace qo {

// The whole program. With bundle set, runtime is the runtime file's text.
void codegen_js_inner(Context &ctx, const Program &program, bool bundle,
                      std::string_view runtime, std::FILE *out);
void codegen_js(Context &ctx, const Program &program, std::FILE *out);
void codegen_js_bundle(Context &ctx, const Program &program, std::string_view runtime,
                       std::FILE *out);

// Text escaped for a double-quoted JavaScript string literal: quote,
// backslash, newline, carriage return and tab; nothing else.
std::string js_escape(std::string_view text);

// The runtime text up to (not including) the first line that, trimmed,
// starts with "export {" or "export default".
std::string js_strip_es_exports(std::string_view runtime);

}  // namespace qo

#endif
