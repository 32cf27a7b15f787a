// ast.h -- the syntax tree: four node families, one struct per kind.
//
// Families and their discriminating keys: statements ("stmt"), expressions
// ("expr"), match patterns ("pattern") and HTML template nodes ("html").
// Each family has a base (Stmt, Expr, Pattern, HtmlNode) carrying a `kind`
// enum; each kind is a struct in the namespace of its family whose fields
// carry the kind's field names (qo::expr::BinOp has op, left, right). Three
// field names are C++ keywords or clash, and are spelled differently:
//   - "else" of If and HtmlIf is `else_`;
//   - "fields" of TypeDef is `fields_` (`fields` lists a node's fields);
//   - the "value" of a dynamic HTML attribute is `expr` (static: `value`).
// Types are not nodes: declarations keep the leading identifier of a type
// as text ("" when there is none). Flags are bools; to_json prints 0 or 1.
//
// Ownership: children are Own<T>, a unique_ptr whose deleter frees a whole
// subtree with an explicit stack, so dropping a tree of any depth never
// recurses (chains of 100,000 `+` or else-ifs build trees that deep). A
// node pointer is never null once the parser returns it.
//
// Reading a node: switch on `kind`, then `as<T>()` (a pointer, null when
// the kind differs):
//   if (auto *b = e.as<expr::BinOp>()) gen(*b->left), gen(*b->right);
//
// to_json renders the map form of a node, keys in the order the parser
// builds them, the discriminating key first, e.g.
//   {"expr":"BinOp","op":"Plus","left":{"expr":"Int","value":"1"},...}
// Tests compare trees through it; it is iterative too.
#ifndef QO_PARSER_AST_H
#define QO_PARSER_AST_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lexer/token.h"

namespace qo {

struct Node;
namespace ast_detail {
class JsonPieces;
class Detacher;
}  // namespace ast_detail

struct NodeDeleter {
    void operator()(Node *node) const noexcept;
};
template <class T>
using Own = std::unique_ptr<T, NodeDeleter>;

template <class T>
Own<T> make_node() {
    return Own<T>(new T());
}

struct Node {
    Node() = default;
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;
    virtual ~Node() = default;
    virtual const char *family_key() const = 0;
    virtual const char *kind_text() const = 0;
    virtual void describe(ast_detail::JsonPieces &out) const = 0;
    virtual void detach(ast_detail::Detacher &out) = 0;
};

#define QO_STMT_KINDS(X)                                                          \
    X(Let) X(Assign) X(Return) X(FnDef) X(ExternFn) X(TypeDef) X(EnumDef) X(Import) \
    X(While) X(For) X(ForRange) X(Break) X(Continue) X(TryCatch) X(CgiBlock)      \
    X(ServiceBlock) X(Assert) X(Expr)
#define QO_EXPR_KINDS(X)                                                           \
    X(Int) X(Float) X(Str) X(Bool) X(Nil) X(Ident) X(Array) X(Map) X(BinOp) X(Not) \
    X(Neg) X(Call) X(Field) X(Index) X(Try) X(DurationLit) X(Lambda) X(If) X(Match) \
    X(For) X(HtmlTemplate)
#define QO_PATTERN_KINDS(X) X(Wildcard) X(Binding) X(Variant) X(LitInt) X(LitStr) X(LitBool)
#define QO_HTML_KINDS(X) X(Element) X(Text) X(Interp) X(Raw) X(HtmlIf) X(Each) X(Doctype)

#define QO_ENUM_ENTRY(name) name,
enum class StmtKind { QO_STMT_KINDS(QO_ENUM_ENTRY) };
enum class ExprKind { QO_EXPR_KINDS(QO_ENUM_ENTRY) };
enum class PatternKind { QO_PATTERN_KINDS(QO_ENUM_ENTRY) };
enum class HtmlKind { QO_HTML_KINDS(QO_ENUM_ENTRY) };
#undef QO_ENUM_ENTRY

const char *kind_name(StmtKind kind);
const char *kind_name(ExprKind kind);
const char *kind_name(PatternKind kind);
const char *kind_name(HtmlKind kind);

// A family base: the kind plus a checked downcast.
template <class Kind>
struct NodeFamily : Node {
    using KindType = Kind;
    Kind kind;
    explicit NodeFamily(Kind k) : kind(k) {}
    const char *kind_text() const override { return kind_name(kind); }
    template <class T>
    const T *as() const { return kind == T::kKind ? static_cast<const T *>(this) : nullptr; }
    template <class T>
    T *as() { return kind == T::kKind ? static_cast<T *>(this) : nullptr; }
};

struct Stmt : NodeFamily<StmtKind> {
    using NodeFamily::NodeFamily;
    const char *family_key() const override { return "stmt"; }
};
struct Expr : NodeFamily<ExprKind> {
    using NodeFamily::NodeFamily;
    const char *family_key() const override { return "expr"; }
};
struct Pattern : NodeFamily<PatternKind> {
    using NodeFamily::NodeFamily;
    const char *family_key() const override { return "pattern"; }
};
struct HtmlNode : NodeFamily<HtmlKind> {
    using NodeFamily::NodeFamily;
    const char *family_key() const override { return "html"; }
};

// Every concrete kind derives from NodeOf<Self, Family, kind> and lists its
// fields once, in a static `fields` template that both to_json and the
// deleter walk (see ast_visit.h).
template <class Self, class Family, auto Kind>
struct NodeOf : Family {
    static constexpr auto kKind = Kind;
    NodeOf() : Family(Kind) {}
    void describe(ast_detail::JsonPieces &out) const override;
    void detach(ast_detail::Detacher &out) override;
};

using Block = std::vector<Own<Stmt>>;
using Program = Block;
using HtmlChildren = std::vector<Own<HtmlNode>>;

// ---- shared sub-records ----

struct Param {
    std::string name;
    std::string type;  // leading type identifier, or ""
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); v("type", s.type); }
};

struct MapPair {
    std::string key;  // the key token's text
    Own<Expr> value;
    template <class S, class V> static void fields(S &s, V &v) { v("key", s.key); v("value", s.value); }
};

struct MatchArm {
    Own<Pattern> pattern;
    Own<Expr> body;
    template <class S, class V> static void fields(S &s, V &v) { v("pattern", s.pattern); v("body", s.body); }
};

struct TypeField {
    std::string name;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); }
};

struct EnumVariant {
    std::string name;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); }
};

enum class AttrKind { Static, Dynamic, Bool };
const char *kind_name(AttrKind kind);  // "static", "dynamic", "bool"

struct HtmlAttr {
    std::string name;
    AttrKind kind = AttrKind::Bool;
    std::string value;  // static: the string's content
    Own<Expr> expr;     // dynamic: the expression (printed as "value")
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("kind", s.kind);
        if (s.kind == AttrKind::Static) v("value", s.value);
        if (s.kind == AttrKind::Dynamic) v("value", s.expr);
    }
};

// ---- expressions ----

namespace expr {

template <ExprKind K>
struct Literal : NodeOf<Literal<K>, Expr, K> {
    std::string value;  // the token's text: digits, digits.digits, content, true/false
    template <class S, class V> static void fields(S &s, V &v) { v("value", s.value); }
};
using Int = Literal<ExprKind::Int>;
using Float = Literal<ExprKind::Float>;
using Str = Literal<ExprKind::Str>;
using Bool = Literal<ExprKind::Bool>;

// A missing or unparsable operand.
struct Nil : NodeOf<Nil, Expr, ExprKind::Nil> {
    template <class S, class V> static void fields(S &, V &) {}
};

struct Ident : NodeOf<Ident, Expr, ExprKind::Ident> {
    std::string name;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); }
};

struct Array : NodeOf<Array, Expr, ExprKind::Array> {
    std::vector<Own<Expr>> elems;
    template <class S, class V> static void fields(S &s, V &v) { v("elems", s.elems); }
};

struct Map : NodeOf<Map, Expr, ExprKind::Map> {
    std::vector<MapPair> pairs;
    template <class S, class V> static void fields(S &s, V &v) { v("pairs", s.pairs); }
};

// op is one of Or And EqEq NotEq Lt Gt LtEq GtEq Plus Minus Star Slash Percent.
struct BinOp : NodeOf<BinOp, Expr, ExprKind::BinOp> {
    TokKind op = TokKind::Plus;
    Own<Expr> left, right;
    template <class S, class V> static void fields(S &s, V &v) {
        v("op", s.op);
        v("left", s.left);
        v("right", s.right);
    }
};

template <ExprKind K>
struct Unary : NodeOf<Unary<K>, Expr, K> {
    Own<Expr> inner;
    template <class S, class V> static void fields(S &s, V &v) { v("inner", s.inner); }
};
using Not = Unary<ExprKind::Not>;
using Neg = Unary<ExprKind::Neg>;
using Try = Unary<ExprKind::Try>;  // e?

struct Call : NodeOf<Call, Expr, ExprKind::Call> {
    Own<Expr> func;
    std::vector<Own<Expr>> args;
    template <class S, class V> static void fields(S &s, V &v) { v("func", s.func); v("args", s.args); }
};

struct Field : NodeOf<Field, Expr, ExprKind::Field> {
    Own<Expr> object;
    std::string field;
    template <class S, class V> static void fields(S &s, V &v) { v("object", s.object); v("field", s.field); }
};

struct Index : NodeOf<Index, Expr, ExprKind::Index> {
    Own<Expr> object, index;
    template <class S, class V> static void fields(S &s, V &v) { v("object", s.object); v("index", s.index); }
};

struct DurationLit : NodeOf<DurationLit, Expr, ExprKind::DurationLit> {
    std::string count;  // the integer's digits
    std::string unit;   // the unit word as written
    template <class S, class V> static void fields(S &s, V &v) { v("count", s.count); v("unit", s.unit); }
};

struct Lambda : NodeOf<Lambda, Expr, ExprKind::Lambda> {
    std::vector<Param> params;
    Block body;
    std::string ret_type;
    template <class S, class V> static void fields(S &s, V &v) {
        v("params", s.params);
        v("body", s.body);
        v("ret_type", s.ret_type);
    }
};

// `else if` gives an else block of one Expr statement holding the next If.
struct If : NodeOf<If, Expr, ExprKind::If> {
    Own<Expr> cond;
    Block then, else_;
    bool has_else = false;
    template <class S, class V> static void fields(S &s, V &v) {
        v("cond", s.cond);
        v("then", s.then);
        v("else", s.else_);
        v("has_else", s.has_else);
    }
};

struct Match : NodeOf<Match, Expr, ExprKind::Match> {
    Own<Expr> subject;
    std::vector<MatchArm> arms;
    template <class S, class V> static void fields(S &s, V &v) { v("subject", s.subject); v("arms", s.arms); }
};

struct For : NodeOf<For, Expr, ExprKind::For> {
    std::string item;
    Own<Expr> list;
    Block body;
    template <class S, class V> static void fields(S &s, V &v) {
        v("item", s.item);
        v("list", s.list);
        v("body", s.body);
    }
};

}  // namespace expr

// ---- HTML template nodes ----

namespace html {

struct Element : NodeOf<Element, HtmlNode, HtmlKind::Element> {
    std::string tag;
    std::vector<HtmlAttr> attrs;
    HtmlChildren children;
    bool self_closing = false;
    bool doctype = false;  // only a template root; printed only when set
    template <class S, class V> static void fields(S &s, V &v) {
        v("tag", s.tag);
        v("attrs", s.attrs);
        v("children", s.children);
        v("self_closing", s.self_closing);
        if (s.doctype) v("doctype", s.doctype);
    }
};

struct Text : NodeOf<Text, HtmlNode, HtmlKind::Text> {
    std::string text;
    template <class S, class V> static void fields(S &s, V &v) { v("text", s.text); }
};

template <HtmlKind K>
struct ValueNode : NodeOf<ValueNode<K>, HtmlNode, K> {
    Own<Expr> value;
    template <class S, class V> static void fields(S &s, V &v) { v("value", s.value); }
};
using Interp = ValueNode<HtmlKind::Interp>;  // {e}
using Raw = ValueNode<HtmlKind::Raw>;        // {raw(e)}: value is e

struct HtmlIf : NodeOf<HtmlIf, HtmlNode, HtmlKind::HtmlIf> {
    Own<Expr> cond;
    HtmlChildren then, else_;
    template <class S, class V> static void fields(S &s, V &v) {
        v("cond", s.cond);
        v("then", s.then);
        v("else", s.else_);
    }
};

struct Each : NodeOf<Each, HtmlNode, HtmlKind::Each> {
    Own<Expr> list;
    std::string item;
    HtmlChildren body;
    template <class S, class V> static void fields(S &s, V &v) {
        v("list", s.list);
        v("item", s.item);
        v("body", s.body);
    }
};

struct Doctype : NodeOf<Doctype, HtmlNode, HtmlKind::Doctype> {
    template <class S, class V> static void fields(S &, V &) {}
};

}  // namespace html

namespace expr {

struct HtmlTemplate : NodeOf<HtmlTemplate, Expr, ExprKind::HtmlTemplate> {
    Own<html::Element> root;
    template <class S, class V> static void fields(S &s, V &v) { v("root", s.root); }
};

}  // namespace expr

// ---- match patterns ----

namespace pattern {

struct Wildcard : NodeOf<Wildcard, Pattern, PatternKind::Wildcard> {
    template <class S, class V> static void fields(S &, V &) {}
};

struct Binding : NodeOf<Binding, Pattern, PatternKind::Binding> {
    std::string name;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); }
};

struct Variant : NodeOf<Variant, Pattern, PatternKind::Variant> {
    std::string enum_name, variant;
    template <class S, class V> static void fields(S &s, V &v) {
        v("enum_name", s.enum_name);
        v("variant", s.variant);
    }
};

template <PatternKind K>
struct Literal : NodeOf<Literal<K>, Pattern, K> {
    std::string value;
    template <class S, class V> static void fields(S &s, V &v) { v("value", s.value); }
};
using LitInt = Literal<PatternKind::LitInt>;
using LitStr = Literal<PatternKind::LitStr>;
using LitBool = Literal<PatternKind::LitBool>;

}  // namespace pattern

// ---- statements ----

namespace stmt {

struct Let : NodeOf<Let, Stmt, StmtKind::Let> {
    std::string name;
    Own<qo::Expr> value;
    std::string type;
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("value", s.value);
        v("type", s.type);
    }
};

struct Assign : NodeOf<Assign, Stmt, StmtKind::Assign> {
    std::string name;
    Own<qo::Expr> value;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); v("value", s.value); }
};

// A bare `return` holds a Nil value.
struct Return : NodeOf<Return, Stmt, StmtKind::Return> {
    Own<qo::Expr> value;
    template <class S, class V> static void fields(S &s, V &v) { v("value", s.value); }
};

struct FnDef : NodeOf<FnDef, Stmt, StmtKind::FnDef> {
    std::string name;
    std::vector<Param> params;
    Block body;
    std::string ret_type;
    std::optional<std::string> decorator;  // the word after @, when decorated
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("params", s.params);
        v("body", s.body);
        v("ret_type", s.ret_type);
        if (s.decorator) v("decorator", *s.decorator);
    }
};

struct ExternFn : NodeOf<ExternFn, Stmt, StmtKind::ExternFn> {
    std::string name;
    std::vector<Param> params;
    std::string ret_type;
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("params", s.params);
        v("ret_type", s.ret_type);
    }
};

struct TypeDef : NodeOf<TypeDef, Stmt, StmtKind::TypeDef> {
    std::string name;
    std::vector<TypeField> fields_;  // printed as "fields"
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); v("fields", s.fields_); }
};

struct EnumDef : NodeOf<EnumDef, Stmt, StmtKind::EnumDef> {
    std::string name;
    std::vector<EnumVariant> variants;
    template <class S, class V> static void fields(S &s, V &v) { v("name", s.name); v("variants", s.variants); }
};

struct Import : NodeOf<Import, Stmt, StmtKind::Import> {
    std::string path;
    template <class S, class V> static void fields(S &s, V &v) { v("path", s.path); }
};

struct While : NodeOf<While, Stmt, StmtKind::While> {
    Own<qo::Expr> cond;
    Block body;
    template <class S, class V> static void fields(S &s, V &v) { v("cond", s.cond); v("body", s.body); }
};

struct For : NodeOf<For, Stmt, StmtKind::For> {
    std::string item;
    Own<qo::Expr> list;
    Block body;
    template <class S, class V> static void fields(S &s, V &v) {
        v("item", s.item);
        v("list", s.list);
        v("body", s.body);
    }
};

struct ForRange : NodeOf<ForRange, Stmt, StmtKind::ForRange> {
    std::string var;
    Own<qo::Expr> start, end;
    bool inclusive = false;  // ..= rather than ..
    Block body;
    template <class S, class V> static void fields(S &s, V &v) {
        v("var", s.var);
        v("start", s.start);
        v("end", s.end);
        v("inclusive", s.inclusive);
        v("body", s.body);
    }
};

struct Break : NodeOf<Break, Stmt, StmtKind::Break> {
    template <class S, class V> static void fields(S &, V &) {}
};

struct Continue : NodeOf<Continue, Stmt, StmtKind::Continue> {
    template <class S, class V> static void fields(S &, V &) {}
};

struct TryCatch : NodeOf<TryCatch, Stmt, StmtKind::TryCatch> {
    Block try_body;
    std::string catch_name = "err";
    Block catch_body;
    template <class S, class V> static void fields(S &s, V &v) {
        v("try_body", s.try_body);
        v("catch_name", s.catch_name);
        v("catch_body", s.catch_body);
    }
};

struct CgiBlock : NodeOf<CgiBlock, Stmt, StmtKind::CgiBlock> {
    std::string name, tavri_id, principal, network, engram;
    bool has_tavri_id = false, has_principal = false, has_network = false, has_engram = false;
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("tavri_id", s.tavri_id);
        v("principal", s.principal);
        v("network", s.network);
        v("engram", s.engram);
        v("has_tavri_id", s.has_tavri_id);
        v("has_principal", s.has_principal);
        v("has_network", s.has_network);
        v("has_engram", s.has_engram);
    }
};

struct ServiceBlock : NodeOf<ServiceBlock, Stmt, StmtKind::ServiceBlock> {
    std::string name, sponsor, domain;
    template <class S, class V> static void fields(S &s, V &v) {
        v("name", s.name);
        v("sponsor", s.sponsor);
        v("domain", s.domain);
    }
};

// Without a message, msg is the empty Str literal.
struct Assert : NodeOf<Assert, Stmt, StmtKind::Assert> {
    Own<qo::Expr> cond, msg;
    template <class S, class V> static void fields(S &s, V &v) { v("cond", s.cond); v("msg", s.msg); }
};

// Any other statement, `if` and `match` at statement level included.
struct Expr : NodeOf<Expr, Stmt, StmtKind::Expr> {
    Own<qo::Expr> value;
    template <class S, class V> static void fields(S &s, V &v) { v("value", s.value); }
};

}  // namespace stmt

// The map form of a node, or of a block (a JSON array of statements).
std::string to_json(const Node &node);
std::string to_json(const Block &block);

}  // namespace qo

#include "parser/ast_visit.h"

#endif
