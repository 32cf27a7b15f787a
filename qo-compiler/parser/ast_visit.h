// ast_visit.h -- the two walks over a node's fields: rendering and freeing.
// Included by ast.h; nothing else needs it.
//
// Each kind lists its fields once (its static `fields` template). Both
// walks look at one node at a time and hand its child nodes back to a loop
// with an explicit stack, so neither recurses on deep trees:
//   - JsonPieces turns a node into text pieces and child slots, which
//     to_json expands in order;
//   - Detacher releases a node's children onto the deleter's stack, so the
//     node itself is then destroyed shallowly.
// Sub-records (parameters, map pairs, arms, attributes) are walked inline:
// they are flat, and their child nodes go to the same stack.
#ifndef QO_PARSER_AST_VISIT_H
#define QO_PARSER_AST_VISIT_H

#include <string>
#include <vector>

namespace qo::ast_detail {

// JSON string body of s (quotes not included), appended to out.
void append_json_escaped(std::string &out, const std::string &s);

class JsonPieces {
public:
    struct Piece {
        std::string text;
        const Node *node = nullptr;  // when set, the piece is this node's rendering
    };
    std::vector<Piece> pieces;

    void open_node(const char *family, const char *kind) {
        std::string &t = text();
        t += "{\"";
        t += family;
        t += "\":\"";
        t += kind;
        t += '"';
        need_comma_ = true;
    }
    void close() {
        text() += '}';
        need_comma_ = true;
    }

    void operator()(const char *key, const std::string &s) {
        std::string &t = this->key(key);
        t += '"';
        append_json_escaped(t, s);
        t += '"';
    }
    void operator()(const char *key, bool flag) { this->key(key) += flag ? '1' : '0'; }
    void operator()(const char *key, TokKind kind) { quoted(key, kind_name(kind)); }
    void operator()(const char *key, AttrKind kind) { quoted(key, kind_name(kind)); }

    template <class T>
    void operator()(const char *key, const Own<T> &child) {
        this->key(key);
        node(child.get());
    }

    template <class T>
    void operator()(const char *key, const std::vector<Own<T>> &children) {
        this->key(key) += '[';
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (i) text() += ',';
            node(children[i].get());
        }
        text() += ']';
        need_comma_ = true;
    }

    template <class R>
    void operator()(const char *key, const std::vector<R> &records) {
        this->key(key) += '[';
        for (std::size_t i = 0; i < records.size(); ++i) {
            text() += i ? ",{" : "{";
            need_comma_ = false;
            R::fields(records[i], *this);
            text() += '}';
        }
        text() += ']';
        need_comma_ = true;
    }

private:
    bool need_comma_ = false;

    // The text piece to append to; adjacent texts share one piece, so a
    // node is a few pieces, not dozens.
    std::string &text() {
        if (pieces.empty() || pieces.back().node) pieces.push_back({});
        return pieces.back().text;
    }
    std::string &key(const char *name) {
        std::string &t = text();
        t += need_comma_ ? ",\"" : "\"";
        t += name;
        t += "\":";
        need_comma_ = true;
        return t;
    }
    void quoted(const char *key, const char *value) {
        std::string &t = this->key(key);
        t += '"';
        t += value;
        t += '"';
    }
    void node(const Node *n) {
        if (n) pieces.push_back({{}, n});
        else text() += "null";
    }
};

class Detacher {
public:
    explicit Detacher(std::vector<Node *> &stack) : stack_(stack) {}

    template <class T>
    void operator()(const char *, Own<T> &child) {
        if (child) stack_.push_back(child.release());
    }
    template <class T>
    void operator()(const char *, std::vector<Own<T>> &children) {
        for (auto &child : children)
            if (child) stack_.push_back(child.release());
    }
    template <class R>
    void operator()(const char *, std::vector<R> &records) {
        for (auto &record : records) R::fields(record, *this);
    }
    template <class Scalar>
    void operator()(const char *, Scalar &) {}

private:
    std::vector<Node *> &stack_;
};

}  // namespace qo::ast_detail

namespace qo {

template <class Self, class Family, auto Kind>
void NodeOf<Self, Family, Kind>::describe(ast_detail::JsonPieces &out) const {
    out.open_node(this->family_key(), this->kind_text());
    Self::fields(static_cast<const Self &>(*this), out);
    out.close();
}

template <class Self, class Family, auto Kind>
void NodeOf<Self, Family, Kind>::detach(ast_detail::Detacher &out) {
    Self::fields(static_cast<Self &>(*this), out);
}

}  // namespace qo

#endif
