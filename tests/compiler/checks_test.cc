// checks_test.cc -- the static checks' own rules: comma-framed lists, the
// precedence of the temporal rules, and where the role check looks.
#include <gtest/gtest.h>

#include "checks/capabilities.h"
#include "checks/comma_list.h"
#include "checks/temporal.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace qo {
namespace {

TEST(CommaList, FramesEntriesOnceInOrder) {
    CommaList list;
    EXPECT_EQ(list.text(), ",");
    EXPECT_TRUE(list.add("b"));
    EXPECT_TRUE(list.add("a"));
    EXPECT_FALSE(list.add("b"));
    EXPECT_EQ(list.text(), ",b,a,");
    EXPECT_TRUE(list.contains("a"));
    EXPECT_FALSE(list.contains("ab"));
    EXPECT_FALSE(list.contains(""));
    ASSERT_EQ(list.entries().size(), 2u);
    EXPECT_EQ(list.entries()[0], "b");
    list.clear();
    EXPECT_EQ(list.text(), ",");
    EXPECT_FALSE(list.contains("a"));
    EXPECT_TRUE(list.entries().empty());
}

// Membership is a substring test on the framed text: a query or an entry
// with a comma can match across entries, exactly as the encoding implies.
TEST(CommaList, CommasMatchAcrossEntries) {
    CommaList list;
    list.add("a");
    list.add("b");
    EXPECT_TRUE(list.contains("a,b"));
    EXPECT_FALSE(list.add("a,b"));
    EXPECT_FALSE(list.contains("b,a"));

    CommaList odd;
    odd.add("x,y");  // a name that is itself a comma-joined pair
    EXPECT_TRUE(odd.contains("x"));
    EXPECT_TRUE(odd.contains("y"));
    EXPECT_FALSE(odd.add("y"));
    odd.add("");
    EXPECT_TRUE(odd.contains(""));
    EXPECT_EQ(odd.text(), ",x,y,,");
}

using Form = TemporalRewrite::Form;
constexpr Facts I = fact(TypedKind::Instant), D = fact(TypedKind::Duration), N = fact(TypedKind::Int),
                LD = fact(TypedKind::LocalDate), LT = fact(TypedKind::LocalTime),
                CT = fact(TypedKind::CalTime);

struct RuleCase {
    TokKind op;
    Facts left, right;
    Form form;
    const char *text;
};

// Operands can carry several kinds at once (a name in two sets); the rule
// order decides which reading wins.
TEST(Temporal, RulesApplyInOrder) {
    const RuleCase cases[] = {
        {TokKind::Plus, LD | I, D, Form::Call, "qo_local_date_add_dur"},
        {TokKind::Plus, LT | I, D, Form::Call, "qo_local_time_add_dur"},
        {TokKind::Lt, LD, LD | I, Form::Call, "qo_local_date_lt"},
        {TokKind::Plus, CT | I, CT | D, Form::Placeholder, "0 /* TIME_TYPE_ERROR: CalendarTime + CalendarTime */"},
        {TokKind::Plus, CT, N, Form::None, ""},
        {TokKind::Plus, I | D, D, Form::Call, "qo_instant_add_dur"},
        {TokKind::Plus, N | I, D, Form::Call, "qo_instant_add_dur"},
        {TokKind::Plus, N, D, Form::Placeholder, "0 /* TIME_TYPE_ERROR: Int + Duration */"},
        {TokKind::Plus, D, I | D, Form::SwappedCall, "qo_instant_add_dur"},
        {TokKind::Plus, D, N, Form::Placeholder, "0 /* TIME_TYPE_ERROR: Duration + Int */"},
        {TokKind::Plus, I, N, Form::None, ""},
        {TokKind::Minus, I | D, I, Form::Call, "qo_instant_diff"},
        {TokKind::Minus, D, N, Form::Placeholder, "0 /* TIME_TYPE_ERROR: Duration - Int */"},
        {TokKind::Minus, N, D, Form::None, ""},
        {TokKind::Star, N, D, Form::SwappedCall, "qo_duration_scale"},
        {TokKind::Star, D, D, Form::None, ""},
        {TokKind::Slash, N, D, Form::None, ""},
        {TokKind::Percent, D, N, Form::None, ""},
        {TokKind::Lt, I, I | D, Form::Call, "qo_instant_lt"},
        {TokKind::Lt, I, D, Form::Placeholder, "0 /* TIME_TYPE_ERROR: Instant < Duration */"},
        {TokKind::Lt, D, I, Form::Placeholder, "0 /* TIME_TYPE_ERROR: Duration < Instant */"},
        {TokKind::GtEq, I, D, Form::None, ""},
        {TokKind::EqEq, I | D, D, Form::Call, "qo_duration_eq"},
        {TokKind::And, I, I, Form::None, ""},
    };
    for (const RuleCase &c : cases) {
        SCOPED_TRACE(std::string(kind_name(c.op)) + " " + std::to_string(c.left) + " " + std::to_string(c.right));
        CheckState state;
        TemporalRewrite t = time_binop(state, c.op, c.left, c.right);
        EXPECT_EQ(t.form, c.form);
        EXPECT_STREQ(t.text, c.text);
        EXPECT_EQ(state.time_violations.entries().size(), c.form == Form::Placeholder ? 1u : 0u);
    }
}

TEST(Temporal, ViolationsAreReportedOncePerMessage) {
    CheckState state;
    time_binop(state, TokKind::Plus, D, N);
    time_binop(state, TokKind::Plus, N, D);
    time_binop(state, TokKind::Plus, D, N);
    std::vector<std::string> lines;
    emit_time_violations(state, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "#error \"temporal type error: Duration + Int is not allowed (use duration_seconds(n) or N.seconds)\"");
    EXPECT_EQ(lines[1], "#error \"temporal type error: Int + Duration is not allowed\"");
}

// The role check searches only where the rule says: not in assignments,
// range loops, assertions, try blocks, lambdas or templates.
TEST(RoleCheck, SearchesTheNamedPlacesOnly) {
    struct Case {
        const char *body;
        bool found;
    } cases[] = {
        {"let a = tavri_emit(1, 2)", true},
        {"return tavri_field(1)", true},
        {"while tavri_field(1) { }", true},
        {"while x { for y in z { f(g(tavri_emit(1, 2))) } }", true},
        {"let m = {k: [1, -(tavri_field(1))]}", true},
        {"let n = -tavri_field(1)", false},  // (-tavri_field)(1): the callee is no name
        {"let a = xs[tavri_field(1)].b?", true},
        {"if a { } else if b { } else { tavri_emit(1, 2) }", true},
        {"let v = match x { 1 => 2, _ => !(tavri_field(1)) }", true},
        {"let v = for x in xs { tavri_field(x) }", true},
        {"f(1)(2)(tavri_field(3))", true},
        {"x = tavri_emit(1, 2)", false},
        {"for i in 0..3 { tavri_emit(1, 2) }", false},
        {"assert tavri_field(1)", false},
        {"try { tavri_emit(1, 2) }", false},
        {"let f = fn() { tavri_emit(1, 2) }", false},
        {"let h = <p>{tavri_field(1)}</p>", false},
        {"obj.tavri_emit(1)", false},
        {"let t = tavri_emits(1)", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        Context ctx;
        Tokens tokens = lex(std::string("fn f() { ") + c.body + " }");
        Parsed<Stmt> fn = parse_stmt(ctx, tokens, 0);
        const Block &body = fn.node->as<stmt::FnDef>()->body;
        EXPECT_EQ(vbd_has_restricted_call(body), c.found);
        EXPECT_EQ(violates_role(body, std::string("manager")), false);
        EXPECT_EQ(violates_role(body, std::nullopt), c.found);
    }
}

TEST(RoleCheck, DeepChainsDoNotExhaustTheStack) {
    std::string body = "let a = tavri_emit(1, 2)";
    for (int i = 0; i < 100000; ++i) body += " + b";
    Context ctx;
    Tokens tokens = lex("fn f() { x = 1 " + body + " }");
    Parsed<Stmt> fn = parse_stmt(ctx, tokens, 0);
    EXPECT_TRUE(vbd_has_restricted_call(fn.node->as<stmt::FnDef>()->body));
}

TEST(Capabilities, KindsAndGroups) {
    EXPECT_STREQ(program_kind_for(0, 0), "utility");
    EXPECT_STREQ(program_kind_for(2, 0), "cgi");
    EXPECT_STREQ(program_kind_for(1, 1), "service");
    CheckState service;
    service.program_kind = "service";
    for (const char *callee : {"llm_call", "tavri_connect", "llm_call_agentic", "tavri_emit", "llm_call_agentic"})
        cap_check_call(service, callee);
    EXPECT_EQ(service.cap_violations.text(), ",service:llm_call_agentic,service:tavri_emit,");
    CheckState cgi;
    cgi.program_kind = "cgi";
    cap_check_call(cgi, "llm_call_agentic");
    EXPECT_EQ(cgi.cap_violations.text(), ",");
}

}  // namespace
}  // namespace qo
