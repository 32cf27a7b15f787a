// js_expr.cpp -- syntax-tree expressions to JavaScript expression text.
//
// Strings, booleans, null, arrays and objects are JavaScript literals;
// equality is strict; `+` and `==` choose between arithmetic, string
// concatenation and string comparison from the operands' shapes and the
// integer-name set, as the C generator does.
//
// Depth. Chains the parser builds by looping (a + a + ... 100,000 long,
// f()()..., a.b.c...) give trees as deep as the chain, so js_cg_expr walks
// with an explicit stack of frames: each frame asks for its children's
// texts one at a time and composes its own text once all are in. Match,
// lambda and template nodes are composed by helpers that call js_cg_expr
// again for their parts; that nesting is bounded by the parser's depth
// limit, since each level of it went through the parser's recursion.
#include <algorithm>
#include <array>
#include <vector>

#include "cgen/c_text.h"
#include "jsgen/js_internal.h"
#include "lexer/text.h"

namespace qo {

std::string js_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char *escape = common_escape(static_cast<unsigned char>(c));
        if (escape) out += escape;
        else out += c;
    }
    return out;
}

namespace jsgen {

std::string js_string(std::string_view text) { return "\"" + js_escape(text) + "\""; }

// Strict-mode JavaScript rejects number literals with leading zeros
// ("007", "08.5"); Qo reads them as decimal, so the zeros go.
std::string js_number(std::string_view digits) {
    std::size_t zeros = 0;
    while (zeros + 1 < digits.size() && digits[zeros] == '0' && digits[zeros + 1] != '.') ++zeros;
    return std::string(digits.substr(zeros));
}

namespace {

constexpr std::array<std::string_view, 5> kAsyncBuiltins = {
    "http_get", "http_post", "http_post_json", "http_get_with_headers", "http_post_with_headers"};
// Called as M(object, args...) when written object.M(args...).
constexpr std::array<std::string_view, 5> kMethodFns = {"append", "len", "get", "map_get", "map_set"};
constexpr std::array<std::string_view, 13> kIntFns = {
    "str_len", "str_index_of", "str_to_int", "str_char_code", "native_list_len", "qo_list_len", "len",
    "json_get_int", "time_now", "time_now_utc", "qo_abs", "qo_max", "qo_min"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N> &names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The C generator's operators, with strict equality.
const char *js_binop(TokKind op) {
    if (op == TokKind::EqEq) return "===";
    if (op == TokKind::NotEq) return "!==";
    return binop_to_c(op);
}

const char *duration_factor(std::string_view unit) {
    if (unit == "milli" || unit == "millis" || unit == "millisecond" || unit == "milliseconds") return "1000000";
    if (unit == "second" || unit == "seconds") return "1000000000";
    if (unit == "minute" || unit == "minutes") return "60000000000";
    if (unit == "hour" || unit == "hours") return "3600000000000";
    if (unit == "day" || unit == "days") return "86400000000000";
    return "1";  // nano, nanos, and any unit the parser let through
}

bool is_int_ident(const JsState &js, const Expr &e) {
    const auto *id = e.as<expr::Ident>();
    return id && js.int_names.contains(id->name);
}

bool is_int_call(const Expr &e) {
    const auto *call = e.as<expr::Call>();
    if (!call) return false;
    const auto *callee = call->func->as<expr::Ident>();
    return callee && listed(kIntFns, callee->name);
}

// A node's text as literal pieces and references to its children's texts,
// so that a chain's text is assembled once at the end instead of being
// copied at every level.
struct Ref {
    std::size_t index;
};

class Rope {
public:
    struct Item {
        std::string text;
        std::size_t child;  // kLiteral for literal text
    };
    static constexpr std::size_t kLiteral = static_cast<std::size_t>(-1);

    Rope &operator<<(std::string_view text) {
        if (items_.empty() || items_.back().child != kLiteral) items_.push_back({"", kLiteral});
        items_.back().text.append(text);
        return *this;
    }
    Rope &operator<<(Ref ref) {
        items_.push_back({"", ref.index});
        return *this;
    }
    const std::vector<Item> &items() const { return items_; }

private:
    std::vector<Item> items_;
};

using Parts = std::vector<Ref>;

Rope plain(Ref l, const char *op, Ref r) {
    Rope out;
    out << "(" << l << " " << op << " " << r << ")";
    return out;
}

Rope call2(std::string_view fn, Ref l, Ref r) {
    Rope out;
    out << fn << "(" << l << ", " << r << ")";
    return out;
}

Rope binop_text(const JsState &js, const expr::BinOp &b, Ref l, Ref r) {
    const Expr &left = *b.left, &right = *b.right;
    auto either = [&](ExprKind k) { return left.kind == k || right.kind == k; };
    if (b.op == TokKind::Plus) {
        if (either(ExprKind::Str)) return call2("qo_str_concat", l, r);
        if (either(ExprKind::Int)) return plain(l, "+", r);
        bool li = is_int_ident(js, left), ri = is_int_ident(js, right);
        bool lc = is_int_call(left), rc = is_int_call(right);
        if ((li || lc) && (ri || rc)) return plain(l, "+", r);
        if (either(ExprKind::Call) || either(ExprKind::Ident)) return call2("qo_str_concat", l, r);
        return plain(l, "+", r);
    }
    if (b.op == TokKind::EqEq || b.op == TokKind::NotEq) {
        bool eq = b.op == TokKind::EqEq;
        if (either(ExprKind::Int) || either(ExprKind::Bool) || either(ExprKind::Nil) ||
            (is_int_ident(js, left) && is_int_ident(js, right)))
            return plain(l, js_binop(b.op), r);
        if (either(ExprKind::Str)) return call2(eq ? "str_eq" : "!str_eq", l, r);
    }
    return plain(l, js_binop(b.op), r);
}

void joined(Rope &out, const Parts &parts, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) out << ", ";
        out << parts[i];
    }
}

// parts: the arguments' texts, then the callee's (or its object's) text
// unless the callee is a plain name.
Rope call_text(const JsState &js, const expr::Call &call, const Parts &parts) {
    std::size_t n = call.args.size();
    Rope out;
    if (const auto *id = call.func->as<expr::Ident>()) {
        bool awaited = listed(kAsyncBuiltins, id->name) || js.async_fns.contains(id->name);
        out << (awaited ? "await " : "") << id->name << "(";
    } else if (const auto *field = call.func->as<expr::Field>(); field && listed(kMethodFns, field->field)) {
        out << field->field << "(" << parts[n] << (n ? ", " : "");
    } else if (field) {
        out << parts[n] << "." << field->field << "(";
    } else {
        out << parts[n] << "(";
    }
    joined(out, parts, 0, n);
    out << ")";
    return out;
}

// Child i of e in generation order, or null once all are done. A call's
// arguments come before its callee.
const Expr *child_at(const Expr &e, std::size_t i) {
    switch (e.kind) {
    case ExprKind::BinOp: {
        const auto &b = *e.as<expr::BinOp>();
        return i == 0 ? b.left.get() : i == 1 ? b.right.get() : nullptr;
    }
    case ExprKind::Not: return i == 0 ? e.as<expr::Not>()->inner.get() : nullptr;
    case ExprKind::Neg: return i == 0 ? e.as<expr::Neg>()->inner.get() : nullptr;
    case ExprKind::Try: return i == 0 ? e.as<expr::Try>()->inner.get() : nullptr;
    case ExprKind::Field: return i == 0 ? e.as<expr::Field>()->object.get() : nullptr;
    case ExprKind::Index: {
        const auto &x = *e.as<expr::Index>();
        return i == 0 ? x.object.get() : i == 1 ? x.index.get() : nullptr;
    }
    case ExprKind::Array: {
        const auto &elems = e.as<expr::Array>()->elems;
        return i < elems.size() ? elems[i].get() : nullptr;
    }
    case ExprKind::Map: {
        const auto &pairs = e.as<expr::Map>()->pairs;
        return i < pairs.size() ? pairs[i].value.get() : nullptr;
    }
    case ExprKind::If: return i == 0 ? e.as<expr::If>()->cond.get() : nullptr;
    case ExprKind::Call: {
        const auto &call = *e.as<expr::Call>();
        if (i < call.args.size()) return call.args[i].get();
        if (i > call.args.size() || call.func->kind == ExprKind::Ident) return nullptr;
        if (const auto *field = call.func->as<expr::Field>()) return field->object.get();
        return call.func.get();
    }
    default: return nullptr;
    }
}

Rope optional_member(Ref object, std::string_view key_literal, const Ref *key) {
    Rope out;
    out << "(" << object << ")?.[";
    if (key) out << *key;
    else out << key_literal;
    out << "] ?? null";
    return out;
}

Rope literal(std::string_view text) {
    Rope out;
    out << text;
    return out;
}

Rope map_text(const expr::Map &m, const Parts &values) {
    Rope out;
    out << "{";
    for (std::size_t i = 0; i < m.pairs.size(); ++i) {
        if (i) out << ", ";
        out << js_string(m.pairs[i].key) << ": " << values[i];
    }
    out << "}";
    return out;
}

Rope wrapped(std::string_view before, Ref inner, std::string_view after) {
    Rope out;
    out << before << inner << after;
    return out;
}

// The text of e from its children's texts.
Rope compose(JsState &js, const Expr &e, const Parts &parts) {
    switch (e.kind) {
    case ExprKind::Int: return literal(js_number(e.as<expr::Int>()->value));
    case ExprKind::Float: return literal(js_number(e.as<expr::Float>()->value));
    case ExprKind::Str: return literal(js_string(e.as<expr::Str>()->value));
    case ExprKind::Bool: return literal(e.as<expr::Bool>()->value == "true" ? "true" : "false");
    case ExprKind::Ident: return literal(e.as<expr::Ident>()->name);
    case ExprKind::DurationLit: {
        const auto &d = *e.as<expr::DurationLit>();
        return literal("(" + js_number(d.count) + " * " + duration_factor(d.unit) + ")");
    }
    case ExprKind::Not: return wrapped("!", parts[0], "");
    case ExprKind::Neg: return wrapped("(-", parts[0], ")");
    case ExprKind::Try: return wrapped("", parts[0], "");
    case ExprKind::Field: {
        const auto &f = *e.as<expr::Field>();
        if (f.object->kind == ExprKind::Try) return optional_member(parts[0], js_string(f.field), nullptr);
        return wrapped("", parts[0], "[" + js_string(f.field) + "]");
    }
    case ExprKind::Index: {
        const auto &x = *e.as<expr::Index>();
        if (x.object->kind == ExprKind::Try) return optional_member(parts[0], "", &parts[1]);
        return call2(x.index->kind == ExprKind::Str ? "qo_get_field" : "qo_list_get", parts[0], parts[1]);
    }
    case ExprKind::Array: {
        Rope out;
        out << "[";
        joined(out, parts, 0, parts.size());
        out << "]";
        return out;
    }
    case ExprKind::Map: return map_text(*e.as<expr::Map>(), parts);
    case ExprKind::If: return wrapped("(", parts[0], " ? 1 : 0)");
    case ExprKind::BinOp: return binop_text(js, *e.as<expr::BinOp>(), parts[0], parts[1]);
    case ExprKind::Call: return call_text(js, *e.as<expr::Call>(), parts);
    case ExprKind::Match: return literal(js_cg_match(js, *e.as<expr::Match>()));
    case ExprKind::Lambda: return literal(js_cg_lambda(js, *e.as<expr::Lambda>()));
    case ExprKind::HtmlTemplate: return literal(js_cg_html_template(js, *e.as<expr::HtmlTemplate>()));
    default: return literal("null");  // Nil, and a `for` in value position
    }
}

std::string flatten(const std::vector<Rope> &ropes, std::size_t root) {
    std::string out;
    std::vector<std::pair<std::size_t, std::size_t>> stack{{root, 0}};  // rope, next item
    while (!stack.empty()) {
        auto [rope, item] = stack.back();
        const auto &items = ropes[rope].items();
        if (item == items.size()) {
            stack.pop_back();
            continue;
        }
        ++stack.back().second;
        if (items[item].child == Rope::kLiteral) out += items[item].text;
        else stack.push_back({items[item].child, 0});
    }
    return out;
}

struct Frame {
    const Expr *node;
    Parts parts;
};

}  // namespace

std::string js_cg_expr(JsState &js, const Expr &root) {
    std::vector<Rope> ropes;
    std::vector<Frame> stack;
    stack.push_back({&root, {}});
    for (;;) {
        Frame &top = stack.back();
        if (const Expr *child = child_at(*top.node, top.parts.size())) {
            stack.push_back({child, {}});
            continue;
        }
        ropes.push_back(compose(js, *top.node, top.parts));
        Ref done{ropes.size() - 1};
        stack.pop_back();
        if (stack.empty()) return flatten(ropes, done.index);
        stack.back().parts.push_back(done);
    }
}

}  // namespace jsgen
}  // namespace qo
