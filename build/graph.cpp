// graph.cpp -- the depth-first walk over import lines.
#include "build/graph.h"

#include <algorithm>

#include "driver/files.h"
#include "driver/imports.h"
#include "lexer/text.h"

namespace qo {

namespace {

// A module being walked: its imports and how many have been taken.
struct Frame {
    std::string path;
    std::optional<FileId> id;
    std::vector<std::string> imports;
    std::size_t next = 0;
};

// Whether the file at path is being walked under two spellings already.
bool walked_twice(const std::string &path, const std::vector<Frame> &stack) {
    std::optional<FileId> id = file_id(path);
    return id && std::count_if(stack.begin(), stack.end(), [&](const Frame &f) { return f.id == id; }) >= 2;
}

std::vector<std::string> imports_of(const std::string &path, std::string_view text) {
    std::string dir = dirname_of(path);
    std::vector<std::string> imports;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string module = parse_import_path(text.substr(0, nl), dir);
        if (!module.empty()) imports.push_back(std::move(module));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    }
    return imports;
}

// Marks path visited and, when it has text, puts it on the stack. Paths are
// taken as spelled, so a cycle may come back to a module under a new
// spelling (a bare entry "a.qo" as "./a.qo") and is walked once more; the
// third time round it stops, like a repeat of one spelling. Otherwise
// `import "./x.qo"` inside x.qo would add "d/./x.qo", "d/././x.qo", ...
// until the paths grew too long, each one a compile.
void enter(const std::string &path, BuildGraph &graph, std::vector<Frame> &stack) {
    if (!graph.visited.insert(path).second || walked_twice(path, stack)) return;
    std::string text = read_file(path);
    if (text.empty()) return;
    stack.push_back({path, file_id(path), imports_of(path, text)});
}

}  // namespace

std::string parse_import_path(std::string_view line, std::string_view dir) {
    return parse_import_line(trim(line), dir);
}

void walk_imports(const std::string &path, BuildGraph &graph) {
    std::vector<Frame> stack;
    enter(path, graph, stack);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next < top.imports.size()) {
            std::string module = top.imports[top.next++];
            enter(module, graph, stack);  // may grow the stack: `top` is stale after this
        } else {
            graph.order.push_back(std::move(top.path));
            stack.pop_back();
        }
    }
}

}  // namespace qo
