// Arbitrary bytes through the URL decoder, and through the encoder and
// back: decoding never grows the text, and decoding what was encoded gives
// the original (up to its first NUL).
#include <cstdint>
#include <cstring>
#include <string>

#include "qo_runtime.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    const char *s = input.c_str();
    qo_val_t mark = qo_arena_push();
    const char *decoded = (const char *)(intptr_t)url_decode(QO_STR(s));
    require(strlen(decoded) <= strlen(s));
    const char *encoded = (const char *)(intptr_t)url_encode(QO_STR(s));
    require(strcmp((const char *)(intptr_t)url_decode(QO_STR(encoded)), s) == 0);
    qo_arena_pop(mark);
    return 0;
}
