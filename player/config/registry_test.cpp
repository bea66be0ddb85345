// The settings store against the registry of the test prefix: the user's keys
// (HKEY_CURRENT_USER) and the machine's (HKEY_LOCAL_MACHINE, the program's own
// 64-bit view). Every test starts and ends without the keys.
#include "config/registry.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

using namespace settings_test;

namespace {

const char VIZOR_CINEMA[] = "Software\\Brontide\\Vizor Cinema";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPlayerRecords();
        // Values no read produces, so that every field the read writes shows up.
        movie.StereoCodingFormat = (StereoCodingFormat)4242;
        movie.EyeCodingFormat = (EyeCodingFormat)4242;
        output.OutputFormat = (OutputFormat)4242;
        output.VideomemoryMethod = (VideomemoryMethod)4242;
        output.StrenghtOf2Dto3DEffect = 4242;
        movie.bMCF = 1;
        state.frameCount = 9;
        state.bApplicationMinimized = 1;
    }
    static std::string Settings()
    {
        return std::to_string(movie.StereoCodingFormat) + " " + std::to_string(movie.EyeCodingFormat) + " " +
               std::to_string(output.OutputFormat) + " " + std::to_string(output.VideomemoryMethod) + " " +
               std::to_string(output.StrenghtOf2Dto3DEffect);
    }
    std::string ErrorBoxText() const { return "See " + log.path + " for error analysis"; }
    static std::string Dword(DWORD value) { return std::string((const char *)&value, sizeof value); }

    SettingsKeys keys;
    SettingsLog log;
    BoxRecorder boxes;
};

const char READ_DONE[] = "Movie parameters read from registry and set to default values\n";

TEST_F(SettingsTest, FirstStartWritesTheDefaultsWithoutABox)
{
    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1076 1080 1073 1083 50", Settings());
    EXPECT_EQ(0, movie.bMCF);
    EXPECT_EQ(0, state.frameCount);
    EXPECT_EQ(0, state.bApplicationMinimized);
    EXPECT_EQ(std::string("Read registry failed, traying to initializae registry\n"
                          "Input Coding 1076 Requested Output 1073 \n") +
                  READ_DONE,
              log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());

    const struct {
        const char *key, *valueName;
        DWORD value;
        // clang-format off
    } stored[] = {
        {szKey1, "StereoCodingFormat", 1076}, {szKey1, "EyeCodingFormat", 1080},
        {szKey2, "OutputFormat", 1073},       {szKey2, "VideomemoryMethod", 1083},
        {szKey2, "StrenghtOf2Dto3DEffect", 50},
    };
    // clang-format on
    for (const auto &s : stored) {
        SCOPED_TRACE(s.valueName);
        DWORD type;
        EXPECT_EQ(Dword(s.value), SettingsKeys::GetUser(s.key, s.valueName, &type));
        EXPECT_EQ((DWORD)REG_DWORD, type);
        EXPECT_EQ("", SettingsKeys::Get(s.key, s.valueName)) << "the machine's keys are never written";
    }
    EXPECT_EQ("", SettingsKeys::GetUser(szKey2, "StereoCodingFormat")) << "each value lives in its own key";
}

TEST_F(SettingsTest, MachinePresetsAreReadFromTheProgramsOwnRegistryView)
{
    // The package writes the presets into one view of the machine's keys; the
    // program reads its own view only (no Wow6432Node for the x86_64 build).
    const struct {
        const char *name;
        REGSAM view;
        bool found;
    } views[] = {
        {"64-bit view", KEY_WOW64_64KEY, sizeof(void *) == 8},
        {"32-bit view", KEY_WOW64_32KEY, sizeof(void *) == 4},
    };
    for (const auto &v : views) {
        SCOPED_TRACE(v.name);
        SettingsKeys::Delete();
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, szKey1, 0, NULL, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS | v.view, NULL, &key, NULL));
        const DWORD value = 1078;
        RegSetValueExA(key, "StereoCodingFormat", 0, REG_DWORD, (const BYTE *)&value, sizeof value);
        RegCloseKey(key);
        LONG number = -1;
        EXPECT_EQ(v.found ? 0 : 1, ReadSetting(szKey1, "StereoCodingFormat", number));
        EXPECT_EQ(v.found ? 1078 : 0, number);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA); // this view's keys
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, szKey1, v.view, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA, v.view, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brontide", v.view, 0);
    }
}

TEST_F(SettingsTest, AStandardUserGetsTheDefaultsInItsOwnKeysWithoutABox)
{
    // The machine's keys cannot be written, as for a user who is not an administrator.
    SettingsKeys::MakeUnwritable(HKEY_LOCAL_MACHINE);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1076 1080 1073 1083 50", Settings());
    EXPECT_EQ(std::string("Read registry failed, traying to initializae registry\n"
                          "Input Coding 1076 Requested Output 1073 \n") +
                  READ_DONE,
              log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Dword(1083), SettingsKeys::GetUser(szKey2, "VideomemoryMethod"));

    // The next movie finds them there: nothing is written again.
    log.Clear();
    movie.StereoCodingFormat = (StereoCodingFormat)4242;
    ReadRegistrySettings(movie, output, state);
    EXPECT_EQ("1076 1080 1073 1083 50", Settings());
    EXPECT_EQ(std::string("Input Coding 1076 Requested Output 1073 \n") + READ_DONE, log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsTest, InstalledPresetsAreReadWhenTheUserHasNoneAndAreNotCopied)
{
    SettingsKeys::SetNumber(szKey1, "StereoCodingFormat", 1077);
    SettingsKeys::SetNumber(szKey1, "EyeCodingFormat", 1081);
    SettingsKeys::SetNumber(szKey2, "OutputFormat", 1074);
    SettingsKeys::SetNumber(szKey2, "VideomemoryMethod", 1082);
    SettingsKeys::SetNumber(szKey2, "StrenghtOf2Dto3DEffect", 30);
    SettingsKeys::MakeUnwritable(HKEY_CURRENT_USER);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1077 1081 1074 1082 30", Settings());
    EXPECT_EQ(std::string("Input Coding 1077 Requested Output 1074 \n") + READ_DONE, log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsTest, EachSettingComesFromTheUserBeforeTheMachine)
{
    // Which root holds each value (U user, M machine, B both, - neither).
    const struct {
        const char *key, *valueName;
        char where;
        DWORD user, machine;
        // clang-format off
    } values[] = {
        {szKey1, "StereoCodingFormat", 'B', 1079, 1076},
        {szKey1, "EyeCodingFormat", 'M', 0, 1081},
        {szKey2, "OutputFormat", 'U', 1075, 0},
        {szKey2, "VideomemoryMethod", 'B', 1082, 1083},
        {szKey2, "StrenghtOf2Dto3DEffect", '-', 0, 0},
    };
    // clang-format on
    for (const auto &v : values) {
        if (v.where == 'U' || v.where == 'B')
            SettingsKeys::SetUserNumber(v.key, v.valueName, v.user);
        if (v.where == 'M' || v.where == 'B')
            SettingsKeys::SetNumber(v.key, v.valueName, v.machine);
    }

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1079 1081 1075 1082 0", Settings());
    EXPECT_EQ(std::string("RegistryRead(HKEY_LOCAL_MACHINE, szKey2, \"StrenghtOf2Dto3DEffect\", NULL, 0, &lResult, "
                          "NULL, 0)  failed with HRESULT(0x00000001)\n"
                          "Input Coding 1079 Requested Output 1075 \n") +
                  READ_DONE,
              log.Body())
        << "a value missing from both keys is reported once and not repaired";
    EXPECT_EQ(1u, boxes.Boxes().size());
}

TEST_F(SettingsTest, StoredValuesAreLoadedAsTheyAre)
{
    SettingsKeys::SetNumber(szKey1, "StereoCodingFormat", 1079);
    SettingsKeys::SetNumber(szKey1, "EyeCodingFormat", 1081);
    SettingsKeys::SetNumber(szKey2, "OutputFormat", 1075);
    SettingsKeys::SetNumber(szKey2, "VideomemoryMethod", 1082);
    SettingsKeys::SetNumber(szKey2, "StrenghtOf2Dto3DEffect", 250);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1079 1081 1075 1082 250", Settings());
    EXPECT_EQ(std::string("Input Coding 1079 Requested Output 1075 \n") + READ_DONE, log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsTest, ValueNamesMatchWhateverTheCaseOfTheirLetters)
{
    SettingsKeys::SetNumber(szKey1, "stereocodingformat", 1077);
    SettingsKeys::SetNumber(szKey1, "EYECODINGFORMAT", 1081);
    SettingsKeys::SetNumber(szKey2, "outputFormat", 1072);
    SettingsKeys::SetNumber(szKey2, "videomemorymethod", 1082);
    SettingsKeys::SetNumber(szKey2, "strenghtof2dto3deffect", 10);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1077 1081 1072 1082 10", Settings());
    EXPECT_EQ(std::string("Input Coding 1077 Requested Output 1072 \n") + READ_DONE, log.Body())
        << "found at the first read: nothing initialised";
}

TEST_F(SettingsTest, AMissingValueReadsAsZeroWithOneReport)
{
    SettingsKeys::SetNumber(szKey1, "StereoCodingFormat", 1078);
    SettingsKeys::SetNumber(szKey1, "EyeCodingFormat", 1080);
    SettingsKeys::SetNumber(szKey2, "VideomemoryMethod", 1083);
    SettingsKeys::SetNumber(szKey2, "StrenghtOf2Dto3DEffect", 50);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("1078 1080 0 1083 50", Settings());
    EXPECT_EQ(std::string("RegistryRead(HKEY_LOCAL_MACHINE, szKey2, \"OutputFormat\", NULL, 0, &lResult, NULL, 0)  "
                          "failed with HRESULT(0x00000001)\n"
                          "Input Coding 1078 Requested Output 0 \n") +
                  READ_DONE,
              log.Body());
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(ErrorBoxText(), boxes.Boxes()[0].text);
    EXPECT_EQ("Error", boxes.Boxes()[0].caption);
    EXPECT_EQ((UINT)MB_OK, boxes.Boxes()[0].type);
    EXPECT_EQ(ghWnd, boxes.Boxes()[0].owner);
    EXPECT_EQ("", SettingsKeys::Get(szKey2, "OutputFormat")) << "a missing value is not repaired";
}

TEST_F(SettingsTest, KeysThatCannotBeWrittenGiveTenReportsAndZeros)
{
    // Neither the user's keys nor the machine's can be written, and neither holds
    // a setting: every write fails, then every read.
    SettingsKeys::MakeUnwritable(HKEY_CURRENT_USER);
    SettingsKeys::MakeUnwritable(HKEY_LOCAL_MACHINE);

    ReadRegistrySettings(movie, output, state);

    EXPECT_EQ("0 0 0 0 0", Settings());
    EXPECT_EQ(0, movie.bMCF);
    EXPECT_EQ(std::string("Read registry failed, traying to initializae registry\n"
                          "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, SHIFTED_AB)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, LEFT_TOP)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,OUTPUT_PURE_INTERLACED)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL, VIDEOMEMORY_METHOD2)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, 50)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryRead(HKEY_LOCAL_MACHINE, szKey1, \"StereoCodingFormat\", NULL, 0, &lResult, NULL, "
                          "0)  failed with HRESULT(0x00000001)\n"
                          "RegistryRead(HKEY_LOCAL_MACHINE, szKey1, \"EyeCodingFormat\", NULL, 0, &lResult, NULL, 0)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryRead(HKEY_LOCAL_MACHINE, szKey2, \"OutputFormat\", NULL, 0, &lResult, NULL, 0)  "
                          "failed with HRESULT(0x00000001)\n"
                          "RegistryRead(HKEY_LOCAL_MACHINE, szKey2, \"VideomemoryMethod\", NULL, 0, &lResult, NULL, "
                          "0)  failed with HRESULT(0x00000001)\n"
                          "RegistryRead(HKEY_LOCAL_MACHINE, szKey2, \"StrenghtOf2Dto3DEffect\", NULL, 0, &lResult, "
                          "NULL, 0)  failed with HRESULT(0x00000001)\n"
                          "Input Coding 0 Requested Output 0 \n") +
                  READ_DONE,
              log.Body());
    ASSERT_EQ(10u, boxes.Boxes().size());
    for (const auto &box : boxes.Boxes()) {
        EXPECT_EQ(ErrorBoxText(), box.text);
        EXPECT_EQ("Error", box.caption);
    }
}

TEST_F(SettingsTest, NumbersAreTheFirstFourBytesOfAnyValue)
{
    const BYTE qword[8] = {0x0D, 0xF0, 0xAD, 0x0B, 0xEF, 0xBE, 0xAD, 0xDE};
    const BYTE two[2] = {0x34, 0x12};
    const struct {
        const char *valueName;
        DWORD type;
        const void *data;
        DWORD size;
        LONG expected;
    } cases[] = {
        {"Dword", REG_DWORD, "\x37\x04\x00\x00", 4, 1079},
        {"Text", REG_SZ, "ABCDEF", 7, 0x44434241},
        {"Short text", REG_SZ, "AB", 3, 0x00004241},
        {"Qword", REG_QWORD, qword, 8, 0x0BADF00D},
        {"Two bytes", REG_BINARY, two, 2, 0x1234}, // what a short value lacks reads as 0
        {"Empty", REG_BINARY, "", 0, 0},
    };
    for (const auto &c : cases)
        SettingsKeys::Set(szKey1, c.valueName, c.type, c.data, c.size);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.valueName);
        LONG number = -1;
        EXPECT_EQ(0, RegistryRead(HKEY_LOCAL_MACHINE, szKey1, c.valueName, NULL, 0, &number, NULL, 77));
        EXPECT_EQ(c.expected, number);
    }
}

TEST_F(SettingsTest, TextReadsAreCutToTheirBuffer)
{
    SettingsKeys::Set(szKey1, "Name", REG_SZ, "Vizor Cinema", 13);
    const struct {
        const char *name;
        const char *valueName;
        int size;
        int result;
        const char *expected;
    } cases[] = {
        {"fits", "Name", 32, 0, "Vizor Cinema"},
        {"exactly", "Name", 13, 0, "Vizor Cinema"},
        {"cut", "Name", 6, 0, "Vizor"},
        {"missing value keeps the default", "Other", 32, 1, "default"},
        {"missing value, default cut", "Other", 4, 1, "def"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        char text[64];
        memset(text, 'x', sizeof text);
        EXPECT_EQ(c.result, RegistryRead(HKEY_LOCAL_MACHINE, szKey1, c.valueName, text, c.size, NULL, "default", 0));
        EXPECT_STREQ(c.expected, text);
        EXPECT_EQ('x', text[c.size]) << "wrote past the buffer";
    }
    EXPECT_EQ(1, RegistryRead(HKEY_LOCAL_MACHINE, szKey1, "Name", NULL, 0, NULL, NULL, 0)) << "nowhere to put it";
    LONG number = 5;
    EXPECT_EQ(1, RegistryRead(HKEY_LOCAL_MACHINE, "Software\\Brontide\\Nothing", "Name", NULL, 0, &number, NULL, 3));
    EXPECT_EQ(3, number) << "a missing key leaves the default";
}

TEST_F(SettingsTest, EnumerationStopsAtAValueTooLargeForItsBuffers)
{
    // Values are listed in name order in the test prefix: the blocker comes first.
    const std::string longName(100, 'A');
    SettingsKeys::SetNumber(szKey1, longName.c_str(), 1);
    SettingsKeys::SetNumber(szKey1, "StereoCodingFormat", 1078);
    LONG number = 0;
    EXPECT_EQ(1, RegistryRead(HKEY_LOCAL_MACHINE, szKey1, "StereoCodingFormat", NULL, 0, &number, NULL, 0));
    EXPECT_EQ(0, number);

    const std::string bigData(300, 'd');
    SettingsKeys::SetNumber(szKey2, "OutputFormat", 1074);
    SettingsKeys::Set(szKey2, "A big value", REG_BINARY, bigData.data(), (DWORD)bigData.size());
    EXPECT_EQ(1, RegistryRead(HKEY_LOCAL_MACHINE, szKey2, "OutputFormat", NULL, 0, &number, NULL, 0));
}

TEST_F(SettingsTest, WritesCreateTheKeyAndReplaceValues)
{
    EXPECT_EQ(0, RegistryWrite(HKEY_LOCAL_MACHINE, szKey2, "StrenghtOf2Dto3DEffect", NULL, 50));
    EXPECT_EQ(Dword(50), SettingsKeys::Get(szKey2, "StrenghtOf2Dto3DEffect"));
    EXPECT_EQ(0, RegistryWrite(HKEY_LOCAL_MACHINE, szKey2, "strenghtof2dto3deffect", NULL, -3));
    EXPECT_EQ(Dword((DWORD)-3), SettingsKeys::Get(szKey2, "StrenghtOf2Dto3DEffect"));

    DWORD type;
    EXPECT_EQ(0, RegistryWrite(HKEY_LOCAL_MACHINE, szKey1, "Name", "Vizor", 0));
    EXPECT_EQ(std::string("Vizor\0", 6), SettingsKeys::Get(szKey1, "Name", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);

    const std::string longText(400, 't');
    EXPECT_EQ(0, RegistryWrite(HKEY_LOCAL_MACHINE, szKey1, "Long", longText.c_str(), 0));
    EXPECT_EQ(std::string(255, 't') + '\0', SettingsKeys::Get(szKey1, "Long")) << "cut to 255 characters";
}

TEST_F(SettingsTest, WriteFailsWhenTheKeyCannotBeCreated)
{
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, VIZOR_CINEMA, 0, NULL, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, NULL, &parent, NULL));
    RegCloseKey(parent);
    EXPECT_EQ(1, RegistryWrite(HKEY_LOCAL_MACHINE, szKey1, "StereoCodingFormat", NULL, 1076));
    EXPECT_EQ("", SettingsKeys::Get(szKey1, "StereoCodingFormat"));
}

} // namespace
