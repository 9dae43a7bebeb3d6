#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <stdexcept>

#include "desktop/windows/frmtray.h"

using qsr::desktop::frmtray;
using qsr::desktop::TrayTargets;

namespace {

struct Calls {
    std::vector<std::string> log;
    TrayTargets Targets() {
        TrayTargets t;
        t.showMain = [this] { log.push_back("showMain"); };
        t.startRecord = [this] { log.push_back("StartRecord"); };
        t.stopRecord = [this] { log.push_back("StopRecord"); };
        t.setMarker = [this] { log.push_back("Marker"); };
        t.showSettings = [this] { log.push_back("Form2"); };
        t.openHelp = [this] { log.push_back("help"); };
        t.openWeb = [this] { log.push_back("web"); };
        t.exitSystem = [this] {
            log.push_back("exitsystem");
            throw std::runtime_error("failure on the way out");
        };
        return t;
    }
};

TEST(frmtray, MenuItemsInOrderWithTheirActions) {
    Calls calls;
    frmtray tray("Quorvin Sound Recorder", calls.Targets());
    EXPECT_EQ(tray.windowTitle().toStdString(), "systray");
    EXPECT_FALSE(tray.isVisible());
    QMenu* menu = tray.mPopupSys();
    EXPECT_EQ(menu->objectName().toStdString(), "mPopupSys");
    EXPECT_EQ(menu->title().toStdString(), "SysTray");
    EXPECT_EQ(tray.TrayIcon()->contextMenu(), menu);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"web", "Quorvin Sound Recorder On the Web"},
        {"Help", "Help"},
        {"tfd", "-"},
        {"maindisp", "Quorvin Sound Recorder"},
        {"a5", "-"},
        {"Option", "Settings"},
        {"fg2", "-"},
        {"settings", "Record Now"},
        {"Restore", "Stop Record"},
        {"Marker", "Marker"},
        {"a3", "-"},
        {"Exit", "Exit"}};
    std::vector<std::pair<std::string, std::string>> items;
    for (QAction* a : menu->actions())
        items.emplace_back(a->objectName().toStdString(),
                           a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(items, expected);

    for (QAction* a : menu->actions())
        if (!a->isSeparator()) a->trigger();  // Exit's failure is swallowed
    EXPECT_EQ(calls.log,
              (std::vector<std::string>{"web", "help", "showMain", "Form2", "StartRecord",
                                        "StopRecord", "Marker", "exitsystem"}));
}

TEST(frmtray, IconMessagesShowTheWindowOrPopTheMenu) {
    Calls calls;
    frmtray tray("Quorvin Sound Recorder", calls.Targets());
    tray.Form_MouseMove(513);  // press
    tray.Form_MouseMove(515);  // double click
    tray.Form_MouseMove(516);  // right press
    EXPECT_TRUE(calls.log.empty());
    EXPECT_FALSE(tray.mPopupSys()->isVisible());
    tray.Form_MouseMove(qsr::desktop::kIconLeftButtonUp);
    EXPECT_EQ(calls.log, (std::vector<std::string>{"showMain"}));
    tray.Form_MouseMove(qsr::desktop::kIconRightButtonUp);
    EXPECT_TRUE(tray.mPopupSys()->isVisible());
    tray.mPopupSys()->close();  // chosen nothing: no action
    EXPECT_EQ(calls.log.size(), 1u);
}

TEST(frmtray, IconAddedAndDeletedWithTheTip) {
    frmtray tray("Quorvin Sound Recorder", {});
    EXPECT_EQ(tray.TrayIcon()->toolTip().toStdString(), "Quorvin Sound Recorder");
    tray.AddIcon();
    EXPECT_TRUE(tray.IconShown());
    tray.DeleteIcon();
    EXPECT_FALSE(tray.IconShown());
    // Targets not set: menu actions do nothing rather than fail.
    for (QAction* a : tray.mPopupSys()->actions()) a->trigger();
}

TEST(frmtray, TipIsCutToFitItsField) {
    EXPECT_EQ(qsr::desktop::TrayTip("Quorvin Sound Recorder"), "Quorvin Sound Recorder");
    const std::string long63(63, 'x');
    EXPECT_EQ(qsr::desktop::TrayTip(long63), long63);
    EXPECT_EQ(qsr::desktop::TrayTip(long63 + "yz"), long63);
}

}  // namespace
