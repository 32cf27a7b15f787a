// The state store: updates in place, order kept through deletes, escaped
// key listings, private copies, many threads writing and reading at once;
// and the TTL cache: fresh, expired (with a millisecond limit, so nothing
// waits long), future and damaged timestamps.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "qo_runtime.h"

namespace {

std::string S(qo_val_t v) { return QO_STR_PTR(v); }
qo_val_t V(const std::string &s) { return QO_STR(s.c_str()); }

// The store is process-wide: each test starts from an empty one.
class State : public ::testing::Test {
  protected:
    void SetUp() override {
        qo_val_t keys = state_keys();
        for (int64_t i = json_array_len(keys) - 1; i >= 0; i--)
            state_del(json_array_get_string(keys, i));
        ASSERT_EQ(S(state_keys()), "[]");
    }
};

TEST_F(State, SetGetDeleteKeepOrder) {
    EXPECT_EQ(state_set(QO_STR("k"), QO_STR("1")), 1);
    EXPECT_EQ(__state_set(QO_STR("k"), QO_STR("2")), 1);
    EXPECT_EQ(S(state_keys()), "[\"k\"]");
    EXPECT_EQ(S(state_get(QO_STR("k"))), "2");
    state_set(QO_STR("a"), QO_STR("x"));
    state_set(QO_STR("b"), QO_STR("y"));
    state_set(QO_STR("k"), QO_STR("3"));  // an update keeps the position
    EXPECT_EQ(S(__state_keys()), "[\"k\",\"a\",\"b\"]");
    EXPECT_EQ(state_del(QO_STR("a")), 1);
    EXPECT_EQ(S(state_keys()), "[\"k\",\"b\"]");
    EXPECT_EQ(state_del(QO_STR("a")), 1);  // missing: still 1
    EXPECT_EQ(S(__state_get(QO_STR("a"))), "");
    EXPECT_EQ(state_has(QO_STR("a")), 0);
    EXPECT_EQ(S(state_get(QO_STR("b"))), "y");
}

TEST_F(State, NullArgumentsAndDefaults) {
    EXPECT_EQ(state_set(0, QO_STR("x")), 0);
    EXPECT_EQ(state_set(QO_STR("empty"), 0), 1);
    EXPECT_EQ(state_has(QO_STR("empty")), 1);
    EXPECT_EQ(S(state_get(QO_STR("empty"))), "");
    qo_val_t dflt = QO_STR("fallback");
    EXPECT_EQ(state_get_or(QO_STR("missing"), dflt), dflt);  // the default itself
    EXPECT_EQ(S(state_get_or(QO_STR("empty"), dflt)), "");
    EXPECT_EQ(S(state_keys()), "[\"empty\"]");
}

TEST_F(State, CopiesInAndOut) {
    char key[] = "key", value[] = "value";
    state_set(QO_STR(key), QO_STR(value));
    qo_val_t got = state_get(QO_STR("key"));
    EXPECT_NE(got, QO_STR(value));
    key[0] = 'X';
    value[0] = 'X';
    EXPECT_EQ(S(state_get(QO_STR("key"))), "value");
    state_set(QO_STR("key"), QO_STR("other"));
    EXPECT_EQ(S(got), "value");  // a result outlives later changes
    // A result made inside a scope goes with it; the stored value stays.
    qo_val_t mark = qo_arena_push();
    state_get(QO_STR("key"));
    qo_arena_pop(mark);
    EXPECT_EQ(S(state_get(QO_STR("key"))), "other");
}

TEST_F(State, KeysAreEscapedJson) {
    state_set(QO_STR("say \"hi\""), QO_STR("1"));
    state_set(QO_STR("tab\there\x01\xe9"), QO_STR("2"));
    EXPECT_EQ(S(state_keys()), "[\"say \\\"hi\\\"\",\"tab\\there\\u0001\\u00e9\"]");
    EXPECT_EQ(json_array_len(state_keys()), 2);
    // Decoding the listing turns \u escapes into "?": delete by name.
    state_del(QO_STR("say \"hi\""));
    state_del(QO_STR("tab\there\x01\xe9"));
}

TEST_F(State, ConcurrentWritersAndReaders) {
    constexpr int kThreads = 4, kKeys = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; t++) {
        threads.emplace_back([t] {
            for (int i = 0; i < kKeys; i++) {
                std::string key = "t" + std::to_string(t) + "." + std::to_string(i);
                state_set(V(key), V(std::to_string(i)));
                state_set(QO_STR("shared"), V(key));
                // Another thread may be rewriting "shared": the copy we
                // get must still be one whole value some writer stored.
                std::string seen = S(state_get(QO_STR("shared")));
                ASSERT_EQ(seen[0], 't');
                if (i % 3 == 0) state_del(V(key));
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < 200; i++) json_array_len(state_keys());
    });
    for (auto &th : threads) th.join();

    int expected = 1;  // "shared"
    for (int t = 0; t < kThreads; t++) {
        for (int i = 0; i < kKeys; i++) {
            std::string key = "t" + std::to_string(t) + "." + std::to_string(i);
            bool kept = i % 3 != 0;
            expected += kept;
            ASSERT_EQ(state_has(V(key)), kept) << key;
            if (kept) {
                ASSERT_EQ(S(state_get(V(key))), std::to_string(i));
            }
        }
    }
    EXPECT_EQ(json_array_len(state_keys()), expected);
}

TEST_F(State, TtlFreshExpiredAndMissing) {
    EXPECT_EQ(ttl_cache_set(QO_STR("k"), QO_STR("v")), 1);
    EXPECT_EQ(S(ttl_cache_get(QO_STR("k"), 10000000000LL)), "v");
    EXPECT_EQ(S(state_keys()), "[\"k\",\"__ttl_at:k\"]");
    qo_val_t age = ttl_cache_age(QO_STR("k"));
    EXPECT_GE(age, 0);
    EXPECT_LT(age, 10000000000LL);

    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(S(ttl_cache_get(QO_STR("k"), 1000000)), "");  // older than 1 ms
    EXPECT_GE(ttl_cache_age(QO_STR("k")), 5000000);
    EXPECT_EQ(S(ttl_cache_get(QO_STR("k"), 10000000000LL)), "v");

    EXPECT_EQ(ttl_cache_age(QO_STR("never")), INT64_MAX);
    state_set(QO_STR("plain"), QO_STR("p"));  // no timestamp
    EXPECT_EQ(S(ttl_cache_get(QO_STR("plain"), INT64_MAX - 1)), "");

    // Deleting the value leaves its stamp; the value then reads as "".
    state_del(QO_STR("k"));
    EXPECT_EQ(state_has(QO_STR("__ttl_at:k")), 1);
    EXPECT_EQ(S(ttl_cache_get(QO_STR("k"), 10000000000LL)), "");
}

TEST_F(State, TtlDamagedAndFutureStamps) {
    ttl_cache_set(QO_STR("f"), QO_STR("v"));
    std::string future = std::to_string(qo_now_instant() + 3600000000000LL);
    state_set(QO_STR("__ttl_at:f"), V(future));
    EXPECT_LT(ttl_cache_age(QO_STR("f")), 0);
    EXPECT_EQ(S(ttl_cache_get(QO_STR("f"), INT64_MAX - 1)), "");

    state_set(QO_STR("__ttl_at:f"), QO_STR(""));
    EXPECT_EQ(ttl_cache_age(QO_STR("f")), INT64_MAX);
    // A stamp too far back to subtract saturates instead of wrapping.
    state_set(QO_STR("__ttl_at:f"), QO_STR("-9223372036854775808"));
    EXPECT_EQ(ttl_cache_age(QO_STR("f")), INT64_MAX);
    EXPECT_EQ(S(ttl_cache_get(QO_STR("f"), INT64_MAX - 1)), "");
}

}  // namespace
