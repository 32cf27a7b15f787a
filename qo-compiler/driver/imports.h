// imports.h -- import resolution: one source text from a file and the
// modules it imports.
//
// Resolution works on lines, before lexing. A line that, trimmed, reads
// `import "path"` or `from name ...` names a module (relative to the
// importing file's folder); it is removed and the module's text is placed
// ahead of the importing file's own lines: its header (`.qoh` beside it)
// when that has text, else its own resolved source. Each module path, as
// spelled (no normalisation), is included once per compilation: a second
// import, or an import cycle back to a file being resolved (under any
// spelling: the files under way are also known by identity), adds nothing.
#ifndef QO_DRIVER_IMPORTS_H
#define QO_DRIVER_IMPORTS_H

#include <string>
#include <string_view>

#include "parser/context.h"

namespace qo {

// The resolved text of the file at path; "" when path was already included
// in this compilation (ctx.imported). A missing file reads as "".
std::string resolve_imports(Context &ctx, const std::string &path);

// The module path named by one trimmed line, or "" when it is no import.
std::string parse_import_line(std::string_view line, std::string_view dir);

// Everything before the last "/"; "." without one.
std::string dirname_of(std::string_view path);

// path with its last three characters ("." "q" "o") replaced by ".qoh".
std::string header_path_for(std::string_view path);

}  // namespace qo

#endif
