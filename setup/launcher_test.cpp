// Switches, the run's dispatch, and the "/k" relaunch command.
#include <gtest/gtest.h>

#include <string.h>

#include "context.h"
#include "launcher.h"
#include "payload.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "texts.h"
#include "test_support.h"

namespace {

const char USAGE[] = "Command line parameters:\r\n/L language ID\r\n/S silent mode\r\n/V parameters to MsiExec.exe";

struct SwitchFixture : ::testing::Test {
    LauncherState state;
    MessageRecorder messages;
    SetupContext context{GetModuleHandleA(NULL), ""};

    int walk(std::vector<const char *> arguments)
    {
        arguments.insert(arguments.begin(), "setup.exe");
        LauncherArguments parsed(int(arguments.size()), const_cast<char **>(arguments.data()));
        return parsed.forEachSwitch(handleSwitch, &context);
    }
};

} // namespace

TEST_F(SwitchFixture, SwitchTable)
{
    EXPECT_EQ(walk({"/a"}), 1);
    EXPECT_EQ(context.installMode, Administrative);

    struct Case {
        const char *argument;
        const char *why;
    } cases[] = {
        {"/c", "lower case letter"}, {"-W", "dash"}, {"/Vprop=\"a b\"", "text kept as is"}, {"/L1031", "language"}};
    for (const Case &c : cases)
        EXPECT_EQ(walk({c.argument}), 1) << c.why;
    EXPECT_EQ(context.fileSource, Temporary);
    EXPECT_EQ(context.locationsFromCommandLine, 1);
    EXPECT_EQ(context.waitForPackage, 1);
    EXPECT_STREQ(context.packageProperties, "prop=\"a b\"");
    EXPECT_EQ(context.selectedLanguage, 1031);
    EXPECT_EQ(currentLanguage, 1031);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(SwitchFixture, ModeSwitches)
{
    struct Case {
        std::vector<const char *> arguments;
        int result;
        int mode;
        const char *options;
        // clang-format off
    } cases[] = {
        {{"/x"}, 1, Uninstall, ""},
        {{"/Fomus"}, 1, Repair, "omus"},
        {{"/jm"}, 1, Advertise, "m"},
        {{"/x", "/a"}, 0, Uninstall, ""},
        {{"/a", "/Fo"}, 0, Administrative, ""},
        {{"/Jm", "/x"}, 0, Advertise, "m"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        SetupContext fresh{GetModuleHandleA(NULL), ""};
        messages.texts.clear();
        std::vector<const char *> arguments = c.arguments;
        arguments.insert(arguments.begin(), "setup.exe");
        LauncherArguments parsed(int(arguments.size()), const_cast<char **>(arguments.data()));
        EXPECT_EQ(parsed.forEachSwitch(handleSwitch, &fresh), c.result);
        EXPECT_EQ(fresh.installMode, c.mode);
        EXPECT_STREQ(fresh.modeOptions, c.options);
        EXPECT_EQ(messages.texts.size(), c.result ? 0u : 1u);
        if (!c.result) {
            EXPECT_EQ(messages.texts[0], USAGE);
        }
    }
}

TEST_F(SwitchFixture, UnknownLettersShowTheUsage)
{
    for (const char *argument : {"/k", "/K", "/q", "/", "-"}) {
        SCOPED_TRACE(argument);
        messages.texts.clear();
        EXPECT_EQ(walk({argument}), 0);
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_EQ(messages.texts[0], USAGE);
    }
}

TEST_F(SwitchFixture, BareWordStopsSilently)
{
    EXPECT_EQ(walk({"/w", "install", "/x"}), 0);
    EXPECT_EQ(context.waitForPackage, 1);
    EXPECT_EQ(context.installMode, Install) << "nothing after the bare word is read";
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(walk({}), 1) << "no arguments";
}

TEST_F(SwitchFixture, LastOfPackageAndFolderDecides)
{
    EXPECT_EQ(walk({"/TC:\\work", "/Mvizor.msi"}), 1);
    EXPECT_EQ(context.launchKind, PackageGiven);
    EXPECT_STREQ(context.workFolder, "C:\\work");
    EXPECT_STREQ(context.packageName, "vizor.msi");

    SetupContext other{GetModuleHandleA(NULL), ""};
    const char *arguments[] = {"setup.exe", "/Mvizor.msi", "/TC:\\work"};
    LauncherArguments parsed(3, const_cast<char **>(arguments));
    EXPECT_EQ(parsed.forEachSwitch(handleSwitch, &other), 1);
    EXPECT_EQ(other.launchKind, FolderGiven);
    EXPECT_EQ(other.locationsFromCommandLine, 1);
}

// Texts that do not fit their buffers are refused rather than cut: a cut
// package name or property list would be a different command.
TEST_F(SwitchFixture, OverlongTextsAreRefused)
{
    std::string longText(SETUP_TEXT_CHARS, 'o');
    for (char letter : {'F', 'J', 'M', 'V'}) {
        SCOPED_TRACE(letter);
        SetupContext fresh{GetModuleHandleA(NULL), ""};
        messages.texts.clear();
        std::string argument = std::string("/") + letter + longText;
        EXPECT_EQ(handleSwitch(&fresh, argument.c_str() + 1), 0);
        EXPECT_EQ(messages.texts.size(), 1u);
        EXPECT_EQ(fresh.installMode, Install);
        EXPECT_STREQ(fresh.packageName, "");
        EXPECT_STREQ(fresh.packageProperties, "");
    }
    // Just fitting: 1023 characters.
    std::string fits(SETUP_TEXT_CHARS - 1, 'f');
    EXPECT_EQ(handleSwitch(&context, ("F" + fits).c_str()), 1);
    EXPECT_EQ(std::string(context.modeOptions), fits);
}

TEST_F(SwitchFixture, SilentModeShowsNoUsage)
{
    EXPECT_EQ(walk({"/s", "/x", "/a"}), 0);
    EXPECT_EQ(silentMode, 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST(LauncherRun, SwitchesStopTheRunBeforeAnythingIsExtracted)
{
    LauncherState state;
    TempFolder temp;
    ScopedEnvironment tmp("TMP", temp.path().c_str());
    ScopedEnvironment temp2("TEMP", temp.path().c_str());
    struct Case {
        std::vector<const char *> arguments;
        size_t messages;
    } cases[] = {{{"/x", "/a"}, 1}, {{"word"}, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        MessageRecorder messages;
        std::vector<const char *> arguments = c.arguments;
        arguments.insert(arguments.begin(), "setup.exe");
        SetupLauncher launcher(GetModuleHandleA(NULL));
        EXPECT_EQ(launcher.run(GetModuleHandleA(nullptr), int(arguments.size()), const_cast<char **>(arguments.data())),
                  0);
        EXPECT_EQ(messages.texts.size(), c.messages);
        EXPECT_EQ(launcher.runContext()->extractedCount, 0u);
        EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
    }
}

TEST(LauncherRun, PackageWithoutFolderIsLookedForNextToTheLauncher)
{
    LauncherState state;
    MessageRecorder messages;
    const char *arguments[] = {"setup.exe", "/Mno-such-package.msi"};
    SetupLauncher launcher(GetModuleHandleA(NULL));
    EXPECT_EQ(launcher.run(GetModuleHandleA(nullptr), 2, const_cast<char **>(arguments)), 1);
    SetupContext *context = launcher.runContext();
    ASSERT_NE(context->sourceFolder, nullptr);
    ASSERT_NE(context->workFolder, nullptr);
    EXPECT_STREQ(context->workFolder, context->sourceFolder);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              std::string("1155: File '") + (const char *)context->sourceFolder + "\\no-such-package.msi' not found");
}

TEST(LauncherRun, FolderGivenRunsNoStep)
{
    LauncherState state;
    MessageRecorder messages;
    TempFolder temp;
    std::string tswitch = "/T" + temp.path();
    const char *arguments[] = {"setup.exe", tswitch.c_str()};
    SetupLauncher launcher(GetModuleHandleA(NULL));
    EXPECT_EQ(launcher.run(GetModuleHandleA(nullptr), 2, const_cast<char **>(arguments)), 1);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(launcher.runContext()->launchKind, FolderGiven);
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// "/c /t<folder>" runs the clean-up of the folder's list file: only in a folder
// named like the launcher's own work folders, so that a list lying in some
// other folder (a Downloads folder) cannot make it delete anything.
TEST(LauncherRun, CleanUpOfAGivenFolderOnlyInAWorkFolder)
{
    LauncherState state;
    MessageRecorder messages;
    TempFolder temp;
    std::string victim = temp.file("victim.txt");
    struct Case {
        const char *folder;
        bool cleaned;
    } cases[] = {{"Downloads", false}, {"_pw1F", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.folder);
        std::string folder = temp.file(c.folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        std::string inside = folder + "\\Vizor.msi";
        std::string list = folder + "\\_PWMSIDEL.INI";
        WriteBytes(inside, "package");
        WriteBytes(victim, "precious");
        WritePrivateProfileStringA("Files", "File1", inside.c_str(), list.c_str());
        WritePrivateProfileStringA("Files", "File2", victim.c_str(), list.c_str());
        std::string tswitch = "/t" + folder;
        const char *arguments[] = {"setup.exe", "/c", tswitch.c_str()};
        SetupLauncher launcher(GetModuleHandleA(NULL));
        EXPECT_EQ(launcher.run(GetModuleHandleA(nullptr), 3, const_cast<char **>(arguments)), 1);
        EXPECT_TRUE(PathPresent(victim)) << "a file outside the folder was deleted";
        EXPECT_EQ(PathPresent(inside), !c.cleaned);
        EXPECT_EQ(PathPresent(list), !c.cleaned);
        EXPECT_EQ(PathPresent(folder), !c.cleaned);
    }
}

TEST(Relaunch, RecognisedOnlyAsTheFirstSwitch)
{
    struct Case {
        int argc;
        const char *commandText;
        bool relaunch;
        // clang-format off
    } cases[] = {
        {3, "/k /x", true}, {2, "-K", true}, {3, "/kx /a", true}, {1, "", false},
        {3, "/x /k", false}, {2, "k", false}, {2, "/l1031", false},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(isRelaunchRequest(c.argc, c.commandText), c.relaunch) << c.commandText;
}

TEST(Relaunch, ProgramIsQuotedAndNothingIsCut)
{
    EXPECT_EQ(relaunchCommandLine("C:\\Program Files\\Setup\\setup.exe", "/k /tC:\\x /m\"p.msi\""),
              "\"C:\\Program Files\\Setup\\setup.exe\" /tC:\\x /m\"p.msi\"");
    EXPECT_EQ(relaunchCommandLine("C:\\setup.exe", "/K"), "\"C:\\setup.exe\"");
    std::string longTail = " /v\"" + std::string(3000, 'p') + "\"";
    std::string command = relaunchCommandLine("C:\\setup.exe", ("/k" + longTail).c_str());
    EXPECT_EQ(command, "\"C:\\setup.exe\"" + longTail);
}
