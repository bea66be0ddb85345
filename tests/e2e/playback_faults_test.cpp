// Faults from outside while a movie plays: its file deleted, renamed or locked by
// another program, its drive taken away, the log file made unwritable, the
// settings' registry key locked or volatile when the panel saves. The
// player must play on or stop cleanly: no crash, no hang, no storm of boxes,
// and it still answers its controls and its exit question afterwards.
#include "driver.h"
#include "movie_marks.h"
#include "player_test.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const DWORD WAIT_MS = 30000;
const int LAST_FRAME = 124; // transport.avi: 125 frames, 5 s, with sound
// Stop + Rewind has drawn the first frame.
const char *const REWOUND = "Going to execute:CHECK_ERROR_DS(g_pMMStream->Seek(movie.StreamTime.int64));\n"
                            "Restoring surface by Draw2()\n";

// Waits until the movie area shows the given frame.
bool WaitForFrame(HWND window, int frame, DWORD timeoutMs)
{
    return WaitForFrameWhere(window, "frame " + std::to_string(frame), timeoutMs,
                             [&](int shown) { return shown == frame; }) == frame;
}

// The Unix path of a Windows path, through Wine's own export (a drive letter of
// Wine is a link to a Unix folder).
std::string UnixPathOf(const std::string &windowsPath)
{
    typedef char *(CDECL * UnixName)(const WCHAR *);
    UnixName unixName = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!unixName)
        return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char *name = unixName(wide);
    if (!name)
        return "";
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Starts a Unix program (Wine starts those too, though it hands back no process
// to wait for) and waits until done() tells that it has had its effect. Some
// faults can only come from outside the Windows programs.
template <class Done> bool RunUnixProgram(const char *program, const std::string &commandLine, Done done)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    return WaitUntil(std::string("the effect of ") + program, WAIT_MS, done);
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The Windows name of a Unix path, through drive Z: (the Unix root under Wine).
std::string OnDriveZ(std::string unixPath)
{
    for (char &c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

// Wine's mount manager defines and removes drive letters (as its configuration
// tool does): the letter becomes a link in the prefix's dosdevices folder.
struct WineUnixDrive {
    ULONG size, type, fs_type;
    DWORD serial;
    ULONGLONG unix_dev;
    WCHAR letter;
    USHORT mount_point_offset, device_offset, label_offset;
};
const DWORD DEFINE_UNIX_DRIVE =
    CTL_CODE(0x6D /* the mount manager's device type */, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// unixFolder empty removes the letter.
bool SetDriveLetter(char letter, const std::string &unixFolder)
{
    BYTE buffer[sizeof(WineUnixDrive) + MAX_PATH] = {};
    WineUnixDrive *drive = (WineUnixDrive *)buffer;
    drive->letter = (WCHAR)letter;
    drive->size = sizeof *drive;
    drive->type = DRIVE_NO_ROOT_DIR; // no folder: remove it
    if (!unixFolder.empty()) {
        if (unixFolder.size() >= MAX_PATH)
            return false;
        drive->type = DRIVE_FIXED;
        drive->mount_point_offset = sizeof *drive;
        memcpy(buffer + sizeof *drive, unixFolder.c_str(), unixFolder.size() + 1);
        drive->size += (ULONG)unixFolder.size() + 1;
    }
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (manager == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(manager, DEFINE_UNIX_DRIVE, buffer, drive->size, NULL, 0, &returned, NULL);
    CloseHandle(manager);
    return done != 0;
}

// Plays transport.avi from a folder of the test's own, so the test may do to
// the file what another program would.
class PlaybackFaults : public PlayerTest<> {
protected:
    void SetUp() override
    {
        movieFolder = MakeTempFolder("faults");
        moviePath = movieFolder + "\\movie.avi";
        ASSERT_TRUE(CopyFileA(TestMovie("transport.avi").c_str(), moviePath.c_str(), FALSE));
    }
    void TearDown() override
    {
        PlayerTest<>::TearDown();
        RemoveTree(movieFolder);
    }
    void Play(const std::string &path)
    {
        ASSERT_TRUE(StartPlayer(player, Plain2D(), path));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        // Well into the movie (about 1.5 s).
        ASSERT_GE(WaitForFrameWhere(window, "frame 36 or later", WAIT_MS, [](int frame) { return frame >= 36; }), 36)
            << "the movie plays";
    }
    // After the fault the movie plays to its end, with no box, and Stop + Rewind
    // still draws its first frame: the open stream was not disturbed.
    // A file cut short still plays for its whole time, but what it shows past the
    // cut is not the movie's.
    void ExpectPlaysOnToTheEnd(bool lastFrameShown = true)
    {
        ASSERT_TRUE(player.WaitForLog("Frames played: ", WAIT_MS)) << ReadLogText(player.log());
        if (lastFrameShown)
            EXPECT_TRUE(WaitForFrame(window, LAST_FRAME, 5000)) << "the last frame stands";
        else
            printf("frames played: %g; after the end the movie area shows frame %d (-1: none)\n",
                   NumberAfterLast(ReadLogText(player.log()), "Frames played: "), FrameOnScreen(window));
        FoundWindow box;
        EXPECT_TRUE(player.NoMessageBox("Error", 500, &box)) << box.text;
        ProgramUnderTest::PressKey(window, VK_F7);
        ASSERT_TRUE(player.WaitForLog(REWOUND, WAIT_MS)) << ReadLogText(player.log());
        EXPECT_TRUE(WaitForFrame(window, 0, 5000));
    }
    std::string movieFolder, moviePath;
};

// What another program does to the playing file. Whether the system lets it is
// written to the test's output; the player must cope either way.
enum class FileFault { Delete, Rename, HoldExclusively, LockAllRanges, CutShort };
struct FileFaultCase {
    const char *name;
    FileFault fault;
};

class PlayingFileFaults : public PlaybackFaults, public ::testing::WithParamInterface<FileFaultCase> {};

TEST_P(PlayingFileFaults, PlayerPlaysOnOrEndsCleanly)
{
    ASSERT_NO_FATAL_FAILURE(Play(moviePath));
    HANDLE other = INVALID_HANDLE_VALUE;
    BOOL done = FALSE;
    switch (GetParam().fault) {
    case FileFault::Delete: done = DeleteFileA(moviePath.c_str()); break;
    case FileFault::Rename: done = MoveFileA(moviePath.c_str(), (movieFolder + "\\renamed.avi").c_str()); break;
    case FileFault::HoldExclusively:
        other = CreateFileA(moviePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        done = other != INVALID_HANDLE_VALUE;
        break;
    case FileFault::LockAllRanges: {
        other = CreateFileA(moviePath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        OVERLAPPED whole = {};
        done = other != INVALID_HANDLE_VALUE &&
               LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole);
        break;
    }
    case FileFault::CutShort:
        // The data not yet read goes away, as when a network share or a disk
        // fails: only from outside the Windows programs, which all share the
        // file for reading only.
        done = RunUnixProgram("Z:\\usr\\bin\\truncate", "truncate -s 1000000 \"" + UnixPathOf(moviePath) + "\"", [&] {
            WIN32_FILE_ATTRIBUTE_DATA data;
            return GetFileAttributesExA(moviePath.c_str(), GetFileExInfoStandard, &data) &&
                   data.nFileSizeLow == 1000000;
        });
        break;
    }
    const DWORD error = done ? 0 : GetLastError();
    printf("%s: %s (error %lu)\n", GetParam().name, done ? "done" : "refused", error);
    ASSERT_NO_FATAL_FAILURE(ExpectPlaysOnToTheEnd(GetParam().fault != FileFault::CutShort));
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);
}

INSTANTIATE_TEST_SUITE_P(, PlayingFileFaults,
                         ::testing::Values(FileFaultCase{"Delete", FileFault::Delete},
                                           FileFaultCase{"Rename", FileFault::Rename},
                                           FileFaultCase{"HoldExclusively", FileFault::HoldExclusively},
                                           FileFaultCase{"LockAllRanges", FileFault::LockAllRanges},
                                           FileFaultCase{"CutShort", FileFault::CutShort}),
                         [](const ::testing::TestParamInfo<FileFaultCase> &info) { return info.param.name; });

// The movie's drive goes away while it plays (a USB stick pulled, a mapped drive
// disconnected). Afterwards the file is no longer there for the recent list.
TEST_F(PlaybackFaults, DriveRemovedWhilePlaying)
{
    const char letter = 'p';
    const std::string unixFolder = UnixPathOf(movieFolder);
    ASSERT_FALSE(unixFolder.empty());
    SetDriveLetter(letter, ""); // left over by an earlier run
    ASSERT_TRUE(SetDriveLetter(letter, unixFolder));
    struct Unmap {
        char letter;
        ~Unmap() { SetDriveLetter(letter, ""); }
    } unmap = {letter};
    const std::string onDrive = std::string(1, letter) + ":\\movie.avi";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(onDrive.c_str()));

    ASSERT_NO_FATAL_FAILURE(Play(onDrive));
    ASSERT_TRUE(SetDriveLetter(letter, ""));
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(onDrive.c_str())) << "the drive is gone";
    ASSERT_NO_FATAL_FAILURE(ExpectPlaysOnToTheEnd());

    // Opened again from the File menu, the file is reported missing, once.
    const int firstRecent = 40120; // IDM_RECENT_FIRST
    PostMessageA(window, WM_COMMAND, firstRecent, 0);
    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Recent files", IDOK, WAIT_MS, &text)) << ReadLogText(player.log());
    EXPECT_NE(std::string::npos, text.find("This file no longer exists.")) << text;
    FoundWindow box;
    EXPECT_TRUE(player.NoMessageBox("Error", 500, &box)) << box.text;
}

// The movie's network share goes away while it plays. Wine takes a path
// \\server\share from a link dosdevices\unc\server\share in its prefix.
TEST_F(PlaybackFaults, NetworkShareGoneWhilePlaying)
{
    std::string dosDevices = UnixPathOf("C:\\"); // ".../dosdevices/c:/"
    ASSERT_GT(dosDevices.size(), 3u);
    dosDevices.resize(dosDevices.size() - 3);
    const std::string server = dosDevices + "unc/parallaxia-faults";
    const std::string share = server + "/share";
    const std::string onShare = "\\\\parallaxia-faults\\share\\movie.avi";
    auto shared = [&] { return Exists(onShare); };
    auto unshared = [&] { return !Exists(onShare); };
    const std::string unshare = "rm -f \"" + share + "\"";
    ASSERT_TRUE(
        RunUnixProgram("Z:\\usr\\bin\\mkdir", "mkdir -p \"" + server + "\"", [&] { return Exists(OnDriveZ(server)); }));
    ASSERT_TRUE(
        RunUnixProgram("Z:\\usr\\bin\\ln", "ln -sfn \"" + UnixPathOf(movieFolder) + "\" \"" + share + "\"", shared));
    struct Unshare {
        std::string command;
        std::string server;
        ~Unshare()
        {
            RunUnixProgram("Z:\\usr\\bin\\rm", command, [&] { return !Exists(OnDriveZ(server + "/share")); });
            RemoveDirectoryA(OnDriveZ(server).c_str());
            RemoveDirectoryA(OnDriveZ(server.substr(0, server.rfind('/'))).c_str()); // unc, when empty
        }
    } cleanUp = {unshare, server};

    ASSERT_NO_FATAL_FAILURE(Play(onShare));
    ASSERT_TRUE(RunUnixProgram("Z:\\usr\\bin\\rm", unshare, unshared)) << "the share is gone";
    ASSERT_NO_FATAL_FAILURE(ExpectPlaysOnToTheEnd());
}

// The log file is replaced by a folder while the movie plays: the log keeps what
// was written, the player plays on without it and without a box.
TEST_F(PlaybackFaults, LogReplacedByAFolderWhilePlaying)
{
    ASSERT_NO_FATAL_FAILURE(Play(moviePath));
    ASSERT_TRUE(DeleteFileA(player.log().c_str())) << "the player holds the log only while it writes";
    ASSERT_TRUE(CreateDirectoryA(player.log().c_str(), NULL));
    EXPECT_TRUE(WaitForFrame(window, LAST_FRAME, WAIT_MS)) << "plays to the end";
    FoundWindow box;
    EXPECT_TRUE(player.NoMessageBox("Error", 500, &box)) << box.text;
    RemoveDirectoryA(player.log().c_str());

    // Stop + Rewind still works, unlogged.
    ProgramUnderTest::PressKey(window, VK_F7);
    EXPECT_TRUE(WaitForFrame(window, 0, WAIT_MS));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(player.log().c_str()))
        << "nothing more is written once the log failed";
}

// The user's movie key as another program or a locked-down profile may leave it
// while the player runs.
enum class KeyFault { RefusesWrites, Volatile };
struct KeyFaultCase {
    const char *name;
    KeyFault fault;
    const char *logLine, *boxText;
};

const char MOVIE_KEY[] = "Software\\Brontide\\Vizor Cinema\\movie";

// Gives the key an access list that lets everyone read it and no one write it;
// false when the system refuses the list.
bool SetKeyAccess(HKEY key, DWORD access)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = NULL;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    BYTE aclBytes[128];
    PACL acl = (PACL)aclBytes;
    SECURITY_DESCRIPTOR descriptor;
    const bool done = InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
                      AddAccessAllowedAce(acl, ACL_REVISION, access, everyone) &&
                      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                      SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    FreeSid(everyone);
    return done;
}

class SaveWhilePlaying : public PlaybackFaults, public ::testing::WithParamInterface<KeyFaultCase> {};

// Save in the Control panel opened over the playing movie: one box says what
// became of the settings, Cancel closes the panel and the movie plays on.
TEST_P(SaveWhilePlaying, OneBoxTellsTheUserAndTheMoviePlaysOn)
{
    ASSERT_NO_FATAL_FAILURE(Play(moviePath));
    HKEY key = NULL;
    RegDeleteTreeA(HKEY_CURRENT_USER, MOVIE_KEY);
    const DWORD options = GetParam().fault == KeyFault::Volatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, MOVIE_KEY, 0, NULL, options, KEY_ALL_ACCESS | WRITE_DAC,
                                             NULL, &key, NULL));
    struct Release {
        HKEY key;
        ~Release()
        {
            SetKeyAccess(key, KEY_ALL_ACCESS);
            RegCloseKey(key);
            RegDeleteTreeA(HKEY_CURRENT_USER, MOVIE_KEY);
        }
    } release = {key};
    if (GetParam().fault == KeyFault::RefusesWrites) {
        ASSERT_TRUE(SetKeyAccess(key, KEY_READ));
    }

    PostMessageA(window, WM_COMMAND, 40009, 0); // View > Control panel
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    PostMessageA(panel, WM_COMMAND, 1071, 0); // Save
    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS, &text)) << ReadLogText(player.log());
    EXPECT_EQ(GetParam().boxText, text);
    ASSERT_TRUE(player.WaitForLog(GetParam().logLine, WAIT_MS)) << ReadLogText(player.log());
    FoundWindow box;
    EXPECT_TRUE(player.NoMessageBox("Error", 500, &box)) << "one box for one Save: " << box.text;

    PostMessageA(panel, WM_COMMAND, 1070, 0); // Cancel
    ASSERT_TRUE(player.WaitForLog("Cofiguration change was canceled\n", WAIT_MS));
    EXPECT_TRUE(WaitForFrame(window, LAST_FRAME, WAIT_MS)) << "plays on to the end";
}

INSTANTIATE_TEST_SUITE_P(
    , SaveWhilePlaying,
    ::testing::Values(KeyFaultCase{"RefusesWrites", KeyFault::RefusesWrites,
                                   "Warning !! The settings could not be saved to the registry\n",
                                   "Couldn't save the settings"},
                      KeyFaultCase{"Volatile", KeyFault::Volatile,
                                   "Warning !! Registry key HKEY_CURRENT_USER\\Software\\Brontide\\Vizor "
                                   "Cinema\\movie is volatile: the settings are lost when the user logs off\n",
                                   "The settings are kept only until you log off"}),
    [](const ::testing::TestParamInfo<KeyFaultCase> &info) { return info.param.name; });

} // namespace
