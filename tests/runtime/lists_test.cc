// Lists and maps: reads out of range, growth, copy on write after a retain,
// the variadic constructors with int-typed arguments, joining.
#include <gtest/gtest.h>

#include "qo_runtime.h"

namespace {

qo_list *L(qo_val_t v) { return (qo_list *)(intptr_t)v; }
qo_map *M(qo_val_t v) { return (qo_map *)(intptr_t)v; }
std::string S(qo_val_t v) { return QO_STR_PTR(v); }

TEST(Lists, ReadsOutOfRangeGiveNull) {
    qo_val_t l = qo_list_new(2, 10, 20);
    EXPECT_EQ(qo_list_get(l, -1), 0);
    EXPECT_EQ(qo_list_get(l, 2), 0);
    EXPECT_EQ(qo_list_get(l, 1), 20);
    EXPECT_EQ(qo_list_get(0, 0), 0);
    EXPECT_EQ(qo_list_len(0), 0);
    EXPECT_EQ(len(l), 2);
    EXPECT_EQ(get(l, 0), 10);
}

TEST(Lists, VariadicConstructorWidensIntArguments) {
    // Negative int literals and arguments past the sixth arrive on the stack
    // as 32-bit ints; every element must still be the full word.
    int minus = -3;
    qo_val_t l = qo_list_new(9, minus, (1 < 2), !5, 4, 5, 6, -7, -8, 9);
    ASSERT_EQ(qo_list_len(l), 9);
    EXPECT_EQ(qo_list_get(l, 0), -3);
    EXPECT_EQ(qo_list_get(l, 1), 1);
    EXPECT_EQ(qo_list_get(l, 2), 0);
    EXPECT_EQ(qo_list_get(l, 6), -7);
    EXPECT_EQ(qo_list_get(l, 7), -8);
    EXPECT_EQ(L(l)->cap, 9);
    EXPECT_EQ(L(qo_list_new(0))->cap, 4);
    qo_val_t m = qo_map_new(7, "a", -1, "b", 2, "c", 3, "d", 4, "e", 5, "f", -6, "g", (3 > 2));
    EXPECT_EQ(qo_map_get(m, QO_STR("a")), -1);
    EXPECT_EQ(qo_map_get(m, QO_STR("f")), -6);
    EXPECT_EQ(qo_map_get(m, QO_STR("g")), 1);
    EXPECT_EQ(M(qo_map_new(0))->len, 0);
}

TEST(Lists, AppendGrowsByDoublingInPlace) {
    qo_val_t l = qo_list_append(0, 1);
    EXPECT_EQ(qo_list_len(l), 1);
    qo_val_t same = l;
    for (int i = 2; i <= 9; i++) l = qo_list_append(l, i);
    EXPECT_EQ(l, same);
    EXPECT_EQ(L(l)->cap, 16);
    EXPECT_EQ(qo_list_get(l, 8), 9);
}

TEST(Lists, CopyOnWriteAfterRetain) {
    qo_val_t l = qo_list_new(2, 1, 2);
    qo_retain(l);
    qo_val_t grown = qo_list_append(l, 3);
    EXPECT_NE(grown, l);
    EXPECT_EQ(qo_list_len(l), 2);
    EXPECT_EQ(qo_list_len(grown), 3);
    EXPECT_EQ(L(grown)->refcount, 1u);
    EXPECT_EQ(L(grown)->cap, 4);
    qo_val_t front = list_push_front(l, 0);  // still shared: copied again
    EXPECT_EQ(qo_list_len(l), 2);
    EXPECT_EQ(qo_list_get(front, 0), 0);
    EXPECT_EQ(qo_list_get(front, 2), 2);
    EXPECT_EQ(qo_list_get(l, 0), 1);
}

TEST(Lists, PushFrontCloneAndRange) {
    qo_val_t l = list_push_front(0, 7);
    l = list_push_front(l, 6);
    l = list_push_front(l, 5);
    EXPECT_EQ(S(list_join(l, QO_STR(","))), "5,6,7");
    qo_val_t c = qo_list_clone(l);
    EXPECT_NE(c, l);
    EXPECT_EQ(L(c)->cap, L(l)->cap);
    EXPECT_EQ(qo_list_len(qo_list_clone(0)), 0);
    EXPECT_EQ(qo_list_len(list_range(3, 3)), 0);
    qo_val_t r = list_range(-2, 1);
    ASSERT_EQ(qo_list_len(r), 3);
    EXPECT_EQ(qo_list_get(r, 0), -2);
    EXPECT_EQ(qo_list_get(r, 2), 0);
    EXPECT_EQ(S(list_join(r, QO_STR(" "))), "-2 -1 ");  // 0 is null: it prints nothing
}

TEST(Lists, JoinPrintsTextIntegersAndNothingForNull) {
    EXPECT_EQ(S(list_join(qo_list_empty(), QO_STR(","))), "");
    EXPECT_EQ(S(list_join(0, QO_STR(","))), "");
    EXPECT_EQ(S(list_join(qo_list_new(2, 1, QO_STR("x")), QO_STR("-"))), "1-x");
    EXPECT_EQ(S(list_join(qo_list_new(3, QO_STR("a"), 0, QO_STR("b")), QO_STR(","))), "a,,b");
    EXPECT_EQ(S(str_join(qo_list_new(2, -9000000000LL, 5), 0)), "-90000000005");
    // Long results outgrow the 64-byte start buffer.
    qo_val_t many = qo_list_empty();
    for (int i = 0; i < 1000; i++) many = qo_list_append(many, QO_STR("word"));
    EXPECT_EQ(S(list_join(many, QO_STR(" "))).size(), 1000u * 5 - 1);
}

TEST(Maps, SetKeepsPositionAndCopiesWhenShared) {
    qo_val_t m = qo_map_new(0);
    m = qo_map_set(m, QO_STR("a"), 1);
    m = qo_map_set(m, QO_STR("b"), 2);
    char key[] = "a";  // a different pointer with the same text
    qo_val_t again = qo_map_set(m, QO_STR(key), 10);
    EXPECT_EQ(again, m);
    EXPECT_EQ(M(m)->len, 2);
    EXPECT_STREQ(M(m)->keys[0], "a");
    EXPECT_EQ(qo_map_get(m, QO_STR("a")), 10);
    qo_retain(m);
    qo_val_t copy = map_set(m, QO_STR("c"), 3);
    EXPECT_NE(copy, m);
    EXPECT_EQ(qo_map_get(m, QO_STR("c")), 0);
    EXPECT_EQ(qo_get_field(copy, QO_STR("c")), 3);
    EXPECT_EQ(qo_map_set(0, QO_STR("k"), 1), 0);
}

TEST(Maps, RepeatedKeysAndNullKeys) {
    qo_val_t m = qo_map_new(2, "a", 1, "a", 2);
    EXPECT_EQ(M(m)->len, 2);
    EXPECT_EQ(qo_map_get(m, QO_STR("a")), 1);
    m = qo_map_set(m, 0, 5);  // a null key is stored but never found
    EXPECT_EQ(M(m)->len, 3);
    EXPECT_EQ(qo_map_get(m, 0), 0);
    EXPECT_EQ(qo_map_get(0, QO_STR("a")), 0);
    for (int i = 0; i < 100; i++) m = qo_map_set(m, QO_STR("grow"), i);
    EXPECT_EQ(M(m)->len, 4);
    // A key word that is no string is kept as a null key, so no later
    // lookup ever compares against it.
    m = qo_map_set(m, 5, 6);
    EXPECT_EQ(M(m)->len, 5);
    EXPECT_EQ(M(m)->keys[4], nullptr);
    EXPECT_EQ(qo_map_get(m, 5), 0);
    EXPECT_EQ(qo_map_get(m, QO_STR("grow")), 99);
}

TEST(Containers, WordsThatAreNoContainersGiveNeutralResults) {
    qo_val_t text = QO_STR("not a list");
    for (qo_val_t w : {(qo_val_t)5, (qo_val_t)-1, (qo_val_t)0x123456789ABCLL, text}) {
        EXPECT_EQ(qo_list_len(w) + qo_list_get(w, 0), 0) << w;
        EXPECT_EQ(S(list_join(w, QO_STR(","))), "") << w;
        EXPECT_EQ(qo_map_get(w, QO_STR("a")) + qo_map_set(w, QO_STR("a"), 1), 0) << w;
        EXPECT_EQ(S(str_format(QO_STR("{a}"), w)), "{a}") << w;
        qo_val_t fresh = qo_list_append(w, 7);  // as if appending to null
        EXPECT_NE(fresh, w);
        EXPECT_EQ(qo_list_len(fresh), 1);
        EXPECT_EQ(qo_list_len(qo_list_clone(w)), 0);
    }
}

}  // namespace
