// The fixed tables: 256 threads, 64 mutexes and 64 channels per process,
// ids never reused. Its own program, since it uses the tables up.
#include <gtest/gtest.h>

#include "qo_runtime.h"

extern "C" qo_val_t qo_test_identity(qo_val_t x) { return x; }

namespace {

TEST(Tables, ExhaustedTablesRefuseWithAMessage) {
    for (int i = 0; i < 256; i++) {
        qo_val_t id = __thread_create(QO_STR("qo_test_identity"), i);
        ASSERT_EQ(id, i);
        ASSERT_EQ(__thread_join(id), i); // joined: the id still stays used
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(__thread_create(QO_STR("qo_test_identity"), 1), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[__thread_create] thread table full\n");

    for (int i = 0; i < 64; i++) ASSERT_EQ(__mutex_new(), i);
    testing::internal::CaptureStderr();
    EXPECT_EQ(__mutex_new(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[__mutex_new] mutex table full\n");

    for (int i = 0; i < 64; i++) ASSERT_EQ(__channel_new(i % 2), i);
    testing::internal::CaptureStderr();
    EXPECT_EQ(__channel_new(0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[__channel_new] channel table full\n");
    // The last ones handed out still work.
    __channel_send(63, QO_STR("still here"));
    EXPECT_STREQ((const char *)(intptr_t)__channel_recv(63), "still here");
}

}  // namespace
