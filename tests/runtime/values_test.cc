// The value word: container and text tests, arena and request scopes,
// the memory ceiling and the argument list.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <cstdlib>
#include <thread>
#include <vector>

#include "qo_runtime.h"

namespace {

qo_val_t str(const char *s) { return QO_STR(s); }

TEST(KindTests, LooksLikeStringOnTextAndNonText) {
    EXPECT_FALSE(looks_like_string(0));
    EXPECT_FALSE(looks_like_string(4294967295LL));
    EXPECT_FALSE(looks_like_string(qo_list_empty()));
    EXPECT_FALSE(looks_like_string(qo_map_new(0)));
    EXPECT_TRUE(looks_like_string(str("")));
    EXPECT_TRUE(looks_like_string(str("hello")));
    EXPECT_TRUE(looks_like_string(str("caf\xc3\xa9\t\r\n")));
    EXPECT_FALSE(looks_like_string(str("bell\x07")));
    EXPECT_FALSE(looks_like_string(str("del\x7f")));
    // Only the first 16 bytes are examined.
    EXPECT_TRUE(looks_like_string(str("0123456789abcdef\x01\x02")));
}

TEST(KindTests, NeverFaultsOnUnmappedWords) {
    // Words above 4 GiB that are no mapped address: non-canonical,
    // kernel space, and a page that was mapped and is gone again.
    EXPECT_FALSE(looks_like_string(0x123456789ABCLL));
    EXPECT_FALSE(looks_like_string(INT64_MAX));
    EXPECT_FALSE(looks_like_string(-5));
    void *page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    EXPECT_TRUE(looks_like_string((qo_val_t)(intptr_t)page));  // zero page: ""
    munmap(page, 4096);
    // Seen readable before is no promise now.
    EXPECT_FALSE(looks_like_string((qo_val_t)(intptr_t)page));
    EXPECT_FALSE(_qo_is_container((qo_val_t)(intptr_t)page));
    // A guard page: mapped but unreadable.
    void *guard = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(guard, MAP_FAILED);
    EXPECT_FALSE(looks_like_string((qo_val_t)(intptr_t)guard));
    EXPECT_FALSE(_qo_is_bytes((qo_val_t)(intptr_t)guard + 8));
    EXPECT_FALSE(_qo_is_container((qo_val_t)(intptr_t)guard));
    munmap(guard, 4096);
}

TEST(KindTests, TextRunningIntoAnUnreadablePage) {
    // 10 text bytes at the very end of a readable page, then a guard page.
    char *two = (char *)mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(two, MAP_FAILED);
    mprotect(two + 4096, 4096, PROT_NONE);
    memset(two + 4086, 'a', 10);
    EXPECT_FALSE(looks_like_string((qo_val_t)(intptr_t)(two + 4086)));
    two[4095] = '\0';
    EXPECT_TRUE(looks_like_string((qo_val_t)(intptr_t)(two + 4086)));
    munmap(two, 8192);
}

TEST(KindTests, ContainerAndBytesTests) {
    qo_val_t bytes = _qo_bytes_new("a\0b", 3);
    EXPECT_TRUE(_qo_is_bytes(bytes));
    EXPECT_EQ(_qo_bytes_or_str_len(bytes), 3u);
    EXPECT_EQ(_qo_bytes_or_str_len(str("abcd")), 4u);
    EXPECT_FALSE(_qo_is_bytes(str("plain")));
    EXPECT_FALSE(_qo_is_container(bytes));
    EXPECT_FALSE(_qo_is_container(65528));  // small integers never count
    EXPECT_TRUE(_qo_is_list(qo_list_empty()));
    EXPECT_TRUE(_qo_is_map(qo_map_new(0)));
}

TEST(Refcounts, RetainReleaseAndTheirNoOps) {
    qo_val_t l = qo_list_empty();
    auto *head = (qo_list *)(intptr_t)l;
    qo_retain(l);
    EXPECT_EQ(head->refcount, 2u);
    qo_release(l);
    EXPECT_EQ(head->refcount, 1u);
    head->refcount = 0;  // a zero count is left alone
    qo_release(l);
    EXPECT_EQ(head->refcount, 0u);
    EXPECT_EQ(head->magic, QO_LIST_MAGIC);
    head->refcount = 1;
    qo_release(l);  // frees: ASan reports a use after free if anything touches it
    for (qo_val_t v : {(qo_val_t)0, (qo_val_t)5, (qo_val_t)-3, str("text")}) {
        EXPECT_EQ(qo_retain(v), 0);
        EXPECT_EQ(qo_release(v), 0);
    }
}

TEST(Arena, NestedScopesFreeOnlyTheirOwnStrings) {
    qo_val_t before = qo_strdup(str("outlives"));
    qo_val_t outer = qo_arena_push();
    qo_val_t a = qo_strdup(str("a"));
    qo_val_t inner = qo_arena_push();
    EXPECT_GT(inner, outer);
    qo_strdup(str("b"));
    qo_strdup(str("c"));
    qo_arena_pop(inner);
    EXPECT_STREQ(QO_STR_PTR(a), "a");  // still alive: outer scope
    qo_arena_pop(outer);
    EXPECT_STREQ(QO_STR_PTR(before), "outlives");
    // Recording is off again: this one is never freed by a later pop.
    qo_val_t after = qo_strdup(str("after"));
    qo_arena_pop(0);
    EXPECT_STREQ(QO_STR_PTR(after), "after");
    free(QO_STR_PTR(before));
    free(QO_STR_PTR(after));
}

TEST(Arena, StaleMarkFreesEverything) {
    qo_arena_push();
    qo_strdup(str("x"));
    qo_strdup(str("y"));
    qo_arena_pop(1000);  // above the count: everything goes, recording stops
    qo_val_t untracked = qo_strdup(str("z"));
    qo_arena_pop(0);
    EXPECT_STREQ(QO_STR_PTR(untracked), "z");
    free(QO_STR_PTR(untracked));
}

TEST(Arena, GrowsPastItsFirstBlockAndRequestScopesArePerThread) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([] {
            for (int round = 0; round < 3; round++) {
                qo_request_start();
                qo_val_t kept = 0;
                for (int i = 0; i < 2000; i++) kept = qo_strdup(QO_STR("request text"));
                EXPECT_STREQ(QO_STR_PTR(kept), "request text");
                qo_request_end();
            }
        });
    }
    for (auto &t : threads) t.join();
}

TEST(MemoryCeiling, BadSettingsMeanTheDefault) {
    for (const char *setting : {"0", "-5", "abc", ""}) {
        setenv("QOC_MAX_MEM_MB", setting, 1);
        EXPECT_EQ(qo_mem_check(), 0) << setting;  // a test process is far below 512 MB
    }
    unsetenv("QOC_MAX_MEM_MB");
}

TEST(MemoryCeilingDeathTest, ExitsWithTheLimitInTheMessage) {
    setenv("QOC_MAX_MEM_MB", "1", 1);
    EXPECT_EXIT(qo_mem_check(), testing::ExitedWithCode(1), "qoc: memory limit exceeded \\(1MB\\), aborting");
    unsetenv("QOC_MAX_MEM_MB");
}

TEST(Args, EmptyBeforeInitThenTheSameList) {
    qo_val_t first = args();
    EXPECT_EQ(qo_list_len(first), 0);
    EXPECT_EQ(args(), first);
    EXPECT_EQ(__args_json(), first);
    char prog[] = "prog", one[] = "one", two[] = "two";
    char *argv[] = {prog, one, two, nullptr};
    qo_runtime_init_args(3, argv);
    ASSERT_EQ(qo_list_len(args()), 2);
    EXPECT_STREQ(QO_STR_PTR(qo_list_get(args(), 0)), "one");
    EXPECT_STREQ(QO_STR_PTR(qo_list_get(args(), 1)), "two");
}

}  // namespace
