// tests/messagebox_test.cpp -- the real message boxes where no display can be opened: the copy on stderr
// and the answer given without a person (the boxes on a display are driven end to end by shell_e2e).
#include "platform/app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(SystemMessageBoxes, WithoutADisplayTellStderrAndAnswerAsEscapeWould)
{
    const struct {
        MessageButtons buttons;
        MessageIcon icon;
        MessageAnswer answer;
    } cases[] = {
        {MessageButtons::Ok, MessageIcon::Exclamation, MessageAnswer::Ok},
        {MessageButtons::Ok, MessageIcon::Stop, MessageAnswer::Ok},
        {MessageButtons::Ok, MessageIcon::Information, MessageAnswer::Ok},
        {MessageButtons::YesNo, MessageIcon::Exclamation, MessageAnswer::No},
    };
    unsetenv("DISPLAY");
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        const MessageAnswer answer = SystemMessageBoxes().Show(
            "ERREUR", "Erreur Brimt 2\nEchec lors de l'initialisation.", c.buttons, c.icon);
        const std::string said = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(answer, c.answer);
        // The message first, on one line; then why no box was shown; a question's answer last.
        EXPECT_EQ(said.rfind("ERREUR: Erreur Brimt 2 Echec lors de l'initialisation.\n", 0), 0u) << said;
        EXPECT_NE(said.find("message box not shown: cannot open the display"), std::string::npos) << said;
        if (c.buttons == MessageButtons::YesNo) {
            EXPECT_NE(said.find("  -> Non\n"), std::string::npos) << said;
        }
    }
}

} // namespace
