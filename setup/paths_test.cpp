// Path rules of the launcher.
#include <gtest/gtest.h>

#include <cstring>

#include "paths.h"
#include "test_support.h"

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
    } roots[] = {{"\\", true}, {"C:\\", true}, {"z:\\", true}, {"C:", false}, {"C:\\a", false},
                 {"1:\\", false}, {"\\\\", false}, {"", false}};
    for (const Root &r : roots)
        EXPECT_EQ(isRootPath(r.path), r.root) << r.path;
}

TEST(PathRules, PlainFileNames)
{
    struct Case {
        std::string name;
        bool plain;
    } cases[] = {
        {"Setup.INI", true},
        {"1031.MST", true},
        {"Vizor Cinema 1.0.msi", true},
        {"a..b.txt", true},
        {"..", false},
        {".", false},
        {"...", false},
        {". .", false},
        {"", false},
        {"..\\evil.exe", false},
        {"sub\\a.txt", false},
        {"sub/a.txt", false},
        {"C:a.txt", false},
        {"C:\\Windows\\a.txt", false},
        {"a.txt:stream", false},
        {"tab\tname", false},
        {"CON", false},
        {"con.txt", false},
        {"LPT1", false},
        {"COM9.log", false},
        {"CONSOLE.txt", true},
        {"COM0", true},
        {std::string(259, 'n'), true},
        {std::string(260, 'n'), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isPlainFileName(c.name.c_str()), c.plain) << "'" << c.name << "'";
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
