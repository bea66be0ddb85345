// The command line: one name, verbatim; an MCF goes through the settings store
// and then the file, any other name is a local movie with the stored settings.
#include "shell/commandline.h"

#include "config/registry.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

using namespace settings_test;

namespace {

const char MCF_TEXT[] = "1.0\n1\nhttp://movies.example.com/tower.mpg\n\n\nC:\\Movies\\tower 3d.avi\nTower\nA. Author\n"
                        "Documentary\n\n\nPURE_AB\n\n1280\n960\n640\n480\nOUTPUT_2D_TO_3D\n35\n\n\n25\n";

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Stored settings that differ from the defaults and from the MCF.
        SettingsKeys::SetNumber(szKey1, "StereoCodingFormat", 1079);
        SettingsKeys::SetNumber(szKey1, "EyeCodingFormat", 1081);
        SettingsKeys::SetNumber(szKey2, "OutputFormat", 1072);
        SettingsKeys::SetNumber(szKey2, "VideomemoryMethod", 1082);
        SettingsKeys::SetNumber(szKey2, "StrenghtOf2Dto3DEffect", 90);
        ResetPlayerRecords();
        movie.bMCF = 1;
        state.frameCount = 9;
    }
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
    void Run(const std::string &commandLine)
    {
        snprintf(state.szCommandLine, sizeof state.szCommandLine, "%s", commandLine.c_str());
        movie.source = No_source;
        ResetLogWriter();
        ProcessCommandLine();
    }
    static std::string Settings()
    {
        return std::to_string(movie.StereoCodingFormat) + " " + std::to_string(movie.EyeCodingFormat) + " " +
               std::to_string(output.OutputFormat) + " " + std::to_string(output.VideomemoryMethod) + " " +
               std::to_string(output.StrenghtOf2Dto3DEffect);
    }

    SettingsKeys keys;
    SettingsLog log;
    BoxRecorder boxes;
    std::vector<std::string> files;
};

TEST_F(CommandLineTest, AnMcfOverridesTheStoredSettingsItCarries)
{
    std::string path = Fixture("tower.mcf", MCF_TEXT);
    Run(path);

    EXPECT_EQ(File, movie.source);
    EXPECT_STREQ("C:\\Movies\\tower 3d.avi", movie.szFileName);
    EXPECT_EQ(1, movie.bMCF);
    EXPECT_STREQ("Tower", movie.szName);
    // Coding, output and strength from the file; eye order and method from the store.
    EXPECT_EQ("1077 1081 1074 1082 35", Settings());
    EXPECT_EQ(0, state.frameCount);
    std::string body = log.Body();
    const std::string start = "ProcessingCommandLineString\nCommandLineString backup:\n" + path +
                              "\nLenght of the commandline string: " + std::to_string(path.size()) +
                              " \nThe files does  end on MCF or mcf\n"
                              "Input Coding 1079 Requested Output 1072 \n"
                              "Movie parameters read from registry and set to default values\n"
                              "Making Setup From MCF file\n";
    EXPECT_EQ(start, body.substr(0, start.size()));
    EXPECT_NE(std::string::npos, body.find("All tests passesd O.K.\n"));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CommandLineTest, NamesAreTakenWhole)
{
    std::string mcf = Fixture("quoted.mcf", MCF_TEXT);
    const struct {
        const char *name;
        std::string commandLine;
        MovieSource source;
        bool mcfName;
    } cases[] = {
        {"quoted MCF name is a movie file", "\"" + mcf + "\"", File, false},
        {"name with blanks", "C:\\My Movies\\tower 3d.avi", File, false},
        {"two names stay one", "tower.avi other.avi", File, false},
        {"percent signs", "C:\\Movies\\100%d %s %%.avi", File, false},
        {"internet address is a local name", "http://movies.example.com/tower.asf", File, false},
        {"mcf without a dot is an MCF", "C:\\Movies\\towermcf", No_source, true},
        {"MCF that cannot be read", "C:\\Movies\\missing.MCF", No_source, true},
        {"upper and lower case mixed", "C:\\Movies\\tower.Mcf", File, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ResetPlayerRecords();
        movie.bMCF = 1;
        Run(c.commandLine);

        EXPECT_EQ(c.source, movie.source);
        EXPECT_EQ(c.commandLine, movie.szFileName) << "copied verbatim";
        EXPECT_EQ(0, movie.bMCF);
        EXPECT_EQ("1079 1081 1072 1082 90", Settings()) << "the stored settings";
        std::string body = log.Body();
        EXPECT_NE(std::string::npos, body.find("CommandLineString backup:\n" + c.commandLine + "\n"));
        EXPECT_NE(std::string::npos, body.find(c.mcfName ? "The files does  end on MCF or mcf\n"
                                                         : "The files does not ends on MCF or mcf\n"));
        EXPECT_EQ(c.mcfName, body.find("Making Setup From MCF file\n") != std::string::npos);
    }
}

TEST_F(CommandLineTest, EmptyCommandLineChangesNothing)
{
    ResetPlayerRecords();
    snprintf(movie.szFileName, sizeof movie.szFileName, "Vizor_Initial.avi");
    movie.StereoCodingFormat = SHIFTED_AB;
    movie.bMCF = 0;
    state.frameCount = 7;
    const MovieRecord movieBefore = movie;
    const OutputRecord outputBefore = output;

    Run("");

    EXPECT_EQ(0, memcmp(&movieBefore, &movie, sizeof movie));
    EXPECT_EQ(0, memcmp(&outputBefore, &output, sizeof output));
    EXPECT_EQ(7, state.frameCount);
    EXPECT_EQ("ProcessingCommandLineString\nCommandLineString backup:\n\nLenght of the commandline string: 0 \n"
              "No commandline parameters given, keepeing setting from inital movie or nothing\n",
              log.Body());
}

TEST_F(CommandLineTest, SavedCopyIsVerbatimAndCutToFit)
{
    const std::string longName = "C:\\" + std::string(300, 'n') + ".avi";
    const struct {
        const char *name;
        std::string commandLine, saved;
    } cases[] = {
        {"plain", "\"C:\\Movies\\tower.mcf\" 50%", "\"C:\\Movies\\tower.mcf\" 50%"},
        {"longer than the buffer", longName, longName.substr(0, sizeof state.szCommandLine - 1)},
        {"empty", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ResetLogWriter();
        SaveCommandLine(c.commandLine.c_str());
        EXPECT_EQ(c.saved, state.szCommandLine);
        EXPECT_EQ("Backup of the command line\n" + c.commandLine + "\n" + c.saved + "\n", log.Body());
    }
}

} // namespace
