// comma_list.cpp -- membership by substring, answered by a hash set when
// no comma can make a substring span two entries.
#include "checks/comma_list.h"

namespace qo {

bool CommaList::contains(std::string_view entry) const {
    if (!comma_entry_ && entry.find(',') == std::string_view::npos)
        return exact_.count(std::string(entry)) > 0;
    for (std::size_t at = framed_.find(entry, 1); at != std::string::npos; at = framed_.find(entry, at + 1)) {
        std::size_t end = at + entry.size();
        if (framed_[at - 1] == ',' && end < framed_.size() && framed_[end] == ',') return true;
    }
    return false;
}

bool CommaList::add(std::string_view entry) {
    if (contains(entry)) return false;
    framed_ += entry;
    framed_ += ',';
    exact_.emplace(entry);
    comma_entry_ = comma_entry_ || entry.find(',') != std::string_view::npos;
    return true;
}

void CommaList::clear() {
    framed_.assign(1, ',');
    exact_ = {};  // a fresh table: clear() would keep a large one's buckets to walk next time
    comma_entry_ = false;
}

std::vector<std::string_view> CommaList::entries() const {
    std::vector<std::string_view> out;
    std::string_view rest(framed_);
    rest.remove_prefix(1);
    while (!rest.empty()) {
        std::size_t comma = rest.find(',');
        out.push_back(rest.substr(0, comma));
        rest.remove_prefix(comma + 1);
    }
    return out;
}

}  // namespace qo
