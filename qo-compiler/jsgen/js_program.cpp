// js_program.cpp -- the shape of a generated JavaScript file.
//
//   header comment
//   the runtime: an import plus the list of names taken from globalThis.__qo
//                (module), or the runtime text inlined at the top of one
//                enclosing function (bundle)
//   external imports (Qo imports were inlined by the driver already)
//   every function, in source order
//   every other top-level statement, sharing one scope of `let`s
//   main();      when the program defines main
//
// Functions come before the top-level statements wherever they stand in
// the source, so a call of any function, and an `await` of any async one,
// is resolved before a line of the program runs.
#include <array>

#include "jsgen/js_internal.h"
#include "lexer/text.h"

namespace qo {

namespace jsgen {

namespace {

constexpr std::array<const char *, 33> kRuntimeNames = {
    "  println, print, qo_str_concat, str_concat, str_eq, str_starts_with, str_ends_with,",
    "  str_len, int_to_str, str_to_int, str_slice, str_contains, str_replace,",
    "  str_to_upper, str_to_lower, str_trim, str_index_of, str_split, str_char_at,",
    "  str_char_code, str_lower, str_upper, qo_abs, qo_max, qo_min,",
    "  qo_list_new, qo_list_len, qo_list_get, qo_list_append, qo_list_empty, qo_list_clone,",
    "  list_push, list_join, list_range,",
    "  qo_map_new, qo_get_field, qo_map_get, qo_map_set,",
    "  http_get, http_post, http_post_json,",
    "  fs_read, fs_write, fs_list,",
    "  json_parse, json_stringify, json_get, json_get_string, json_get_int,",
    "  time_now, time_now_utc, sleep_ms, bool_to_str, exit_program,",
    "  qo_retain, qo_release,",
    "  append, len, get, map_get, map_set,",
    "  native_list_get, native_list_len, native_list_append, native_list_empty,",
    "  native_list_clone, native_string_chars, native_int_to_str,",
    "  args, state_set, state_get, state_del, state_keys, env,",
    "  tavri_connect, tavri_send, tavri_emit, tavri_field, tavri_activate,",
    "  engram_node, engram_search, engram_activate,",
    "  llm_call, llm_call_system,",
    "  dom_get_element, dom_get_value, dom_set_value, dom_get_text, dom_set_text,",
    "  dom_set_prop, dom_get_prop, dom_set_style, dom_add_class, dom_remove_class,",
    "  dom_show, dom_hide, dom_listen, dom_query, dom_query_all, dom_create,",
    "  dom_append, dom_remove, dom_is_null,",
    "  dom_set_attr, dom_get_attr, dom_remove_attr, dom_set_html, dom_get_html,",
    "  dom_get_parent, dom_contains_class, dom_get_checked, dom_set_checked,",
    "  set_timeout, set_interval, clear_interval,",
    "  local_storage_get, local_storage_set, local_storage_remove,",
    "  window_location, window_redirect, window_on_load,",
    "  console_log,",
    "  window_set, window_get, native_js, native_js_call,",
    "  promise_then, promise_catch, promise_resolve, promise_reject,",
    "  object_assign, object_keys, object_values, json_deep_clone,",
    "  array_from, type_of, instanceof_check,",
};

bool js_is_top_level_decl(const Stmt &s) {
    switch (s.kind) {
    case StmtKind::TypeDef:
    case StmtKind::EnumDef:
    case StmtKind::Import:
    case StmtKind::CgiBlock:
    case StmtKind::ServiceBlock:
    case StmtKind::ExternFn: return true;
    default: return false;
    }
}

void runtime_section(const JsState &js, bool bundle, std::string_view runtime) {
    if (!bundle) {
        js.line("// Runtime: foundation/qo/qo-compiler/runtime/qo_runtime.js");
        js.line("import \"./qo_runtime.js\";");
        js.line("const {");
        for (const char *names : kRuntimeNames) js.line(names);
        js.line("} = globalThis.__qo;");
    } else {
        js.line("// Bundle mode: runtime inlined, no import statement needed.");
        js.line("");
        js.line(";(function() {");
        js.line("\"use strict\";");
        js.line(js_strip_es_exports(runtime));
    }
    js.line("");
}

bool is_local_qo_import(std::string_view path) {
    bool remote = path.starts_with("http://") || path.starts_with("https://");
    return !remote && path.ends_with(".qo");
}

void external_imports(const JsState &js, const Program &program, bool bundle) {
    for (const auto &s : program) {
        const auto *import = s->as<stmt::Import>();
        if (!import || is_local_qo_import(import->path)) continue;
        if (bundle) js.line("// external: " + import->path);
        else js.line("import " + js_string(import->path) + ";");
    }
}

}  // namespace

void JsState::line(std::string_view text) const {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
}

}  // namespace jsgen

using jsgen::JsState;

std::string js_strip_es_exports(std::string_view runtime) {
    std::string kept;
    for (std::size_t start = 0;;) {
        std::size_t nl = runtime.find('\n', start);
        std::string_view line = runtime.substr(start, nl == std::string_view::npos ? nl : nl - start);
        std::string_view trimmed = trim(line);
        if (trimmed.starts_with("export {") || trimmed.starts_with("export default")) break;
        if (start > 0) kept += '\n';
        kept.append(line);
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return kept;
}

void codegen_js_inner(Context &ctx, const Program &program, bool bundle, std::string_view runtime,
                      std::FILE *out) {
    JsState &js = ctx.ext<JsState>();
    js.out = out;
    js.int_names.clear();
    js.async_fns.clear();
    js.match_counter = js.lambda_counter = 0;

    js.line("// Generated by qoc --target=js");
    jsgen::runtime_section(js, bundle, runtime);
    jsgen::external_imports(js, program, bundle);
    js.line("");
    for (const auto &s : program)
        if (const auto *fn = s->as<stmt::FnDef>(); fn && fn->decorator && *fn->decorator == "async")
            js.async_fns.add(fn->name);
    bool has_main = false;
    for (const auto &s : program) {
        if (const auto *fn = s->as<stmt::FnDef>()) {
            jsgen::js_cg_fn(js, *fn);
            has_main |= fn->name == "main";
        }
    }
    jsgen::Names top_level;
    for (const auto &s : program)
        if (s->kind != StmtKind::FnDef && !jsgen::js_is_top_level_decl(*s)) jsgen::js_cg_stmt(js, *s, "", top_level);
    if (has_main) {
        js.line("");
        js.line("main();");
    }
    if (bundle) {
        js.line("");
        js.line("})();");
    }
}

void codegen_js(Context &ctx, const Program &program, std::FILE *out) {
    codegen_js_inner(ctx, program, false, "", out);
}

void codegen_js_bundle(Context &ctx, const Program &program, std::string_view runtime, std::FILE *out) {
    codegen_js_inner(ctx, program, true, runtime, out);
}

}  // namespace qo
