// Arbitrary markup through the HTML sanitiser, with a fixed allow-list that
// names risky attributes, or an allow-list taken from the input's first
// line when that line begins with "{". For the fixed list it checks that
// sanitising the output again changes nothing and that nothing able to run
// script survives: every "<" in the output opens a tag the sanitiser wrote
// (name, then attributes with double-quoted values), so the tags can be
// read back exactly.
#include <cstdint>
#include <cstring>
#include <string>

#include "qo_runtime.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

const char *kAllow = "{\"a\":[\"href\",\"title\",\"onclick\"],\"img\":[\"src\",\"alt\",\"onerror\"],"
                     "\"p\":[],\"b\":[],\"br\":[],\"button\":[\"formaction\"],\"div\":[\"style\"]}";

bool starts(const std::string &s, const char *prefix) { return s.compare(0, strlen(prefix), prefix) == 0; }

// A URL value as a browser reads its scheme: case folded, controls gone.
void check_url(const std::string &value) {
    std::string v;
    for (char c : value)
        if ((unsigned char)c > ' ') v += (char)(c >= 'A' && c <= 'Z' ? c + 32 : c);
    require(!starts(v, "javascript:") && !starts(v, "data:") && !starts(v, "vbscript:"));
}

// Reads back one written tag from the "<" at i; returns the index after it.
size_t check_tag(const std::string &out, size_t i) {
    size_t p = i + 1 + (out[i + 1] == '/');
    size_t name_end = out.find_first_of(" >", p);
    require(name_end != std::string::npos);
    std::string name = out.substr(p, name_end - p);
    for (const char *bad : {"script", "style", "iframe", "svg", "math", "object", "embed", "template"})
        require(name != bad);
    p = name_end;
    while (out[p] == ' ') {
        size_t attr_end = out.find_first_of("=> ", p + 1);
        std::string attr = out.substr(p + 1, attr_end - p - 1);
        require(!starts(attr, "on") && attr != "formaction");
        p = attr_end;
        if (out[p] == '=') {
            size_t close = out.find('"', p + 2);
            require(out[p + 1] == '"' && close != std::string::npos);
            if (attr == "href" || attr == "src") check_url(out.substr(p + 2, close - p - 2));
            p = close + 1;
        }
    }
    require(out[p] == '>');
    return p + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    std::string allow = kAllow;
    size_t eol = input.find('\n');
    bool own_list = !input.empty() && input[0] == '{' && eol != std::string::npos;
    if (own_list) {
        allow = input.substr(0, eol);
        input = input.substr(eol + 1);
    }
    qo_val_t mark = qo_arena_push();
    qo_val_t once = qo_html_sanitize(QO_STR(input.c_str()), QO_STR(allow.c_str()));
    if (!own_list) {
        qo_val_t twice = qo_html_sanitize(once, QO_STR(allow.c_str()));
        require(strcmp((const char *)(intptr_t)once, (const char *)(intptr_t)twice) == 0);
        std::string out = (const char *)(intptr_t)once;
        for (size_t lt = out.find('<'); lt != std::string::npos; lt = out.find('<', check_tag(out, lt))) {}
    }
    qo_arena_pop(mark);
    return 0;
}
