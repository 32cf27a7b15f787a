// c_html.cpp -- HTML templates as statement expressions.
//
// A template becomes "({ qo_val_t _html_N = QO_STR(""); ...; _html_N; })":
// one accumulator string, and one append step per piece of output, in
// document order. Literal markup is C string literals; interpolated values
// go through html_escape, raw parts through html_raw; `each` is a C loop
// over the list and `if` a C if, both inside the same expression. Each
// template and each `each` loop takes a number from the per-file counter
// before its own parts are generated.
//
// Element tags are inserted as string-literal text escaped like any other
// literal: a tag is normally a plain word (and then unchanged), but the
// parser accepts any token there, and a quote must not end the literal.
#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"

namespace qo::cgen {

namespace {

class HtmlGen {
public:
    HtmlGen(Gen &g, std::string acc) : g_(g), acc_(std::move(acc)) {}

    std::string run(const html::Element &root) {
        text_ = "({ qo_val_t " + acc_ + " = QO_STR(\"\"); ";
        if (root.doctype) step(c_str_value("<!doctype html>"));
        element(root);
        return std::move(text_) + acc_ + "; })";
    }

private:
    Gen &g_;
    std::string acc_;
    std::string text_;

    void step(const std::string &piece) {
        text_ += acc_ + " = qo_str_concat(" + acc_ + ", " + piece + "); ";
    }

    void element(const html::Element &e) {
        step(c_str_value("<" + e.tag));
        for (const HtmlAttr &attr : e.attrs) attribute(attr);
        if (e.self_closing) {
            step(c_str_value("/>"));
            return;
        }
        step(c_str_value(">"));
        children(e.children);
        step(c_str_value("</" + e.tag + ">"));
    }

    void attribute(const HtmlAttr &attr) {
        switch (attr.kind) {
        case AttrKind::Static:
            step(c_str_value(" " + attr.name + "=\""));
            step(c_str_value(attr.value));
            step(c_str_value("\""));
            break;
        case AttrKind::Dynamic:
            step(c_str_value(" " + attr.name + "=\""));
            step("html_escape(" + cg_text(g_, *attr.expr) + ")");
            step(c_str_value("\""));
            break;
        case AttrKind::Bool: step(c_str_value(" " + attr.name)); break;
        }
    }

    void children(const HtmlChildren &nodes) {
        for (const auto &node : nodes) child(*node);
    }

    void child(const HtmlNode &node) {
        switch (node.kind) {
        case HtmlKind::Text: step(c_str_value(node.as<html::Text>()->text)); break;
        case HtmlKind::Doctype: step(c_str_value("<!doctype html>")); break;
        case HtmlKind::Interp: step("html_escape(" + cg_text(g_, *node.as<html::Interp>()->value) + ")"); break;
        case HtmlKind::Raw: step("html_raw(" + cg_text(g_, *node.as<html::Raw>()->value) + ")"); break;
        case HtmlKind::Element: element(*node.as<html::Element>()); break;
        case HtmlKind::Each: each(*node.as<html::Each>()); break;
        case HtmlKind::HtmlIf: conditional(*node.as<html::HtmlIf>()); break;
        }
    }

    void each(const html::Each &e) {
        std::string k = std::to_string(++g_.state.html_counter);
        std::string list = "_html_list_" + k, len = "_html_len_" + k, i = "_html_i_" + k;
        text_ += "{ qo_val_t " + list + " = (" + cg_text(g_, *e.list) + "); qo_val_t " + len +
                 " = qo_list_len(" + list + "); for (qo_val_t " + i + " = 0; " + i + " < " + len +
                 "; " + i + "++) { qo_val_t " + e.item + " = qo_list_get(" + list + ", " + i + "); ";
        children(e.body);
        text_ += "} } ";
    }

    void conditional(const html::HtmlIf &node) {
        text_ += "if (" + cg_text(g_, *node.cond) + ") { ";
        children(node.then);
        text_ += " } else { ";
        children(node.else_);
        text_ += " } ";
    }
};

}  // namespace

std::string cg_html(Gen &g, const expr::HtmlTemplate &node) {
    HtmlGen html(g, "_html_" + std::to_string(++g.state.html_counter));
    return html.run(*node.root);
}

}  // namespace qo::cgen
