// Threads started by name, mutexes and channels, exercised from real
// threads. The thread functions are looked up by name in this test
// program, which is linked without exporting its symbols.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "qo_runtime.h"

extern "C" {
qo_val_t qo_test_double_it(qo_val_t x) { return x * 2; }
qo_val_t qo_test_greet(qo_val_t name) { return qo_strdup(QO_STR(("hi " + std::string((const char *)(intptr_t)name)).c_str())); }
}

namespace {

std::string text(qo_val_t v) { return (const char *)(intptr_t)v; }

// Runs f on a plain thread and tells whether it finished within ms.
template <typename F>
bool finishes_within(F f, int ms, std::thread &t) {
    std::atomic<bool> done{false};
    t = std::thread([f, &done] {
        f();
        done = true;
    });
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done;
}

TEST(Threads, StartedByNameAndJoinedForTheResult) {
    qo_val_t a = __thread_create(QO_STR("qo_test_double_it"), 21);
    qo_val_t b = __thread_create(QO_STR("qo_test_greet"), QO_STR("bob"));
    ASSERT_GE(a, 0);
    ASSERT_GT(b, a);
    EXPECT_EQ(__thread_join(a), 42);
    EXPECT_EQ(text(__thread_join(b)), "hi bob");
    // A joined id, an id never handed out and ids out of range give "".
    EXPECT_EQ(text(__thread_join(a)), "");
    EXPECT_EQ(text(__thread_join(255)), "");
    EXPECT_EQ(text(__thread_join(-1)), "");
    EXPECT_EQ(text(__thread_join(256)), "");
    // Names of no function, empty or null, are refused.
    testing::internal::CaptureStderr();
    EXPECT_EQ(__thread_create(QO_STR("qo_test_no_such_function"), 0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[__thread_create] symbol not found: qo_test_no_such_function\n");
    EXPECT_EQ(__thread_create(QO_STR(""), 0), -1);
    EXPECT_EQ(__thread_create(0, 0), -1);
}

TEST(Mutexes, SerialiseACounter) {
    qo_val_t m = __mutex_new();
    ASSERT_GE(m, 0);
    long counter = 0;
    std::vector<std::thread> ts;
    for (int t = 0; t < 4; t++)
        ts.emplace_back([&] {
            for (int i = 0; i < 20000; i++) {
                __mutex_lock(m);
                counter++;
                __mutex_unlock(m);
            }
        });
    for (auto &t : ts) t.join();
    EXPECT_EQ(counter, 80000);
    // Ids out of range or never handed out are ignored (no crash, no block).
    __mutex_lock(64);
    __mutex_lock(-1);
    __mutex_unlock(63);
}

TEST(Channels, UnboundedKeepsOrderThroughGrowth) {
    qo_val_t ch = __channel_new(0);
    ASSERT_GE(ch, 0);
    for (int i = 0; i < 3000; i++) __channel_send(ch, QO_STR(std::to_string(i).c_str()));
    for (int i = 0; i < 3000; i++) ASSERT_EQ(text(__channel_recv(ch)), std::to_string(i));
    EXPECT_EQ(text(__channel_try_recv(ch)), "");
    // Growth with the ring wrapped: head no longer at slot 0.
    for (int i = 0; i < 700; i++) __channel_send(ch, QO_STR("x"));
    for (int i = 0; i < 700; i++) __channel_recv(ch);
    for (int i = 0; i < 2500; i++) __channel_send(ch, QO_STR(std::to_string(i).c_str()));
    for (int i = 0; i < 2500; i++) ASSERT_EQ(text(__channel_recv(ch)), std::to_string(i));
}

TEST(Channels, ManyProducersAndConsumersLoseNothing) {
    qo_val_t ch = __channel_new(8);
    const int producers = 4, per = 750;
    std::vector<std::thread> ts;
    for (int p = 0; p < producers; p++)
        ts.emplace_back([=] {
            for (int i = 0; i < per; i++)
                __channel_send(ch, QO_STR((std::to_string(p) + ":" + std::to_string(i)).c_str()));
        });
    std::vector<std::vector<int>> seen(producers);
    std::mutex seen_mu;
    std::vector<std::thread> consumers;
    for (int c = 0; c < 2; c++)
        consumers.emplace_back([&] {
            for (;;) {
                qo_arena_push();
                std::string m = text(__channel_recv(ch));
                qo_arena_pop(0);
                if (m.empty()) return;
                std::lock_guard<std::mutex> g(seen_mu);
                seen[std::stoi(m)].push_back(std::stoi(m.substr(m.find(':') + 1)));
            }
        });
    for (auto &t : ts) t.join();
    // Both consumers drain the channel and block; close wakes them both.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    __channel_close(ch);
    for (auto &t : consumers) t.join();
    for (int p = 0; p < producers; p++) {
        ASSERT_EQ((int)seen[p].size(), per);
        // Two consumers may interleave, but nothing is lost or duplicated.
        std::sort(seen[p].begin(), seen[p].end());
        for (int i = 0; i < per; i++) ASSERT_EQ(seen[p][i], i);
    }
}

TEST(Channels, BoundedSendBlocksUntilReceiveOrClose) {
    qo_val_t ch = __channel_new(1);
    __channel_send(ch, QO_STR("first"));
    std::thread sender;
    EXPECT_FALSE(finishes_within([=] { __channel_send(ch, QO_STR("second")); }, 150, sender));
    EXPECT_EQ(text(__channel_recv(ch)), "first");
    sender.join();
    EXPECT_EQ(text(__channel_recv(ch)), "second");

    __channel_send(ch, QO_STR("kept"));
    std::thread blocked;
    EXPECT_FALSE(finishes_within([=] { __channel_send(ch, QO_STR("dropped")); }, 100, blocked));
    __channel_close(ch);
    blocked.join();
    EXPECT_EQ(text(__channel_recv(ch)), "kept");
    EXPECT_EQ(text(__channel_recv(ch)), "");
    __channel_send(ch, QO_STR("after close"));
    EXPECT_EQ(text(__channel_try_recv(ch)), "");
}

TEST(Channels, MessagesAreCopiesAndNullIsEmpty) {
    qo_val_t ch = __channel_new(-5); // negative: unbounded
    char buf[] = "mutable";
    __channel_send(ch, QO_STR(buf));
    buf[0] = 'M';
    __channel_send(ch, 0);
    __channel_send(ch, QO_STR("b"));
    __channel_close(ch);
    EXPECT_EQ(text(__channel_recv(ch)), "mutable");
    EXPECT_EQ(text(__channel_recv(ch)), "");
    EXPECT_EQ(text(__channel_try_recv(ch)), "b");
    EXPECT_EQ(text(__channel_recv(ch)), "");
    // Ids out of range, or in range but never handed out.
    EXPECT_EQ(text(__channel_recv(64)), "");
    EXPECT_EQ(text(__channel_recv(63)), "");
    EXPECT_EQ(text(__channel_try_recv(-1)), "");
    __channel_send(63, QO_STR("x"));
    __channel_close(63);
}

}  // namespace
