#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string gSeen;
std::int32_t AnswerCancel(void* owner, const char* text, const char* caption, std::uint32_t type) {
    gSeen = std::string(caption) + "|" + text + "|" + std::to_string(type) + "|" +
            (owner == nullptr ? "no owner" : "owner");
    return 2;
}

TEST(MessageBoxTest, TheProgramsHookAnswersElseStderrSaysOk) {
    MessageBoxFunction previous = SetMessageBoxHook(AnswerCancel);
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_ICONWARNING), 2);
    EXPECT_EQ(gSeen, "Caption|Text|48|no owner");
    EXPECT_EQ(SetMessageBoxHook(previous), &AnswerCancel);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Please stop this service.", " ", MB_OK), IDOK);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Please stop this service."),
              std::string::npos);
}

}  // namespace
