// Text functions: words that are no strings, comparison, UTF-8 counting and
// reversal, search with empty and overlapping needles, slicing at the edges,
// replacing, trimming, padding, repeating, splitting and character classes.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

using Strs = std::vector<std::string>;
using Ints = std::vector<qo_val_t>;

qo_val_t str(const char *s) { return QO_STR(s); }
std::string S(qo_val_t v) { return QO_STR_PTR(v); }

Strs Pieces(qo_val_t list) {
    Strs out;
    for (qo_val_t i = 0; i < qo_list_len(list); i++) out.push_back(S(qo_list_get(list, i)));
    return out;
}

TEST(StringArgs, WordsThatAreNoStringsReadAsNull) {
    // A mapped but unreadable page: the word points "somewhere".
    void *guard = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(guard, MAP_FAILED);
    const qo_val_t junk[] = {5, -1, INT64_MIN, qo_from_float(1.5), 1700000000000LL, (qo_val_t)(intptr_t)guard};
    for (qo_val_t w : junk) {
        EXPECT_EQ(str_len(w) + str_count_chars(w) + is_digit(w), 0) << w;
        EXPECT_EQ(str_index_of(w, str("a")), -1) << w;
        EXPECT_EQ(str_contains(str("abc"), w), 0) << w;
        EXPECT_EQ(S(str_slice(w, 0, 3)) + S(str_replace(w, str("a"), str("b"))), "") << w;
        EXPECT_EQ(S(str_replace(str("aa"), str("a"), w)), "aa") << w;
        EXPECT_EQ(S(qo_str_concat(w, str("x"))), "x") << w;
        EXPECT_EQ(qo_list_len(str_split(w, str(","))), 0) << w;
        EXPECT_EQ(__str_set_char(w, 0, 'x'), 0) << w;
    }
    munmap(guard, 4096);
}

TEST(StringArgs, StrEqComparesNonTextWordsByIdentity) {
    // `a == b` on untyped Int variables compiles to str_eq.
    EXPECT_EQ(str_eq(5, 5), 1);
    EXPECT_EQ(str_eq(5, 7), 0);
    EXPECT_EQ(str_eq(5, 0), 0);
    EXPECT_EQ(str_eq(0, 0), 1);
    EXPECT_EQ(str_eq(0, str("")), 0);
    char copy[] = "abc";
    EXPECT_EQ(str_eq(str("abc"), QO_STR(copy)), 1);
    EXPECT_EQ(str_eq(str("abc"), str("abd")), 0);
    // Two lists read the same as text up to the zero byte of the refcount.
    qo_val_t a = qo_list_new(1, 1), b = qo_list_new(1, 1);
    EXPECT_EQ(str_eq(a, b), 0);
    EXPECT_EQ(str_eq(a, a), 1);
    EXPECT_EQ(str_eq(qo_map_new(0), qo_map_new(0)), 0);
    char map_like[] = "Kp";  // starts like a map header
    EXPECT_EQ(str_eq(str("Kp"), QO_STR(map_like)), 1);
}

TEST(Compare, OrderingPrefixesAndContainment) {
    EXPECT_LT(__str_cmp(str("a"), str("b")), 0);
    EXPECT_EQ(__str_cmp(0, str("")), 0);
    EXPECT_EQ(__str_ncmp(str("abX"), str("abY"), 2), 0);
    EXPECT_NE(__str_ncmp(str("abX"), str("abY"), 3), 0);
    EXPECT_EQ(__str_ncmp(str("a"), str("b"), INT64_MIN), 0);  // no bytes compared
    EXPECT_EQ(str_starts_with(str("ab"), str("abc")), 0);
    EXPECT_EQ(str_ends_with(str("bc"), str("abc")), 0);
    EXPECT_EQ(str_ends_with(str("abc"), str("")), 1);
    EXPECT_EQ(istr_contains(str("Hello World"), str("WORLD")), 1);
    EXPECT_EQ(istr_contains(str("abc"), str("")), 0);
    // Only ASCII folds: É (C3 89) does not match é (C3 A9).
    EXPECT_EQ(istr_contains(str("caf\xc3\x89"), str("caf\xc3\xa9")), 0);
}

TEST(Utf8, CountingAndReversal) {
    EXPECT_EQ(str_len(str("\xc3\xa9")), 2);
    EXPECT_EQ(str_count_chars(str("\xc3\xa9")), 1);
    EXPECT_EQ(str_count_chars(str("a\xe2\x82\xac\xf0\x9f\x98\x80z")), 4);  // a, euro, emoji, z
    EXPECT_EQ(str_count_chars(str("\x80\x80")), 0);                        // stray continuations

    EXPECT_EQ(S(str_reverse(str("a\xc3\xa9"))), "\xc3\xa9" "a");
    EXPECT_EQ(S(str_reverse(str("\xf0\x9f\x98\x80" "b\xe2\x82\xac"))), "\xe2\x82\xac" "b\xf0\x9f\x98\x80");
    EXPECT_EQ(S(str_reverse(str("\x80" "ab"))), "ba\x80");
    // A sequence cut short by the end is one unit; nothing past the end is
    // read and the length is kept.
    EXPECT_EQ(S(str_reverse(str("a\xe2\x82"))), "\xe2\x82" "a");
    EXPECT_EQ(S(str_reverse(str("ab\xf0"))), "\xf0" "ba");
    // A lead byte takes the bytes it announces, whatever they are.
    EXPECT_EQ(S(str_reverse(str("\xe2" "abc"))), "c\xe2" "ab");
}

TEST(Search, EmptyAndOverlappingNeedles) {
    EXPECT_EQ(str_index_of(str("abc"), str("")), 0);
    EXPECT_EQ(str_index_of(str("abcbc"), str("bc")), 1);
    EXPECT_EQ(str_last_index_of(str("aaa"), str("aa")), 0);  // non-overlapping scan
    EXPECT_EQ(str_last_index_of(str("aaaa"), str("aa")), 2);
    EXPECT_EQ(str_last_index_of(str("abc"), str("")), -1);
    EXPECT_EQ(str_count(str("aaaa"), str("aa")), 2);
    EXPECT_EQ(str_count(str("aaa"), str("")), 0);

    qo_val_t all = str_index_of_all(str("aaaaa"), str("aa"));
    EXPECT_EQ((Ints{qo_list_get(all, 0), qo_list_get(all, 1)}), (Ints{0, 2}));
    EXPECT_EQ(qo_list_len(all), 2);
    EXPECT_EQ(qo_list_len(str_index_of_all(str("abc"), str(""))), 0);

    EXPECT_EQ(str_find_chars(str("hello, world"), str(" ,")), 5);
    EXPECT_EQ(str_find_chars(str("hello"), str("xyz")), -1);
    EXPECT_EQ(str_find_chars(str("hello"), str("")), -1);
}

TEST(Extract, SlicesAndBytesAtTheEdges) {
    qo_val_t h = str("hello");
    EXPECT_EQ(S(str_slice(h, -3, 2)), "he");
    EXPECT_EQ(S(str_slice(h, 2, 99)), "llo");
    EXPECT_EQ(S(str_slice(h, 3, 3)), "");
    EXPECT_EQ(S(str_slice(h, 1, -1)), "");
    EXPECT_EQ(S(str_slice(h, 7, 9)), "");
    EXPECT_EQ(S(str_slice(h, INT64_MIN, INT64_MAX)), "hello");

    EXPECT_EQ(S(str_char_at(str("abc"), -1)), "");
    EXPECT_EQ(S(str_char_at(str("abc"), INT64_MAX)), "");
    EXPECT_EQ(S(str_char_at(str("abc"), 2)), "c");
    EXPECT_EQ(str_char_code(str("abc"), 5), 0);
    EXPECT_EQ(str_char_code(str("abc"), INT64_MIN), 0);
    EXPECT_EQ(str_char_code(str("\xff"), 0), 255);
}

TEST(Transform, Replace) {
    EXPECT_EQ(S(str_replace(str("aaa"), str("aa"), str("b"))), "ba");
    EXPECT_EQ(S(str_replace(str("aaa"), str("a"), str("aa"))), "aaaaaa");  // no rescan
    EXPECT_EQ(S(str_replace(str("a-b-c"), str("-"), str(""))), "abc");
    EXPECT_EQ(S(str_replace(str("abc"), str(""), str("x"))), "abc");
    EXPECT_EQ(S(str_replace(str("abc"), str("b"), 0)), "abc");
    EXPECT_EQ(S(str_replace(0, str("b"), str("x"))), "");
    EXPECT_EQ(S(str_replace(str("xx"), str("x"), str("0123456789012345678901234567890123456789"))).size(), 80u);
}

TEST(Transform, CaseTrimAndStrip) {
    EXPECT_EQ(S(str_to_upper(str("abz@[`{\xc3\xa9"))), "ABZ@[`{\xc3\xa9");
    EXPECT_EQ(S(str_to_lower(str("ABZ@[`{\xc3\x89"))), "abz@[`{\xc3\x89");
    EXPECT_EQ(S(str_trim(str(" \t\v\f\r\nx y\n "))), "x y");
    EXPECT_EQ(S(str_trim(str(" \t "))), "");
    EXPECT_EQ(S(str_lstrip(str("  a  "))) + "|" + S(str_rstrip(str("  a  "))), "a  |  a");
    EXPECT_EQ(S(str_trim(str("\xc2\xa0" "a"))), "\xc2\xa0" "a");  // no-break space is not ASCII
    EXPECT_EQ(S(str_strip_chars(str("--==a=b==--"), str("-="))), "a=b");
    EXPECT_EQ(S(str_strip_chars(str("--"), str("-"))), "");
    EXPECT_EQ(S(str_strip_prefix(str("fo"), str("foo"))), "fo");
    EXPECT_EQ(S(str_strip_prefix(str("foobar"), str("foo"))), "bar");
    EXPECT_EQ(S(str_strip_suffix(str("ar"), str("bar"))), "ar");
    EXPECT_EQ(S(str_strip_suffix(str("foobar"), str("bar"))), "foo");
}

TEST(Transform, RepeatAndPad) {
    EXPECT_EQ(S(str_repeat(str("ab"), 3)), "ababab");
    EXPECT_EQ(S(str_repeat(str("abc"), 11)).size(), 33u);
    EXPECT_EQ(S(str_repeat(str("ab"), -4)), "");
    EXPECT_EQ(S(str_pad_left(str("7"), 3, str("0"))), "007");
    EXPECT_EQ(S(str_pad_right(str("ab"), 5, str("xy"))), "abxyx");
    EXPECT_EQ(S(str_pad(str("abc"), 2, str("-"), 1)), "abc");
    EXPECT_EQ(S(str_pad(str("abc"), INT64_MIN, str("-"), 1)), "abc");
    EXPECT_EQ(S(str_pad_left(str("x"), 3, str(""))), "  x");
    // The pad repeats from its first byte and may be cut inside a character.
    EXPECT_EQ(S(str_pad_left(str("a"), 4, str("\xc3\xa9"))), "\xc3\xa9\xc3" "a");
    EXPECT_EQ(S(str_pad_right(str("a"), 8, str("123"))), "a1231231");
}

TEST(Transform, ImpossibleSizesEndWithOutOfMemory) {
    EXPECT_EXIT(str_repeat(str("ab"), INT64_MAX), testing::ExitedWithCode(1), "qo_runtime: out of memory");
    EXPECT_EXIT(str_repeat(str("x"), (qo_val_t)1 << 50), testing::ExitedWithCode(1), "out of memory");
    EXPECT_EXIT(str_pad_left(str("x"), INT64_MAX, str("0")), testing::ExitedWithCode(1), "out of memory");
    EXPECT_EXIT(__str_alloc(INT64_MAX), testing::ExitedWithCode(1), "out of memory");
}

TEST(Split, SeparatorCorners) {
    EXPECT_EQ(Pieces(str_split(str("a,,b"), str(","))), (Strs{"a", "", "b"}));
    EXPECT_EQ(Pieces(str_split(str(",a,"), str(","))), (Strs{"", "a", ""}));
    EXPECT_EQ(Pieces(str_split(str(""), str(","))), (Strs{""}));
    EXPECT_EQ(Pieces(str_split(str("abc"), str(""))), (Strs{"abc"}));
    EXPECT_EQ(Pieces(str_split(str("a::b::"), str("::"))), (Strs{"a", "b", ""}));
    EXPECT_EQ(Pieces(str_split(str("aaa"), str("aa"))), (Strs{"", "a"}));
    EXPECT_EQ(Pieces(str_split_n(str("a,b,c"), str(","), 2)), (Strs{"a", "b,c"}));
    EXPECT_EQ(Pieces(str_split_n(str("a,b,c"), str(","), 1)), (Strs{"a,b,c"}));
    EXPECT_EQ(Pieces(str_split_n(str("a,b"), str(""), 5)), (Strs{"a,b"}));
    EXPECT_EQ(qo_list_len(str_split_n(str("a,b"), str(","), INT64_MIN)), 0);
}

TEST(Split, LinesAndChars) {
    EXPECT_EQ(Pieces(str_split_lines(str("a\nb\n"))), (Strs{"a", "b"}));
    EXPECT_EQ(Pieces(str_split_lines(str("a\n\nb"))), (Strs{"a", "", "b"}));
    EXPECT_EQ(Pieces(str_split_lines(str("\n"))), (Strs{""}));
    EXPECT_EQ(Pieces(str_split_lines(str(""))), (Strs{""}));
    EXPECT_EQ(Pieces(str_split_lines(str("a\r\r\nb\r"))), (Strs{"a\r", "b"}));  // one \r per line
    EXPECT_EQ(Pieces(str_split_lines(str("a\n\n"))), (Strs{"a", ""}));

    EXPECT_EQ(Pieces(str_split_chars(str("a\xc3\xa9"))), (Strs{"a", "\xc3", "\xa9"}));
    // The pieces are not recorded in the arena: they outlive the scope.
    qo_val_t mark = qo_arena_push();
    qo_val_t chars = str_split_chars(str("xy"));
    qo_arena_pop(mark);
    EXPECT_EQ(Pieces(chars), (Strs{"x", "y"}));
}

TEST(Classes, CountsAndTests) {
    EXPECT_EQ(str_count_lines(str("a\nb")), 2);
    EXPECT_EQ(str_count_lines(str("\n\n")), 2);
    EXPECT_EQ(str_count_lines(str("")), 0);
    EXPECT_EQ(str_count_words(str("  one\ttwo\n\vthree  ")), 3);
    EXPECT_EQ(str_count_letters(str("a1B2\xc3\xa9_")), 2);
    EXPECT_EQ(str_count_digits(str("a1B2\xc3\xa9_9")), 3);

    EXPECT_EQ(is_letter(str("abcXYZ")), 1);
    EXPECT_EQ(is_letter(str("ab\xc3\xa9")) + is_letter(str("a[")) + is_letter(str("a@")), 0);
    EXPECT_EQ(is_digit(str("")), 0);
    EXPECT_EQ(is_alphanumeric(str("a 1")), 0);
    EXPECT_EQ(is_whitespace(str(" \t")), 1);
    EXPECT_EQ(is_punctuation(str("!?~{/@`")), 1);
    EXPECT_EQ(is_punctuation(str("! ")) + is_punctuation(str("\x7f")), 0);
    EXPECT_EQ(is_uppercase(str("AbC")) + is_lowercase(str("ab1")), 0);
}

TEST(RawBlocks, AllocAndSetChar) {
    qo_val_t b = __str_alloc(3);
    EXPECT_EQ(str_len(b), 0);
    EXPECT_EQ(__str_set_char(b, 0, 'h'), b);
    __str_set_char(b, 1, 0x169);  // only the low byte is stored
    EXPECT_EQ(__str_set_char(b, -1, 'x'), b);  // before the block: ignored
    EXPECT_EQ(S(b), "hi");
    EXPECT_EQ(str_len(__str_alloc(-5)), 0);
}

}  // namespace
