// c_sink.cpp -- block writes of the collected lines.
#include "cgen/c_sink.h"

namespace qo {

bool CSink::flush() {
    if (buf_.empty()) return ok_;
    if (ok_ && std::fwrite(buf_.data(), 1, buf_.size(), out_) != buf_.size()) ok_ = false;
    buf_.clear();
    return ok_;
}

}  // namespace qo
