// imports.cpp -- line-based import resolution.
//
// Resolution recurses once per level of import nesting; every level is a
// distinct file on disk (a path is included once), so the depth is bounded
// by the modules that exist.
#include "driver/imports.h"

#include "driver/files.h"
#include "lexer/text.h"

namespace qo {

std::string dirname_of(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return std::string(path.substr(0, slash));
}

std::string header_path_for(std::string_view path) {
    std::size_t keep = path.size() >= 3 ? path.size() - 3 : 0;
    return std::string(path.substr(0, keep)) + ".qoh";
}

std::string parse_import_line(std::string_view line, std::string_view dir) {
    constexpr std::string_view kImport = "import \"";
    constexpr std::string_view kFrom = "from ";
    if (line.starts_with(kImport)) {
        std::string_view rest = line.substr(kImport.size());
        std::size_t quote = rest.find('"');
        if (quote == std::string_view::npos || quote == 0) return "";
        return std::string(dir) + "/" + std::string(rest.substr(0, quote));
    }
    if (line.starts_with(kFrom)) {
        std::string_view rest = line.substr(kFrom.size());
        std::size_t space = rest.find(' ');
        if (space == std::string_view::npos || space == 0) return "";
        std::string_view name = trim(rest.substr(0, space));
        if (name.empty()) return "";
        return std::string(dir) + "/" + std::string(name) + ".qo";
    }
    return "";
}

std::string resolve_imports(Context &ctx, const std::string &path) {
    if (!ctx.imported.insert(path).second) return "";
    std::string text = read_file(path);
    std::string dir = dirname_of(path);
    std::string imported, own;
    std::string_view rest = text;
    for (;;) {
        std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        std::string module = parse_import_line(trim(line), dir);
        if (module.empty()) {
            own.append(line);
            own += '\n';
        } else if (!ctx.imported.count(module)) {
            // A header stands for its module, so it too is included once.
            std::string header = read_file(header_path_for(module));
            if (!header.empty()) {
                ctx.imported.insert(module);
                imported += header;
            } else {
                imported += resolve_imports(ctx, module);
            }
        }
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return imported + own;
}

}  // namespace qo
