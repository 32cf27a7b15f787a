// context.h -- the per-compilation state, passed explicitly to every phase.
//
// One Context lives for one compilation. The front end keeps its own state
// in plain members below. A later phase keeps its state in a struct of its
// own folder, reached through ext<T>(): the struct is made on first use and
// lives as long as the context, so this header never includes theirs and
// data still flows one way (driver -> lexer -> parser -> generators):
//
//     struct CgenState { std::string int_names = ","; int html_counter = 0; };
//     auto &cg = ctx.ext<CgenState>();
#ifndef QO_PARSER_CONTEXT_H
#define QO_PARSER_CONTEXT_H

#include <memory>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <unordered_set>

namespace qo {

class Context {
public:
    // Parser: while set, a `{` where an operand would start is left for the
    // caller's block (conditions, iterables, match subjects, template
    // braces). Saved and restored around each such sub-parse.
    bool no_block_expr = false;
    // Parser: current nesting of the recursive parse functions (see the
    // depth limit in parser.h).
    int depth = 0;

    // Import resolution: every module path already included, by exact text.
    std::unordered_set<std::string> imported;

    // Set while the test runner is generated (`qoc --test`).
    bool test_mode = false;

    template <class T>
    T &ext() {
        std::shared_ptr<void> &slot = exts_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T *>(slot.get());
    }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> exts_;
};

}  // namespace qo

#endif
