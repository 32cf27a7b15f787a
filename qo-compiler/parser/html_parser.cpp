// html_parser.cpp -- HTML templates read from the ordinary token stream.
//
// Markup is not lexed separately, so it obeys the lexer's rules: text
// between tags is the concatenation of its token texts (spacing survives
// only inside string literals), attribute names are single tokens, and
// script and style bodies are best written as one string literal. Closing
// tags are not compared with their opening tags; `{/if}` and `{/each}`
// likewise end whatever block is open. Only the 108 known tag names start
// a template in operand position; inside a template any tag is accepted.
#include <unordered_set>

#include "lexer/text.h"
#include "parser/parse_support.h"

namespace qo {

using namespace parse_support;

namespace {

bool at_word(const Tokens &t, Pos pos, std::string_view word) {
    return at(t, pos, TokKind::Ident) && tok_value(t, pos) == word;
}

// Position after the next `>` (or at Eof).
Pos skip_through_gt(const Tokens &t, Pos pos) {
    while (!at(t, pos, TokKind::Eof)) {
        bool gt = at(t, pos, TokKind::Gt);
        pos = step(t, pos);
        if (gt) break;
    }
    return pos;
}

HtmlChildren text_child(std::string text) {
    HtmlChildren children;
    auto node = make_node<html::Text>();
    node->text = std::move(text);
    children.push_back(std::move(node));
    return children;
}

// `{if cond}` then-children [`{else}` else-children] `{/if}`; pos at `{`.
Parsed<HtmlNode> parse_html_if(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<html::HtmlIf>();
    Parsed<Expr> cond = parse_condition(ctx, t, step(t, pos, 2));
    node->cond = std::move(cond.node);
    ParsedChildren then = parse_html_children(ctx, t, expect(t, cond.pos, TokKind::RBrace), "__if_then__");
    node->then = std::move(then.children);
    Pos p = then.pos;
    if (then.at_else) {
        ParsedChildren other = parse_html_children(ctx, t, expect(t, step(t, p, 2), TokKind::RBrace), "__if_else__");
        node->else_ = std::move(other.children);
        p = other.pos;
    }
    return {std::move(node), p};
}

// `{each list as item}` body `{/each}`; pos at `{`.
Parsed<HtmlNode> parse_html_each(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<html::Each>();
    Parsed<Expr> list = parse_condition(ctx, t, step(t, pos, 2));
    node->list = std::move(list.node);
    Pos p = expect(t, list.pos, TokKind::As);
    node->item = tok_value(t, p);
    ParsedChildren body = parse_html_each_body(ctx, t, expect(t, step(t, p), TokKind::RBrace));
    node->body = std::move(body.children);
    return {std::move(node), body.pos};
}

// `{expression}`, or `{raw(e)}` for unescaped output; pos at `{`.
Parsed<HtmlNode> parse_html_interp(Context &ctx, const Tokens &t, Pos pos) {
    Parsed<Expr> value = parse_condition(ctx, t, step(t, pos));
    Pos p = expect(t, value.pos, TokKind::RBrace);
    auto *call = value.node->as<expr::Call>();
    auto *callee = call ? call->func->as<expr::Ident>() : nullptr;
    if (callee && callee->name == "raw") {
        auto node = make_node<html::Raw>();
        // `raw()` without an argument renders nothing rather than a hole.
        node->value = call->args.empty() ? nil() : std::move(call->args.front());
        return {std::move(node), p};
    }
    auto node = make_node<html::Interp>();
    node->value = std::move(value.node);
    return {std::move(node), p};
}

// One child at pos, or none when the children end here. `stop` tells why
// they end (and whether the ending tokens were consumed).
enum class Stop { None, Closed, Else, End };
struct Child {
    Own<HtmlNode> node;  // may be empty: a blank text or a stray `<!`
    Pos pos;
    Stop stop = Stop::None;
};

Child parse_lt_child(Context &ctx, const Tokens &t, Pos pos) {
    if (at(t, pos + 1, TokKind::Slash))  // `</name>`
        return {nullptr, expect(t, step(t, pos, 3), TokKind::Gt), Stop::Closed};
    if (at(t, pos + 1, TokKind::Not)) {
        if (tok_value(t, pos + 2) != "doctype") return {nullptr, step(t, pos)};
        return {make_node<html::Doctype>(), skip_through_gt(t, pos)};
    }
    Parsed<html::Element> element = parse_html_element(ctx, t, pos);
    return {std::move(element.node), element.pos};
}

Child parse_brace_child(Context &ctx, const Tokens &t, Pos pos) {
    if (at(t, pos + 1, TokKind::Slash))  // `{/if}`, `{/each}`
        return {nullptr, expect(t, step(t, pos, 3), TokKind::RBrace), Stop::Closed};
    if (at(t, pos + 1, TokKind::Else)) return {nullptr, pos, Stop::Else};
    if (at(t, pos + 1, TokKind::If)) {
        Parsed<HtmlNode> node = parse_html_if(ctx, t, pos);
        return {std::move(node.node), node.pos};
    }
    Parsed<HtmlNode> node = at_word(t, pos + 1, "each") ? parse_html_each(ctx, t, pos)
                                                        : parse_html_interp(ctx, t, pos);
    return {std::move(node.node), node.pos};
}

Child parse_child(Context &ctx, const Tokens &t, Pos pos) {
    switch (tok_kind(t, pos)) {
    case TokKind::Eof: return {nullptr, pos, Stop::End};
    case TokKind::Lt: return parse_lt_child(ctx, t, pos);
    case TokKind::LBrace: return parse_brace_child(ctx, t, pos);
    default: break;
    }
    ParsedText text = parse_html_text_tokens(t, pos);
    std::string_view trimmed = trim(text.text);
    if (trimmed.empty()) return {nullptr, text.pos};
    auto node = make_node<html::Text>();
    node->text = trimmed;
    return {std::move(node), text.pos};
}

}  // namespace

bool is_html_tag_name(std::string_view name) {
    static const std::unordered_set<std::string_view> tags = {
        "a", "abbr", "address", "area", "article", "aside", "audio", "b", "base",
        "blockquote", "body", "br", "button", "canvas", "caption", "cite", "code", "col",
        "colgroup", "data", "datalist", "dd", "del", "details", "dfn", "dialog", "div", "dl",
        "dt", "em", "embed", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2",
        "h3", "h4", "h5", "h6", "head", "header", "hr", "html", "i", "iframe", "img", "input",
        "ins", "kbd", "label", "legend", "li", "link", "main", "map", "mark", "menu", "meta",
        "meter", "nav", "noscript", "object", "ol", "optgroup", "option", "output", "p",
        "param", "picture", "pre", "progress", "q", "rp", "rt", "ruby", "s", "samp", "script",
        "section", "select", "small", "source", "span", "strong", "style", "sub", "summary",
        "sup", "table", "tbody", "td", "template", "textarea", "tfoot", "th", "thead", "time",
        "title", "tr", "track", "u", "ul", "var", "video", "wbr"};
    return tags.count(name) > 0;
}

bool is_void_element(std::string_view name) {
    static const std::unordered_set<std::string_view> voids = {
        "area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
        "source", "track", "wbr"};
    return voids.count(name) > 0;
}

Parsed<Expr> parse_html_template(Context &ctx, const Tokens &tokens, Pos pos) {
    bool doctype = at(tokens, pos, TokKind::Lt) && at(tokens, pos + 1, TokKind::Not) &&
                   at_word(tokens, pos + 2, "doctype");
    if (doctype) pos = skip_through_gt(tokens, pos);
    Parsed<html::Element> root = parse_html_element(ctx, tokens, pos);
    root.node->doctype = doctype;
    auto node = make_node<expr::HtmlTemplate>();
    node->root = std::move(root.node);
    return {std::move(node), root.pos};
}

Parsed<html::Element> parse_html_element(Context &ctx, const Tokens &tokens, Pos pos) {
    auto node = make_node<html::Element>();
    Pos p = expect(tokens, pos, TokKind::Lt);
    node->tag = tok_value(tokens, p);
    ParsedAttrs attrs = parse_html_attrs(ctx, tokens, step(tokens, p));
    node->attrs = std::move(attrs.attrs);
    p = attrs.pos;
    if (at(tokens, p, TokKind::Slash)) {
        node->self_closing = true;
        return {std::move(node), expect(tokens, step(tokens, p), TokKind::Gt)};
    }
    p = expect(tokens, p, TokKind::Gt);
    if (is_void_element(node->tag)) {
        node->self_closing = true;
        return {std::move(node), p};
    }
    if (node->tag == "script" || node->tag == "style") {
        ParsedText content = parse_raw_text_content(tokens, p, node->tag);
        node->children = text_child(std::move(content.text));
        return {std::move(node), content.pos};
    }
    ParsedChildren children = parse_html_children(ctx, tokens, p, node->tag);
    node->children = std::move(children.children);
    return {std::move(node), children.pos};
}

ParsedAttrs parse_html_attrs(Context &ctx, const Tokens &tokens, Pos pos) {
    ParsedAttrs result{{}, pos};
    Pos &p = result.pos;
    while (!at(tokens, p, TokKind::Gt) && !at(tokens, p, TokKind::Slash) &&
           !at(tokens, p, TokKind::Eof)) {
        HtmlAttr attr;
        attr.name = tok_value(tokens, p);
        if (!at(tokens, p + 1, TokKind::Eq)) {
            p = step(tokens, p);
        } else if (at(tokens, p + 2, TokKind::Str)) {
            attr.kind = AttrKind::Static;
            attr.value = tok_value(tokens, p + 2);
            p = step(tokens, p, 3);
        } else if (at(tokens, p + 2, TokKind::LBrace)) {
            attr.kind = AttrKind::Dynamic;
            Parsed<Expr> value = parse_binop(ctx, tokens, step(tokens, p, 3), 1);
            attr.expr = std::move(value.node);
            p = expect(tokens, value.pos, TokKind::RBrace);
        } else {
            p = step(tokens, p, 2);  // `name =` without a value: the next token is a name
            continue;
        }
        result.attrs.push_back(std::move(attr));
    }
    return result;
}

ParsedChildren parse_html_children(Context &ctx, const Tokens &tokens, Pos pos,
                                   std::string_view /*label*/) {
    ParsedChildren result{{}, pos};
    DepthScope depth(ctx);
    if (depth.too_deep()) return result;
    for (;;) {
        Child child = parse_child(ctx, tokens, result.pos);
        result.pos = child.pos;
        if (child.node) result.children.push_back(std::move(child.node));
        if (child.stop == Stop::None) continue;
        result.at_else = child.stop == Stop::Else;
        return result;
    }
}

ParsedChildren parse_html_each_body(Context &ctx, const Tokens &tokens, Pos pos) {
    return parse_html_children(ctx, tokens, pos, "__each__");
}

ParsedText parse_html_text_tokens(const Tokens &tokens, Pos pos) {
    ParsedText result{{}, pos};
    while (!at(tokens, result.pos, TokKind::Lt) && !at(tokens, result.pos, TokKind::LBrace) &&
           !at(tokens, result.pos, TokKind::Eof)) {
        result.text += tok_value(tokens, result.pos);
        result.pos = step(tokens, result.pos);
    }
    return result;
}

ParsedText parse_raw_text_content(const Tokens &tokens, Pos pos, std::string_view tag) {
    ParsedText result{{}, pos};
    Pos &p = result.pos;
    while (!at(tokens, p, TokKind::Eof)) {
        if (at(tokens, p, TokKind::Lt) && at(tokens, p + 1, TokKind::Slash) &&
            at_word(tokens, p + 2, tag)) {
            p = expect(tokens, step(tokens, p, 3), TokKind::Gt);
            break;
        }
        result.text += tok_value(tokens, p);
        p = step(tokens, p);
    }
    return result;
}

}  // namespace qo
