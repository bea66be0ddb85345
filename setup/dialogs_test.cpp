// The launcher's dialogs and message functions.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string.h>
#include <functional>
#include <map>

#include "context.h"
#include "controls.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "progress.h"
#include "texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK plainProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Runs body on a thread timer while the thread sits in a modal dialog; the body
// returns true when it is done. After 10 seconds any dialog of the thread is ended.
std::function<bool(HWND)> g_driver;
DWORD g_driverStart;
bool g_driverTimedOut;

void CALLBACK driveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = VisibleThreadDialog();
    if (GetTickCount() - g_driverStart > 10000) {
        g_driverTimedOut = true;
        if (dialog)
            EndDialog(dialog, 0);
        return;
    }
    if (dialog && g_driver)
        g_driver(dialog);
}

void pressKey(HWND dialog, UINT key)
{
    HWND focus = GetFocus();
    HWND target = focus ? focus : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

int g_restarts;
int fakeRestart()
{
    ++g_restarts;
    return 1;
}

struct DialogFixture : ::testing::Test {
    LauncherState state;
    UINT_PTR timer = 0;

    void drive(std::function<bool(HWND)> body)
    {
        g_driver = body;
        g_driverStart = GetTickCount();
        g_driverTimedOut = false;
        timer = SetTimer(NULL, 0, 100, driveDialog);
    }
    void TearDown() override
    {
        if (timer)
            KillTimer(NULL, timer);
        g_driver = NULL;
        g_pfnRestartSystem = restartSystemDefault();
    }
    static RestartFunction restartSystemDefault();
};

RestartFunction g_originalRestart = g_pfnRestartSystem;
RestartFunction DialogFixture::restartSystemDefault() { return g_originalRestart; }

} // namespace

TEST_F(DialogFixture, MessageTexts)
{
    MessageRecorder messages;
    std::string longPath = "C:\\" + std::string(600, 'p') + "\\Vizor.msi";
    showFormatted(IDS_ERROR_FILE_NOT_FOUND, longPath.c_str());
    showErrorCode(1603);
    showErrorCode(1234);
    showTextId(IDS_ERROR_READING_INI);
    showTextId(4242);
    showFormatted(4242, "unused");
    showRestart(IDS_RESTART_NEEDED);
    showText("100% plain");

    const std::string expected[] = {
        "1155: File '" + longPath + "' not found",
        "1603: You need administrator privileges to install the Windows Installer engine.",
        "1234: Internal error in Windows Installer",
        "Error reading setup initialization file",
        "",
        "4242: ",
        "Setup has completed configuring the Windows Installer on your system. The system needs to be restarted in "
        "order to continue with the installation. Please click Restart to reboot the system.",
        "100% plain",
    };
    ASSERT_EQ(messages.texts.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < messages.texts.size(); ++i) {
        EXPECT_EQ(messages.texts[i], expected[i]) << i;
        EXPECT_EQ(messages.restarts[i], i == 6 ? 1 : 0) << i;
    }
}

TEST_F(DialogFixture, DiskSpaceMessageTakesANumberAndADrive)
{
    MessageRecorder messages;
    showFormatted(IDS_ERROR_DISK_SPACE, 8000ul, "C:\\");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0],
              "1201: Setup needs 8000 KB free disk space in C:\\. Please free up some space and try again");
}

TEST_F(DialogFixture, SilentModeShowsNothing)
{
    MessageRecorder messages;
    silentMode = 1;
    EXPECT_EQ(showText("x"), 1);
    EXPECT_EQ(showFormatted(IDS_ERROR_EXTRACTING, "C:\\x"), 1);
    EXPECT_EQ(showRestart(IDS_RESTART_NEEDED), 1);
    EXPECT_TRUE(messages.texts.empty());

    SetupContext context(GetModuleHandleA(NULL), "");
    ProgressDialog progress;
    progress.show(GetModuleHandleA(NULL), &context);
    EXPECT_EQ(ProgressDialog::window(), nullptr);
    EXPECT_EQ(context.statusControl, nullptr);
    setStatusText(&context, "nothing to write to");
    EXPECT_EQ(pauseFor(5000), 0) << "a silent pause returns at once without cancel";
}

TEST_F(DialogFixture, ProgressDialogHandsItsControlsToTheRun)
{
    SetupContext context(GetModuleHandleA(NULL), "");
    ProgressDialog progress;
    progress.show(GetModuleHandleA(NULL), &context);
    HWND window = ProgressDialog::window();
    ASSERT_NE(window, nullptr);
    char caption[64] = {0};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Packagewright");
    EXPECT_EQ(context.statusControl, GetDlgItem(window, IDC_STATUS));
    EXPECT_EQ(context.mainTextControl, GetDlgItem(window, IDC_MAIN_TEXT));
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU, 0);

    setStatusText(&context, "Checking Operating System Version");
    char status[64] = {0};
    GetDlgItemTextA(window, IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "Checking Operating System Version");

    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    EXPECT_EQ(pauseFor(700), 0);
    EXPECT_GT(SendMessageA(bar, PBM_GETPOS, 0, 0), 0) << "the bar moves on its timer";

    // Escape or the Cancel button: the run is cancelled and the dialog goes.
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(pauseFor(3000), 1);
    EXPECT_LT(GetTickCount() - start, 2500u);
    EXPECT_EQ(cancelRequested, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ProgressDialog::window(), nullptr);
    EXPECT_EQ(context.statusControl, nullptr);
}

TEST_F(DialogFixture, EveryMessageClosesTheProgressDialogFirst)
{
    MessageRecorder messages;
    SetupContext context(GetModuleHandleA(NULL), "");
    ProgressDialog progress;
    progress.show(GetModuleHandleA(NULL), &context);
    HWND window = ProgressDialog::window();
    ASSERT_NE(window, nullptr);
    showTextId(IDS_ERROR_TEMP_LOCATION);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(cancelRequested, 0) << "closing for a message is no cancel";
}

TEST_F(DialogFixture, RestartQuestionEnterClosesWithoutRestarting)
{
    g_restarts = 0;
    g_pfnRestartSystem = fakeRestart;
    int step = 0;
    std::string text;
    bool okHidden = false, restartShown = false;
    std::string restartCaption;
    drive([&](HWND dialog) {
        if (step == 0) {
            char buffer[400] = {0};
            GetDlgItemTextA(dialog, IDC_MESSAGE_TEXT, buffer, sizeof buffer);
            text = buffer;
            okHidden = !IsWindowVisible(GetDlgItem(dialog, IDOK));
            restartShown = IsWindowVisible(GetDlgItem(dialog, IDC_RESTART)) != 0;
            GetDlgItemTextA(dialog, IDC_RESTART, buffer, sizeof buffer);
            restartCaption = buffer;
            pressKey(dialog, VK_ESCAPE);
        } else if (step == 3) {
            pressKey(dialog, VK_RETURN);
        }
        ++step;
        return true;
    });
    EXPECT_EQ(showRestart(IDS_RESTART_NEEDED), 1);
    EXPECT_FALSE(g_driverTimedOut);
    EXPECT_GE(step, 4) << "Escape ended the dialog";
    EXPECT_EQ(g_restarts, 0);
    EXPECT_TRUE(okHidden);
    EXPECT_TRUE(restartShown);
    EXPECT_EQ(restartCaption, "Restart");
    EXPECT_EQ(text.rfind("Setup has completed configuring", 0), 0u);
}

TEST_F(DialogFixture, RestartButtonCallsTheRestart)
{
    g_restarts = 0;
    g_pfnRestartSystem = fakeRestart;
    drive([&](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_RESTART, BN_CLICKED), 0);
        return true;
    });
    EXPECT_EQ(showRestart(IDS_RESTART_NEEDED), 1);
    EXPECT_FALSE(g_driverTimedOut);
    EXPECT_EQ(g_restarts, 1);
}

TEST_F(DialogFixture, OkCaptionComesFromTheLanguageSection)
{
    TempFolder folder;
    WriteBytes(folder.file("Setup.INI"), "[0x0407]\r\nOK=Weiter\r\n1108=Hinweis\r\n[0x0409]\r\nTitle=x\r\n");
    SetSetupIniPath(folder.file("Setup.INI").c_str());
    struct Case {
        int language;
        const char *ok;
        const char *caption;
    } cases[] = {{0x0407, "Weiter", "Hinweis"}, {0x0409, "", "Packagewright"}};
    for (const Case &c : cases) {
        currentLanguage = c.language;
        std::string ok = "unset", caption;
        drive([&](HWND dialog) {
            char buffer[64] = {0};
            GetDlgItemTextA(dialog, IDOK, buffer, sizeof buffer);
            ok = buffer;
            GetWindowTextA(dialog, buffer, sizeof buffer);
            caption = buffer;
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return true;
        });
        showText("text");
        KillTimer(NULL, timer);
        timer = 0;
        EXPECT_FALSE(g_driverTimedOut);
        EXPECT_EQ(ok, c.ok) << "a section without OK gives an empty caption";
        EXPECT_EQ(caption, c.caption);
    }
}

namespace {

std::map<DWORD, std::string> g_names;
DWORD fakeLanguageName(DWORD language, char *out, DWORD size)
{
    auto it = g_names.find(language);
    snprintf(out, size, "%s", it != g_names.end() ? it->second.c_str() : "Language Neutral");
    return DWORD(strlen(out));
}

struct Item {
    std::string name;
    uint32_t data;
    bool operator==(const Item &o) const { return name == o.name && data == o.data; }
};
std::ostream &operator<<(std::ostream &out, const Item &item)
{
    return out << item.name << "=" << std::hex << item.data;
}

} // namespace

TEST_F(DialogFixture, LanguageListNamesAndPreselection)
{
    g_pfnLanguageName = fakeLanguageName;
    g_names = {{0x0409, "English (United States)"},
               {0x0407, "German (Germany)"},
               {0x0807, "German (Switzerland)"},
               {0x040C, "French (France)"},
               {0x0416, "Portuguese (Brazil)"}};
    struct Case {
        std::vector<uint32_t> list;
        unsigned user;
        int current;
        std::vector<Item> items; // in the sorted order of the control
        std::string selected;
        const char *why;
        // clang-format off
    } cases[] = {
        {{0x0409, 0x0407}, 0x0407, 0x0409, {{"English (United States)", 0x0409}, {"German (Germany)", 0x0407}},
         "German (Germany)", "the user's language"},
        {{0x0409, 0x0407, 0x0807}, 0x0C07, 0x0409,
         {{"English (United States)", 0x0409}, {"German (Germany)", 0x0407}, {"German (Switzerland)", 0x0807}},
         "German (Germany)", "same primary language, sublanguage 1"},
        {{0x0409, 0x040C}, 0x0411, 0x040C, {{"English (United States)", 0x0409}, {"French (France)", 0x040C}},
         "French (France)", "no match: the current language"},
        {{0x0416, 0x040C}, 0x0411, 0x0409, {{"French (France)", 0x040C}, {"Portuguese (Brazil)", 0x0416}},
         "French (France)", "current language not listed: the first item"},
        {{0x0024, 0x0409}, 0x0409, 0x0409, {{"English (United States)", 0x0409}, {"Slovenian", 0x0024}},
         "English (United States)", "0x0024 unnamed by the system is Slovenian"},
        {{0x002D, 0x0C2D, 0x0099}, 0x0409, 0x0409, {{"Basque", 0x002D}},
         "Basque", "Basque by sublanguage 1; other unnamed entries are left out"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_LANGUAGE), NULL, plainProc, 0);
        ASSERT_NE(dialog, nullptr);
        HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
        g_languages.entries = const_cast<uint32_t *>(c.list.data());
        g_languages.count = unsigned(c.list.size());
        g_languages.userLanguage = c.user;
        currentLanguage = c.current;
        ASSERT_TRUE(fillLanguageCombo(combo));

        std::vector<Item> items;
        int count = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[260] = {0};
            SendMessageA(combo, CB_GETLBTEXT, i, LPARAM(name));
            items.push_back({name, uint32_t(SendMessageA(combo, CB_GETITEMDATA, i, 0))});
        }
        EXPECT_EQ(items, c.items);
        char selected[260] = {0};
        int index = int(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        SendMessageA(combo, CB_GETLBTEXT, index, LPARAM(selected));
        EXPECT_EQ(std::string(selected), c.selected);
        DestroyWindow(dialog);
    }
    g_languages.entries = NULL;
    g_languages.count = 0;
}

TEST_F(DialogFixture, ButtonsGrowToTheLongerCaption)
{
    struct Case {
        const char *ok;
        const char *cancel;
        bool grows;
    } cases[] = {
        {"OK", "Cancel", false},
        {"OK", "Abbrechen und zum Anfang zurueckkehren", true},
        {"Weiter zur Installation des Programms", "Nein", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cancel);
        HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_LANGUAGE), NULL, plainProc, 0);
        ASSERT_NE(dialog, nullptr);
        HWND ok = GetDlgItem(dialog, IDC_LANGUAGE_OK);
        HWND cancel = GetDlgItem(dialog, IDC_LANGUAGE_CANCEL);
        SetWindowTextA(ok, c.ok);
        SetWindowTextA(cancel, c.cancel);
        RECT okBefore, cancelBefore;
        GetWindowRect(ok, &okBefore);
        GetWindowRect(cancel, &cancelBefore);

        sizeLanguageButtons(dialog);

        // The caption is measured in the button's own font.
        const char *longer = strlen(c.cancel) > strlen(c.ok) ? c.cancel : c.ok;
        HDC dc = GetDC(ok);
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(ok, WM_GETFONT, 0, 0)));
        SIZE text, letter;
        GetTextExtentPoint32A(dc, longer, int(strlen(longer)), &text);
        GetTextExtentPoint32A(dc, "M", 1, &letter);
        SelectObject(dc, old);
        ReleaseDC(ok, dc);

        RECT okAfter, cancelAfter;
        GetWindowRect(ok, &okAfter);
        GetWindowRect(cancel, &cancelAfter);
        int width = okAfter.right - okAfter.left;
        EXPECT_EQ(cancelAfter.right - cancelAfter.left, width) << "both buttons get the same size";
        if (c.grows) {
            int shift = (text.cx + letter.cx) - (okBefore.right - okBefore.left) + letter.cx;
            EXPECT_EQ(width, text.cx + 2 * letter.cx);
            EXPECT_EQ(cancelAfter.left, cancelBefore.left - shift);
            EXPECT_EQ(okAfter.left, okBefore.left - 2 * shift);
            EXPECT_LE(okAfter.right, cancelAfter.left) << "the buttons do not overlap";
        } else {
            EXPECT_EQ(width, okBefore.right - okBefore.left);
            EXPECT_EQ(okAfter.left, okBefore.left);
            EXPECT_GE(width, text.cx + letter.cx);
        }
        DestroyWindow(dialog);
    }
}

TEST_F(DialogFixture, CharacterSetFollowsTheLanguage)
{
    struct Case {
        int language;
        BYTE charset;
        const char *why;
    } cases[] = {
        {0x0409, ANSI_CHARSET, "code page 1252"},
        {0x0419, RUSSIAN_CHARSET, "code page 1251"},
        {0x3CFF, RUSSIAN_CHARSET, "unknown language: the last set found"},
        {0x0411, SHIFTJIS_CHARSET, "code page 932"},
        {0x0408, GREEK_CHARSET, "code page 1253"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(languageCharset(c.language), c.charset) << c.why;
}

TEST_F(DialogFixture, DialogFontTakesTheCharacterSet)
{
    currentLanguage = 0x0419;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MESSAGE), NULL, plainProc, 0);
    ASSERT_NE(dialog, nullptr);
    HFONT original = HFONT(SendMessageA(dialog, WM_GETFONT, 0, 0));
    HFONT font = createDialogFont(dialog);
    ASSERT_NE(font, nullptr);
    LOGFONTA before, after;
    GetObjectA(original, sizeof before, &before);
    GetObjectA(font, sizeof after, &after);
    EXPECT_EQ(after.lfCharSet, RUSSIAN_CHARSET);
    EXPECT_EQ(after.lfHeight, before.lfHeight);
    EXPECT_STREQ(after.lfFaceName, before.lfFaceName);
    DestroyWindow(dialog);
    DeleteObject(font);
}

TEST_F(DialogFixture, CentredOnTheScreen)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_LANGUAGE), NULL, plainProc, 0);
    ASSERT_NE(dialog, nullptr);
    centreDialog(dialog, NULL);
    RECT box;
    GetWindowRect(dialog, &box);
    int width = box.right - box.left, height = box.bottom - box.top;
    EXPECT_EQ(box.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(box.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    DestroyWindow(dialog);
}
