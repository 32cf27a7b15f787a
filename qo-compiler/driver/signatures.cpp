// signatures.cpp -- the two top-level signature scanners.
//
// Both share the walk over a parameter list and the shape of a function
// signature; they differ only in how a type is rendered (Qo text or
// nothing, since every Qo value is one qo_val_t in C).
#include "driver/signatures.h"

#include "parser/parser.h"

namespace qo {

namespace {

// `(name: type, ...)` at pos; entry(name, pos of the type) returns the
// entry's text and the position after the type.
template <class Entry>
ScanText scan_params(const Tokens &t, Pos pos, Entry entry) {
    Pos p = expect(t, pos, TokKind::LParen);
    std::string text;
    while (!at(t, p, TokKind::RParen) && !at(t, p, TokKind::Eof)) {
        const std::string &name = tok_value(t, p);
        ScanText param = entry(name, expect(t, step(t, p), TokKind::Colon));
        if (!text.empty()) text += ", ";
        text += param.text;
        p = param.pos;
        if (at(t, p, TokKind::Comma)) p = step(t, p);
    }
    return {std::move(text), expect(t, p, TokKind::RParen)};
}

// `Name<...>` at pos: the angle group rendered token by token.
ScanText scan_generic_type(const Tokens &t, Pos pos) {
    std::string text = tok_value(t, pos);
    Pos p = step(t, pos);
    int depth = 0;
    while (!at(t, p, TokKind::Eof)) {
        TokKind kind = tok_kind(t, p);
        if (kind == TokKind::Lt) ++depth, text += "<";
        else if (kind == TokKind::Gt) --depth, text += ">";
        else if (kind == TokKind::Comma) text += ", ";
        else text += tok_value(t, p);
        p = step(t, p);
        if (depth == 0) break;
    }
    if (at(t, p, TokKind::QuestionMark)) text += "?", p = step(t, p);
    return {std::move(text), p};
}

ScanText scan_base_type(const Tokens &t, Pos pos) {
    if (!at(t, pos, TokKind::Ident)) return {"Any", step(t, pos)};
    if (at(t, pos + 1, TokKind::Lt)) return scan_generic_type(t, pos);
    if (at(t, pos + 1, TokKind::QuestionMark)) return {tok_value(t, pos) + "?", step(t, pos, 2)};
    return {tok_value(t, pos), step(t, pos)};
}

// A `fn` that starts a declaration rather than a lambda.
bool is_fn_decl(const Tokens &t, Pos pos) { return !at(t, pos + 1, TokKind::LParen); }

// Parameters and return type of a function; pos at its name.
QoSig scan_qo_signature(const Tokens &t, Pos pos, SigKind kind, Pos &end) {
    QoSig sig{kind, tok_value(t, pos), "", "Any"};
    ScanText params = scan_params_qo(t, step(t, pos));
    sig.params_qo = std::move(params.text);
    end = params.pos;
    if (at(t, end, TokKind::Arrow)) {
        ScanText ret = scan_type_qo(t, step(t, end));
        sig.ret_qo = std::move(ret.text);
        end = ret.pos;
    }
    return sig;
}

CSig scan_c_signature(const Tokens &t, Pos pos, SigKind kind, Pos &end) {
    CSig sig{kind, tok_value(t, pos), "", false, ""};
    ScanText params = scan_params_c(t, step(t, pos));
    sig.params_c = std::move(params.text);
    end = params.pos;
    if (at(t, end, TokKind::Arrow)) end = skip_type(t, step(t, end));
    return sig;
}

Pos skip_body(const Tokens &t, Pos pos) {
    return at(t, pos, TokKind::LBrace) ? skip_to_rbrace(t, pos) : pos;
}

// `let name [: type] = value`; pos at `let`.
CSig scan_toplevel_let(const Tokens &t, Pos pos, Pos &end) {
    CSig sig{SigKind::ToplevelLet, tok_value(t, pos + 1), "", false, ""};
    Pos p = step(t, pos, 2);
    if (at(t, p, TokKind::Colon)) {
        if (at(t, p + 1, TokKind::Ident)) sig.ltype = tok_value(t, p + 1);
        p = skip_type(t, step(t, p));
    }
    end = skip_expr_to_stmt_boundary(t, expect(t, p, TokKind::Eq));
    return sig;
}

}  // namespace

const char *kind_name(SigKind kind) {
    switch (kind) {
    case SigKind::Fn: return "fn";
    case SigKind::ExternFn: return "extern_fn";
    case SigKind::ToplevelLet: return "toplevel_let";
    case SigKind::CgiBlock: return "cgi_block";
    case SigKind::ServiceBlock: break;
    }
    return "service_block";
}

bool is_stmt_start_kind(TokKind kind) {
    switch (kind) {
    case TokKind::Fn: case TokKind::Let: case TokKind::Extern: case TokKind::Cgi:
    case TokKind::Service: case TokKind::Type: case TokKind::Enum: case TokKind::Import:
    case TokKind::From: case TokKind::Eof:
        return true;
    default:
        return false;
    }
}

Pos skip_to_rbrace(const Tokens &tokens, Pos pos) {
    return skip_past_close(tokens, step(tokens, pos), TokKind::LBrace, TokKind::RBrace);
}

Pos skip_expr_to_stmt_boundary(const Tokens &tokens, Pos pos) {
    int depth = 0;
    Pos p = pos;
    while (!at(tokens, p, TokKind::Eof)) {
        TokKind kind = tok_kind(tokens, p);
        if (kind == TokKind::LBrace) {
            ++depth;
        } else if (kind == TokKind::RBrace) {
            if (depth == 0) break;
            --depth;
        } else if (depth == 0 && is_stmt_start_kind(kind)) {
            break;
        }
        p = step(tokens, p);
    }
    return p;
}

ScanText scan_type_qo(const Tokens &tokens, Pos pos) {
    std::size_t brackets = 0;
    while (at(tokens, pos, TokKind::LBracket)) pos = step(tokens, pos), ++brackets;
    ScanText type = scan_base_type(tokens, pos);
    for (std::size_t i = 0; i < brackets; ++i) type.pos = expect(tokens, type.pos, TokKind::RBracket);
    type.text = std::string(brackets, '[') + type.text + std::string(brackets, ']');
    return type;
}

ScanText scan_params_qo(const Tokens &tokens, Pos pos) {
    return scan_params(tokens, pos, [&tokens](const std::string &name, Pos type_at) {
        ScanText type = scan_type_qo(tokens, type_at);
        return ScanText{name + ": " + type.text, type.pos};
    });
}

ScanText scan_params_c(const Tokens &tokens, Pos pos) {
    ScanText params = scan_params(tokens, pos, [&tokens](const std::string &name, Pos type_at) {
        return ScanText{"qo_val_t " + name, skip_type(tokens, type_at)};
    });
    if (params.text.empty()) params.text = "void";
    return params;
}

std::vector<QoSig> scan_fn_sigs_qo(const Tokens &tokens) {
    std::vector<QoSig> sigs;
    Pos pos = 0;
    while (!at(tokens, pos, TokKind::Eof)) {
        Pos end;
        if (at(tokens, pos, TokKind::Fn) && is_fn_decl(tokens, pos)) {
            QoSig sig = scan_qo_signature(tokens, step(tokens, pos), SigKind::Fn, end);
            pos = skip_body(tokens, end);
            if (sig.name != "main") sigs.push_back(std::move(sig));
        } else if (at(tokens, pos, TokKind::Extern) && at(tokens, pos + 1, TokKind::Fn)) {
            sigs.push_back(scan_qo_signature(tokens, step(tokens, pos, 2), SigKind::ExternFn, end));
            pos = end;
        } else if (at(tokens, pos, TokKind::Extern)) {
            pos = step(tokens, pos);
        } else {
            pos = skip_expr_to_stmt_boundary(tokens, step(tokens, pos));
        }
    }
    return sigs;
}

std::vector<CSig> scan_fn_sigs(const Tokens &tokens) {
    std::vector<CSig> sigs;
    Pos pos = 0;
    while (!at(tokens, pos, TokKind::Eof)) {
        Pos end;
        TokKind kind = tok_kind(tokens, pos);
        if (kind == TokKind::Fn && is_fn_decl(tokens, pos)) {
            CSig sig = scan_c_signature(tokens, step(tokens, pos), SigKind::Fn, end);
            sig.is_main = sig.name == "main";
            sigs.push_back(std::move(sig));
            pos = skip_body(tokens, end);
        } else if (kind == TokKind::Extern && at(tokens, pos + 1, TokKind::Fn)) {
            sigs.push_back(scan_c_signature(tokens, step(tokens, pos, 2), SigKind::ExternFn, end));
            pos = end;
        } else if (kind == TokKind::Extern) {
            pos = step(tokens, pos);
        } else if (kind == TokKind::Let) {
            sigs.push_back(scan_toplevel_let(tokens, pos, end));
            pos = end;
        } else if (kind == TokKind::Cgi || kind == TokKind::Service) {
            SigKind sig_kind = kind == TokKind::Cgi ? SigKind::CgiBlock : SigKind::ServiceBlock;
            sigs.push_back({sig_kind, tok_value(tokens, pos + 1), "", false, ""});
            pos = skip_body(tokens, step(tokens, pos, 2));
        } else {
            pos = skip_expr_to_stmt_boundary(tokens, step(tokens, pos));
        }
    }
    return sigs;
}

}  // namespace qo
