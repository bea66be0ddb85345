// The File menu's recent files, in the player's own process (Wine keeps a
// window's menu within the process that made it, so end-to-end tests read the
// registry and the log, and this test the menu): items, numbering, the list's
// own separator, and the list kept up to date by openings and choices.
#include "shell/recent_menu.h"
#include "shell/seams_test_support.h"

#include "config/recent_files.h"
#include "config/settings_test_support.h"
#include "engine/playback.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace settings_test;

namespace {

class RecentMenu : public ::testing::Test {
protected:
    SeamGuard seams;
    void SetUp() override
    {
        window = CreateWindowA("STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, NULL, NULL, NULL, NULL);
        HMENU bar = CreateMenu(), file = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, IDM_OPEN_FILE, "Open file\tCtrl+O");
        AppendMenuA(file, MF_STRING, IDM_OPEN_URL, "Open URL\tCtrl+L");
        AppendMenuA(file, MF_SEPARATOR, 0, NULL);
        AppendMenuA(file, MF_STRING, IDM_EXIT, "Exit\tCtrl+Q");
        AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "File");
        SetMenu(window, bar);
        ghWnd = window;
    }
    void TearDown() override
    {
        ghWnd = NULL;
        DestroyWindow(window);
    }
    // The File menu's items: their texts, "-" for a separator.
    std::vector<std::string> Items() const
    {
        std::vector<std::string> items;
        HMENU file = GetSubMenu(GetMenu(window), 0);
        for (int i = 0; i < GetMenuItemCount(file); i++) {
            char text[600] = {};
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
            info.dwTypeData = text;
            info.cch = sizeof text;
            GetMenuItemInfoA(file, i, TRUE, &info);
            items.push_back(info.fType & MFT_SEPARATOR ? "-" : text);
            if (!(info.fType & MFT_SEPARATOR) && info.wID >= IDM_RECENT_FIRST && info.wID < IDM_RECENT_FIRST + 8) {
                EXPECT_EQ(IDM_RECENT_FIRST + (items.size() - 4), info.wID) << text;
            }
        }
        return items;
    }
    std::vector<std::string> Stored() const
    {
        RecentList list;
        LoadRecentFiles(list);
        std::vector<std::string> paths;
        for (int i = 0; i < list.count; i++)
            paths.push_back(list.paths[i]);
        return paths;
    }
    SettingsKeys keys;
    SettingsLog log;
    BoxRecorder boxes;
    HWND window = NULL;
};

using Strings = std::vector<std::string>;

TEST_F(RecentMenu, TheListStandsBetweenOpenUrlAndExitWithASeparatorOfItsOwn)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string here = std::string(temp) + "r & t.avi"; // short: the menu shows it whole
    WriteFileBytes(here, "x");
    RecentList seeded;
    RecentAdd(seeded, "C:\\no such folder\\gone.avi");
    RecentAdd(seeded, here.c_str());
    ASSERT_TRUE(SaveRecentFiles(seeded));

    InitRecentFiles();
    std::string label = "&1 ";
    for (char c : here)
        label += c == '&' ? std::string("&&") : std::string(1, c);
    EXPECT_EQ(Strings({"Open file\tCtrl+O", "Open URL\tCtrl+L", "-", label, "&2 C:\\no such folder\\gone.avi", "-",
                       "Exit\tCtrl+Q"}),
              Items());

    // A file that is gone: a box, and the list shrinks in the menu and the store.
    OpenRecentFile(1);
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    EXPECT_EQ("Recent files", BoxRecorder::Boxes()[0].caption);
    EXPECT_EQ("C:\\no such folder\\gone.avi\n\nThis file no longer exists. It was removed from the list of recent "
              "files.",
              BoxRecorder::Boxes()[0].text);
    EXPECT_EQ(Strings({"Open file\tCtrl+O", "Open URL\tCtrl+L", "-", label, "-", "Exit\tCtrl+Q"}), Items());
    EXPECT_EQ(Strings({here}), Stored());
    EXPECT_NE(std::string::npos, log.Body().find("The file no longer exists and leaves the list of recent files\n"));

    // The last one gone: the menu is as it was made, without a second separator.
    remove(here.c_str());
    OpenRecentFile(0);
    EXPECT_EQ(Strings({"Open file\tCtrl+O", "Open URL\tCtrl+L", "-", "Exit\tCtrl+Q"}), Items());
    EXPECT_TRUE(Stored().empty());
    OpenRecentFile(0); // nothing there: nothing happens
    EXPECT_EQ(2u, BoxRecorder::Boxes().size());
}

TEST_F(RecentMenu, AFileJoinsOnlyWhenItsMovieOpened)
{
    InitRecentFiles();
    ASSERT_TRUE(g_pfnOpeningEnded != NULL);
    NoteFileRequested("C:\\broken.avi");
    g_pfnOpeningEnded(false);
    EXPECT_TRUE(Stored().empty());
    // The request is done with: the next opening (a new method, the start-up movie) adds nothing.
    g_pfnOpeningEnded(true);
    EXPECT_TRUE(Stored().empty());

    NoteFileRequested("C:\\a.avi");
    g_pfnOpeningEnded(true);
    NoteFileRequested("C:\\b.mcf");
    g_pfnOpeningEnded(true);
    NoteFileRequested("C:\\url.avi");
    NoteNothingRequested(); // an internet address took its place
    g_pfnOpeningEnded(true);
    EXPECT_EQ(Strings({"C:\\b.mcf", "C:\\a.avi"}), Stored());
    EXPECT_EQ(
        Strings({"Open file\tCtrl+O", "Open URL\tCtrl+L", "-", "&1 C:\\b.mcf", "&2 C:\\a.avi", "-", "Exit\tCtrl+Q"}),
        Items());
    EXPECT_EQ(RecentFiles().count, 2);
}

} // namespace
