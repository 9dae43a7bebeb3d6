#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/services/HeldMessages.h"

namespace qsr::services {
namespace {

// Answers No to every question and notes what it showed.
struct Box : IMessageBox {
    std::vector<std::string> shown;
    MsgAnswer Show(const std::string& text, MsgIcon, MsgButtons buttons,
                   const std::string& title) override {
        shown.push_back(title + ": " + text);
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
    }
};

TEST(HeldMessages, InformingMessagesWaitForReleaseQuestionsPassAtOnce) {
    Box box;
    HeldMessages held(box);
    EXPECT_EQ(held.Show("first", MsgIcon::Warning, MsgButtons::Ok, "T"), MsgAnswer::Ok);
    EXPECT_EQ(held.Show("second", MsgIcon::Error, MsgButtons::Ok, "T"), MsgAnswer::Ok);
    EXPECT_EQ(held.Show("asked", MsgIcon::Question, MsgButtons::YesNo, "T"), MsgAnswer::No);
    EXPECT_EQ(box.shown, std::vector<std::string>{"T: asked"});

    held.Release();
    held.Show("later", MsgIcon::Information, MsgButtons::Ok, "T");
    EXPECT_EQ(box.shown,
              (std::vector<std::string>{"T: asked", "T: first", "T: second", "T: later"}));
}

}  // namespace
}  // namespace qsr::services
