// qo_runtime.js against the C runtime: every case of runtime_cases.txt is
// run through the C function of the same name here and through the
// JavaScript function by runtime_cases.mjs; both print one normalised
// result line per case, and the lines must be equal. What has no C
// counterpart is checked by runtime_host.mjs.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "js_test_util.h"
#include "qo_runtime.h"

// Strings, lists and maps made by runtime calls outside an arena live until
// the process exits, by design.
extern "C" const char *__lsan_default_suppressions() { return "leak:qo-compiler/runtime/\n"; }

namespace qo::jstest {
namespace {

using Args = std::vector<qo_val_t>;
using CallFn = std::function<qo_val_t(const Args &)>;

template <class... P>
CallFn wrap(qo_val_t (*fn)(P...)) {
    return [fn](const Args &a) {
        return [&]<std::size_t... I>(std::index_sequence<I...>) {
            return fn(a.size() > I ? a[I] : 0 ...);
        }(std::index_sequence_for<P...>{});
    };
}

const std::map<std::string, CallFn> &functions() {
    static const std::map<std::string, CallFn> table = {
        {"str_eq", wrap(str_eq)}, {"qo_str_concat", wrap(qo_str_concat)}, {"str_concat", wrap(str_concat)},
        {"str_starts_with", wrap(str_starts_with)}, {"str_ends_with", wrap(str_ends_with)},
        {"str_contains", wrap(str_contains)}, {"str_len", wrap(str_len)}, {"int_to_str", wrap(int_to_str)},
        {"native_int_to_str", wrap(native_int_to_str)}, {"str_to_int", wrap(str_to_int)},
        {"str_slice", wrap(str_slice)}, {"str_replace", wrap(str_replace)}, {"str_to_upper", wrap(str_to_upper)},
        {"str_upper", wrap(str_upper)}, {"str_to_lower", wrap(str_to_lower)}, {"str_lower", wrap(str_lower)},
        {"str_trim", wrap(str_trim)}, {"str_index_of", wrap(str_index_of)}, {"str_split", wrap(str_split)},
        {"str_char_at", wrap(str_char_at)}, {"str_char_code", wrap(str_char_code)}, {"qo_abs", wrap(qo_abs)},
        {"qo_max", wrap(qo_max)}, {"qo_min", wrap(qo_min)}, {"native_string_chars", wrap(native_string_chars)},
        {"list_range", wrap(list_range)}, {"qo_list_len", wrap(qo_list_len)}, {"len", wrap(len)},
        {"qo_list_get", wrap(qo_list_get)}, {"native_list_get", wrap(native_list_get)},
        {"list_join", wrap(list_join)}, {"bool_to_str", wrap(bool_to_str)}, {"json_get", wrap(json_get)},
        {"json_get_string", wrap(json_get_string)}, {"json_get_int", wrap(json_get_int)},
        {"json_stringify", wrap(json_stringify)}, {"state_set", wrap(state_set)}, {"state_get", wrap(state_get)},
        {"state_del", wrap(state_del)}, {"state_keys", wrap(state_keys)},
    };
    return table;
}

// ---- reading the arguments: JSON strings, integers, nil, flat lists ----

class ArgReader {
public:
    explicit ArgReader(std::string text) : text_(std::move(text)) {}
    Args all() {
        Args out;
        while (skip(), p_ < text_.size()) out.push_back(value());
        return out;
    }

private:
    std::string text_;
    std::size_t p_ = 0;
    std::vector<std::unique_ptr<std::string>> strings_keep_;

    void skip() {
        while (p_ < text_.size() && (text_[p_] == ' ' || text_[p_] == ',')) ++p_;
    }
    qo_val_t value() {
        skip();
        if (text_[p_] == '[') {
            ++p_;
            qo_val_t list = qo_list_empty();
            while (skip(), text_[p_] != ']') list = qo_list_append(list, value());
            ++p_;
            return list;
        }
        if (text_[p_] == '"') return string();
        if (text_.compare(p_, 3, "nil") == 0) {
            p_ += 3;
            return 0;
        }
        std::size_t used = 0;
        long long n = std::stoll(text_.substr(p_), &used);
        p_ += used;
        return n;
    }
    qo_val_t string() {
        std::string s;
        for (++p_; text_[p_] != '"'; ++p_) {
            char c = text_[p_];
            if (c != '\\') {
                s += c;
                continue;
            }
            c = text_[++p_];
            if (c == 'u') {
                s += static_cast<char>(std::stoi(text_.substr(p_ + 1, 4), nullptr, 16));
                p_ += 4;
            } else {
                s += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            }
        }
        ++p_;
        strings_keep_.push_back(std::make_unique<std::string>(s));
        return QO_STR(strings_keep_.back()->c_str());
    }
};

// ---- printing results as the JavaScript side does (JSON.stringify) ----

std::string quoted(const char *s) {
    std::string out = "\"";
    for (const char *p = s ? s : ""; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\b') out += "\\b";
        else if (c == '\f') out += "\\f";
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string shown(char kind, qo_val_t v) {
    switch (kind) {
    case 's': return quoted(QO_STR_PTR(v));
    case 'b': return v ? "true" : "false";
    case 'L':
    case 'N': {
        std::string out = "[";
        for (qo_val_t i = 0; i < qo_list_len(v); ++i) {
            if (i) out += ",";
            qo_val_t e = qo_list_get(v, i);
            out += kind == 'L' ? quoted(QO_STR_PTR(e)) : std::to_string(e);
        }
        return out + "]";
    }
    default: return std::to_string(v);
    }
}

TEST(RuntimeCompare, TheJavaScriptRuntimeGivesTheCResults) {
    if (!have_command("node")) GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
    const std::string cases = kSource + "/tests/js/runtime_cases.txt";
    std::istringstream lines(read_file(cases));
    std::vector<std::string> c_results, case_lines;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string kind, fn, rest;
        fields >> kind >> fn;
        std::getline(fields, rest);
        auto it = functions().find(fn);
        ASSERT_NE(it, functions().end()) << "no C function in the table for: " << line;
        ArgReader reader(rest);
        c_results.push_back(shown(kind[0], it->second(reader.all())));
        case_lines.push_back(line);
    }
    TempDir dir{"runtime-compare"};
    Outcome js = run_in(dir.path(), "node '" + kSource + "/tests/js/runtime_cases.mjs' '" + kRuntimeJs + "' '" + cases + "'");
    ASSERT_EQ(js.status, 0) << js.err;
    std::istringstream js_lines(js.out);
    std::size_t i = 0;
    for (std::string line; std::getline(js_lines, line); ++i) {
        ASSERT_LT(i, c_results.size()) << "extra JavaScript output: " << line;
        EXPECT_EQ(line, c_results[i]) << "case: " << case_lines[i];
    }
    EXPECT_EQ(i, c_results.size());
    EXPECT_GE(c_results.size(), 100u);
}

TEST(RuntimeHost, ValueMappingBrowserChecksFetchAndStandIns) {
    if (!have_command("node")) GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
    TempDir dir{"runtime-host"};
    Outcome r = run_in(dir.path(), "node '" + kSource + "/tests/js/runtime_host.mjs' '" + kRuntimeJs + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "runtime host checks passed\n");
}

}  // namespace
}  // namespace qo::jstest
