// ast.cpp -- kind names, the iterative deleter and to_json.
#include "parser/ast.h"

#include <array>
#include <cstdio>

#include "lexer/text.h"

namespace qo {

namespace {

#define QO_NAME_ENTRY(name) #name,
constexpr const char *kStmtNames[] = {QO_STMT_KINDS(QO_NAME_ENTRY)};
constexpr const char *kExprNames[] = {QO_EXPR_KINDS(QO_NAME_ENTRY)};
constexpr const char *kPatternNames[] = {QO_PATTERN_KINDS(QO_NAME_ENTRY)};
constexpr const char *kHtmlNames[] = {QO_HTML_KINDS(QO_NAME_ENTRY)};
#undef QO_NAME_ENTRY

using ast_detail::JsonPieces;

// Expands pieces depth first with an explicit stack; a node piece is
// replaced by the pieces of its own description.
std::string render(std::vector<JsonPieces::Piece> pieces) {
    std::string out;
    std::vector<JsonPieces::Piece> stack(std::make_move_iterator(pieces.rbegin()),
                                         std::make_move_iterator(pieces.rend()));
    JsonPieces scratch;
    while (!stack.empty()) {
        JsonPieces::Piece piece = std::move(stack.back());
        stack.pop_back();
        if (!piece.node) {
            out += piece.text;
            continue;
        }
        scratch.pieces.clear();
        piece.node->describe(scratch);
        for (auto it = scratch.pieces.rbegin(); it != scratch.pieces.rend(); ++it)
            stack.push_back(std::move(*it));
    }
    return out;
}

}  // namespace

const char *kind_name(StmtKind kind) { return kStmtNames[static_cast<int>(kind)]; }
const char *kind_name(ExprKind kind) { return kExprNames[static_cast<int>(kind)]; }
const char *kind_name(PatternKind kind) { return kPatternNames[static_cast<int>(kind)]; }
const char *kind_name(HtmlKind kind) { return kHtmlNames[static_cast<int>(kind)]; }

const char *kind_name(AttrKind kind) {
    switch (kind) {
    case AttrKind::Static: return "static";
    case AttrKind::Dynamic: return "dynamic";
    case AttrKind::Bool: break;
    }
    return "bool";
}

void NodeDeleter::operator()(Node *node) const noexcept {
    std::vector<Node *> stack{node};
    ast_detail::Detacher detacher(stack);
    while (!stack.empty()) {
        Node *n = stack.back();
        stack.pop_back();
        n->detach(detacher);
        delete n;
    }
}

void ast_detail::append_json_escaped(std::string &out, const std::string &s) {
    for (unsigned char c : s) {
        if (const char *escape = common_escape(c)) {
            out += escape;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
}

std::string to_json(const Node &node) {
    return render({{{}, &node}});
}

std::string to_json(const Block &block) {
    std::vector<JsonPieces::Piece> pieces{{"[", nullptr}};
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (i) pieces.push_back({",", nullptr});
        pieces.push_back({{}, block[i].get()});
    }
    pieces.push_back({"]", nullptr});
    return render(std::move(pieces));
}

}  // namespace qo
