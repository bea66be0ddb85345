// The list of recent files: its order, its limit, its menu texts, and its
// place in the user's registry key, damaged values included.
#include "config/recent_files.h"
#include "config/registry.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace settings_test;

namespace {

std::vector<std::string> Paths(const RecentList &list)
{
    std::vector<std::string> paths;
    for (int i = 0; i < list.count; i++)
        paths.push_back(list.paths[i]);
    return paths;
}

using Names = std::vector<std::string>;

TEST(RecentList, NewestFirstNoTwiceAndEightAtMost)
{
    RecentList list;
    EXPECT_TRUE(RecentAdd(list, "C:\\a.avi"));
    EXPECT_TRUE(RecentAdd(list, "C:\\b.mcf"));
    EXPECT_EQ(Names({"C:\\b.mcf", "C:\\a.avi"}), Paths(list));
    // The same file again (another letter case is the same file) moves up.
    EXPECT_TRUE(RecentAdd(list, "c:\\A.AVI"));
    EXPECT_EQ(Names({"c:\\A.AVI", "C:\\b.mcf"}), Paths(list));
    EXPECT_FALSE(RecentAdd(list, "c:\\A.AVI")); // already in front: nothing changes
    for (char c = 'c'; c <= 'j'; c++)
        RecentAdd(list, (std::string("C:\\") + c + ".avi").c_str());
    EXPECT_EQ(
        Names({"C:\\j.avi", "C:\\i.avi", "C:\\h.avi", "C:\\g.avi", "C:\\f.avi", "C:\\e.avi", "C:\\d.avi", "C:\\c.avi"}),
        Paths(list));
    // One from the middle of a full list moves up; none falls off.
    EXPECT_TRUE(RecentAdd(list, "C:\\e.avi"));
    EXPECT_EQ(8, list.count);
    EXPECT_EQ("C:\\e.avi", Paths(list)[0]);
    EXPECT_EQ("C:\\f.avi", Paths(list)[5]);
    EXPECT_EQ("C:\\c.avi", Paths(list)[7]);

    // Empty names and names too long to keep whole never join.
    EXPECT_FALSE(RecentAdd(list, ""));
    EXPECT_FALSE(RecentAdd(list, nullptr));
    EXPECT_FALSE(RecentAdd(list, std::string(RECENT_PATH_CHARS, 'x').c_str()));
    EXPECT_TRUE(RecentAdd(list, std::string(RECENT_PATH_CHARS - 1, 'x').c_str()));
    EXPECT_EQ(8, list.count);
}

TEST(RecentList, RemoveClosesTheGap)
{
    RecentList list;
    for (const char *p : {"C:\\c.avi", "C:\\b.avi", "C:\\a.avi"})
        RecentAdd(list, p);
    EXPECT_FALSE(RecentRemove(list, 3));
    EXPECT_FALSE(RecentRemove(list, -1));
    EXPECT_TRUE(RecentRemove(list, 1));
    EXPECT_EQ(Names({"C:\\a.avi", "C:\\c.avi"}), Paths(list));
    EXPECT_EQ(1, RecentFind(list, "c:\\C.avi"));
    EXPECT_EQ(-1, RecentFind(list, "C:\\b.avi"));
    EXPECT_TRUE(RecentRemove(list, 1));
    EXPECT_TRUE(RecentRemove(list, 0));
    EXPECT_EQ(0, list.count);
}

TEST(RecentList, MenuTexts)
{
    const std::string longFolder = "C:\\Movies\\" + std::string(70, 'f') + "\\3D\\Journey [Half-SBS].mkv";
    const struct {
        std::string path;
        int index;
        std::string label;
    } cases[] = {
        {"C:\\a.avi", 0, "&1 C:\\a.avi"},
        {"C:\\Tom & Jerry.avi", 7, "&8 C:\\Tom && Jerry.avi"},
        // Long: the drive and first folder, "...", and whole folders of the end.
        {"C:\\Movies\\Holiday 2026\\Summer in the mountains\\Day three\\Lake.HSBS.mkv", 1,
         "&2 C:\\Movies\\...\\Day three\\Lake.HSBS.mkv"},
        {longFolder, 2, "&3 C:\\Movies\\...\\3D\\Journey [Half-SBS].mkv"},
        // A file name longer than the menu's room stays whole.
        {"C:\\x\\y\\" + std::string(80, 'n') + ".avi", 3, "&4 C:\\x\\...\\" + std::string(80, 'n') + ".avi"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        char label[600];
        RecentMenuLabel(c.path.c_str(), c.index, label, sizeof label);
        EXPECT_EQ(c.label, label);
    }
    // A small buffer cuts and terminates, and never splits a doubled '&'.
    char small[8];
    RecentMenuLabel("C:\\&&&&&&&&", 0, small, sizeof small);
    EXPECT_STREQ("&1 C:\\", small);
    RecentMenuLabel("C:\\a&b", 0, small, sizeof small);
    EXPECT_STREQ("&1 C:\\a", small);
}

class RecentStore : public ::testing::Test {
protected:
    SettingsKeys keys;
};

TEST_F(RecentStore, SavedListReadsBackInOrder)
{
    RecentList list;
    const std::string longest = "C:\\" + std::string(RECENT_PATH_CHARS - 4, 'l');
    for (const std::string &p : {std::string("C:\\old.avi"), longest, std::string("Z:\\new (1).mcf")})
        RecentAdd(list, p.c_str());
    ASSERT_TRUE(SaveRecentFiles(list));
    RecentList read;
    LoadRecentFiles(read);
    EXPECT_EQ(Paths(list), Paths(read));

    // A shorter list leaves no older values behind.
    RecentRemove(list, 0);
    RecentRemove(list, 0);
    ASSERT_TRUE(SaveRecentFiles(list));
    LoadRecentFiles(read);
    EXPECT_EQ(Names({"C:\\old.avi"}), Paths(read));
}

TEST_F(RecentStore, DamagedValuesAreSkipped)
{
    const DWORD number = 7;
    const char noZero[] = {'C', ':', '\\', 'n', '.', 'a', 'v', 'i'};
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File1", REG_SZ, "C:\\first.avi", 14);
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File2", REG_DWORD, &number, sizeof number);
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File3", REG_SZ, "", 1);
    const std::string tooLong(RECENT_PATH_CHARS + 40, 'x');
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File4", REG_SZ, tooLong.c_str(), (DWORD)tooLong.size() + 1);
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File5", REG_SZ, noZero, sizeof noZero);
    SettingsKeys::SetIn(HKEY_CURRENT_USER, szRecentKey, "File6", REG_SZ, "c:\\FIRST.avi", 13); // twice
    RecentList read;
    LoadRecentFiles(read);
    EXPECT_EQ(Names({"C:\\first.avi", "C:\\n.avi"}), Paths(read));
}

TEST_F(RecentStore, NoKeyIsAnEmptyListAndAnUnwritableKeyFails)
{
    RecentList read;
    RecentAdd(read, "C:\\stale.avi");
    LoadRecentFiles(read);
    EXPECT_EQ(0, read.count);
    SettingsKeys::MakeUnwritable(HKEY_CURRENT_USER);
    RecentAdd(read, "C:\\a.avi");
    EXPECT_FALSE(SaveRecentFiles(read));
}

TEST_F(RecentStore, LayoutFromTheFileNameIsOnUnlessTurnedOff)
{
    EXPECT_TRUE(ReadLayoutFromNameSetting());
    const DWORD off = 0;
    SettingsKeys::Set(szKey2, "LayoutFromFileName", REG_DWORD, &off, sizeof off); // the machine's
    EXPECT_FALSE(ReadLayoutFromNameSetting());
    ASSERT_TRUE(SaveLayoutFromNameSetting(true)); // the user's wins
    EXPECT_TRUE(ReadLayoutFromNameSetting());
    ASSERT_TRUE(SaveLayoutFromNameSetting(false));
    EXPECT_FALSE(ReadLayoutFromNameSetting());
}

} // namespace
