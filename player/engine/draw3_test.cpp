// The third drawing path's choice of compositor settings: every output and
// coding value of the player to the compositor's, and the refusals.
#include "engine/playback.h"
#include "stereo/compositor.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessorSettings, EveryOutputValueMapsToItsComposition)
{
    const struct {
        int32_t format;
        ComposeOutput output;
    } cases[] = {
        {OUTPUT_PURE_INTERLACED, COMPOSE_ROWS},
        {OUTPUT_3D_TO_2D, COMPOSE_FIRST_VIEW},
        {OUTPUT_3D_TO_2D_SECOND, COMPOSE_SECOND_VIEW},
        {OUTPUT_ANAGLYPH_RED_CYAN, COMPOSE_ANAGLYPH_RC_DUBOIS},
        {OUTPUT_ANAGLYPH_RED_CYAN_HALF, COMPOSE_ANAGLYPH_RC_HALF},
        {OUTPUT_ANAGLYPH_RED_CYAN_COLOUR, COMPOSE_ANAGLYPH_RC_COLOUR},
        {OUTPUT_ANAGLYPH_RED_CYAN_GREY, COMPOSE_ANAGLYPH_RC_GREY},
        {OUTPUT_ANAGLYPH_GREEN_MAGENTA, COMPOSE_ANAGLYPH_GM_DUBOIS},
        {OUTPUT_ANAGLYPH_AMBER_BLUE, COMPOSE_ANAGLYPH_YB_DUBOIS},
        {OUTPUT_COLUMNS, COMPOSE_COLUMNS},
        {OUTPUT_CHECKERBOARD, COMPOSE_CHECKERBOARD},
        {OUTPUT_SIDE_BY_SIDE, COMPOSE_SBS_FULL},
        {OUTPUT_SIDE_BY_SIDE_HALF, COMPOSE_SBS_HALF_OUT},
        {OUTPUT_ABOVE_BELOW, COMPOSE_AB_FULL},
        {OUTPUT_ABOVE_BELOW_HALF, COMPOSE_AB_HALF_OUT},
    };
    for (const auto &c : cases) {
        ComposeSettings s;
        ASSERT_EQ(PROCESSOR_OK, ProcessorSettings(c.format, HALF_AB, RIGHT_TOP, 50, 720, 576, 800, 600, &s))
            << c.format;
        EXPECT_EQ(c.output, s.output) << c.format;
        EXPECT_EQ(COMPOSE_AB_HALF, s.coding) << c.format;
        EXPECT_FALSE(s.leftFirst) << c.format;
        EXPECT_EQ(COMPOSE_BILINEAR, s.sampling);
        EXPECT_EQ(720, s.frameWidth);
        EXPECT_EQ(576, s.frameHeight);
        EXPECT_EQ(800, s.areaWidth);
        EXPECT_EQ(600, s.areaHeight);
        EXPECT_EQ(c.format >= OUTPUT_3D_TO_2D_SECOND, NeedsProcessor(c.format, SHIFTED_AB)) << c.format;
    }
}

TEST(ProcessorSettings, CodingsEyeOrderAndTheFlatOutputs)
{
    const struct {
        int32_t coding;
        ComposeCoding expected;
        // clang-format off
    } codings[] = {
        {SHIFTED_AB, COMPOSE_SHIFTED_AB}, {PURE_AB, COMPOSE_PURE_AB}, {PURE_LR, COMPOSE_PURE_LR},
        {PURE_INTERLACED, COMPOSE_PURE_INTERLACED}, {HALF_LR, COMPOSE_SBS_HALF}, {HALF_AB, COMPOSE_AB_HALF},
    };
    // clang-format on
    ComposeSettings s;
    for (const auto &c : codings) {
        ASSERT_EQ(PROCESSOR_OK, ProcessorSettings(OUTPUT_PURE_INTERLACED, c.coding, LEFT_TOP, 0, 8, 8, 8, 8, &s));
        EXPECT_EQ(c.expected, s.coding);
        EXPECT_TRUE(s.leftFirst);
    }
    // Plain 2D and 2D to 3D draw whatever the coding, even an undefined one.
    ASSERT_EQ(PROCESSOR_OK, ProcessorSettings(OUTPUT_NO_STEREO, 1099, LEFT_TOP, 50, 720, 576, 720, 576, &s));
    EXPECT_EQ(COMPOSE_PLAIN, s.output);
    ASSERT_EQ(PROCESSOR_OK, ProcessorSettings(OUTPUT_2D_TO_3D, 1099, LEFT_TOP, 50, 720, 576, 720, 576, &s));
    EXPECT_EQ(COMPOSE_ROWS, s.output);
    EXPECT_EQ(COMPOSE_2D, s.coding);
    EXPECT_EQ(21, s.shift) << "3 % of 720 at strength 50, as the other methods";
    // Refusals.
    EXPECT_EQ(PROCESSOR_UNDEFINED_CODING,
              ProcessorSettings(OUTPUT_ANAGLYPH_RED_CYAN, 1099, LEFT_TOP, 50, 8, 8, 8, 8, &s));
    EXPECT_EQ(PROCESSOR_UNDEFINED_CODING, ProcessorSettings(OUTPUT_3D_TO_2D, 0, LEFT_TOP, 50, 8, 8, 8, 8, &s));
    EXPECT_EQ(PROCESSOR_UNDEFINED_OUTPUT, ProcessorSettings(0, SHIFTED_AB, LEFT_TOP, 50, 8, 8, 8, 8, &s));
    EXPECT_EQ(PROCESSOR_UNDEFINED_OUTPUT, ProcessorSettings(1100, SHIFTED_AB, LEFT_TOP, 50, 8, 8, 8, 8, &s));
    // Half-size codings reach the processor whatever the method; the four original ones do not.
    EXPECT_TRUE(NeedsProcessor(OUTPUT_PURE_INTERLACED, HALF_LR));
    EXPECT_TRUE(NeedsProcessor(OUTPUT_3D_TO_2D, HALF_AB));
    EXPECT_FALSE(NeedsProcessor(OUTPUT_PURE_INTERLACED, PURE_LR));
    EXPECT_FALSE(NeedsProcessor(OUTPUT_NO_STEREO, HALF_LR));
}

} // namespace
