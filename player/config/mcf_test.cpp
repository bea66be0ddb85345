// Movie configuration files: suffix tests, number reading, and SetupFromMCF over
// small fixture files, checking the verdict in the log and the fields it changes.
#include "config/mcf.h"
#include "config/mcf_setup.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string.h>
#include <string>
#include <vector>

using namespace settings_test;

namespace {

// A valid file, one text per line (without its line feed).
// clang-format off
const std::vector<std::string> baseLines = {
    "1.0",          "1",           "http://movies.example.com/clips/tower.mpg",
    "reserved 4",   "reserved 5",  "C:\\Movies\\tower.mpg",
    "Tower of Babel", "A. Author", "Documentary",
    "reserved 10",  "reserved 11", "PURE_LR",
    "reserved 13",  "1280",        "960",
    "640",          "480",         "OUTPUT_2D_TO_3D",
    "35",           "reserved 20", "reserved 21",
    "25",           "reserved 23", "reserved 24",
    "reserved 25",  "reserved 26", "reserved 27",
    "reserved 28",  "reserved 29", "reserved 30",
};
// clang-format on

// The file text: the first `count` base lines with some of them replaced, each
// ended by `end`.
std::string Mcf(const std::map<int, std::string> &changes = {}, int count = 22, const char *end = "\n")
{
    std::string text;
    for (int n = 1; n <= count; n++) {
        auto changed = changes.find(n);
        text += (changed != changes.end() ? changed->second : baseLines[n - 1]) + end;
    }
    return text;
}

// The base file with line n taken out (to make room for the piece of a split line).
std::string McfWithout(int n, const std::map<int, std::string> &changes)
{
    std::string text;
    for (int i = 1; i <= 22; i++) {
        if (i == n)
            continue;
        auto changed = changes.find(i);
        text += (changed != changes.end() ? changed->second : baseLines[i - 1]) + "\n";
    }
    return text;
}

// The records as every case finds them: values no file sets, so that a field
// the file leaves alone shows up.
void FillSentinels(const std::string &fileName)
{
    ResetPlayerRecords();
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", fileName.c_str());
    movie.source = No_source;
    movie.StereoCodingFormat = (StereoCodingFormat)4242;
    movie.EyeCodingFormat = RIGHT_TOP;
    movie.mcfRect = {1, 2, 3, 4};
    movie.bMCF = 0;
    snprintf(movie.szName, sizeof movie.szName, "old name");
    snprintf(movie.szAuthor, sizeof movie.szAuthor, "old author");
    snprintf(movie.szCategory, sizeof movie.szCategory, "old category");
    output.OutputFormat = (OutputFormat)4343;
    output.VideomemoryMethod = VIDEOMEMORY_METHOD1;
    output.StrenghtOf2Dto3DEffect = 77;
    state.frameCount = 9;
    state.bApplicationMinimized = 1;
}

// What SetupFromMCF may change, as text, by field name.
std::map<std::string, std::string> Fields()
{
    char rect[64];
    snprintf(rect, sizeof rect, "%ld,%ld,%ld,%ld", movie.mcfRect.left, movie.mcfRect.top, movie.mcfRect.right,
             movie.mcfRect.bottom);
    return {
        {"szFileName", movie.szFileName},
        {"source", std::to_string(movie.source)},
        {"szName", movie.szName},
        {"szAuthor", movie.szAuthor},
        {"szCategory", movie.szCategory},
        {"StereoCodingFormat", std::to_string(movie.StereoCodingFormat)},
        {"EyeCodingFormat", std::to_string(movie.EyeCodingFormat)},
        {"mcfRect", rect},
        {"bMCF", std::to_string(movie.bMCF)},
        {"OutputFormat", std::to_string(output.OutputFormat)},
        {"VideomemoryMethod", std::to_string(output.VideomemoryMethod)},
        {"StrenghtOf2Dto3DEffect", std::to_string(output.StrenghtOf2Dto3DEffect)},
        {"frameCount", std::to_string(state.frameCount)},
        {"bApplicationMinimized", std::to_string(state.bApplicationMinimized)},
    };
}

// The fields after the base file, over the sentinels.
const std::map<std::string, std::string> baseResult = {
    {"szFileName", "C:\\Movies\\tower.mpg"},
    {"source", "3"},
    {"szName", "Tower of Babel"},
    {"szAuthor", "A. Author"},
    {"szCategory", "Documentary"},
    {"StereoCodingFormat", "1078"},
    {"EyeCodingFormat", "1081"},
    {"mcfRect", "0,0,640,480"},
    {"bMCF", "1"},
    {"OutputFormat", "1074"},
    {"VideomemoryMethod", "1082"},
    {"StrenghtOf2Dto3DEffect", "35"},
    {"frameCount", "0"},
    {"bApplicationMinimized", "0"},
};

// The log lines that carry the verdict on a file.
// clang-format off
const std::vector<std::string> verdictPrefixes = {
    "Error", "Warning", "The download is HTTP type", "More than 30", "All tests", "Something is not", "MCF input is wrong",
};
// clang-format on

const std::string PASSED = "All tests passesd O.K.";
const std::string HTTP = "The download is HTTP type";
const std::string REJECTED = "Something is not acceptable in the input";
const std::string WRONG = "MCF input is wrong !!";

struct McfCase {
    const char *name;
    std::string file;
    std::vector<std::string> verdict;
    // For a file that passes: the fields that differ from baseResult.
    std::map<std::string, std::string> changed;
};

bool Passes(const McfCase &c)
{
    return !c.verdict.empty() && std::find(c.verdict.begin(), c.verdict.end(), PASSED) != c.verdict.end();
}

std::vector<McfCase> Cases()
{
    const std::string n300(300, 'N'), n254(254, 'N'), n253(253, 'N');
    std::string binary;
    for (int i = 0; i < 3 * 256; i++)
        binary += (char)(i * 37 + 11); // every byte value, in a scrambled order, some line feeds
    // clang-format off
    return {
        {"valid local file", Mcf(), {HTTP, PASSED}, {}},
        {"CR LF line ends", Mcf({}, 22, "\r\n"), {HTTP, PASSED}, {}},
        {"all 30 lines", Mcf({}, 30), {HTTP, PASSED}, {}},
        {"internet address ending in asf",
         Mcf({{3, "http://movies.example.com/tower.asf"}, {6, "not available"}}),
         {HTTP, "Warning: movie is not available from local HD", PASSED,
          "Warning ! movie.source=Url_asf seek problems expected"},
         {{"szFileName", "http://movies.example.com/tower.asf"}, {"source", "4"}}},
        {"internet address in capitals", Mcf({{3, "HTTP://MOVIES.EXAMPLE.COM/TOWER.MPG"}, {6, "not available"}}),
         {HTTP, "Warning: movie is not available from local HD", PASSED},
         {{"szFileName", "HTTP://MOVIES.EXAMPLE.COM/TOWER.MPG"}, {"source", "2"}}},
        {"not available on both lines", Mcf({{3, "not available"}, {6, "not available"}}),
         {"Warning: movie not available for internet download", "Warning: unrecognized type of internet download",
          "Warning: movie is not available from local HD", PASSED},
         {{"szFileName", "not available"}, {"source", "2"}}},
        {"http inside the address", Mcf({{3, "ftp://mirror.example.com/http/tower.mpg"}}), {PASSED}, {}},
        {"address without http", Mcf({{3, "\\\\server\\movies\\tower.mpg"}}),
         {"Warning: unrecognized type of internet download", PASSED}, {}},
        {"version with a trailing blank", Mcf({{1, "1.0 "}}), {"Error: MSCF version <> 1.0", HTTP, REJECTED, WRONG}},
        {"version 1.00", Mcf({{1, "1.00"}}), {"Error: MSCF version <> 1.0", HTTP, REJECTED, WRONG}},
        {"two records", Mcf({{2, "2"}}),
         {"Error: We can work only with 1 record in this version", HTTP, REJECTED, WRONG}},
        {"record count with blanks and sign", Mcf({{2, "  +1 record"}}), {HTTP, PASSED}, {}},
        {"all sizes 4000", Mcf({{14, "4000"}, {15, "4000"}, {16, "4000"}, {17, "4000"}}), {HTTP, PASSED},
         {{"mcfRect", "0,0,4000,4000"}}},
        {"all sizes 1", Mcf({{14, "1"}, {15, "1"}, {16, "1"}, {17, "1"}}), {HTTP, PASSED}, {{"mcfRect", "0,0,1,1"}}},
        {"encoded width 4001", Mcf({{14, "4001"}}),
         {HTTP, "Error: numeric value for encoded width out of acceptable range", REJECTED, WRONG}},
        {"encoded height 0", Mcf({{15, "0"}}),
         {HTTP, "Error: numeric value for encoded height out of acceptable range", REJECTED, WRONG}},
        {"output width and height out of range", Mcf({{16, "4001"}, {17, "-480"}}),
         {HTTP, "Error: numeric value for output width out of acceptable range",
          "Error: numeric value for output height out of acceptable range", REJECTED, WRONG}},
        {"width beyond 32 bits", Mcf({{16, "4294967936"}}),
         {HTTP, "Error: numeric value for output width out of acceptable range", REJECTED, WRONG}},
        {"width followed by letters", Mcf({{16, "12 pixels"}}), {HTTP, PASSED}, {{"mcfRect", "0,0,12,480"}}},
        {"strength -1", Mcf({{19, "-1"}}), {HTTP, "Error: numeric value out of acceptable range", REJECTED, WRONG}},
        {"strength 0", Mcf({{19, "0"}}), {HTTP, PASSED}, {{"StrenghtOf2Dto3DEffect", "0"}}},
        {"strength 100", Mcf({{19, "100"}}), {HTTP, PASSED}, {{"StrenghtOf2Dto3DEffect", "100"}}},
        {"strength 101", Mcf({{19, "101"}}), {HTTP, "Error: numeric value out of acceptable range", REJECTED, WRONG}},
        {"frame rate 0", Mcf({{22, "0"}}),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"frame rate 100", Mcf({{22, "100"}}), {HTTP, PASSED}, {}},
        {"frame rate 1e2", Mcf({{22, "1e2"}}), {HTTP, PASSED}, {}},
        {"frame rate 29.97", Mcf({{22, " 29.97 fps"}}), {HTTP, PASSED}, {}},
        {"frame rate 100.5", Mcf({{22, "100.5"}}),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"frame rate of letters", Mcf({{22, "fast"}}),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"frame rate in hexadecimal", Mcf({{22, "0x19"}}),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"frame rate nan", Mcf({{22, "nan"}}),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"stereo keyword in lower case", Mcf({{12, "pure_lr"}}),
         {HTTP, "Error: movie stereo format not recognized", REJECTED, WRONG}},
        {"stereo keyword with a trailing blank", Mcf({{12, "PURE_LR "}}),
         {HTTP, "Error: movie stereo format not recognized", REJECTED, WRONG}},
        {"PURE_2D leaves the stereo coding", Mcf({{12, "PURE_2D"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "4242"}}},
        {"SHIFTED_AB", Mcf({{12, "SHIFTED_AB"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "1076"}}},
        {"PURE_AB", Mcf({{12, "PURE_AB"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "1077"}}},
        {"PURE_INTERLACED", Mcf({{12, "PURE_INTERLACED"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "1079"}}},
        {"OUTPUT_NO_STEREO", Mcf({{18, "OUTPUT_NO_STEREO"}}), {HTTP, PASSED}, {{"OutputFormat", "1072"}}},
        {"OUTPUT_PURE_INTERLACED", Mcf({{18, "OUTPUT_PURE_INTERLACED"}}), {HTTP, PASSED}, {{"OutputFormat", "1073"}}},
        {"OUTPUT_3D_TO_2D", Mcf({{18, "OUTPUT_3D_TO_2D"}}), {HTTP, PASSED}, {{"OutputFormat", "1075"}}},
        // The processor's codings and outputs: the first, the last and one between.
        {"HALF_LR", Mcf({{12, "HALF_LR"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "1115"}}},
        {"HALF_AB", Mcf({{12, "HALF_AB"}}), {HTTP, PASSED}, {{"StereoCodingFormat", "1116"}}},
        {"OUTPUT_3D_TO_2D_SECOND", Mcf({{18, "OUTPUT_3D_TO_2D_SECOND"}}), {HTTP, PASSED}, {{"OutputFormat", "1101"}}},
        {"OUTPUT_CHECKERBOARD", Mcf({{18, "OUTPUT_CHECKERBOARD"}}), {HTTP, PASSED}, {{"OutputFormat", "1109"}}},
        {"OUTPUT_ABOVE_BELOW_HALF", Mcf({{18, "OUTPUT_ABOVE_BELOW_HALF"}}), {HTTP, PASSED},
         {{"OutputFormat", "1113"}}},
        {"an output keyword cut short", Mcf({{18, "OUTPUT_ANAGLYPH"}}),
         {HTTP, "Error: requested output format not recognized", REJECTED, WRONG}},
        {"output keyword in lower case", Mcf({{18, "output_2d_to_3d"}}),
         {HTTP, "Error: requested output format not recognized", REJECTED, WRONG}},
        {"21 lines", Mcf({}, 21),
         {HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"line 7 of 300 characters shifts the rest", Mcf({{7, n300}}),
         {HTTP, "Error: movie stereo format not recognized",
          "Error: numeric value for encoded width out of acceptable range",
          "Error: requested output format not recognized",
          "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"a split name keeps its last character", McfWithout(8, {{7, n300}}), {HTTP, PASSED},
         {{"szName", n254}, {"szAuthor", std::string(46, 'N')}}},
        {"a name of 254 characters leaves an empty line", McfWithout(8, {{7, n254}}), {HTTP, PASSED},
         {{"szName", n254}, {"szAuthor", ""}}},
        {"a name of 253 characters fits its line", Mcf({{7, n253}}), {HTTP, PASSED}, {{"szName", n253}}},
        {"name line starting with a zero byte", Mcf({{7, std::string("\0Tower", 6)}}), {HTTP, PASSED},
         {{"szName", ""}}},
        {"last line without a line feed", Mcf().substr(0, Mcf().size() - 1), {HTTP, PASSED}, {}},
        {"more than 30 lines", Mcf({}, 30) + "extra 31\nextra 32\n",
         {"More than 30 lines in the MCF file, the rest is ignored", HTTP, PASSED}, {}},
        {"empty file", "",
         {"Error: MSCF version <> 1.0", "Error: We can work only with 1 record in this version",
          "Warning: unrecognized type of internet download", "Error: movie stereo format not recognized",
          "Error: numeric value for encoded width out of acceptable range",
          "Error: numeric value for encoded height out of acceptable range",
          "Error: numeric value for output width out of acceptable range",
          "Error: numeric value for output height out of acceptable range",
          "Error: requested output format not recognized",
          "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}},
        {"binary garbage", binary, {}, {}},
    };
    // clang-format on
}

class McfTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string &path : files)
            remove(path.c_str());
    }
    std::string Fixture(const std::string &name, const std::string &bytes)
    {
        std::string path = ScratchPath(name);
        WriteFileBytes(path, bytes);
        files.push_back(path);
        return path;
    }
    SettingsLog log;
    std::vector<std::string> files;
};

TEST_F(McfTest, SetupFromFixtureFiles)
{
    const std::vector<McfCase> cases = Cases();
    for (size_t i = 0; i < cases.size(); i++) {
        const McfCase &c = cases[i];
        SCOPED_TRACE(c.name);
        std::string path = Fixture("case" + std::to_string(i) + ".mcf", c.file);
        FillSentinels(path);
        const MovieRecord movieBefore = movie;
        const OutputRecord outputBefore = output;
        const StateRecord stateBefore = state;
        ResetLogWriter();

        SetupFromMCF(movie, output, state);

        std::vector<std::string> verdict = log.LinesStartingWith(verdictPrefixes);
        if (!c.verdict.empty())
            EXPECT_EQ(c.verdict, verdict);
        else // garbage: whatever it says, it is turned down
            EXPECT_EQ(WRONG, verdict.empty() ? "" : verdict.back());
        if (Passes(c)) {
            std::map<std::string, std::string> expected = baseResult;
            for (const auto &field : c.changed)
                expected[field.first] = field.second;
            EXPECT_EQ(expected, Fields());
        } else {
            EXPECT_EQ(0, memcmp(&movieBefore, &movie, sizeof movie)) << "movie changed";
            EXPECT_EQ(0, memcmp(&outputBefore, &output, sizeof output)) << "output changed";
            EXPECT_EQ(0, memcmp(&stateBefore, &state, sizeof state)) << "state changed";
        }
    }
}

TEST_F(McfTest, LogOfAValidFile)
{
    std::string path = Fixture("valid.mcf", Mcf({{3, "http://movies.example.com/tower.asf"}}, 23));
    FillSentinels(path);
    SetupFromMCF(movie, output, state);

    std::string expected = "Making Setup From MCF file\n"
                           "Control listing of the data aray with the MCF strings\n";
    for (int n = 1; n <= MCF_LINE_SLOTS; n++) {
        expected += "Line number " + std::to_string(n) + "\n";
        if (n <= 23)
            expected += (n == 3 ? "http://movies.example.com/tower.asf" : baseLines[n - 1]) + "\n";
    }
    expected += "Parsing of the MCF structure \n"
                "1.0\n"
                "1\n"
                "http://movies.example.com/tower.asf\n"
                "The download is HTTP type\n"
                "C:\\Movies\\tower.mpg\n"
                "PURE_LR\n"
                "Movie format succesfuly identified\n"
                "OUTPUT_2D_TO_3D\n"
                "Movie output format succesfuly identified\n"
                "All tests passesd O.K.\n"
                "Copy the file location from MCF to movie->szFileName\n"
                "Configurating for file playback\n"
                "Content of movie->szFileName\n"
                "C:\\Movies\\tower.mpg\n";
    EXPECT_EQ(expected, log.Body());
}

TEST_F(McfTest, InternetPlaybackLogsTheSuffixTest)
{
    for (const char *address : {"http://movies.example.com/tower.asf", "http://movies.example.com/tower.mpg"}) {
        SCOPED_TRACE(address);
        std::string path = Fixture("internet.mcf", Mcf({{3, address}, {6, "not available"}}));
        FillSentinels(path);
        ResetLogWriter();
        SetupFromMCF(movie, output, state);
        std::string body = log.Body();
        bool asf = strstr(address, ".asf") != NULL;
        std::string tail = std::string("Configurating for internet playback\n") +
                           (asf ? "The string does  end on ASF or asf\n"
                                  "Warning ! movie.source=Url_asf seek problems expected\n"
                                : "The string does not end on ASF or asf\n") +
                           "Content of movie->szFileName\n" + address + "\n";
        EXPECT_NE(std::string::npos, body.find("Copy the file location from MCF to movie->szFileName\n" + tail));
        EXPECT_EQ(asf ? Url_asf : Url, movie.source);
    }
}

TEST_F(McfTest, LongLineIsSplitIntoTheNextSlot)
{
    std::string path = Fixture("long.mcf", Mcf({{7, std::string(300, 'N')}}));
    FillSentinels(path);
    SetupFromMCF(movie, output, state);
    EXPECT_EQ(std::string(254, 'N'), mcfLines.Line(7));
    EXPECT_EQ(std::string(46, 'N') + "\n", mcfLines.Line(8));
    EXPECT_EQ("A. Author\n", std::string(mcfLines.Line(9)));
    EXPECT_EQ("reserved 21\n", std::string(mcfLines.Line(22)));
    EXPECT_EQ("25\n", std::string(mcfLines.Line(23)));
}

TEST_F(McfTest, ShortFileAfterALongOneIsJudgedByItsOwnLines)
{
    std::string longFile = Fixture("long.mcf", Mcf({}, 30) + "extra 31\n");
    FillSentinels(longFile);
    SetupFromMCF(movie, output, state);
    ASSERT_EQ(1, movie.bMCF);
    EXPECT_EQ("reserved 30\n", std::string(mcfLines.Line(30)));

    std::string shortFile = Fixture("short.mcf", Mcf({}, 21));
    FillSentinels(shortFile);
    ResetLogWriter();
    SetupFromMCF(movie, output, state);
    EXPECT_EQ(0, movie.bMCF);
    EXPECT_EQ(No_source, movie.source);
    for (int n = 22; n <= MCF_LINE_SLOTS; n++)
        EXPECT_STREQ("", mcfLines.Line(n)) << "slot " << n;
    EXPECT_EQ(
        (std::vector<std::string>{HTTP, "Error: numeric value for framerate out of acceptable range", REJECTED, WRONG}),
        log.LinesStartingWith(verdictPrefixes));
}

TEST_F(McfTest, UnreadableNamesChangeNothing)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const struct {
        const char *name;
        std::string path;
    } cases[] = {
        {"missing file", ScratchPath("missing.mcf")},
        {"folder", std::string(folder)},
        {"empty name", ""},
        {"device", "NUL.mcf"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FillSentinels(c.path);
        const MovieRecord movieBefore = movie;
        ResetLogWriter();
        SetupFromMCF(movie, output, state);
        EXPECT_EQ("Making Setup From MCF file\nUnable to open\n" + c.path, log.Body());
        EXPECT_EQ(0, memcmp(&movieBefore, &movie, sizeof movie));
    }
}

TEST(McfNames, SuffixTests)
{
    const struct {
        const char *name;
        bool mcf, asf;
    } cases[] = {
        {"tower.mcf", true, false},
        {"C:\\Movies\\TOWER.MCF", true, false},
        {"towermcf", true, false},
        {"mcf", true, false},
        {"tower.Mcf", false, false},
        {"tower.mCF", false, false},
        {"\"C:\\Movies\\tower.mcf\"", false, false},
        {"tower.mcf ", false, false},
        {"cf", false, false},
        {"", false, false},
        {"http://movies.example.com/tower.asf", false, true},
        {"TOWER.ASF", false, true},
        {"tower.Asf", false, false},
        {"sf", false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsLog log;
        EXPECT_EQ(c.mcf, EndsOnMCF(c.name));
        EXPECT_EQ(c.asf, EndsOnASF(c.name));
        EXPECT_EQ(
            std::string(c.mcf ? "The files does  end on MCF or mcf\n" : "The files does not ends on MCF or mcf\n") +
                (c.asf ? "The string does  end on ASF or asf\n" : "The string does not end on ASF or asf\n"),
            log.Body());
    }
}

TEST(McfNames, NumbersAreReadLeniently)
{
    const struct {
        const char *line;
        int integer;
        double number;
    } cases[] = {
        {"25\n", 25, 25},
        {"  \t-7\n", -7, -7},
        {"+12abc\n", 12, 12},
        {"12 34\n", 12, 12},
        {"abc\n", 0, 0},
        {"\n", 0, 0},
        {"", 0, 0},
        {"- 5\n", 0, 0},
        {"29.97\n", 29, 29.97},
        {".5\n", 0, 0.5},
        {"1e2\n", 1, 100},
        {"1e\n", 1, 1},
        {"2.5E-1x\n", 2, 0.25},
        {"0x10\n", 0, 0},
        {"inf\n", 0, 0},
        {"2147483647\n", 2147483647, 2147483647.0},
        {"99999999999\n", 2147483647, 99999999999.0},
        {"-99999999999\n", -2147483647 - 1, -99999999999.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.integer, McfLineInteger(c.line));
        EXPECT_DOUBLE_EQ(c.number, McfLineNumber(c.line));
    }
}

TEST(McfNames, TextsLoseOnlyATrailingLineFeed)
{
    const struct {
        const char *line;
        size_t outSize;
        const char *expected;
        // clang-format off
    } cases[] = {
        {"Tower\n", 255, "Tower"},
        {"Tower", 255, "Tower"},
        {"Tower\r", 255, "Tower\r"},
        {"\n", 255, ""},
        {"", 255, ""},
        {"Tower\n", 4, "Tow"},
        {"Tower\n", 1, ""},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        char out[300];
        memset(out, 'x', sizeof out);
        CopyMCFText(out, c.outSize, c.line);
        EXPECT_STREQ(c.expected, out);
        EXPECT_EQ('x', out[c.outSize]) << "wrote past the buffer";
    }
}

} // namespace
