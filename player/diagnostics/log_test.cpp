// The log writer's states and the three result-code tables.
#include "diagnostics/test_log.h"
#include "shell/seams_test_support.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

// Each test logs into its own file in the temporary folder.
class LogTest : public ::testing::Test {
protected:
    SeamGuard seams;
    TestLog log;
    const std::string &path = log.path;
    // The file after its time stamp and empty line, CR LF kept as written.
    std::string Body()
    {
        const std::string all = log.Bytes();
        const size_t start = all.find("\r\n\r\n");
        return start == std::string::npos ? all : all.substr(start + 4);
    }
    std::string ReadFileBytes(const std::string &file) { return ReadWholeFileBytes(file); }
};

TEST_F(LogTest, FirstMessageWritesTimeStampAndEmptyLineInTextMode)
{
    LogMessage("one\n");
    LogMessage("left image firs situation");
    LogMessage(" continued\n");
    std::string all = ReadFileBytes(path);
    ASSERT_GE(all.size(), 28u);
    // "Www Mmm dd hh:mm:ss yyyy", 24 characters, then CR LF CR LF
    const std::string stamp = all.substr(0, 24);
    EXPECT_EQ(':', stamp[13]);
    EXPECT_EQ(':', stamp[16]);
    EXPECT_NE(' ', stamp[8]) << "the day is zero-padded: " << stamp;
    EXPECT_EQ("\r\n\r\none\r\nleft image firs situation continued\r\n", all.substr(24));
}

TEST_F(LogTest, TimeStampIsZeroPadded)
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDayOfWeek = 3;
    t.wDay = 9;
    t.wHour = 7;
    t.wMinute = 5;
    t.wSecond = 3;
    char out[32];
    FormatLogTimeStamp(t, out, sizeof out);
    EXPECT_STREQ("Wed Dec 09 07:05:03 2026", out);
    t.wMonth = 1;
    t.wDayOfWeek = 0;
    t.wDay = 31;
    t.wHour = 23;
    FormatLogTimeStamp(t, out, sizeof out);
    EXPECT_STREQ("Sun Jan 31 23:05:03 2026", out);
}

TEST_F(LogTest, EachRunStartsANewFile)
{
    LogMessage("first run\n");
    ResetLogWriter();
    LogMessage("second run\n");
    EXPECT_EQ("second run\r\n", Body());
}

TEST_F(LogTest, FileClosedAfterEachMessage)
{
    LogMessage("kept\n");
    // Nothing holds the file: another program can replace it at once.
    ASSERT_EQ(0, remove(path.c_str()));
}

TEST_F(LogTest, FailedCreationSwitchesLoggingOffForTheRun)
{
    std::string folder = path + ".dir";
    CreateDirectoryA(folder.c_str(), NULL);
    SetEnvironmentVariableA("VIZOR_LOG", folder.c_str());
    _putenv_s("VIZOR_LOG", folder.c_str()); // a folder cannot be opened as a file
    ResetLogWriter();
    LogMessage("lost\n");
    LogMessage("lost too\n");
    RemoveDirectoryA(folder.c_str());
    EXPECT_TRUE(ReadFileBytes(folder).empty());
}

TEST_F(LogTest, FailedReopenSwitchesLoggingOffForGood)
{
    LogMessage("before\n");
    // Another program holds the file exclusively for a moment.
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    LogMessage("dropped\n");
    CloseHandle(locked);
    LogMessage("dropped as well\n");
    EXPECT_EQ("before\r\n", Body());
}

size_t FailingWrite(const void *, size_t, size_t, FILE *) { return 0; }

// The log stops being writable in the middle of a run: what was written stays,
// later messages are dropped, and the error box no longer sends the user to a
// file that lacks the explanation of its failure.
TEST_F(LogTest, ALogThatCannotBeWrittenAnyMoreIsNotPointedAt)
{
    enum Fault { WRITES_FAIL, HELD_EXCLUSIVELY, REPLACED_BY_A_FOLDER };
    const struct {
        const char *name;
        Fault fault;
    } cases[] = {
        {"the handle's writes fail (full disk, failing device)", WRITES_FAIL},
        {"another program holds the file exclusively", HELD_EXCLUSIVELY},
        {"the file was replaced by a folder", REPLACED_BY_A_FOLDER},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ResetLogWriter();
        LogMessage("before\n");
        char box[MAX_PATH + 40];
        ComposeErrorBoxText(box, sizeof box);
        EXPECT_EQ("See " + path + " for error analysis", std::string(box));

        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.fault == WRITES_FAIL)
            g_pfnLogWrite = FailingWrite;
        if (c.fault == HELD_EXCLUSIVELY)
            held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (c.fault == REPLACED_BY_A_FOLDER) {
            const std::string kept = ReadFileBytes(path);
            ASSERT_TRUE(DeleteFileA(path.c_str()));
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));
            LogMessage("dropped\n");
            ASSERT_TRUE(RemoveDirectoryA(path.c_str()));
            FILE *restored = fopen(path.c_str(), "wb");
            ASSERT_NE(nullptr, restored);
            fwrite(kept.data(), 1, kept.size(), restored);
            fclose(restored);
        } else {
            LogMessage("dropped\n");
        }
        g_pfnLogWrite = fwrite;
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        LogMessage("dropped as well\n");
        EXPECT_EQ("before\r\n", Body());
        ComposeErrorBoxText(box, sizeof box);
        EXPECT_STREQ(NO_LOG_BOX_TEXT, box);
    }
}

TEST_F(LogTest, ComposedMessagesAreCutToTheBuffer)
{
    std::string longPath(400, 'p');
    LogFormat("%s\n", longPath.c_str());
    EXPECT_EQ(std::string(LOG_BUFFER_CHARS - 1, 'p'), Body());
}

struct TextCase {
    const char *name;
    void (*log)(HRESULT);
    uint32_t code;
    const char *expected;
};

// clang-format off
const TextCase textCases[] = {
    {"COM S_OK", LogComErrorText, 0x00000000, "S_OK The library was initialized successfully. \n"},
    {"COM S_FALSE", LogComErrorText, 0x00000001,
     "S_FALSE The library is already initialized or that it could not release the default allocator.\n"},
    {"COM E_UNEXPECTED", LogComErrorText, 0x8000FFFF, "_UNEXPECTED\n"},
    {"COM CLASS_E_NOAGGREGATION", LogComErrorText, 0x80040110, "CLASS_E_NOAGGREGATION \n"},
    {"COM REGDB_E_CLASSNOTREG", LogComErrorText, 0x80040154, "REGDB_E_CLASSNOTREG\n"},
    {"COM E_OUTOFMEMORY", LogComErrorText, 0x8007000E, "E_OUTOFMEMORY\n"},
    {"COM E_INVALIDARG", LogComErrorText, 0x80070057, "E_INVALIDARG\n"},
    {"COM unknown", LogComErrorText, 0x80004005, "Unknown COM error code\nError code decimal -2147467259\n"},
    {"COM E_NOINTERFACE", LogComErrorText, 0x80004002, "Unknown COM error code\nError code decimal -2147467262\n"},

    {"DS S_OK", LogDirectShowErrorText, 0x00000000, "S_OK Success.\n"},
    {"DS E_POINTER", LogDirectShowErrorText, 0x80004003, "E_POINTER This method tried to access an invalid pointer.\n"},
    {"DS CLASS_E_NOAGGREGATION", LogDirectShowErrorText, 0x80040110,
     " CLASS_E_NOAGGREGATION  This class cannot be created as part of an aggregate.\n"},
    {"DS REGDB_E_CLASSNOTREG", LogDirectShowErrorText, 0x80040154,
     " REGDB_E_CLASSNOTREG A specified class is not registered in the registration database.\n"},
    {"DS MS_E_SAMPLEALLOC", LogDirectShowErrorText, 0x80040401,
     " MS_E_SAMPLEALLOC he stream already has allocated samples and the surface doesn't match the sample format.\n"},
    {"DS MS_E_NOSTREAM", LogDirectShowErrorText, 0x80040403, "MS_E_NOSTREAM No stream has the specified purpose ID\n"},
    {"DS E_INVALIDARG", LogDirectShowErrorText, 0x80070057, "E_INVALIDARG The dwFlags parameter is invalid.\n"},
    {"DS unknown 5", LogDirectShowErrorText, 5, "Unknown Direct Show error code\nErorr code decimal 5\n"},
    {"DS unknown generic", LogDirectShowErrorText, 0x80004005,
     "Unknown Direct Show error code\nErorr code decimal -2147467259\n"},

    {"DD DD_OK", LogDirectDrawErrorText, 0x00000000, "DD_OK Success.\n"},
    {"DD UNSUPPORTED", LogDirectDrawErrorText, 0x80004001, "DDERR_UNSUPPORTED\n"},
    {"DD E_POINTER", LogDirectDrawErrorText, 0x80004003, "E_POINTER One or more of the required parameters is invalid.\n"},
    {"DD GENERIC", LogDirectDrawErrorText, 0x80004005, "DDERR_GENERIC\n"},
    {"DD OUTOFMEMORY", LogDirectDrawErrorText, 0x8007000E, "DDERR_OUTOFMEMORY \n"},
    {"DD INVALIDPARAMS", LogDirectDrawErrorText, 0x80070057, "DDERR_INVALIDPARAMS\n"},
    {"DD EXCEPTION", LogDirectDrawErrorText, 0x88760037, "DDERR_EXCEPTION\n"},
    {"DD INCOMPATIBLEPRIMARY", LogDirectDrawErrorText, 0x8876005F, "DDERR_INCOMPATIBLEPRIMARY\n"},
    {"DD INVALIDCAPS", LogDirectDrawErrorText, 0x88760064, "DDERR_INVALIDCAPS\n"},
    {"DD INVALIDMODE", LogDirectDrawErrorText, 0x88760078, "DDERR_INVALIDMODE\n"},
    {"DD INVALIDOBJECT", LogDirectDrawErrorText, 0x88760082, "DDERR_INVALIDOBJECT \n"},
    {"DD INVALIDPIXELFORMAT", LogDirectDrawErrorText, 0x88760091,
     " DDERR_INVALIDPIXELFORMAT The specified pixel format is incompatible with the stream format.\n"},
    {"DD INVALIDRECT", LogDirectDrawErrorText, 0x88760096,
     " DDERR_INVALIDRECT The specified clipping rectangle is invalid. \n"},
    {"DD LOCKEDSURFACES", LogDirectDrawErrorText, 0x887600A0, "DDERR_LOCKEDSURFACES\n"},
    {"DD NOALPHAHW", LogDirectDrawErrorText, 0x887600B4, "DDERR_NOALPHAHW \n"},
    {"DD NOCOOPERATIVELEVELSET", LogDirectDrawErrorText, 0x887600D4, "DDERR_NOCOOPERATIVELEVELSET\n"},
    {"DD NOEXCLUSIVEMODE", LogDirectDrawErrorText, 0x887600E1, "DDERR_NOEXCLUSIVEMODE\n"},
    {"DD NOFLIPHW", LogDirectDrawErrorText, 0x887600E6, "DDERR_NOFLIPHW\n"},
    {"DD NOMIRRORHW", LogDirectDrawErrorText, 0x887600FA,
     "DDERR_NOMIRRORHW Operation could not be carried out because there is no hardware present or available.\n"},
    {"DD NOZBUFFERHW", LogDirectDrawErrorText, 0x88760154, "DDERR_NOZBUFFERHW\n"},
    {"DD OUTOFVIDEOMEMORY", LogDirectDrawErrorText, 0x8876017C,
     "DDERR_OUTOFVIDEOMEMORY the graphic card memory is not sufficent for new DD surface\n"},
    {"DD SURFACEBUSY", LogDirectDrawErrorText, 0x887601AE, "DDERR_SURFACEBUSY\n"},
    {"DD WASSTILLDRAWING", LogDirectDrawErrorText, 0x8876021C, "DDERR_WASSTILLDRAWING\n"},
    {"DD NODIRECTDRAWHW", LogDirectDrawErrorText, 0x88760233, "DDERR_NODIRECTDRAWHW\n"},
    {"DD PRIMARYSURFACEALREADYEXISTS", LogDirectDrawErrorText, 0x88760234, "DDERR_PRIMARYSURFACEALREADYEXISTS \n"},
    {"DD NOEMULATION", LogDirectDrawErrorText, 0x88760235, "DDERR_NOEMULATION\n"},
    {"DD HWNDSUBCLASSED", LogDirectDrawErrorText, 0x8876023A, "DDERR_HWNDSUBCLASSED\n"},
    {"DD HWNDALREADYSET", LogDirectDrawErrorText, 0x8876023B, "DDERR_HWNDALREADYSET\n"},
    {"DD NOBLTHW", LogDirectDrawErrorText, 0x8876023F, "DDERR_NOBLTHW\n"},
    {"DD EXCLUSIVEMODEALREADYSET", LogDirectDrawErrorText, 0x88760245, "DDERR_EXCLUSIVEMODEALREADYSET\n"},
    {"DD UNSUPPORTEDMODE", LogDirectDrawErrorText, 0x8876024E, "DDERR_UNSUPPORTEDMODE \n"},
    {"DD NOMIPMAPHW", LogDirectDrawErrorText, 0x8876024F, "DDERR_NOMIPMAPHW\n"},
    {"DD INVALIDSURFACETYPE", LogDirectDrawErrorText, 0x88760250,
     " DDERR_INVALIDSURFACETYPE he specified surface is incompatible with the stream format.\n"},
    {"DD unknown 5", LogDirectDrawErrorText, 5, "Unknown Direct Draw error code\nError code decimal 5\n"},
};
// clang-format on

TEST_F(LogTest, ErrorTextTables)
{
    for (const TextCase &c : textCases) {
        ResetLogWriter();
        c.log((HRESULT)c.code);
        std::string expected = c.expected;
        for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
            expected.insert(at, "\r");
        EXPECT_EQ(expected, Body()) << c.name;
    }
}

std::string lastBoxText, lastBoxCaption;
int boxCount;
int RecordBox(HWND, const char *text, const char *caption, UINT)
{
    lastBoxText = text;
    lastBoxCaption = caption;
    boxCount++;
    return IDOK;
}

TEST_F(LogTest, FailureCheckLogsCallTextCodeTextAndPointsAtTheLog)
{
    g_pfnMessageBox = RecordBox;
    boxCount = 0;
    EXPECT_EQ(S_OK, CHECK_ERROR_DS(S_OK, "g_pMMStream->SetState(STREAMSTATE_RUN)"));
    EXPECT_EQ(0, boxCount);
    EXPECT_EQ((HRESULT)0x80040403, CHECK_ERROR_DS((HRESULT)0x80040403, "g_pMMStream->SetState(STREAMSTATE_RUN)"));
    CHECK_ERROR_DD((HRESULT)0x8876017C, "g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen1, NULL)");
    CHECK_ERROR_COM(E_NOINTERFACE, "CoCreateInstance(x)");

    EXPECT_EQ("g_pMMStream->SetState(STREAMSTATE_RUN)  failed with HRESULT(0x80040403)\r\n"
              "MS_E_NOSTREAM No stream has the specified purpose ID\r\n"
              "g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen1, NULL)  failed with HRESULT(0x8876017C)\r\n"
              "DDERR_OUTOFVIDEOMEMORY the graphic card memory is not sufficent for new DD surface\r\n"
              "CoCreateInstance(x)  failed with HRESULT(0x80004002)\r\n"
              "Unknown COM error code\r\nError code decimal -2147467262\r\n",
              Body());
    EXPECT_EQ(3, boxCount);
    EXPECT_EQ("See " + path + " for error analysis", lastBoxText);
    EXPECT_EQ("Error", lastBoxCaption);
}

TEST_F(LogTest, FailureCheckCutsAnOverlongCallText)
{
    g_pfnMessageBox = RecordBox;
    std::string call(300, 'c');
    CHECK_ERROR_DD(E_FAIL, call.c_str());
    std::string body = Body();
    EXPECT_EQ(std::string(LOG_BUFFER_CHARS - 1, 'c') + "DDERR_GENERIC\r\n", body);
}

// Where a standard user cannot create the log in the root of C:. The root's
// place is taken by a folder of the same name, which cannot be opened as a file;
// the user's application data is a folder of the test.
class LogPlaceTest : public LogTest {
protected:
    void SetUp() override
    {
        blocked = path + ".root";
        CreateDirectoryA(blocked.c_str(), NULL);
        localAppData = path + ".appdata";
        CreateDirectoryA(localAppData.c_str(), NULL);
        savedLocalAppData.resize(MAX_PATH);
        DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", &savedLocalAppData[0], MAX_PATH);
        savedLocalAppData.resize(n < MAX_PATH ? n : 0);
        SetEnvironmentVariableA("LOCALAPPDATA", localAppData.c_str());
        SetEnvironmentVariableA("VIZOR_LOG", NULL);
        _putenv_s("VIZOR_LOG", "");
        g_szDefaultLogPath = blocked.c_str();
        ResetLogWriter();
        g_pfnMessageBox = RecordBox;
        boxCount = 0;
    }
    void TearDown() override
    {
        seams.Restore(); // before the writer starts again
        ResetLogWriter();
        SetEnvironmentVariableA("LOCALAPPDATA", savedLocalAppData.empty() ? NULL : savedLocalAppData.c_str());
        remove(UserLog().c_str());
        RemoveDirectoryA((localAppData + "\\Parallaxia").c_str());
        RemoveDirectoryA(localAppData.c_str());
        RemoveDirectoryA(blocked.c_str());
    }
    std::string UserLog() const { return localAppData + "\\Parallaxia\\Vizor_Cinema.log"; }
    std::string UserLogBody() const
    {
        const std::string all = ReadWholeFileBytes(UserLog());
        const size_t start = all.find("\r\n\r\n");
        return start == std::string::npos ? all : all.substr(start + 4);
    }

    std::string blocked, localAppData, savedLocalAppData;
};

TEST_F(LogPlaceTest, TheRootIsTheFirstChoiceWhereItCanBeCreated)
{
    const std::string root = path + ".first";
    g_szDefaultLogPath = root.c_str();
    LogMessage("here\n");
    CHECK_ERROR_DD(E_FAIL, "g_pPrimarySurface->Blt(x)");
    EXPECT_EQ(root, LogFilePath());
    EXPECT_NE(std::string::npos, ReadWholeFileBytes(root).find("here\r\n"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((localAppData + "\\Parallaxia").c_str()))
        << "no second log and no folder for it";
    EXPECT_EQ("See " + root + " for error analysis", lastBoxText);
    remove(root.c_str());
}

TEST_F(LogPlaceTest, ARootThatCannotBeCreatedSendsTheLogToTheUsersFolder)
{
    LogMessage("first\n");
    CHECK_ERROR_DD(E_FAIL, "g_pPrimarySurface->Blt(x)");
    LogMessage("last\n");

    EXPECT_EQ(UserLog(), LogFilePath());
    EXPECT_EQ("first\r\ng_pPrimarySurface->Blt(x)  failed with HRESULT(0x80004005)\r\nDDERR_GENERIC\r\nlast\r\n",
              UserLogBody());
    EXPECT_EQ(1, boxCount);
    EXPECT_EQ("See " + UserLog() + " for error analysis", lastBoxText) << "the box names the file written";

    // The next run finds the folder there and starts the file anew.
    ResetLogWriter();
    LogMessage("next run\n");
    EXPECT_EQ("next run\r\n", UserLogBody());
}

TEST_F(LogPlaceTest, NoLogAnywhereIsSaidInTheBox)
{
    // The user's folder cannot be made either: a file stands where it belongs.
    const std::string file = localAppData + "\\Parallaxia";
    FILE *f = fopen(file.c_str(), "w");
    ASSERT_TRUE(f != NULL);
    fclose(f);

    LogMessage("lost\n");
    CHECK_ERROR_DD(E_FAIL, "g_pPrimarySurface->Blt(x)");

    EXPECT_EQ(1, boxCount);
    EXPECT_EQ(NO_LOG_BOX_TEXT, lastBoxText);
    EXPECT_EQ(std::string::npos, lastBoxText.find(".log"));
    remove(file.c_str());
}

TEST_F(LogPlaceTest, AConfiguredLogHasNoSecondChoice)
{
    SetEnvironmentVariableA("VIZOR_LOG", blocked.c_str());
    _putenv_s("VIZOR_LOG", blocked.c_str());
    ResetLogWriter();
    LogMessage("lost\n");
    CHECK_ERROR_DD(E_FAIL, "g_pPrimarySurface->Blt(x)");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(UserLog().c_str()));
    EXPECT_EQ(NO_LOG_BOX_TEXT, lastBoxText);
}

} // namespace
