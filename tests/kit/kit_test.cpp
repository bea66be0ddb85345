// The kit's waits, files and processes.
#include "kit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>

namespace {

// Started with this argument, the test program stands for a program that does
// not end by itself.
const char STAY[] = "--kit-test-stays";

int StayIfAsked()
{
    if (strstr(GetCommandLineA(), STAY))
        WaitForSingleObject(GetCurrentProcess(), INFINITE);
    return 0;
}
const int stayIfAsked = StayIfAsked();

std::string ThisProgram()
{
    char path[MAX_PATH * 4] = {0};
    GetModuleFileNameA(NULL, path, sizeof path);
    return path;
}

struct Looks {
    int count = 0;
    DWORD first = 0, last = 0;
    // A condition that holds from the look `from` on (0: never).
    std::function<bool()> HoldingFrom(int from)
    {
        return [this, from] {
            last = GetTickCount();
            if (count++ == 0)
                first = last;
            return from > 0 && count >= from;
        };
    }
};

TEST(KitWaits, WaitUntilReturnsAtTheFirstLookThatHoldsAndPrintsNothing)
{
    for (int from : {1, 3}) {
        Looks looks;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(WaitUntil("the third look", 5000, looks.HoldingFrom(from)));
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        EXPECT_EQ(from, looks.count);
    }
}

TEST(KitWaits, WaitUntilThatTimesOutSaysWhatItWaitedForAndHowLong)
{
    Looks looks;
    testing::internal::CaptureStdout();
    const DWORD start = GetTickCount();
    EXPECT_FALSE(WaitUntil("the log line \"Pause()\"", 200, looks.HoldingFrom(0)));
    const DWORD took = GetTickCount() - start;
    const std::string printed = testing::internal::GetCapturedStdout();
    unsigned long ms = 0;
    char what[64] = {0};
    ASSERT_EQ(2, sscanf(printed.c_str(), "timed out after %lu ms waiting for %63[^\n]", &ms, what)) << printed;
    EXPECT_STREQ("the log line \"Pause()\"", what);
    EXPECT_GE(ms, 200u);
    EXPECT_LE(ms, took);
    EXPECT_EQ(printed.size() - 1, printed.find('\n')) << "one line";
    EXPECT_GT(looks.count, 2) << "looked again and again";
    EXPECT_GE(looks.last - looks.first, 200u) << "the last look at the end of the time";
}

TEST(KitWaits, AZeroTimeLimitStillLooksOnce)
{
    Looks holds, fails;
    EXPECT_TRUE(WaitUntil("at once", 0, holds.HoldingFrom(1)));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WaitUntil("at once", 0, fails.HoldingFrom(0)));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("waiting for at once"));
    EXPECT_EQ(1, holds.count);
    EXPECT_EQ(1, fails.count);
}

TEST(KitWaits, NothingForWatchesTheWholeTimeWhenNothingHappens)
{
    Looks looks;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(NothingFor("a second box", 200, looks.HoldingFrom(0)));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_GE(looks.last - looks.first, 200u);
}

TEST(KitWaits, NothingForFailsAtOnceWhenItHappensAndSaysAfterHowLong)
{
    for (int from : {1, 4}) {
        Looks looks;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(NothingFor("the frame move", 10000, looks.HoldingFrom(from)));
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(from, looks.count) << "no look after it happened";
        unsigned long ms = 99999;
        ASSERT_EQ(1, sscanf(printed.c_str(), "saw the frame move after %lu ms", &ms)) << printed;
        EXPECT_LT(ms, 10000u) << "not the whole time";
    }
}

TEST(KitFiles, ReadWholeFileReadsAFileItsWriterKeepsOpen)
{
    ScratchFolder folder("kit");
    ASSERT_FALSE(folder.path().empty());
    const std::string path = folder.path() + "\\open.log";
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    std::string bytes(10000, 'x'); // more than one read
    bytes += std::string("\r\nlast\0line", 11);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer, bytes.data(), (DWORD)bytes.size(), &written, NULL));
    std::string read;
    EXPECT_TRUE(ReadWholeFile(path, &read));
    EXPECT_EQ(bytes, read);
    EXPECT_EQ(bytes, ReadWholeFile(path));
    CloseHandle(writer);

    EXPECT_FALSE(ReadWholeFile(folder.path() + "\\absent", &read));
    EXPECT_EQ("", ReadWholeFile(folder.path() + "\\absent"));
}

TEST(KitFiles, RemoveTreeTakesNestedFoldersAndTheirFiles)
{
    std::string top;
    {
        ScratchFolder folder("kit");
        top = folder.path();
        ASSERT_TRUE(PathPresent(top));
        const std::string inner = top + "\\a\\b";
        ASSERT_TRUE(CreateDirectoryA((top + "\\a").c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(inner.c_str(), NULL));
        for (const std::string &file : {top + "\\one.txt", inner + "\\two.txt"}) {
            FILE *f = fopen(file.c_str(), "w");
            ASSERT_TRUE(f != NULL);
            fclose(f);
        }
        EXPECT_EQ((std::vector<std::string>{"one.txt"}), FolderEntries(top, "*.txt"));
        std::string other = MakeTempFolder("kit");
        EXPECT_NE(top, other) << "a new folder each time";
        RemoveTree(other);
        EXPECT_FALSE(PathPresent(other));
    }
    EXPECT_FALSE(PathPresent(top)) << "the scratch folder went with its content";
}

TEST(KitProcess, WaitForExitGivesTheExitCode)
{
    TestProcess process;
    char system[MAX_PATH] = {0};
    GetSystemDirectoryA(system, sizeof system);
    ASSERT_TRUE(process.Start(std::string(system) + "\\cmd.exe", "/c exit 7"));
    DWORD code = 0;
    ASSERT_TRUE(process.WaitForExit(30000, &code));
    EXPECT_EQ(7u, code);
    EXPECT_FALSE(process.Running());
}

TEST(KitProcess, AProcessThatStaysIsReportedAndEndedByTheDestructor)
{
    HANDLE watch = NULL;
    {
        TestProcess process;
        ASSERT_TRUE(process.Start(ThisProgram(), STAY));
        ASSERT_TRUE(
            DuplicateHandle(GetCurrentProcess(), process.Handle(), GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(process.WaitForExit(300));
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, printed.find("waiting for the end of kit_test.exe")) << printed;
        EXPECT_TRUE(process.Running());
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(watch, 10000)) << "the destructor ended it";
    CloseHandle(watch);
}

TEST(KitProcess, TheEnvironmentBlockReplacesAndAddsVariables)
{
    SetEnvironmentVariableA("KIT_TEST_KEPT", "kept");
    SetEnvironmentVariableA("KIT_TEST_REPLACED", "old");
    const std::string block = EnvironmentWith({"KIT_TEST_REPLACED=new", "KIT_TEST_ADDED=added"});
    std::vector<std::string> variables;
    for (const char *p = block.c_str(); *p; p += strlen(p) + 1)
        variables.push_back(p);
    auto count = [&](const std::string &v) { return std::count(variables.begin(), variables.end(), v); };
    EXPECT_EQ(1, count("KIT_TEST_KEPT=kept"));
    EXPECT_EQ(0, count("KIT_TEST_REPLACED=old"));
    EXPECT_EQ(1, count("KIT_TEST_REPLACED=new"));
    EXPECT_EQ(1, count("KIT_TEST_ADDED=added"));
    EXPECT_EQ(std::string("\0\0", 2), block.substr(block.size() - 2)) << "ends with an empty string";
}

} // namespace
