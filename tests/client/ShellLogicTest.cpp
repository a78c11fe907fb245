// Plain rules behind the shell's widgets: geometry, account edits, logs, crash names, the
// single-instance lock, and the shipped language files.
#include <gtest/gtest.h>

#include <ctime>

#include "CrashHandler.h"
#include "DataPaths.h"
#include "DebugLog.h"
#include "InstanceLock.h"
#include "LanguageTables.h"
#include "MainGeometry.h"
#include "TestFolder.h"
#include "UserAccounts.h"

namespace vantor::client {
namespace {

TEST(MainGeometry, WindowAndViewRectangles) {
    const QRect screen(0, 0, 1600, 1000);
    EXPECT_EQ(MainGeometry::WindowRect(screen, false), QRect(200, 94, 1200, 812));
    EXPECT_EQ(MainGeometry::WindowRect(screen, true), screen);
    const QSize client(1200, 812);
    EXPECT_EQ(MainGeometry::LayoutRect(client), QRect(949, 50, 250, 761));
    EXPECT_EQ(MainGeometry::MainViewRect(client), QRect(1, 50, 947, 761));
    EXPECT_EQ(MainGeometry::LockRect(client), QRect(-1, 50, 1200, 762));
    EXPECT_EQ(MainGeometry::CloseX(1200, 46), 1154);
    EXPECT_EQ(MainGeometry::MaxX(1200, 46), 1103);
    EXPECT_EQ(MainGeometry::MinX(1200, 46), 1052);
    for (const auto& [setting, panes] : {std::pair{0, 16}, {100, 16}, {1, 1}, {64, 64}, {9, 9}}) {
        EXPECT_EQ(MainGeometry::InitialPaneCount(setting), panes) << setting;
    }
    const QSize layout(250, 761);
    EXPECT_EQ(MainGeometry::LayoutButton(layout, 52, 52, 1, 0), QPoint(17, 704));
    EXPECT_EQ(MainGeometry::LayoutButton(layout, 52, 52, 0, 3), QPoint(188, 642));
    EXPECT_EQ(MainGeometry::GridBottom(layout, 52), 622);
}

TEST(UserAccounts, EditRulesInOrder) {
    struct Case {
        const char *un, *up, *an, *ap;
        int expect;
    };
    const Case cases[] = {
        {"guest", "pass word", "admin", "", 0},  // inner space and empty password are fine
        {"guest", " pw", "admin", "x", 14},
        {"guest", "pw", "admin ", "x", 14},
        {"same", "a", "same", "b", 15},
        {"gu-est", "a", "admin", "b", 14},
        {"", "a", "admin", "b", 14},
        {"abcdefghijklmnopq", "a", "admin", "b", 16},
        {"guest", "a", "admin", "ééééééééééééééééé", 16},
        {"guest", "a", "admin", "éééééééééééééééé", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UserAccounts::ValidateEdit(c.un, c.up, c.an, c.ap), c.expect)
            << c.un << "/" << c.an;
    }
}

TEST(DebugLog, KeepsOnlyTheLastEntry) {
    test::TestFolder dir;
    ASSERT_TRUE(DebugLog::Write(dir.path(), "first", "one"));
    ASSERT_TRUE(DebugLog::Write(dir.path(), "GetCurrentTime", "GetCurrentTime"));
    const std::string log = dir.Read("debuglog.txt");
    EXPECT_EQ(log.rfind("Time: ", 0), 0u);
    EXPECT_NE(log.find(" mode: GetCurrentTime Content: GetCurrentTime"), std::string::npos);
    EXPECT_EQ(log.find("first"), std::string::npos);
    EXPECT_EQ(log.find('\n'), std::string::npos);
}

TEST(CrashHandler, ReportNameFromLocalTime) {
    std::tm t{};
    t.tm_year = 2021 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 3;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(CrashHandler::FileName(t), "CrashDump2021_02_03_09_05_07.dmp");
}

TEST(InstanceLock, OneHolderPerInstallation) {
    test::TestFolder dir;
    InstanceLock first;
    ASSERT_TRUE(first.Acquire(dir.path()));
    {
        InstanceLock second;
        EXPECT_FALSE(second.Acquire(dir.path()));
        InstanceLock other;
        EXPECT_TRUE(other.Acquire(dir.File("elsewhere")));
    }
}

TEST(ShippedLanguages, EveryTextTheShellUsesIsFilled) {
    const std::string folder = VANTOR_LANGUAGE_DIR;
    struct Used {
        LangTag tag;
        std::vector<int> entries;
    };
    const Used used[] = {
        {LangTag::VantorTitle, {0}},
        {LangTag::DevMenu, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {LangTag::DevStatusContent, {0, 1, 2, 3, 4, 5, 6}},
        {LangTag::DevNotify, {2, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18}},
        {LangTag::DevOther, {0, 3, 4, 5, 6, 7, 8, 9}},
        {LangTag::DevManageContent, {11, 12, 17}},
        {LangTag::DevList, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {LangTag::DevUserManageContent, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {LangTag::DevSystemSetContent, {22, 23}},
        {LangTag::DevVideoType, {0, 1, 2}},
    };
    for (int index : {0, 1, 4, 5, 6, 7, 9}) {
        LanguageTables lang;
        ASSERT_TRUE(lang.Load(folder, index)) << index;
        for (const Used& u : used) {
            for (int e : u.entries) {
                EXPECT_FALSE(lang.Text(u.tag, e).empty())
                    << LanguageTables::FileName(index) << " "
                    << LanguageTables::Tags()[static_cast<int>(u.tag)].name << " " << e;
            }
        }
    }
}

}  // namespace
}  // namespace vantor::client
