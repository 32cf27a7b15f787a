// graph.h -- the build graph: every module the entry reaches, dependencies
// before the modules that import them.
//
// A depth-first walk from the entry reads each module's import lines (the
// same two spellings the compiler resolves, relative to the module's
// folder) and appends a module after all of its imports: a post-order. A
// module already visited is not walked again, which stops both repeats and
// cycles; a module that cannot be read (or is empty) is visited but left
// out, for the compiler and linker to report as they do.
//
// The walk keeps its own stack instead of recursing, so a long chain of
// imports cannot exhaust the C stack.
#ifndef QO_BUILD_GRAPH_H
#define QO_BUILD_GRAPH_H

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qo {

struct BuildGraph {
    std::unordered_set<std::string> visited;
    std::vector<std::string> order;  // post-order: dependencies first
};

// The module path named by a line (trimmed first), or "" for other lines.
std::string parse_import_path(std::string_view line, std::string_view dir);

// Walks from path, adding to graph what it has not visited yet.
void walk_imports(const std::string &path, BuildGraph &graph);

}  // namespace qo

#endif
