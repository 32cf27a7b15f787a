// js_forms.cpp -- `match` and HTML templates as immediately invoked arrow
// functions, so that both stay expressions wherever they stand.
//
// A match binds its subject once as the arrow's parameter and returns from
// the first arm that applies (null when none does). A template appends
// every piece to one string variable and returns it; `each` becomes an
// indexed loop over the list, whose temporaries carry their own number so
// that nested loops never clash. Template `if` parts produce nothing on
// this target.
//
// Element nesting recurses: the parser bounds template nesting, and long
// runs of siblings are loops.
#include "jsgen/js_internal.h"

namespace qo::jsgen {

namespace {

std::string numbered(const char *prefix, long n) { return prefix + std::to_string(n); }

std::string arm_text(const Pattern &p, const std::string &subject, const std::string &body) {
    std::string ret = "return (" + body + "); ";
    switch (p.kind) {
    case PatternKind::Binding:
        return "{ const " + p.as<pattern::Binding>()->name + " = " + subject + "; " + ret + "} ";
    case PatternKind::LitInt:
        return "if (" + subject + " === " + js_number(p.as<pattern::LitInt>()->value) + ") " + ret;
    case PatternKind::LitBool:
        return "if (" + subject + " === " + (p.as<pattern::LitBool>()->value == "true" ? "true" : "false") +
               ") " + ret;
    case PatternKind::LitStr:
        return "if (str_eq(" + subject + ", " + js_string(p.as<pattern::LitStr>()->value) + ")) " + ret;
    case PatternKind::Variant:
        return "if (str_eq(" + subject + ", " + js_string(p.as<pattern::Variant>()->variant) + ")) " + ret;
    default: return ret;  // Wildcard
    }
}

// Appends a template's pieces to `out`, each as `V += piece; `.
class TemplateWriter {
public:
    TemplateWriter(JsState &js, std::string var, std::string &out) : js_(js), var_(std::move(var)), out_(out) {}

    void element(const html::Element &el) {
        piece(js_string("<" + el.tag));
        for (const HtmlAttr &attr : el.attrs) attribute(attr);
        if (el.self_closing) {
            piece("\"/>\"");
            return;
        }
        piece("\">\"");
        children(el.children);
        piece(js_string("</" + el.tag + ">"));
    }

    void piece(const std::string &text) { out_ += var_ + " += " + text + "; "; }

private:
    JsState &js_;
    std::string var_;
    std::string &out_;

    void attribute(const HtmlAttr &attr) {
        if (attr.kind == AttrKind::Bool) {
            piece(js_string(" " + attr.name));
            return;
        }
        piece(js_string(" " + attr.name + "=\""));
        if (attr.kind == AttrKind::Static) piece(js_string(attr.value));
        else piece("html_escape(" + js_cg_expr(js_, *attr.expr) + ")");
        piece(js_string("\""));
    }

    void children(const HtmlChildren &nodes) {
        for (const auto &node : nodes) child(*node);
    }

    void child(const HtmlNode &node) {
        switch (node.kind) {
        case HtmlKind::Text: piece(js_string(node.as<html::Text>()->text)); break;
        case HtmlKind::Doctype: piece("\"<!doctype html>\""); break;
        case HtmlKind::Interp: piece("html_escape(" + js_cg_expr(js_, *node.as<html::Interp>()->value) + ")"); break;
        case HtmlKind::Raw: piece("html_raw(" + js_cg_expr(js_, *node.as<html::Raw>()->value) + ")"); break;
        case HtmlKind::Element: element(*node.as<html::Element>()); break;
        case HtmlKind::Each: each(*node.as<html::Each>()); break;
        case HtmlKind::HtmlIf: break;
        }
    }

    void each(const html::Each &loop) {
        long k = ++js_.html_counter;
        std::string list = numbered("_html_list_", k), count = numbered("_html_len_", k);
        std::string i = numbered("_html_i_", k);
        out_ += "{ const " + list + " = " + js_cg_expr(js_, *loop.list) + "; const " + count + " = qo_list_len(" +
                list + "); for (let " + i + " = 0; " + i + " < " + count + "; " + i + "++) { const " + loop.item +
                " = qo_list_get(" + list + ", " + i + "); ";
        children(loop.body);
        out_ += "} } ";
    }
};

}  // namespace

std::string js_cg_match(JsState &js, const expr::Match &m) {
    std::string subject = js_cg_expr(js, *m.subject);
    std::string var = numbered("_match_subj_", ++js.match_counter);
    std::string out = "((" + var + ") => { ";
    for (const MatchArm &arm : m.arms) {
        std::string body = js_cg_expr(js, *arm.body);
        out += arm_text(*arm.pattern, var, body);
    }
    return out + "return null; })(" + subject + ")";
}

std::string js_cg_html_template(JsState &js, const expr::HtmlTemplate &t) {
    std::string var = numbered("_html_", ++js.html_counter);
    std::string out = "(() => { let " + var + " = \"\"; ";
    TemplateWriter writer(js, var, out);
    if (t.root->doctype) writer.piece("\"<!doctype html>\"");
    writer.element(*t.root);
    return out + "return " + var + "; })()";
}

}  // namespace qo::jsgen
