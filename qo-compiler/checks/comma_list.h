// comma_list.h -- the comma-framed string lists of the static checks.
//
// A list is one string that starts and ends with a comma: "," when empty,
// ",a,b," after adding a and b. Membership of x is the substring test for
// "," + x + ",", so an entry that itself holds a comma can make other texts
// match (",a,b," contains "a,b"); the typed-name sets and the violation
// lists keep exactly that meaning. Entries are added once, in order.
//
// The framed text is the truth; a hash set of the entries answers the
// common case (no comma in the query, none in any entry) in constant time,
// where the substring search would cost the length of the list: a module
// with thousands of integer lets would otherwise check in quadratic time.
#ifndef QO_CHECKS_COMMA_LIST_H
#define QO_CHECKS_COMMA_LIST_H

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qo {

class CommaList {
public:
    bool contains(std::string_view entry) const;
    // Appends entry + "," unless the list already contains it; true when added.
    bool add(std::string_view entry);
    void clear();
    // The framed text, e.g. ",a,b,".
    const std::string &text() const { return framed_; }
    // The entries in order: the framed text split at its commas.
    std::vector<std::string_view> entries() const;

private:
    std::string framed_ = ",";
    std::unordered_set<std::string> exact_;
    bool comma_entry_ = false;  // some entry holds a comma: only the text can answer
};

}  // namespace qo

#endif
