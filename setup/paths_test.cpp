// Path rules of the launcher.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <fstream>

#include "paths.h"
#include "test_support.h"

namespace {

struct NameCase {
    std::string name;
    bool plain;
};

// The table shared with the packer's tests (file-name-cases.txt).
std::vector<NameCase> sharedNameCases()
{
    std::vector<NameCase> cases;
    std::ifstream in(SETUP_NAME_CASES, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t blank = line.find(' ');
        std::string verdict = line.substr(0, blank);
        std::string raw = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        std::string name;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 >= raw.size()) {
                name += raw[i];
            } else if (raw[i + 1] == 'x' && i + 3 < raw.size()) {
                name += char(strtol(raw.substr(i + 2, 2).c_str(), NULL, 16));
                i += 3;
            } else {
                name += raw[i + 1] == 't' ? '\t' : raw[i + 1];
                i += 1;
            }
        }
        cases.push_back({name, verdict == "plain"});
    }
    return cases;
}

} // namespace

TEST(PathRules, TextRules)
{
    struct Combine {
        const char *folder;
        const char *name;
        const char *expected;
    } combines[] = {
        {"C:\\work", "Setup.INI", "C:\\work\\Setup.INI"},
        {"C:\\", "Setup.INI", "C:\\Setup.INI"},
        {"", "Setup.INI", "\\Setup.INI"},
        {"\\\\server\\share\\", "a", "\\\\server\\share\\a"},
    };
    for (const Combine &c : combines) {
        char out[64];
        EXPECT_TRUE(combinePath(c.folder, c.name, out, sizeof out));
        EXPECT_STREQ(out, c.expected);
    }
    char small[12];
    EXPECT_FALSE(combinePath("C:\\work", "Setup.INI", small, sizeof small));
    EXPECT_STREQ(small, "") << "a path that does not fit is never used cut";

    char text[8] = "C:\\a";
    EXPECT_TRUE(addBackslash(text, sizeof text));
    EXPECT_STREQ(text, "C:\\a\\");
    EXPECT_TRUE(addBackslash(text, sizeof text));
    EXPECT_STREQ(text, "C:\\a\\") << "no second backslash";
    char full[6] = "C:\\ab";
    EXPECT_FALSE(addBackslash(full, sizeof full));
    EXPECT_STREQ(full, "C:\\ab");

    struct Split {
        const char *path;
        const char *folder;
        const char *name;
    } splits[] = {
        {"C:\\Program Files\\setup.exe", "C:\\Program Files", "setup.exe"},
        {"C:\\setup.exe", "C:", "setup.exe"},
        {"setup.exe", "", "setup.exe"},
        {"C:\\work\\", "C:\\work", ""},
    };
    for (const Split &s : splits) {
        char folder[64], name[64];
        splitPath(s.path, folder, sizeof folder, name, sizeof name);
        EXPECT_STREQ(folder, s.folder) << s.path;
        EXPECT_STREQ(name, s.name) << s.path;
    }

    struct Root {
        const char *path;
        bool root;
    } roots[] = {{"\\", true},     {"C:\\", true},  {"z:\\", true},  {"C:", false},
                 {"C:\\a", false}, {"1:\\", false}, {"\\\\", false}, {"", false}};
    for (const Root &r : roots)
        EXPECT_EQ(isRootPath(r.path), r.root) << r.path;
}

TEST(PathRules, PlainFileNames)
{
    std::vector<NameCase> cases = sharedNameCases();
    ASSERT_FALSE(cases.empty()) << "no cases read from " << SETUP_NAME_CASES;
    cases.push_back({std::string(259, 'n'), true});
    cases.push_back({std::string(260, 'n'), false});
    for (const NameCase &c : cases)
        EXPECT_EQ(isPlainFileName(c.name.c_str()), c.plain) << "'" << c.name << "'";
}

TEST(PathRules, NamesOfOneFile)
{
    struct Case {
        const char *a;
        const char *b;
        bool same;
    } cases[] = {
        {"_PWMSIDEL.INI", "_pwmsidel.ini", true},
        {"_PWMSIDEL.INI.", "_PWMSIDEL.INI", true},
        {"_PWMSIDEL.INI . .", "_PWMSIDEL.INI", true},
        {"Setup.INI", "SETUP.INI", true},
        {"Setup.INI", "Setup.INIX", false},
        {"Setup.INI", "Setup", false},
        {"_PWMSIDEL.INI", ".INI", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sameFileName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(PathRules, WorkFolderNames)
{
    struct Case {
        const char *path;
        bool own;
    } cases[] = {
        {"C:\\Temp\\_pw1A2F", true},
        {"C:\\Temp\\_PW9", true},
        {"C:\\Temp\\_pwabcd", true},
        {"C:\\Temp\\_pw12345", false},
        {"C:\\Temp\\_pw", false},
        {"C:\\Temp\\_pwXYZ", false},
        {"C:\\Temp\\_pw1A2F\\", false},
        {"C:\\Users\\me\\Downloads", false},
        {"C:\\Windows\\System32", false},
        {"_pw1A2F", false},
        {"", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isWorkFolderPath(c.path), c.own) << c.path;
}

TEST(PathRules, FilesDirectlyInsideAFolder)
{
    struct Case {
        const char *folder;
        const char *path;
        bool inside;
    } cases[] = {
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\Vizor.msi", true},
        {"C:\\Temp\\_pw12\\", "C:\\Temp\\_pw12\\Vizor.msi", true},
        {"C:\\Temp\\_pw12", "c:\\temp\\_PW12\\Setup.INI", true},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\sub\\a.txt", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\..\\victim.txt", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\..", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw123\\a.txt", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\victim.txt", false},
        {"C:\\Temp\\_pw12", "D:\\Temp\\_pw12\\a.txt", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\a.txt:stream", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12/../victim.txt", false},
        {"C:\\Temp\\_pw12", "NO_KEY_VALUE", false},
        {"C:\\Temp\\_pw12", "C:\\Temp\\_pw12\\CON", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isDirectlyInside(c.folder, c.path), c.inside) << c.folder << " / " << c.path;
}

TEST(PathRules, FoldersAndFiles)
{
    TempFolder root;
    std::string deep = root.file("a\\b\\c");
    EXPECT_TRUE(createPath(deep.c_str()));
    EXPECT_TRUE(folderExists(deep.c_str()));
    EXPECT_FALSE(fileExists(deep.c_str()));
    EXPECT_TRUE(createPath(deep.c_str())) << "folders that exist count as created";

    std::string file = root.file("a\\file.txt");
    WriteBytes(file, "x");
    EXPECT_TRUE(fileExists(file.c_str()));
    EXPECT_FALSE(folderExists(file.c_str()));
    EXPECT_FALSE(createPath((file + "\\below").c_str())) << "a file stands in the way";
    EXPECT_FALSE(fileExists(root.file("absent").c_str()));
    EXPECT_FALSE(folderExists(root.file("absent").c_str()));
}
