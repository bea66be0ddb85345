// The steps of a normal run, on a program file with a container of test files.
#include <gtest/gtest.h>

#include <string.h>
#include <functional>

#include "context.h"
#include "controls.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "progress.h"
#include "engine.h"
#include "launcher.h"
#include "payload.h"
#include "texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

const char STARTUP[] = "[Startup]\r\nProduct=Vizor Test\r\nPackageName=Vizor.msi\r\nMsiVersion=2.0\r\n";

int plentyFree(const char *, uint64_t *freeKb)
{
    *freeKb = uint64_t(1) << 30;
    return 1;
}

DWORD namesForTests(DWORD language, char *out, DWORD size)
{
    const char *name = language == 0x0439 ? "Hindi" : language == 0x0407 ? "German" : "Language Neutral";
    snprintf(out, size, "%s", name);
    return DWORD(strlen(out));
}

// Acts on the thread's dialogs from a thread timer while the flow pumps messages.
std::function<void(HWND)> g_onDialog;
int g_dialogsSeen;

void CALLBACK watchDialogs(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = VisibleThreadDialog();
    if (dialog && g_onDialog)
        g_onDialog(dialog);
}

struct FlowFixture : ::testing::Test {
    LauncherState state;
    TempFolder folder;
    ScopedEnvironment tmp{"TMP", folder.path().c_str()};
    MessageRecorder messages;
    ProcessRecorder processes;
    std::string program = folder.file("setup.exe");
    std::unique_ptr<SetupContext> context;
    UINT_PTR timer = 0;

    void SetUp() override
    {
        g_pfnDiskFreeKb = plentyFree;
        g_pfnLanguageName = namesForTests;
        g_onDialog = NULL;
        g_dialogsSeen = 0;
    }
    void TearDown() override
    {
        if (timer)
            KillTimer(NULL, timer);
        g_onDialog = NULL;
        if (context && context->workFolder && context->fileSource == Temporary)
            RemoveTree(std::string(context->workFolder));
    }
    void pack(const std::string &ini, std::vector<FixtureEntry> more = {})
    {
        more.insert(more.begin(), {"Setup.INI", ini});
        context.reset(); // it holds the program file open
        WriteBytes(program, FakeImage() + ContainerBytes(more));
        context.reset(new SetupContext(GetModuleHandleA(NULL), program.c_str()));
        SetupContext::assign(context->sourceFolder, folder.path().c_str());
    }
    void watch(std::function<void(HWND)> onDialog)
    {
        g_onDialog = onDialog;
        timer = SetTimer(NULL, 0, 100, watchDialogs);
    }
    bool extracted(const char *name) const
    {
        return context->workFolder && PathPresent(std::string(context->workFolder) + "\\" + name);
    }
};

} // namespace

TEST_F(FlowFixture, SilentRunGoesThroughEveryStepWithoutAWord)
{
    silentMode = 1;
    pack(std::string(STARTUP) + "EnableLangDlg=Y\r\n[Languages]\r\nCount=2\r\nDefault=409\r\nkey0=409\r\nkey1=407\r\n",
         {{"Vizor.msi", "package"}, {"1033.MST", "en"}, {"1031.MST", "de"}});
    EXPECT_EQ(runFullFlow(context.get()), 1);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(context->languageDialogEnabled, 0) << "silent mode never asks";
    EXPECT_EQ(context->languageCount, 2u);
    EXPECT_EQ(context->osSupported, 1);
    std::string transform = std::to_string(context->selectedLanguage) + ".MST";
    EXPECT_STREQ(context->transformName, transform.c_str());
    EXPECT_TRUE(extracted("Setup.INI"));
    EXPECT_TRUE(extracted(transform.c_str()));
    EXPECT_TRUE(extracted("Vizor.msi"));
    EXPECT_EQ(context->extractedCount, 3u);
    // Wine's engine is newer than 2.0: msiexec alone, on the extracted package with the transform,
    // and without the package's wizard either.
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0].command, "MSIEXEC.EXE /i \"" + std::string(context->workFolder) +
                                                "\\Vizor.msi\"  TRANSFORMS=\"" + transform + "\" /qn");
    EXPECT_EQ(processes.started[0].wait, 1);
}

TEST_F(FlowFixture, LanguageGivenOnTheCommandLineAsksNothing)
{
    pack(std::string(STARTUP) + "EnableLangDlg=Y\r\n[Languages]\r\nCount=2\r\nDefault=409\r\nkey0=409\r\nkey1=407\r\n",
         {{"Vizor.msi", "package"}, {"1033.MST", "en"}, {"1031.MST", "de"}});
    context->selectedLanguage = 1031;
    // The progress dialog is the only dialog: cancel it when it shows; anything else is a failure.
    bool languageDialog = false;
    watch([&](HWND dialog) {
        if (GetDlgItem(dialog, IDC_LANGUAGE_LIST)) {
            languageDialog = true;
            EndDialog(dialog, 2);
        } else if (GetDlgItem(dialog, IDC_STATUS)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    EXPECT_EQ(runFullFlow(context.get()), 0);
    EXPECT_FALSE(languageDialog);
    EXPECT_EQ(currentLanguage, 1031);
    EXPECT_TRUE(extracted("1031.MST"));
    EXPECT_FALSE(extracted("1033.MST"));
    EXPECT_FALSE(extracted("Vizor.msi")) << "cancelled before the package";
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(cancelRequested, 1);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(FlowFixture, EarlyEndsAndTheirMessages)
{
    struct Case {
        std::string ini;
        std::vector<FixtureEntry> more;
        int selected;
        const char *message; // null: ends without one
        const char *why;
        // clang-format off
    } cases[] = {
        {"[Startup]\r\nProduct=P\r\n", {}, 0, "Error reading setup initialization file", "Setup.INI incomplete"},
        {std::string(STARTUP) + "EnableLangDlg=N\r\n", {}, 0, NULL, "no Languages section"},
        {std::string(STARTUP) + "EnableLangDlg=N\r\n[Languages]\r\nDefault=409\r\nkey0=409\r\n", {}, 1031, NULL,
         "with /L the Languages keys must still be readable"},
        {std::string(STARTUP) + "EnableLangDlg=N\r\n[Languages]\r\nCount=1\r\nDefault=439\r\n", {}, 0,
         "1208: ANSI code page for Hindi is not installed on the system and therefore setup cannot run in the "
         "selected language. Run the setup and select another language.",
         "a language without an ANSI code page"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        messages.texts.clear();
        currentLanguage = 0;
        pack(c.ini, c.more);
        context->selectedLanguage = c.selected;
        EXPECT_EQ(runFullFlow(context.get()), 0);
        if (c.message) {
            ASSERT_EQ(messages.texts.size(), 1u);
            EXPECT_EQ(messages.texts[0], c.message);
        } else {
            EXPECT_TRUE(messages.texts.empty());
        }
        EXPECT_EQ(ProgressDialog::window(), nullptr);
        EXPECT_FALSE(extracted("Vizor.msi"));
        RemoveTree(std::string(context->workFolder));
    }
}

TEST_F(FlowFixture, MissingTransformEndsWith1152)
{
    pack(std::string(STARTUP) + "EnableLangDlg=N\r\n[Languages]\r\nCount=2\r\nDefault=407\r\nkey0=409\r\nkey1=407\r\n",
         {{"Vizor.msi", "package"}, {"1033.MST", "en"}});
    context->selectedLanguage = 1031;
    EXPECT_EQ(runFullFlow(context.get()), 0);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              "1152: Error extracting '" + std::string(context->workFolder) + "\\1031.MST' to the temporary location");
}

TEST_F(FlowFixture, UnfitProductFormatFallsBackToTheBuiltInText)
{
    pack(std::string(STARTUP) + "EnableLangDlg=N\r\n[Languages]\r\nCount=1\r\nDefault=409\r\n"
                                "[0x0409]\r\n1102=Installing %s from %s %n\r\n",
         {{"Vizor.msi", "package"}});
    std::string mainText;
    watch([&](HWND dialog) {
        if (GetDlgItem(dialog, IDC_MAIN_TEXT)) {
            char text[512] = {0};
            GetDlgItemTextA(dialog, IDC_MAIN_TEXT, text, sizeof text);
            mainText = text;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    EXPECT_EQ(runFullFlow(context.get()), 0);
    EXPECT_EQ(mainText, "Packagewright\xAE is preparing the Installation Wizard, which will install Vizor Test on "
                        "your computer. Please wait.");
}

// The system version comes from the platform (Wine reports 6.1); through the
// version seam the flow meets Windows 2000, where an older engine is only noticed.
TEST_F(FlowFixture, OlderEngineOnlyNoticedOnWindows2000AndInstalledElsewhere)
{
    struct Case {
        unsigned major, minor;
        std::vector<std::string> messages;
        size_t started; // processes started
        // clang-format off
    } cases[] = {
        {5, 0, {}, 1},
        {6, 1,
         {"1604: This setup does not contain the Windows Installer engine (INSTMSIW.EXE) required to run the "
          "installation on this operating system."},
         0},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "system " << c.major << "." << c.minor);
        static Case current;
        current = c;
        g_pfnSystemVersion = [](SystemVersion *version) {
            *version = {true, 2, current.major, current.minor, 0};
            return 1;
        };
        silentMode = 0;
        messages.texts.clear();
        processes.started.clear();
        pack("[Startup]\r\nProduct=Vizor Test\r\nPackageName=Vizor.msi\r\nMsiVersion=99.0\r\nEnableLangDlg=N\r\n"
             "[Languages]\r\nCount=1\r\nDefault=409\r\n",
             {{"Vizor.msi", "package"}});
        int result = runFullFlow(context.get());
        std::string installed = context->installedEngineVersion;
        ASSERT_FALSE(installed.empty()) << "Msi.DLL has a version";
        if (c.major == 5) {
            EXPECT_EQ(result, 1);
            std::vector<std::string> notice = {"1207: Windows\xAE Installer " + installed +
                                               " found.\nThis is an older version of the Windows\xAE Installer.\n\n\n"
                                               "Click OK to continue"};
            EXPECT_EQ(messages.texts, notice);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(messages.texts, c.messages);
        }
        EXPECT_EQ(processes.started.size(), c.started);
        RemoveTree(std::string(context->workFolder));
    }
}
