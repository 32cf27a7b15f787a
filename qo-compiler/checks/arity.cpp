// arity.cpp -- the builtin arity table and the arity diagnostics.
#include "checks/arity.h"

#include <initializer_list>
#include <unordered_map>

namespace qo {

namespace {

struct ArityRow {
    int arity;
    std::initializer_list<const char *> names;
};

const std::unordered_map<std::string_view, int> &arity_table() {
    static const std::unordered_map<std::string_view, int> table = [] {
        const ArityRow rows[] = {
        {0,
         {"readline", "qo_list_empty", "__readline", "__mutex_new", "__args_json",
          "__time_now_ns", "__uuid_v4", "__pi_f", "__state_keys", "__engram_node_count",
          "time_now", "time_now_utc", "uuid_new", "uuid_v4", "state_keys", "math_pi",
          "getpid_now", "stdout_restore", "tavri_peers", "engram_node_count", "engram_edge_count",
          "engram_stats_json", "llm_models", "native_list_empty", "qo_arena_push"}},
        {1,
         {"println", "print", "__read_n", "__print_raw", "str_len", "int_to_str", "str_to_int",
          "str_to_upper", "str_to_lower", "str_trim", "str_lower", "str_upper", "str_count_chars",
          "str_count_bytes", "str_count_lines", "str_count_words", "str_count_letters",
          "str_count_digits", "str_reverse", "str_lstrip", "str_rstrip", "is_letter", "is_digit",
          "is_alphanumeric", "is_whitespace", "is_punctuation", "is_uppercase", "is_lowercase",
          "str_split_lines", "str_split_chars", "qo_abs", "qo_list_len", "qo_list_clone",
          "http_get", "http_set_handler", "__str_len", "__str_alloc", "__int_to_str",
          "__str_to_int", "__float_to_str", "__str_to_float", "__println", "__print", "__fs_read",
          "__fs_exists", "__fs_list_raw", "__fs_mkdir", "__thread_join", "__mutex_lock",
          "__mutex_unlock", "__exec", "__exec_bg", "__env_get", "__exit_program", "__sleep_ms",
          "__sqrt_f", "__log_f", "__ln_f", "__sin_f", "__cos_f", "__state_get", "__state_del",
          "__url_encode", "__url_decode", "__json_parse_map", "__json_stringify_val",
          "__json_array_len", "__engram_get_node", "__engram_strengthen", "__engram_forget",
          "__engram_neighbors", "__generate", "fs_read", "fs_list", "json_parse",
          "json_stringify", "json_array_len", "sleep_secs", "sleep_ms", "time_to_parts", "env",
          "state_get", "state_del", "float_to_str", "int_to_float", "float_to_int",
          "str_to_float", "math_sqrt", "math_log", "math_ln", "math_sin", "math_cos",
          "bool_to_str", "exit_program", "stdout_to_file", "exec_command", "exec_capture", "exec",
          "exec_bg", "tavri_connect", "tavri_activate", "tavri_field", "tavri_relationship",
          "engram_get_node", "engram_strengthen", "engram_forget", "engram_neighbors",
          "engram_save", "engram_load", "engram_get_node_json", "engram_get_node_by_label",
          "sha256_hex", "sha256_bytes", "base64_encode", "base64_decode", "base64url_encode",
          "base64url_decode", "native_list_len", "native_list_clone", "native_string_chars",
          "native_int_to_str", "len", "__channel_new", "__channel_recv", "__channel_try_recv",
          "__channel_close", "qo_arena_pop"}},
        {2,
         {"qo_str_concat", "str_eq", "str_starts_with", "str_ends_with", "str_concat",
          "str_contains", "str_index_of", "str_split", "str_char_at", "str_char_code",
          "str_format", "str_count", "str_index_of_all", "str_last_index_of", "str_find_chars",
          "str_repeat", "str_strip_prefix", "str_strip_suffix", "str_strip_chars", "str_join",
          "qo_html_sanitize", "qo_max", "qo_min", "qo_list_get", "qo_list_append", "list_push",
          "list_push_front", "list_join", "list_range", "qo_get_field", "qo_map_get", "http_post",
          "http_post_json", "http_get_with_headers", "http_serve", "__str_char_at", "__str_cmp",
          "__str_concat_raw", "__fs_write", "__http_serve", "__http_serve_v2", "__thread_create",
          "__state_set", "__html_sanitize", "__json_get", "__json_get_raw", "__json_array_get",
          "__json_array_get_string", "__engram_search", "__engram_scan_nodes",
          "__engram_edge_between", "__engram_activate", "__engram_activate_json",
          "__engram_scan_nodes_json", "fs_write", "json_get", "json_get_string", "json_get_int",
          "json_get_float", "json_get_bool", "json_get_raw", "time_format", "state_set",
          "format_float", "decimal_round", "tavri_send", "tavri_emit", "tavri_strengthen",
          "engram_search", "engram_scan_nodes", "engram_edge_between", "engram_activate",
          "engram_search_json", "engram_scan_nodes_json", "engram_activate_json", "llm_call",
          "llm_register_tool", "hmac_sha256_hex", "hmac_sha256_bytes", "native_list_get",
          "native_list_append", "append", "get", "map_get", "__channel_send"}},
        {3,
         {"str_slice", "str_replace", "str_pad_left", "str_pad_right", "str_split_n",
          "qo_map_set", "http_post_with_headers", "http_post_form_auth", "__str_set_char",
          "__str_ncmp", "__str_slice_raw", "__fs_write_bytes", "__http_response", "__json_set",
          "__engram_node", "__engram_neighbors_filtered", "json_set", "time_from_parts",
          "time_add", "time_diff", "engram_node", "engram_neighbors_filtered",
          "engram_neighbors_json", "llm_call_system", "map_set"}},
        {4,
         {"__engram_connect", "engram_connect", "llm_call_agentic", "llm_vision"}},
        {5,
         {"__http_do", "__http_do_map", "__http_do_to_file"}},
        {8,
         {"__engram_node_full", "engram_node_full"}},
        };
        std::unordered_map<std::string_view, int> t;
        for (const ArityRow &row : rows)
            for (const char *name : row.names) t.emplace(name, row.arity);
        return t;
    }();
    return table;
}

}  // namespace

int builtin_arity(std::string_view name) {
    const auto &table = arity_table();
    auto it = table.find(name);
    return it == table.end() ? -1 : it->second;
}

std::vector<std::pair<std::string_view, int>> builtin_arities() {
    const auto &table = arity_table();
    return {table.begin(), table.end()};
}

void arity_check_call(CheckState &state, std::string_view callee, std::size_t arg_count) {
    int arity = builtin_arity(callee);
    if (arity < 0 || static_cast<std::size_t>(arity) == arg_count) return;
    std::string entry(callee);
    entry += '|' + std::to_string(arity) + '|' + std::to_string(arg_count);
    state.arity_violations.add(entry);
}

void emit_arity_violations(const CheckState &state, std::vector<std::string> &lines) {
    for (std::string_view entry : state.arity_violations.entries()) {
        std::size_t first = entry.find('|');
        std::size_t second = first == std::string_view::npos ? first : entry.find('|', first + 1);
        if (second == std::string_view::npos) continue;
        lines.push_back("#error \"arity error: '" + std::string(entry.substr(0, first)) + "' takes " +
                        std::string(entry.substr(first + 1, second - first - 1)) +
                        " arguments, but called with " + std::string(entry.substr(second + 1)) +
                        "\"");
    }
}

}  // namespace qo
