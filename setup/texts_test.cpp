// Setup.INI readers, text lookup and language resolution.
#include <gtest/gtest.h>

#include <string.h>
#include <map>

#include "context.h"
#include "format_check.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

unsigned g_userLanguage;
unsigned fakeUserLanguage() { return g_userLanguage; }

struct IniFixture : ::testing::Test {
    LauncherState state;
    TempFolder folder;
    std::string ini = folder.file("Setup.INI");
    SetupContext context{GetModuleHandleA(NULL), ""};

    IniFixture() { SetupContext::assign(context.workFolder, folder.path().c_str()); }
    void write(const std::string &text) { WriteBytes(ini, text); }
};

const char STARTUP[] =
    "[Startup]\r\nProduct=Vizor Cinema\r\nPackageName=Vizor.msi\r\nMsiVersion=2.0.2600.0\r\nEnableLangDlg=Y\r\n";

} // namespace

TEST_F(IniFixture, ReadsTheStartupKeys)
{
    write(std::string(STARTUP) + "CmdLine=ADDLOCAL=ALL\r\nMode=3\r\n[Info]\r\nDiskSpace=12345\r\n");
    ASSERT_EQ(readSetupIni(&context), 1);
    EXPECT_STREQ(context.productName, "Vizor Cinema");
    EXPECT_STREQ(context.packageName, "Vizor.msi");
    EXPECT_STREQ(context.requiredEngineVersion, "2.0.2600.0");
    EXPECT_EQ(context.languageDialogEnabled, 1);
    EXPECT_EQ(context.diskSpaceKb, 12345u);
    EXPECT_STREQ(context.packageProperties, "ADDLOCAL=ALL");
    EXPECT_EQ(context.installMode, Advertise);
    EXPECT_STREQ(context.modeOptions, "");
}

TEST_F(IniFixture, OptionalKeysAndTheirDefaults)
{
    struct Case {
        const char *extra;  // appended after the Startup section
        const char *enable; // EnableLangDlg value
        int silent;
        unsigned diskSpace;
        int dialog;
        const char *why;
    } cases[] = {
        {"[Info]\r\nDiskSpace=8000\t; KB needed\r\n", "Y", 0, 8000, 1, "tab and comment after the number"},
        {"[Info]\r\nDiskSpace=\r\n", "yes", 0, 8000, 1, "empty DiskSpace; only the y of yes counts"},
        {"", "N", 0, 8000, 0, "no Info section"},
        {"[Info]\r\nDiskSpace=20000KB\r\n", "n", 0, 20000, 0, "leading digits only"},
        {"", "Y", 1, 8000, 0, "silent mode never shows the dialog"},
        {"", "x", 0, 8000, 0, "anything else disables it"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        silentMode = c.silent;
        write(std::string("[Startup]\r\nProduct=P\r\nPackageName=p.msi\r\nMsiVersion=2.0\r\nEnableLangDlg=") +
              c.enable + "\r\n" + c.extra);
        ASSERT_EQ(readSetupIni(&context), 1);
        EXPECT_EQ(context.diskSpaceKb, c.diskSpace);
        EXPECT_EQ(context.languageDialogEnabled, c.dialog);
    }
}

TEST_F(IniFixture, RequiredKeysMissingOrEmptyFail)
{
    const char *keys[] = {"Product", "PackageName", "MsiVersion", "EnableLangDlg"};
    for (const char *missing : keys) {
        SCOPED_TRACE(missing);
        std::string text = "[Startup]\r\n";
        for (const char *key : keys)
            text += std::string(key) + "=" + (strcmp(key, missing) == 0 ? "" : "v") + "\r\n";
        write(text);
        EXPECT_EQ(readSetupIni(&context), 0);
    }
    DeleteFileA(ini.c_str());
    EXPECT_EQ(readSetupIni(&context), 0) << "no Setup.INI at all";
}

TEST_F(IniFixture, CommandLineSwitchesWinOverTheFile)
{
    write(std::string(STARTUP) + "CmdLine=FROM_FILE=1\r\nMode=3\r\n");
    snprintf(context.packageProperties, sizeof context.packageProperties, "FROM_SWITCH=1");
    context.installMode = Uninstall;
    ASSERT_EQ(readSetupIni(&context), 1);
    EXPECT_STREQ(context.packageProperties, "FROM_SWITCH=1");
    EXPECT_EQ(context.installMode, Uninstall);
}

TEST_F(IniFixture, LookupStringPrefersTheLanguageSection)
{
    write("[Languages]\r\nCount=1\r\nDefault=407\r\n"
          "[0x0407]\r\n1103=Betriebssystem wird geprueft\r\n1151=\r\n1104=a\\nb\r\n"
          "1208=" +
          std::string(400, 'z') + "\r\n");
    int language = 0;
    unsigned count = 0;
    ASSERT_EQ(resolveLanguage(GetModuleHandleA(nullptr), IDD_LANGUAGE, IDI_DIALOG, &language, &count, 0,
                              folder.path().c_str()),
              0);
    EXPECT_EQ(currentLanguage, 0x0407);

    struct Case {
        int id;
        int maximum;
        std::string expected;
        const char *why;
    } cases[] = {
        {1103, 300, "Betriebssystem wird geprueft", "text of the section"},
        {1151, 300, "Error writing to the temporary location", "an empty 1151= falls back to the table"},
        {1104, 300, "a\\nb", "a backslash n stays two characters"},
        {1208, 300, std::string(299, 'z'), "a file text is read up to 299 characters"},
        {1103, 5, "Betr", "cut to the maximum"},
        {1105, 300, "Configuring Windows Installer", "a key the section lacks"},
        {1105, 12, "Configuring", "a table text cut to the maximum"},
        {4242, 300, "", "an id found nowhere is empty"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        char text[400];
        memset(text, '#', sizeof text);
        int n = LookupString(c.id, text, c.maximum);
        EXPECT_EQ(std::string(text), c.expected);
        EXPECT_EQ(n, int(c.expected.size()));
    }
}

TEST_F(IniFixture, BuiltInTableBeforeAnyResolution)
{
    write("[0x0000]\r\n1103=never read\r\n");
    char text[300];
    LookupString(IDS_CHECKING_ENGINE, text, sizeof text);
    EXPECT_STREQ(text, "Checking Windows\xAE Installer Version");
    LookupString(IDS_ERROR_SYSTEM, text, sizeof text);
    EXPECT_STREQ(text, "Setup has detected an incompatible version of\nWindows. Please click OK and relaunch "
                       "setup on\nWindows 95, Windows NT 4.0, or later");
    LookupString(IDS_CHECKING_SYSTEM, text, sizeof text);
    EXPECT_STREQ(text, "Checking Operating System Version");
}

TEST(FormatCheck, ConversionsMustFitTheArguments)
{
    struct Case {
        const char *text;
        const char *kinds;
        bool ok;
    } cases[] = {
        {"Error extracting '%s' to the temporary location", "s", true},
        {"no conversion at all", "s", true},
        {"100%% sure: %s", "s", true},
        {"%-20s|", "s", true},
        {"%s and %s", "s", false},
        {"%d", "s", false},
        {"%n", "s", false},
        {"%S", "s", false},
        {"%*s", "s", false},
        {"%ls", "s", false},
        {"%99999999s", "s", false},
        {"%.5000s", "s", false},
        {"trailing %", "s", false},
        {"Setup needs %lu KB free disk space in %s.", "ls", true},
        {"Setup needs %u KB in %s.", "ls", true},
        {"Setup needs %s KB in %lu.", "ls", false},
        {"%llu", "ls", false},
        {"%lu", "", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatMatches(c.text, c.kinds), c.ok) << c.text;
}

TEST_F(IniFixture, UnfitFormatsFromTheFileFallBackToTheTable)
{
    write("[Languages]\r\nCount=1\r\nDefault=409\r\n"
          "[0x0409]\r\n1152=Cannot extract %n here\r\n1155=Missing: %s\r\n1201=Need %s in %d\r\n");
    int language = 0;
    unsigned count = 0;
    resolveLanguage(GetModuleHandleA(NULL), IDD_LANGUAGE, IDI_DIALOG, &language, &count, 0, folder.path().c_str());
    char text[300];
    LookupFormat(IDS_ERROR_EXTRACTING, text, sizeof text);
    EXPECT_STREQ(text, "Error extracting '%s' to the temporary location");
    LookupFormat(IDS_ERROR_FILE_NOT_FOUND, text, sizeof text);
    EXPECT_STREQ(text, "Missing: %s");
    LookupFormat(IDS_ERROR_DISK_SPACE, text, sizeof text);
    EXPECT_STREQ(text, "Setup needs %lu KB free disk space in %s. Please free up some space and try again");
}

TEST(LanguageSections, NamedWithFourHexDigits)
{
    struct Case {
        int language;
        const char *name;
    } cases[] = {{1033, "0x0409"}, {0x0407, "0x0407"}, {0x24, "0x0024"}, {0x10407, "0x10407"}};
    for (const Case &c : cases) {
        char name[16];
        languageSectionName(c.language, name, sizeof name);
        EXPECT_STREQ(name, c.name);
    }
}

TEST_F(IniFixture, TitleIsAlsoFoundWithoutThePrefix)
{
    write("[Languages]\r\nCount=1\r\nDefault=409\r\n[0409]\r\nTitle=Plain\r\n[0x0407]\r\nTitle=Prefixed\r\n"
          "[0407]\r\nTitle=Never\r\n[0x0409]\r\nOK=Go\r\n");
    SetSetupIniPath(ini.c_str());
    char title[127];
    EXPECT_TRUE(readLanguageTitle(0x0409, title, sizeof title));
    EXPECT_STREQ(title, "Plain");
    EXPECT_TRUE(readLanguageTitle(0x0407, title, sizeof title));
    EXPECT_STREQ(title, "Prefixed");
    EXPECT_FALSE(readLanguageTitle(0x040C, title, sizeof title));
    char ok[260];
    readLanguageKey(0x0409, "OK", ok, sizeof ok);
    EXPECT_STREQ(ok, "Go");
}

TEST_F(IniFixture, ResolutionWithoutDialog)
{
    g_pfnUserDefaultLanguage = fakeUserLanguage;
    struct Case {
        std::string languages;
        unsigned user;
        int result;
        int language;
        unsigned count;
        const char *why;
        // clang-format off
    } cases[] = {
        {"Count=2\r\nDefault=409\r\nkey0=407\r\nkey1=409\r\n", 0x0807, 0, 0x0407, 2,
         "0x0807 and 0x0007 not listed: best primary match of 7"},
        {"Count=2\r\nDefault=409\r\nkey0=407\r\nkey1=409\r\n", 0x0407, 0, 0x0407, 2, "user language listed"},
        {"Count=2\r\nDefault=409\r\nkey0=7\r\nkey1=409\r\n", 0x0807, 0, 0x0007, 2, "primary language listed"},
        {"Count=2\r\nDefault=409\r\nkey0=40C\r\nkey1=409\r\n", 0x0411, 0, 0x0409, 2, "no match: the default"},
        {"Count=2\r\nDefault=409\r\n", 0x0409, 0, 0x0409, 2, "user is the default: no list read"},
        {"Count=2\r\nDefault=409\r\nkey0=407\r\n", 0x0807, -6, 0x0409, 2, "key1 missing"},
        {"Count=1\r\nDefault=40C\r\n", 0x0407, 0, 0x040C, 1, "Count=1 needs no key entries"},
        {"Default=409\r\nkey0=409\r\n", 0x0409, -6, 0, 0, "no Count"},
        {"Count=0\r\nDefault=409\r\n", 0x0409, -6, 0, 0, "Count=0"},
        {"Count=2\r\nkey0=409\r\nkey1=407\r\n", 0x0409, -6, 0, 2, "no Default"},
        {"Count=1073741825\r\nDefault=409\r\n", 0x0407, -4, 0x0409, 1073741825u,
         "Count times 4 wraps a 32-bit size"},
        {"Count=-1\r\nDefault=409\r\n", 0x0407, -4, 0x0409, 0xFFFFFFFFu, "negative Count"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        write("[Languages]\r\n" + c.languages);
        g_userLanguage = c.user;
        currentLanguage = 0;
        int language = 0;
        unsigned count = 0;
        int result = resolveLanguage(GetModuleHandleA(NULL), IDD_LANGUAGE, IDI_DIALOG, &language, &count, 0,
                                     folder.path().c_str());
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(language, c.language);
        EXPECT_EQ(count, c.count);
        if (result == 0) {
            EXPECT_EQ(currentLanguage, c.language);
        }
        EXPECT_EQ(g_languages.entries, nullptr) << "the list is freed after the resolution";
    }
    EXPECT_STREQ(SetupIniPath(), ini.c_str());
}

TEST(BestPrimaryMatch, SublanguageOneWins)
{
    LauncherState state;
    struct Case {
        std::vector<uint32_t> list;
        uint32_t primary;
        uint32_t expected;
        // clang-format off
    } cases[] = {
        {{0x0C07, 0x0407}, 7, 0x0407},
        {{0x0407, 0x0C07}, 7, 0x0407},
        {{0x0C07, 0x0807}, 7, 0x0C07},
        {{0x0409, 0x040C}, 7, 0},
        {{0x10407}, 7, 0x10407},
        {{}, 7, 0},
    };
    // clang-format on
    for (const Case &c : cases) {
        g_languages.entries = const_cast<uint32_t *>(c.list.data());
        g_languages.count = unsigned(c.list.size());
        EXPECT_EQ(bestPrimaryMatch(c.primary), c.expected) << "first entry " << (c.list.empty() ? 0 : c.list[0]);
    }
    g_languages.entries = NULL;
    g_languages.count = 0;
}

namespace {

std::map<DWORD, std::string> g_names;
DWORD fakeLanguageName(DWORD language, char *out, DWORD size)
{
    auto it = g_names.find(language);
    std::string name = it != g_names.end() ? it->second : "Language Neutral";
    snprintf(out, size, "%s", name.c_str());
    return DWORD(strlen(out));
}

} // namespace

TEST(LanguageDisplayName, UnnamedPrimaryLanguageTakesSublanguageOne)
{
    LauncherState state;
    g_pfnLanguageName = fakeLanguageName;
    g_names = {{0x0407, "German (Germany)"}, {0x0424, "Slovenian (Slovenia)"}, {0x0009, "English"}};
    struct Case {
        int language;
        const char *name;
        // clang-format off
    } cases[] = {
        {0x0407, "German (Germany)"},
        {0x0024, "Slovenian (Slovenia)"},
        {0x0009, "English"},
        {0x0025, "Language Neutral"},
        {0x0C24, "Language Neutral"},
    };
    // clang-format on
    for (const Case &c : cases) {
        char name[260];
        languageDisplayName(c.language, name, sizeof name);
        EXPECT_STREQ(name, c.name) << std::hex << c.language;
    }
}
