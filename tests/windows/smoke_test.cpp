#include <windows.h>
#include <gtest/gtest.h>

TEST(WineSmoke, KernelAnswers) {
    EXPECT_NE(GetCurrentProcessId(), 0u);
}
