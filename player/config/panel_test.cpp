// The configuration panel's Save and OK with a group shown with nothing checked
// (a fresh player, whose records are 0): such a group keeps its value.
#include "config/panel.h"
#include "config/registry.h"
#include "config/settings_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace settings_test;

namespace {

std::string Dword(DWORD value) { return std::string((const char *)&value, sizeof value); }

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPlayerRecords(); }
    SettingsKeys keys;
    SettingsLog log;
    BoxRecorder boxes;
};

TEST_F(PanelTest, SaveWritesEveryValueToTheUsersKeys)
{
    SettingsKeys::MakeUnwritable(HKEY_LOCAL_MACHINE); // as for a standard user
    panelSettings = {OUTPUT_3D_TO_2D, PURE_LR, RIGHT_TOP, VIDEOMEMORY_METHOD1, 70};
    SaveConfiguration();
    const struct {
        const char *key, *valueName;
        DWORD value;
    } stored[] = {
        {szKey1, "StereoCodingFormat", 1078}, {szKey1, "EyeCodingFormat", 1081},
        {szKey2, "OutputFormat", 1075},       {szKey2, "VideomemoryMethod", 1082},
        {szKey2, "StrenghtOf2Dto3DEffect", 70},
    };
    for (const auto &s : stored)
        EXPECT_EQ(Dword(s.value), SettingsKeys::GetUser(s.key, s.valueName)) << s.valueName;
    EXPECT_EQ("Configuration Changes Saved to Registry \n", log.Body());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PanelTest, SaveNeverStoresAGroupShownWithNothingChecked)
{
    SettingsKeys::SetUserNumber(szKey2, "OutputFormat", 1074);
    const struct {
        const char *name;
        PanelSettings shown;
    } cases[] = {
        {"fresh player: only the strength is set", {0, 0, 0, 0, 0}},
        {"outside every group", {1076, 1072, 1083, 1080, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        panelSettings = c.shown;
        SaveConfiguration();
        EXPECT_EQ(Dword(1074), SettingsKeys::GetUser(szKey2, "OutputFormat")) << "kept as stored";
        EXPECT_EQ("", SettingsKeys::GetUser(szKey1, "StereoCodingFormat")) << "not written";
        EXPECT_EQ("", SettingsKeys::GetUser(szKey1, "EyeCodingFormat"));
        EXPECT_EQ("", SettingsKeys::GetUser(szKey2, "VideomemoryMethod"));
        EXPECT_EQ(Dword(0), SettingsKeys::GetUser(szKey2, "StrenghtOf2Dto3DEffect")) << "a strength is always shown";
    }
}

TEST_F(PanelTest, OkKeepsTheRecordOfAGroupShownWithNothingChecked)
{
    output.OutputFormat = OUTPUT_PURE_INTERLACED;
    movie.StereoCodingFormat = SHIFTED_AB;
    movie.EyeCodingFormat = LEFT_TOP;
    output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
    movie.state = Uninitialized;
    panelSettings = {0, PURE_AB, 0, 0, 35};
    bPanelAccepted = 1;
    ApplyConfigurationPanel(movie, output);
    EXPECT_EQ(OUTPUT_PURE_INTERLACED, output.OutputFormat);
    EXPECT_EQ(PURE_AB, movie.StereoCodingFormat) << "a checked group is applied";
    EXPECT_EQ(LEFT_TOP, movie.EyeCodingFormat);
    EXPECT_EQ(VIDEOMEMORY_METHOD2, output.VideomemoryMethod);
    EXPECT_EQ(35, output.StrenghtOf2Dto3DEffect);
}

} // namespace
