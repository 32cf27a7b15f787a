// params_patterns.cpp -- the flat forms: match patterns, parameter lists
// and types.
//
// Types are never turned into nodes; the parser only steps over them
// (skip_type) and keeps a type's leading identifier where a node records a
// type. `[[T]]` is skipped by counting the brackets rather than recursing,
// so any nesting depth is fine.
#include "parser/parse_support.h"

namespace qo {

using namespace parse_support;

namespace {

template <class P>
Parsed<Pattern> pattern_with_value(const Tokens &t, Pos pos) {
    auto node = make_node<P>();
    node->value = tok_value(t, pos);
    return {std::move(node), step(t, pos)};
}

}  // namespace

Parsed<Pattern> parse_pattern(const Tokens &tokens, Pos pos) {
    switch (tok_kind(tokens, pos)) {
    case TokKind::Ident: {
        const std::string &name = tok_value(tokens, pos);
        if (name == "_") return {make_node<pattern::Wildcard>(), step(tokens, pos)};
        if (at(tokens, pos + 1, TokKind::ColonColon)) {
            auto node = make_node<pattern::Variant>();
            node->enum_name = name;
            node->variant = tok_value(tokens, pos + 2);
            return {std::move(node), step(tokens, pos, 3)};
        }
        auto node = make_node<pattern::Binding>();
        node->name = name;
        return {std::move(node), step(tokens, pos)};
    }
    case TokKind::Int: return pattern_with_value<pattern::LitInt>(tokens, pos);
    case TokKind::Str: return pattern_with_value<pattern::LitStr>(tokens, pos);
    case TokKind::Bool: return pattern_with_value<pattern::LitBool>(tokens, pos);
    default: return {make_node<pattern::Wildcard>(), step(tokens, pos)};
    }
}

ParsedParams parse_params(const Tokens &tokens, Pos pos) {
    ParsedParams result{{}, expect(tokens, pos, TokKind::LParen)};
    Pos &p = result.pos;
    while (!at(tokens, p, TokKind::RParen) && !at(tokens, p, TokKind::Eof)) {
        Param param;
        param.name = tok_value(tokens, p);
        p = expect(tokens, step(tokens, p), TokKind::Colon);
        if (at(tokens, p, TokKind::Ident)) param.type = tok_value(tokens, p);
        p = skip_type(tokens, p);
        if (at(tokens, p, TokKind::Comma)) p = step(tokens, p);
        result.params.push_back(std::move(param));
    }
    p = expect(tokens, p, TokKind::RParen);
    return result;
}

Pos skip_type(const Tokens &tokens, Pos pos) {
    Pos brackets = 0;
    while (at(tokens, pos, TokKind::LBracket)) {
        pos = step(tokens, pos);
        ++brackets;
    }
    if (!at(tokens, pos, TokKind::Ident)) {
        pos = step(tokens, pos);
    } else if (at(tokens, pos + 1, TokKind::Lt)) {
        pos = skip_past_close(tokens, step(tokens, pos, 2), TokKind::Lt, TokKind::Gt);
        if (at(tokens, pos, TokKind::QuestionMark)) pos = step(tokens, pos);
    } else if (at(tokens, pos + 1, TokKind::QuestionMark)) {
        pos = step(tokens, pos, 2);
    } else {
        pos = step(tokens, pos);
    }
    for (; brackets > 0; --brackets) pos = expect(tokens, pos, TokKind::RBracket);
    return pos;
}

}  // namespace qo
