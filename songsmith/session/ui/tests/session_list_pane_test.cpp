// The session list's window takes the program's messages while the pane
// lives, and refuses them once it has gone.
#include "songsmith/session/ui/session_list_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <vector>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"

namespace {

TEST(SessionListPaneTest, TakesTheSessionListsMessagesWhileItLives) {
    QWidget parent;
    std::vector<std::uint32_t> handled;
    {
        CSessionListPane pane;
        ASSERT_TRUE(pane.Create(&parent, 0, 0, 300, 200));
        pane.SetMessageHandler([&handled](TAppMessage& message) {
            handled.push_back(message.number);
            return std::intptr_t{0};
        });
        EXPECT_TRUE(PostToAppWindow(EAppWindow::kSessionList, TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr}));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(handled, std::vector<std::uint32_t>{WM_TRACKS_LOADED});
    }
    EXPECT_FALSE(PostToAppWindow(EAppWindow::kSessionList, TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr}));
}

}  // namespace
