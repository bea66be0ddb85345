// Deletion of the extracted files, their list file and the work folder.
#include <gtest/gtest.h>

#include <stdio.h>

#include "cleanup.h"
#include "test_support.h"

namespace {

struct CleanupFixture : ::testing::Test {
    TempFolder root;
    std::string work = root.file("_pw1234");
    std::string list = work + "\\_PWMSIDEL.INI";

    void SetUp() override { ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr)); }
    std::string extracted(unsigned number, const char *name)
    {
        std::string path = work + "\\" + name;
        WriteBytes(path, name);
        recordFile(work.c_str(), number, path.c_str());
        return path;
    }
    std::string key(const char *name)
    {
        char value[1024] = {0};
        GetPrivateProfileStringA("Files", name, "", value, sizeof value, list.c_str());
        return value;
    }
};

} // namespace

TEST_F(CleanupFixture, ListFileRecordsEveryExtraction)
{
    std::string a = extracted(1, "Setup.INI");
    std::string b = extracted(2, "Vizor.msi");
    EXPECT_EQ(key("File1"), a);
    EXPECT_EQ(key("File2"), b);
}

TEST_F(CleanupFixture, ThreeFilesGoFirstThenListAndFolder)
{
    std::string files[] = {extracted(1, "Setup.INI"), extracted(2, "1031.MST"), extracted(3, "Vizor.msi")};
    PendingDeletions cleanup(work.c_str());

    EXPECT_EQ(cleanup.deletePass(), 0);
    for (const std::string &f : files)
        EXPECT_FALSE(PathPresent(f)) << f;
    EXPECT_EQ(key("File1"), "");
    EXPECT_EQ(key("File3"), "");
    EXPECT_TRUE(PathPresent(list));

    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_FALSE(PathPresent(list));
    EXPECT_FALSE(PathPresent(work));
    EXPECT_EQ(cleanup.failCount, 0u);
}

TEST_F(CleanupFixture, FileInUseIsRetriedUntilItIsFree)
{
    std::string package = extracted(1, "Vizor.msi");
    std::string ini = extracted(2, "Setup.INI");
    // Another program holds the package open.
    HANDLE held = CreateFileA(package.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    PendingDeletions cleanup(work.c_str());

    for (unsigned pass = 1; pass <= 3; ++pass) {
        EXPECT_EQ(cleanup.deletePass(), 0);
        EXPECT_TRUE(PathPresent(package));
        EXPECT_EQ(cleanup.failCount, pass);
    }
    EXPECT_FALSE(PathPresent(ini));
    EXPECT_EQ(key("File1"), package);

    CloseHandle(held);
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_FALSE(PathPresent(package));
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_FALSE(PathPresent(work));
}

TEST_F(CleanupFixture, GivesUpAfter500Failures)
{
    std::string package = extracted(1, "Vizor.msi");
    HANDLE held = CreateFileA(package.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    PendingDeletions cleanup(work.c_str());
    cleanup.failCount = 499;
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_EQ(cleanup.failCount, 500u);
    EXPECT_EQ(cleanup.deletePass(), 1);
    CloseHandle(held);
    EXPECT_TRUE(PathPresent(package));
    EXPECT_TRUE(PathPresent(list));
}

TEST_F(CleanupFixture, NoListFileEndsAtOnce)
{
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_TRUE(PathPresent(work)) << "an empty work folder without a list stays";
    PendingDeletions nothing(root.file("no-such-folder").c_str());
    EXPECT_EQ(nothing.deletePass(), 1);
}

TEST_F(CleanupFixture, ValuesNamingNoFileCountAsDeleted)
{
    std::string ini = extracted(1, "Setup.INI");
    WritePrivateProfileStringA("Files", "File2", (work + "\\gone.msi").c_str(), list.c_str());
    WritePrivateProfileStringA("Files", "File3", "", list.c_str());
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_EQ(cleanup.failCount, 0u);
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_FALSE(PathPresent(work));
}

TEST_F(CleanupFixture, ForeignFileKeepsTheFolder)
{
    extracted(1, "Setup.INI");
    WriteBytes(work + "\\someone-elses.txt", "x");
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_EQ(cleanup.deletePass(), 0) << "list deleted, folder not empty";
    EXPECT_FALSE(PathPresent(list));
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_TRUE(PathPresent(work + "\\someone-elses.txt"));
}

TEST_F(CleanupFixture, DeleteIfFree)
{
    std::string path = work + "\\file.bin";
    EXPECT_EQ(PendingDeletions::deleteIfFree(path.c_str()), 1) << "no such file";
    WriteBytes(path, "x");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(PendingDeletions::deleteIfFree(path.c_str()), 0) << "open in another handle, even shared";
    CloseHandle(held);
    EXPECT_EQ(PendingDeletions::deleteIfFree(path.c_str()), 1);
    EXPECT_FALSE(PathPresent(path));

    // A path longer than 128 characters is no obstacle.
    std::string deep = work + "\\" + std::string(150, 'l');
    WriteBytes(deep, "x");
    ASSERT_TRUE(PathPresent(deep));
    EXPECT_EQ(PendingDeletions::deleteIfFree(deep.c_str()), 1);
    EXPECT_FALSE(PathPresent(deep));
}

// Whether this thread still has a window of the class. (Another setup running
// beside the tests may have one of its own: FindWindow would find that.)
static bool ThreadHasWindowOfClass(const char *className)
{
    struct Search {
        const char *className;
        bool found;
    } search = {className, false};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            Search *s = reinterpret_cast<Search *>(param);
            char name[64] = "";
            GetClassNameA(window, name, sizeof name);
            s->found = s->found || lstrcmpiA(name, s->className) == 0;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The real loop: two timer passes three seconds apart, then the window ends it.
TEST_F(CleanupFixture, HiddenWindowRunsThePassesOnItsTimer)
{
    extracted(1, "Setup.INI");
    extracted(2, "Vizor.msi");
    PendingDeletions cleanup(work.c_str());
    DWORD start = GetTickCount();
    EXPECT_EQ(cleanup.run(GetModuleHandleA(nullptr)), 1);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_FALSE(PathPresent(work));
    EXPECT_GE(elapsed, 2 * CLEANUP_TIMER_MS - 500) << "two passes on the 3-second timer";
    EXPECT_FALSE(ThreadHasWindowOfClass("PackagewrightMSIDelete10")) << "the hidden window stays";
    // The class can be registered again: a second clean-up works the same.
    PendingDeletions again(root.file("none").c_str());
    EXPECT_EQ(again.run(GetModuleHandleA(nullptr)), 1);
}

// A list file crafted to name files elsewhere (through a container entry or a
// folder given with "/c /t"): only files directly inside the work folder go.
TEST_F(CleanupFixture, FilesOutsideTheWorkFolderSurvive)
{
    std::string victim = root.file("victim.txt");
    WriteBytes(victim, "precious");
    ASSERT_TRUE(CreateDirectoryA((work + "\\sub").c_str(), nullptr));
    std::string below = work + "\\sub\\below.txt";
    WriteBytes(below, "below");
    std::string ini = extracted(1, "Setup.INI");
    const std::string values[] = {victim, work + "\\..\\victim.txt", below, work + "/../victim.txt"};
    int number = 2;
    for (const std::string &v : values) {
        char key[16];
        snprintf(key, sizeof key, "File%d", number++);
        WritePrivateProfileStringA("Files", key, v.c_str(), list.c_str());
    }
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_FALSE(PathPresent(ini));
    EXPECT_TRUE(PathPresent(victim));
    EXPECT_TRUE(PathPresent(below));
    EXPECT_EQ(key("File2"), "") << "foreign values leave the list";
    EXPECT_EQ(cleanup.deletePass(), 0) << "the list goes; the folder still holds sub";
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_TRUE(PathPresent(victim));
    EXPECT_TRUE(PathPresent(below));
}

TEST_F(CleanupFixture, ListFileThatStaysCountsAsFailure)
{
    extracted(1, "Setup.INI");
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.deletePass(), 0);
    HANDLE held = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    cleanup.failCount = 498;
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_EQ(cleanup.failCount, 499u);
    EXPECT_EQ(cleanup.deletePass(), 0);
    EXPECT_EQ(cleanup.failCount, 500u);
    EXPECT_EQ(cleanup.deletePass(), 1) << "the process must not stay for ever";
    CloseHandle(held);
}

TEST_F(CleanupFixture, NothingIsDeletedThroughALinkedFolder)
{
    // The work folder replaced by a link to another folder after extraction.
    std::string elsewhere = root.file("elsewhere");
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    std::string precious = elsewhere + "\\precious.txt";
    WriteBytes(precious, "x");
    std::string linked = root.file("_pw77");
    if (!CreateSymbolicLinkA(linked.c_str(), elsewhere.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !isReparsePoint(linked.c_str()))
        GTEST_SKIP() << "the system makes no folder links here";
    WritePrivateProfileStringA("Files", "File1", (linked + "\\precious.txt").c_str(),
                               (linked + "\\_PWMSIDEL.INI").c_str());
    PendingDeletions cleanup(linked.c_str());
    EXPECT_EQ(cleanup.deletePass(), 1);
    EXPECT_TRUE(PathPresent(precious));
    RemoveDirectoryA(linked.c_str());
}

// A quit request that ended the wait for msiexec stays queued: the clean-up
// still runs its passes and hands the request on afterwards.
TEST_F(CleanupFixture, QueuedQuitDoesNotSkipTheCleanUp)
{
    std::string ini = extracted(1, "Setup.INI");
    PostQuitMessage(7);
    PendingDeletions cleanup(work.c_str());
    EXPECT_EQ(cleanup.run(GetModuleHandleA(nullptr)), 1);
    EXPECT_FALSE(PathPresent(ini));
    EXPECT_FALSE(PathPresent(work));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was lost";
    EXPECT_EQ(message.wParam, WPARAM(7));
}
