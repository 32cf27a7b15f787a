// options.cpp -- qob's switches and valued options.
#include "build/options.h"

namespace qo {

bool flag_bool(const std::vector<std::string> &args, std::string_view name) {
    for (const std::string &arg : args)
        if (arg == name) return true;
    return false;
}

std::string flag_val(const std::vector<std::string> &args, std::string_view name,
                     std::string_view fallback) {
    for (const std::string &arg : args) {
        std::string_view a = arg;
        if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == '=') {
            std::string_view value = a.substr(name.size() + 1);
            return std::string(value.empty() ? fallback : value);
        }
    }
    return std::string(fallback);
}

Options parse_options(const std::vector<std::string> &args) {
    Options o;
    o.clean = flag_bool(args, "--clean");
    o.dry_run = flag_bool(args, "--dry-run");
    o.verbose = flag_bool(args, "--verbose");
    o.out = flag_val(args, "--out", o.out);
    o.qoc = flag_val(args, "--qoc", o.qoc);
    o.runtime = flag_val(args, "--runtime", o.runtime);
    return o;
}

}  // namespace qo
