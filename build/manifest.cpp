// manifest.cpp -- the three manifest declarations, read line by line.
#include "build/manifest.h"

#include "lexer/text.h"

namespace qo {

namespace {

// The values of every `keyword "value"` line, in file order.
std::vector<std::string> declared_values(std::string_view text, std::string_view keyword) {
    std::vector<std::string> values;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.starts_with(keyword) || line.substr(keyword.size()).substr(0, 2) != " \"") continue;
        std::string_view rest = line.substr(keyword.size() + 2);
        std::size_t quote = rest.find('"');
        if (quote != std::string_view::npos && quote > 0) values.emplace_back(rest.substr(0, quote));
    }
    return values;
}

std::string first_value(std::string_view text, std::string_view keyword, std::string_view fallback) {
    std::vector<std::string> values = declared_values(text, keyword);
    return values.empty() ? std::string(fallback) : values.front();
}

}  // namespace

std::string parse_manifest_name(std::string_view text) { return first_value(text, "package", "out"); }

std::string parse_manifest_entry(std::string_view text) { return first_value(text, "entry", ""); }

std::vector<std::string> parse_manifest_c_sources(std::string_view text) {
    return declared_values(text, "c_source");
}

}  // namespace qo
