// Version comparison, the platform record and the command texts of the
// installer engine step.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>
#include <string>
#include <vector>

#include "engine_commands.h"
#include "test_support.h"

TEST(EngineCommands, CompareVersions)
{
    struct Case {
        const char *a;
        const char *b;
        int expected;
        // clang-format off
    } cases[] = {
        {"1.10.1029.1", "1.10.1029.1", 0},
        {"1.1.4000.0", "1.2", 1},          // missing parts are 0: 1 < 2 decides in the second part
        {"1.2", "1.1.4000.0", -1},
        {"", "2.0", 1},                    // no engine at all is older than any required one
        {"2.0", "", -1},
        {"", "", 0},
        {"2.0", "2.0.0.0", 0},
        {"1.10", "1.9", -1},               // numbers, not text
        {"4.5.6001.22308", "3.1", -1},
        {"4.5.6001.22308", "4.5.6001.22309", 1},
        {"1.2.3.4.5", "1.2.3.4", 0},        // a fifth part is not read
        {"1.x.3", "1.0.9", 1},              // reading stops at x: 1.0.0.0 against 1.0.9.0
        {"1..3", "1.0.0", 0},
        {" 2. 1", "2.1", 0},                // blanks before a number are skipped
        {"-1", "0", 0},                     // no sign: unreadable, so 0
        {"99999999999", "4294967295", 0},   // too large for 32 bits: the largest value
        {"5.0", "5.0.0.1", 1},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << "'" << c.a << "' against '" << c.b << "'";
    EXPECT_EQ(CompareVersions(nullptr, "1.0"), 0);
    EXPECT_EQ(CompareVersions("1.0", nullptr), 0);

    char out[16];
    majorMinor("5.0.2195.6660", out, sizeof out);
    EXPECT_STREQ(out, "5.0");
    majorMinor("", out, sizeof out);
    EXPECT_STREQ(out, "0.0");
}

TEST(EngineCommands, PlatformRecord)
{
    struct Case {
        SystemVersion version;
        PlatformCode platform;
        const char *osVersion;
        int supported;
        const char *engine;
        // clang-format off
    } cases[] = {
        {{true, 0, 3, 11, 0}, PLATFORM_WIN32S, "", 0, NULL},
        {{true, 1, 4, 10, 0}, PLATFORM_WIN9X, "4.10", 1, "INSTMSIA.EXE"},
        {{true, 2, 4, 0, 0}, PLATFORM_NT_X86, "4.0", 1, "INSTMSIW.EXE"},
        {{true, 2, 3, 51, 0}, PLATFORM_NT_X86, "3.51", 0, "INSTMSIW.EXE"},
        {{true, 2, 6, 1, 9}, PLATFORM_NT_X86, "6.1", 1, "INSTMSIW.EXE"},   // x64: not one of the listed ones
        {{true, 2, 4, 0, 1}, PLATFORM_NT_MIPS, "4.0", 1, "INSTMSIW.EXE"},
        {{true, 2, 4, 0, 2}, PLATFORM_NT_ALPHA, "4.0", 1, "INSTMSIW.EXE"},
        {{true, 2, 4, 0, 3}, PLATFORM_NT_PPC, "4.0", 1, "INSTMSIW.EXE"},
        {{true, 2, 5, 0, 0x10002}, PLATFORM_NT_ALPHA, "5.0", 1, "INSTMSIW.EXE"},   // low 16 bits only
        {{true, 3, 10, 0, 0}, PLATFORM_WIN9X, "", 0, "INSTMSIA.EXE"},    // unknown platform id: left as code 1
        {{false, 2, 6, 1, 0}, PLATFORM_WIN9X, "", 0, "INSTMSIA.EXE"},    // the platform did not answer
    };
    // clang-format on
    for (const Case &c : cases) {
        PlatformRecord record;
        describePlatform(c.version, &record);
        SCOPED_TRACE(testing::Message() << "platform id " << c.version.platformId << ", " << c.version.major << "."
                                        << c.version.minor << ", processor " << c.version.architecture);
        EXPECT_EQ(record.platform, c.platform);
        EXPECT_STREQ(record.osVersion, c.osVersion);
        EXPECT_EQ(record.osSupported, c.supported);
        const char *engine = engineInstallerName(record.platform);
        EXPECT_STREQ(engine ? engine : "(none)", c.engine ? c.engine : "(none)");
    }
}

TEST(EngineCommands, PropertiesWithTheLanguageTransform)
{
    struct Case {
        const char *properties;
        unsigned languages;
        int locationsFromCommandLine;
        const char *transform;
        const char *expected;
        // clang-format off
    } cases[] = {
        {"", 1, 0, "1033.MST", ""},
        {"ADDLOCAL=ALL", 0, 0, "1033.MST", "ADDLOCAL=ALL"},
        {"", 2, 0, "1033.MST", " TRANSFORMS=\"1033.MST\""},
        {"ADDLOCAL=ALL", 2, 1, "1033.MST", "ADDLOCAL=ALL"},   // the relaunched copy: already in the text
        {"ADDLOCAL=ALL TRANSFORMS=\"custom.mst\"", 2, 0, "1031.MST",
         "ADDLOCAL=ALL TRANSFORMS=\"1031.MST;custom.mst\""},
        {"TRANSFORMS=custom.mst REBOOT=R", 3, 0, "1031.MST", "TRANSFORMS=1031.MST;custom.mst REBOOT=R"},
        {"TRANSFORMS=\"a.mst\" TRANSFORMS=b.mst", 2, 0, "1031.MST", "TRANSFORMS=\"1031.MST;a.mst\" TRANSFORMS=b.mst"},
        // The quoted list is looked for first, wherever it stands.
        {"TRANSFORMS=a.mst TRANSFORMS=\"b.mst\"", 2, 0, "1031.MST", "TRANSFORMS=a.mst TRANSFORMS=\"1031.MST;b.mst\""},
        {"transforms=\"a.mst\"", 2, 0, "1031.MST", "transforms=\"a.mst\" TRANSFORMS=\"1031.MST\""},   // case counts
        // A property whose name only ends in TRANSFORMS is another property.
        {"MYTRANSFORMS=\"x\"", 2, 0, "1031.MST", "MYTRANSFORMS=\"x\" TRANSFORMS=\"1031.MST\""},
    };
    // clang-format on
    for (const Case &c : cases) {
        char out[1024];
        EXPECT_TRUE(
            packageProperties(c.properties, c.languages, c.locationsFromCommandLine, c.transform, out, sizeof out));
        EXPECT_STREQ(out, c.expected) << c.properties << " with " << c.languages << " languages";
    }

    // Exactly 1023 characters fit; one more is refused, never cut.
    std::string properties(1023 - 22, 'p');
    char out[1024];
    EXPECT_TRUE(packageProperties(properties.c_str(), 2, 0, "1033.MST", out, sizeof out));
    EXPECT_EQ(strlen(out), 1023u);
    properties += "p";
    EXPECT_FALSE(packageProperties(properties.c_str(), 2, 0, "1033.MST", out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(EngineCommands, SilentLaunchesAskMsiexecForNoInterface)
{
    struct Case {
        const char *properties;
        bool silent;
        const char *expected;
    } cases[] = {
        {"", false, ""},
        {"A=1", false, "A=1"},
        {"", true, " /qn"},
        {"A=1 TRANSFORMS=\"1033.MST\"", true, "A=1 TRANSFORMS=\"1033.MST\" /qn"},
        // A level the user chose stays the only one.
        {"/qn", true, "/qn"},
        {"/qb!", true, "/qb!"},
        {"A=1 /QB", true, "A=1 /QB"},
        {"A=1 -qr", true, "A=1 -qr"},
        {"/passive", true, "/passive"},
        {"A=1 -PASSIVE B=2", true, "A=1 -PASSIVE B=2"},
        // Not a level: inside a value, or another option.
        {"DIR=C:/qdir", true, "DIR=C:/qdir /qn"},
        {"/passiveX", true, "/passiveX /qn"},
        {"/norestart", true, "/norestart /qn"},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_TRUE(silentProperties(c.properties, c.silent, out, sizeof out));
        EXPECT_STREQ(c.expected, out) << c.properties;
    }
    char small[8];
    EXPECT_FALSE(silentProperties("A=1234", true, small, sizeof small)) << "refused whole, never cut";
}

TEST(EngineCommands, PackageCommandOfEveryMode)
{
    const char package[] = "C:\\Temp\\_pw1\\Vizor.msi";
    struct Case {
        int mode;
        const char *options;
        const char *properties;
        const char *expected;
        // clang-format off
    } cases[] = {
        {0, "", "", "MSIEXEC.EXE /i \"C:\\Temp\\_pw1\\Vizor.msi\" "},
        {0, "", " TRANSFORMS=\"1033.MST\"", "MSIEXEC.EXE /i \"C:\\Temp\\_pw1\\Vizor.msi\"  TRANSFORMS=\"1033.MST\""},
        {1, "", "", "MSIEXEC.EXE /a \"C:\\Temp\\_pw1\\Vizor.msi\""},
        {1, "", "TARGETDIR=D:\\", "MSIEXEC.EXE /a \"C:\\Temp\\_pw1\\Vizor.msi\"TARGETDIR=D:\\"},
        {2, "omus", "REINSTALL=ALL", "MSIEXEC.EXE /fomus \"C:\\Temp\\_pw1\\Vizor.msi\" REINSTALL=ALL"},
        {3, "m", "", "MSIEXEC.EXE /jm \"C:\\Temp\\_pw1\\Vizor.msi\" "},
        {3, "", "", "MSIEXEC.EXE /j \"C:\\Temp\\_pw1\\Vizor.msi\" "},
        {4, "", "/qn", "MSIEXEC.EXE /x \"C:\\Temp\\_pw1\\Vizor.msi\" /qn"},
        {5, "", "", "MSIEXEC.EXE /p \"C:\\Temp\\_pw1\\Vizor.msi\" "},
        {6, "", "A=1", "MSIEXEC.EXE /i \"C:\\Temp\\_pw1\\Vizor.msi\" A=1"},    // any other mode installs
        {-1, "", "", "MSIEXEC.EXE /i \"C:\\Temp\\_pw1\\Vizor.msi\" "},
    };
    // clang-format on
    for (const Case &c : cases) {
        char out[1024];
        EXPECT_TRUE(packageCommand(c.mode, c.options, package, c.properties, out, sizeof out));
        EXPECT_STREQ(out, c.expected) << "mode " << c.mode;
    }

    // Long paths and properties: refused whole when the command would pass 1023 characters.
    std::string path = "C:\\" + std::string(500, 'f') + ".msi";
    std::string properties(1023 - 18 - path.size(), 'p');
    char out[1024];
    EXPECT_TRUE(packageCommand(0, "", path.c_str(), properties.c_str(), out, sizeof out));
    EXPECT_EQ(strlen(out), 1023u);
    properties += "p";
    EXPECT_FALSE(packageCommand(0, "", path.c_str(), properties.c_str(), out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(EngineCommands, EngineCommandQuotesItsPath)
{
    char out[64];
    EXPECT_TRUE(engineCommand("C:\\Program Files\\INSTMSIW.EXE", out, sizeof out));
    EXPECT_STREQ(out, "\"C:\\Program Files\\INSTMSIW.EXE\" /q");
    EXPECT_EQ(SplitArguments(out), (std::vector<std::string>{"C:\\Program Files\\INSTMSIW.EXE", "/q"}));
    char small[20];
    EXPECT_FALSE(engineCommand("C:\\Program Files\\INSTMSIW.EXE", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST(EngineCommands, RunOnceValue)
{
    struct Case {
        const char *properties;
        bool temporary;
        const char *expected;
        // clang-format off
    } cases[] = {
        {"", true, "\"C:\\Setup\\setup.exe\" /k /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /w /v\"\" /c"},
        {"", false, "\"C:\\Setup\\setup.exe\" /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /v\"\" "},
        {" TRANSFORMS=\"1033.MST\"", true,
         "\"C:\\Setup\\setup.exe\" /k /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /w /v\" TRANSFORMS=\\\"1033.MST\\\"\" /c"},
        {"ADDLOCAL=ALL", false, "\"C:\\Setup\\setup.exe\" /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /v\"ADDLOCAL=ALL\" "},
        // A backslash before a quote, and one at the end, are doubled so they stay backslashes.
        {"TARGETDIR=\"D:\\Movies\\\"", true,
         "\"C:\\Setup\\setup.exe\" /k /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /w /v\"TARGETDIR=\\\"D:\\Movies\\\\\\\"\" /c"},
        {"DIR=D:\\", false, "\"C:\\Setup\\setup.exe\" /t\"C:\\Temp\\_pw1A\" /m\"Vizor.msi\" /v\"DIR=D:\\\\\" "},
    };
    // clang-format on
    for (const Case &c : cases) {
        char out[1024];
        ASSERT_TRUE(runOnceValue("C:\\Setup\\setup.exe", "C:\\Temp\\_pw1A", "Vizor.msi", c.properties, c.temporary, out,
                                 sizeof out));
        EXPECT_STREQ(out, c.expected);
        // The relaunched copy reads back exactly the texts that went in.
        std::vector<std::string> expected = {"C:\\Setup\\setup.exe"};
        if (c.temporary)
            expected.push_back("/k");
        expected.push_back("/tC:\\Temp\\_pw1A");
        expected.push_back("/mVizor.msi");
        if (c.temporary)
            expected.push_back("/w");
        expected.push_back(std::string("/v") + c.properties);
        if (c.temporary)
            expected.push_back("/c");
        EXPECT_EQ(SplitArguments(out), expected) << out;
    }

    char small[40];
    EXPECT_FALSE(runOnceValue("C:\\Setup\\setup.exe", "C:\\Temp\\_pw1A", "Vizor.msi", "", true, small, sizeof small));
    EXPECT_STREQ(small, "");
    char kept[16] = "x";
    EXPECT_FALSE(appendQuotedArgument("a long argument", kept, sizeof kept));
    EXPECT_STREQ(kept, "x") << "an argument that does not fit leaves the text as it was";
}

TEST(EngineCommands, DriveOfAPath)
{
    struct Case {
        const char *path;
        const char *drive;
    } cases[] = {
        {"C:\\Windows", "C:\\"},
        {"z:\\tmp\\", "z:\\"},
        {"\\\\server\\share\\temp\\", "\\\\server\\share\\temp\\"},
        {"", ""},
    };
    for (const Case &c : cases) {
        char out[64];
        driveOf(c.path, out, sizeof out);
        EXPECT_STREQ(out, c.drive);
    }
}
