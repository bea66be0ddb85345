// Stereo layout from a movie's file name: whole words only, first marker wins.
#include "config/name_layout.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char *name;
    NamePacking packing;
    bool rightFirst;
    const char *marker;
};

const NameCase CASES[] = {
    {"Movie.HSBS.mkv", NamePacking::SideBySide, false, "HSBS"},
    {"Clip_TAB.mp4", NamePacking::AboveBelow, false, "TAB"},
    {"Z:\\Movies\\Journey (2008) [Half-SBS].mkv", NamePacking::SideBySide, false, "Half-SBS"},
    {"concert.half-ou.mp4", NamePacking::AboveBelow, false, "half-ou"},
    {"Trip HALF-TAB 1080p.mp4", NamePacking::AboveBelow, false, "HALF-TAB"},
    {"Film-RL.avi", NamePacking::SideBySide, true, "RL"},
    {"Film BA.avi", NamePacking::AboveBelow, true, "BA"},
    {"Film{lr}.avi", NamePacking::SideBySide, false, "lr"},
    {"Film(AB).avi", NamePacking::AboveBelow, false, "AB"},
    {"/home/me/clip.sbs", NamePacking::SideBySide, false, "sbs"},
    {"boat.hou.3d.mkv", NamePacking::AboveBelow, false, "hou"},
    {"boat.htab.mkv", NamePacking::AboveBelow, false, "htab"},
    {"Movie.OU.SBS.mkv", NamePacking::AboveBelow, false, "OU"}, // the first marker wins
    {"Half-LR.avi", NamePacking::SideBySide, false, "LR"},      // "Half-" belongs only to SBS, TAB and OU
    // Letters of a marker inside a word, or a marker in a folder name: nothing.
    {"TABLE.avi", NamePacking::None, false, ""},
    {"Club.mkv", NamePacking::None, false, ""},
    {"Fabulous.avi", NamePacking::None, false, ""},
    {"SBSmovie.avi", NamePacking::None, false, ""},
    {"Lord of the Rings.avi", NamePacking::None, false, ""},
    {"C:\\SBS\\plain.avi", NamePacking::None, false, ""},
    {"Movie.Half.mkv", NamePacking::None, false, ""},
    {"Movie+SBS.mkv", NamePacking::None, false, ""}, // "+" is no separator
    {"", NamePacking::None, false, ""},
};

TEST(NameLayout, MarkersAreWholeWordsOfTheFileName)
{
    for (const NameCase &c : CASES) {
        SCOPED_TRACE(c.name);
        const NameLayout layout = FindLayoutInName(c.name);
        EXPECT_EQ(c.packing, layout.packing);
        EXPECT_EQ(c.rightFirst, layout.rightFirst);
        EXPECT_STREQ(c.marker, layout.marker);
    }
    EXPECT_EQ(NamePacking::None, FindLayoutInName(nullptr).packing);
}

TEST(NameLayout, ALongNameIsReadWholeAndTheMarkerCutToFit)
{
    std::string name(300, 'x');
    name += ".Half-SBS.mkv";
    EXPECT_EQ(NamePacking::SideBySide, FindLayoutInName(name.c_str()).packing);
    std::string half = "Movie.";
    half += "Half-SBS";
    EXPECT_STREQ("Half-SBS", FindLayoutInName(half.c_str()).marker);
}

} // namespace
