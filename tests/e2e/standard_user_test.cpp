// The player as a standard user meets it: the machine's settings keys cannot be
// written (a volatile key stands where they belong) and the root of C: cannot
// take the log (a folder has its name). Opening a movie shows no box, the
// settings go to the user's keys and the log to the user's application data.
#include "driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const DWORD WAIT_MS = 30000;
const char VIZOR_CINEMA[] = "Software\\Brontide\\Vizor Cinema";
const char ROOT_LOG[] = "c:\\Vizor_Cinema.log";

DWORD UserNumber(const char *key, const char *name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return value;
}

class StandardUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, VIZOR_CINEMA);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA, 0, NULL, REG_OPTION_VOLATILE,
                                                 KEY_ALL_ACCESS, NULL, &key, NULL));
        RegCloseKey(key);
        DeleteFileA(ROOT_LOG);
        ASSERT_TRUE(CreateDirectoryA(ROOT_LOG, NULL));
        localAppData = MakeTempFolder("appdata_");
    }
    void TearDown() override
    {
        if (window && player.Running()) {
            PostMessageA(window, WM_COMMAND, 40005, 0);
            FoundWindow box;
            if (player.WaitForMessageBox("Exit", &box, WAIT_MS))
                ProgramUnderTest::Answer(box, IDYES);
            DWORD code = 99;
            EXPECT_TRUE(player.WaitForExit(WAIT_MS, &code));
        }
        player.Kill();
        RegDeleteTreeA(HKEY_CURRENT_USER, VIZOR_CINEMA);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA);
        RemoveDirectoryA(ROOT_LOG);
        RemoveTree(localAppData);
    }

    ProgramUnderTest player;
    HWND window = NULL;
    std::string localAppData;
};

TEST_F(StandardUser, OpeningAMovieShowsNoBoxAndKeepsSettingsAndLogInTheUsersPlaces)
{
    player.UseOwnLogPlace(localAppData);
    ASSERT_TRUE(player.Start("Vizor_Movie.exe", TestMovie("transport.avi")));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("Movie parameters read from registry and set to default values\n", WAIT_MS))
        << "the log is in the user's application data: " << player.log();
    FoundWindow box;
    EXPECT_TRUE(player.NoMessageBox("Error", 2000, &box)) << box.text;
    const std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("Input Coding 1076 Requested Output 1073 \n")) << log;
    EXPECT_EQ(std::string::npos, log.find("RegistryWrite(")) << log;
    EXPECT_EQ(std::string::npos, log.find("RegistryRead(")) << log;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((std::string(ROOT_LOG) + "\\x").c_str()));

    const std::string output = std::string(VIZOR_CINEMA) + "\\output", movie = std::string(VIZOR_CINEMA) + "\\movie";
    EXPECT_EQ(1076u, UserNumber(output.c_str(), "StereoCodingFormat"));
    EXPECT_EQ(1080u, UserNumber(output.c_str(), "EyeCodingFormat"));
    EXPECT_EQ(1073u, UserNumber(movie.c_str(), "OutputFormat"));
    EXPECT_EQ(1083u, UserNumber(movie.c_str(), "VideomemoryMethod"));
    EXPECT_EQ(50u, UserNumber(movie.c_str(), "StrenghtOf2Dto3DEffect"));

    // A failure's box names the file written. Here: the user's keys cannot be
    // written either (and hold nothing), so the next movie's settings fail.
    RegDeleteTreeA(HKEY_CURRENT_USER, VIZOR_CINEMA);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, VIZOR_CINEMA, 0, NULL, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    RegCloseKey(key);
    PostMessageA(window, WM_COMMAND, 40004, 0);
    HWND url = player.WaitForWindow("#32770", "Input URL", WAIT_MS);
    ASSERT_TRUE(url != NULL);
    SetDlgItemTextA(url, 1085, "http://127.0.0.1:9/nothing.avi");
    PostMessageA(url, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(player.WaitForMessageBox("Error", &box, WAIT_MS)) << ReadLogText(player.log());
    int namingTheLog = 0;
    do {
        if (box.text.find("for error analysis") != std::string::npos) {
            EXPECT_EQ("See " + player.log() + " for error analysis", box.text);
            namingTheLog++;
        }
        ProgramUnderTest::Answer(box, IDOK);
    } while (player.AnotherMessageBox("Error", 3000, &box));
    EXPECT_GT(namingTheLog, 0) << ReadLogText(player.log());
}

} // namespace
