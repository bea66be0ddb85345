// Start-up helpers that need no window.
#include "shell/app.h"

#include "engine/records.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathBeside, ReplacesEverythingAfterTheLastBackslash)
{
    char out[MAX_PATH];
    const struct {
        const char *program;
        const char *expected;
    } cases[] = {
        {"C:\\Program Files\\Parallaxia\\Vizor_Movie.exe", "C:\\Program Files\\Parallaxia\\Vizor_Initial.avi"},
        {"C:\\Vizor_Movie.exe", "C:\\Vizor_Initial.avi"},
        {"Vizor_Movie.exe", "Vizor_Initial.avi"},
        {"C:\\a%sb\\Vizor_Movie.exe", "C:\\a%sb\\Vizor_Initial.avi"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(PathBeside(c.program, "Vizor_Initial.avi", out, sizeof out)) << c.program;
        EXPECT_STREQ(c.expected, out);
    }
}

TEST(PathBeside, APathThatWouldNotFitIsNoPath)
{
    char out[MAX_PATH];
    // Exactly fits: 259 characters and the terminator.
    std::string folder = "C:\\" + std::string(MAX_PATH - 1 - 3 - 1 - 17, 'f') + "\\";
    std::string program = folder + "Vizor_Movie.exe";
    ASSERT_TRUE(PathBeside(program.c_str(), "Vizor_Initial.avi", out, sizeof out));
    EXPECT_EQ(MAX_PATH - 1, (int)strlen(out));
    // One more character in the folder name and the start-up movie's path is too long.
    folder.insert(3, "g");
    program = folder + "V.exe";
    EXPECT_FALSE(PathBeside(program.c_str(), "Vizor_Initial.avi", out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST(InitialMovie, PresetsLeaveTheSettingsStoreAlone)
{
    ResetPlayerRecords();
    output.StrenghtOf2Dto3DEffect = 77;
    state.frameCount = 12;
    state.bApplicationMinimized = 1;
    movie.bMCF = 1;
    SetInitialMovieParameters();
    EXPECT_EQ(Initial_movie, movie.source);
    EXPECT_EQ(SHIFTED_AB, movie.StereoCodingFormat);
    EXPECT_EQ(LEFT_TOP, movie.EyeCodingFormat);
    EXPECT_EQ(OUTPUT_NO_STEREO, output.OutputFormat);
    EXPECT_EQ(VIDEOMEMORY_METHOD2, output.VideomemoryMethod);
    EXPECT_EQ(0, state.frameCount);
    EXPECT_EQ(0, state.bApplicationMinimized);
    EXPECT_EQ(0, movie.bMCF);
    EXPECT_EQ(77, output.StrenghtOf2Dto3DEffect);
    EXPECT_EQ(Uninitialized, movie.state);
}

} // namespace
