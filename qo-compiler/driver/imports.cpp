// imports.cpp -- line-based import resolution.
//
// Paths are compared as spelled, so a cycle can come back to a file under
// a new spelling (`import "./x.qo"` inside x.qo gives "d/./x.qo", then
// "d/././x.qo", ...). The files whose resolution is under way are therefore
// also kept by identity (device and inode): an import that reaches one of
// them is a cycle and adds nothing, as a cycle by the same spelling does.
// Without that, such a cycle repeats the file until paths grow too long,
// and one with two spellings doubles at every level. Resolution recurses
// once per level of nesting, and each level is a distinct file.
#include "driver/imports.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "driver/files.h"
#include "lexer/text.h"

namespace qo {

namespace {

std::string resolve_file(Context &ctx, const std::string &path, std::vector<FileId> &active);

// One file's lines with its imports in front (the file itself, when it
// exists, is on the active stack meanwhile).
std::string resolve_lines(Context &ctx, const std::string &path, std::vector<FileId> &active) {
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
                imported += resolve_file(ctx, module, active);
            }
        }
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return imported + own;
}

std::string resolve_file(Context &ctx, const std::string &path, std::vector<FileId> &active) {
    if (!ctx.imported.insert(path).second) return "";
    std::optional<FileId> id = file_id(path);
    if (!id) return resolve_lines(ctx, path, active);
    if (std::find(active.begin(), active.end(), *id) != active.end()) return "";
    active.push_back(*id);
    std::string text = resolve_lines(ctx, path, active);
    active.pop_back();
    return text;
}

}  // namespace

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
    std::vector<FileId> active;
    return resolve_file(ctx, path, active);
}

}  // namespace qo
