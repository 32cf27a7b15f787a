// typed_names.h -- what the checks know about an expression's kind of value.
//
// Qo has no static types in generated code, but the generator keeps ten
// typed-name sets per function (integers and the nine temporal kinds),
// filled from declared parameter and `let` types and from the values of
// `let`s, and classifies expressions from them: is_int_expr, is_float_expr
// and one test per temporal kind (is_instant_expr, is_duration_expr, ...).
//
// The classification of a node needs the classification of its operands
// (an instant plus a duration is an instant), and operand chains can be
// 100,000 deep. So the tests are not recursive functions over the tree:
// they are Facts, a bit set per node, computed bottom-up from the facts of
// the operands while the generator walks the tree anyway (see cgen). The
// functions below compute a node's facts from its own fields and the facts
// of its operands.
#ifndef QO_CHECKS_TYPED_NAMES_H
#define QO_CHECKS_TYPED_NAMES_H

#include <array>
#include <cstdint>
#include <string_view>

#include "checks/comma_list.h"
#include "lexer/token.h"

namespace qo {

// The typed-name sets, in the order a `let` tests its value against them
// (integers first, then the temporal kinds).
enum class TypedKind : std::uint8_t {
    Int, Instant, Duration, Calendar, CalTime, Rhythm, LocalDate, LocalTime, LocalDT, Zone,
};
inline constexpr std::size_t kTypedKinds = 10;

// The declared type name of a kind ("Int", "Instant", ..., "Zone").
const char *type_name(TypedKind kind);
// The kind whose declared type is type_name; false when none is.
bool kind_of_type(std::string_view type_name, TypedKind &kind);

using Facts = std::uint32_t;
constexpr Facts fact(TypedKind kind) { return Facts{1} << static_cast<unsigned>(kind); }
// is_float_expr: a Float literal or the negation of one.
inline constexpr Facts kFloatFact = Facts{1} << kTypedKinds;
inline constexpr Facts kTemporalFacts = ((Facts{1} << kTypedKinds) - 1) & ~fact(TypedKind::Int);

// The ten sets, reset per function ("," each).
class TypedNames {
public:
    void reset();
    void add(TypedKind kind, std::string_view name) { sets_[index(kind)].add(name); }
    bool has(TypedKind kind, std::string_view name) const { return sets_[index(kind)].contains(name); }
    // Adds the name to the set of a declared type, if the type has one.
    void add_declared(std::string_view type_name, std::string_view name);

private:
    static std::size_t index(TypedKind kind) { return static_cast<std::size_t>(kind); }
    std::array<CommaList, kTypedKinds> sets_;
};

// An identifier: one fact per set it sits in.
Facts ident_facts(const TypedNames &names, std::string_view name);
// A call of a plain identifier: the integer builtins and the constructors
// of each temporal kind.
Facts call_facts(std::string_view callee);
// Negation keeps integers and durations; inner_is_float_literal makes the
// result a float expression.
Facts neg_facts(Facts inner, bool inner_is_float_literal);
// A binary operator over operands with the given facts.
Facts binop_facts(TokKind op, Facts left, Facts right);

// Literals and `!`: an Int literal and any `!` are integers, a duration
// literal is a duration, a Float literal a float.
inline constexpr Facts kIntLiteralFacts = fact(TypedKind::Int);
inline constexpr Facts kNotFacts = fact(TypedKind::Int);
inline constexpr Facts kDurationLiteralFacts = fact(TypedKind::Duration);
inline constexpr Facts kFloatLiteralFacts = kFloatFact;

}  // namespace qo

#endif
