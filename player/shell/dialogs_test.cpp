// The movie description's lines.
#include "shell/dialogs.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const MovieRecord &m, const StateRecord &s)
{
    DescriptionLines lines;
    BuildDescriptionLines(m, s, &lines);
    return std::vector<std::string>(lines.lines, lines.lines + lines.count);
}

TEST(MovieDescription, LinesForAFileAndForAnMcfMovie)
{
    MovieRecord m = {};
    StateRecord s = {};
    snprintf(m.szFileName, sizeof m.szFileName, "%s", "C:\\movies\\100%_depth.avi");
    m.frameRate = 25.0;
    s.latestFramerate = 24;
    EXPECT_EQ(
        (std::vector<std::string>{"Movie source:", "C:\\movies\\100%_depth.avi",
                                  "Source movie framerate: 25.00 frames/s", "Latest framerate achieved: 24 frames/s"}),
        Lines(m, s));

    m.bMCF = 1;
    snprintf(m.szName, sizeof m.szName, "Canyon");
    snprintf(m.szAuthor, sizeof m.szAuthor, "A. Maker");
    snprintf(m.szCategory, sizeof m.szCategory, "Nature");
    m.frameRate = 29.97002997;
    const std::vector<std::string> lines = Lines(m, s);
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ("Name : Canyon", lines[0]);
    EXPECT_EQ("Author: A. Maker", lines[1]);
    EXPECT_EQ("Category: Nature", lines[2]);
    EXPECT_EQ("Source movie framerate: 29.97 frames/s", lines[5]);
}

TEST(MovieDescription, LongestTextsFitTheirLines)
{
    MovieRecord m = {};
    StateRecord s = {};
    memset(m.szFileName, 'f', sizeof m.szFileName - 1);
    memset(m.szName, 'n', sizeof m.szName - 1);
    m.bMCF = 1;
    m.frameRate = 1e300; // nonsense rate: still cut to the line
    const std::vector<std::string> lines = Lines(m, s);
    EXPECT_EQ(std::string(sizeof m.szFileName - 1, 'f'), lines[4]);
    EXPECT_EQ("Name : " + std::string(sizeof m.szName - 1, 'n'), lines[0]);
    EXPECT_LT(lines[5].size(), sizeof(DescriptionLines::lines[0]));
}

} // namespace
