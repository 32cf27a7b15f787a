// c_sink.h -- the one output channel of the C generator.
//
// The generator produces its program line by line; the sink collects the
// lines in memory and hands them to the output stream in blocks of about
// 256 KiB, so a program of a million lines costs a few hundred writes
// instead of a million. A failed write is remembered (flush() answers
// false) and later output is dropped: the generator still completes, and
// the caller reports the failure once.
#ifndef QO_CGEN_C_SINK_H
#define QO_CGEN_C_SINK_H

#include <cstdio>
#include <string>
#include <string_view>

namespace qo {

class CSink {
public:
    explicit CSink(std::FILE *out) : out_(out) {}
    CSink(const CSink &) = delete;
    CSink &operator=(const CSink &) = delete;
    ~CSink() { flush(); }

    // One line: the parts, then a newline.
    template <class... Parts>
    void line(const Parts &...parts) {
        (buf_.append(std::string_view(parts)), ...);
        buf_ += '\n';
        if (buf_.size() >= kBlock) flush();
    }
    // Writes what is collected; false once any write has failed.
    bool flush();

private:
    static constexpr std::size_t kBlock = 256 * 1024;
    std::FILE *out_;
    std::string buf_;
    bool ok_ = true;
};

}  // namespace qo

#endif
