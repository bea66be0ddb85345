// The values of the player's five settings, in one place: the numbers the
// registry, MCF files, the configuration panel (each radio button's id is its
// value's number) and the log use, the names MCF files give them, and the
// preset each setting starts from. No platform calls: every layer may include
// it, and it builds natively for the sanitizer and fuzzing runs.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

enum OutputFormat : int32_t {
    OUTPUT_NO_STEREO = 1072,
    OUTPUT_PURE_INTERLACED = 1073,
    OUTPUT_2D_TO_3D = 1074,
    OUTPUT_3D_TO_2D = 1075,
    // Drawn by the processor compositor (VIDEOMEMORY_METHOD3; the other methods
    // hand them to it too).
    OUTPUT_3D_TO_2D_SECOND = 1101,          // the view that comes second in the frame
    OUTPUT_ANAGLYPH_RED_CYAN = 1102,        // Dubois least squares
    OUTPUT_ANAGLYPH_RED_CYAN_HALF = 1103,   // red from the left eye's grey, cyan in colour
    OUTPUT_ANAGLYPH_RED_CYAN_COLOUR = 1104, // full colour
    OUTPUT_ANAGLYPH_RED_CYAN_GREY = 1105,   // both eyes grey
    OUTPUT_ANAGLYPH_GREEN_MAGENTA = 1106,   // Dubois
    OUTPUT_ANAGLYPH_AMBER_BLUE = 1107,      // Dubois
    OUTPUT_COLUMNS = 1108,                  // left eye on odd screen columns
    OUTPUT_CHECKERBOARD = 1109,             // left eye where screen column + row is odd
    OUTPUT_SIDE_BY_SIDE = 1110,             // each eye in its half, keeping its shape
    OUTPUT_SIDE_BY_SIDE_HALF = 1111,        // each eye squeezed into its half (3D TVs)
    OUTPUT_ABOVE_BELOW = 1112,
    OUTPUT_ABOVE_BELOW_HALF = 1113,
};

// True for the output formats only the processor compositor draws.
inline bool ProcessorOnlyOutput(int32_t format)
{
    return format >= OUTPUT_3D_TO_2D_SECOND && format <= OUTPUT_ABOVE_BELOW_HALF;
}

enum StereoCodingFormat : int32_t {
    SHIFTED_AB = 1076,
    PURE_AB = 1077,
    PURE_LR = 1078,
    PURE_INTERLACED = 1079,
    // Half-size views, as 3D movies are distributed; the processor compositor
    // (VIDEOMEMORY_METHOD3) reads them.
    HALF_LR = 1115,
    HALF_AB = 1116,
};

enum EyeCodingFormat : int32_t {
    LEFT_TOP = 1080,
    RIGHT_TOP = 1081,
};

enum VideomemoryMethod : int32_t {
    VIDEOMEMORY_METHOD1 = 1082,
    VIDEOMEMORY_METHOD2 = 1083,
    // Frames land in g_pDDSoff_screen1 as with method 2; the processor composes
    // the movie area from them and one copy shows it (Draw3).
    VIDEOMEMORY_METHOD3 = 1114,
};

// Which of the five settings a value belongs to (the strength is a plain
// number from 0 to 100 and has no table of values).
enum class Setting { Output, Coding, Eyes, Method };

struct SettingValue {
    Setting setting;
    int32_t number;
    const char *name; // as the log spells it
    // Named on line 12 (codings) or line 18 (outputs) of an MCF file.
    bool inMcf;
    // In the title while the quick switches (Ctrl+D, Ctrl+I, Ctrl+E) step to
    // it; null for values they leave out.
    const char *switchTitle;
};

inline constexpr SettingValue SETTING_VALUES[] = {
    {Setting::Output, OUTPUT_NO_STEREO, "OUTPUT_NO_STEREO", true, "Output: plain 2D"},
    {Setting::Output, OUTPUT_PURE_INTERLACED, "OUTPUT_PURE_INTERLACED", true, "Output: line-interlaced stereo"},
    {Setting::Output, OUTPUT_2D_TO_3D, "OUTPUT_2D_TO_3D", true, "Output: 2D to 3D"},
    {Setting::Output, OUTPUT_3D_TO_2D, "OUTPUT_3D_TO_2D", true, "Output: 3D to 2D (one view)"},
    {Setting::Output, OUTPUT_3D_TO_2D_SECOND, "OUTPUT_3D_TO_2D_SECOND", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_RED_CYAN, "OUTPUT_ANAGLYPH_RED_CYAN", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_RED_CYAN_HALF, "OUTPUT_ANAGLYPH_RED_CYAN_HALF", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_RED_CYAN_COLOUR, "OUTPUT_ANAGLYPH_RED_CYAN_COLOUR", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_RED_CYAN_GREY, "OUTPUT_ANAGLYPH_RED_CYAN_GREY", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_GREEN_MAGENTA, "OUTPUT_ANAGLYPH_GREEN_MAGENTA", true, NULL},
    {Setting::Output, OUTPUT_ANAGLYPH_AMBER_BLUE, "OUTPUT_ANAGLYPH_AMBER_BLUE", true, NULL},
    {Setting::Output, OUTPUT_COLUMNS, "OUTPUT_COLUMNS", true, NULL},
    {Setting::Output, OUTPUT_CHECKERBOARD, "OUTPUT_CHECKERBOARD", true, NULL},
    {Setting::Output, OUTPUT_SIDE_BY_SIDE, "OUTPUT_SIDE_BY_SIDE", true, NULL},
    {Setting::Output, OUTPUT_SIDE_BY_SIDE_HALF, "OUTPUT_SIDE_BY_SIDE_HALF", true, NULL},
    {Setting::Output, OUTPUT_ABOVE_BELOW, "OUTPUT_ABOVE_BELOW", true, NULL},
    {Setting::Output, OUTPUT_ABOVE_BELOW_HALF, "OUTPUT_ABOVE_BELOW_HALF", true, NULL},
    {Setting::Coding, SHIFTED_AB, "SHIFTED_AB", true, "Input: above/below with band"},
    {Setting::Coding, PURE_AB, "PURE_AB", true, "Input: above/below"},
    {Setting::Coding, PURE_LR, "PURE_LR", true, "Input: side by side"},
    {Setting::Coding, PURE_INTERLACED, "PURE_INTERLACED", true, "Input: interlaced lines"},
    {Setting::Coding, HALF_LR, "HALF_LR", true, NULL},
    {Setting::Coding, HALF_AB, "HALF_AB", true, NULL},
    {Setting::Eyes, LEFT_TOP, "LEFT_TOP", false, "Eyes: left view first"},
    {Setting::Eyes, RIGHT_TOP, "RIGHT_TOP", false, "Eyes: right view first"},
    {Setting::Method, VIDEOMEMORY_METHOD1, "VIDEOMEMORY_METHOD1", false, NULL},
    {Setting::Method, VIDEOMEMORY_METHOD2, "VIDEOMEMORY_METHOD2", false, NULL},
    {Setting::Method, VIDEOMEMORY_METHOD3, "VIDEOMEMORY_METHOD3", false, NULL},
};

// The presets: what a fresh installation stores and the defaults the player
// writes when the store holds nothing.
inline constexpr int32_t PRESET_CODING = SHIFTED_AB;
inline constexpr int32_t PRESET_EYES = LEFT_TOP;
inline constexpr int32_t PRESET_OUTPUT = OUTPUT_PURE_INTERLACED;
inline constexpr int32_t PRESET_METHOD = VIDEOMEMORY_METHOD2;
inline constexpr int32_t PRESET_STRENGTH = 50;
inline constexpr int32_t STRENGTH_MIN = 0, STRENGTH_MAX = 100;

// True when number is one of the setting's values.
inline bool IsSettingValue(Setting setting, int32_t number)
{
    for (const SettingValue &value : SETTING_VALUES)
        if (value.setting == setting && value.number == number)
            return true;
    return false;
}

// The name of one of the setting's values as the log spells it; null for a
// number that is none of them.
inline const char *SettingName(Setting setting, int32_t number)
{
    for (const SettingValue &value : SETTING_VALUES)
        if (value.setting == setting && value.number == number)
            return value.name;
    return NULL;
}

// The value an MCF line names ("SHIFTED_AB\n": the name with its line end), or
// 0 when it names none of the setting's values.
inline int32_t SettingFromMcfLine(Setting setting, const char *line)
{
    for (const SettingValue &value : SETTING_VALUES) {
        if (value.setting != setting || !value.inMcf)
            continue;
        const size_t length = strlen(value.name);
        if (strncmp(line, value.name, length) == 0 && line[length] == '\n' && line[length + 1] == 0)
            return value.number;
    }
    return 0;
}

// The quick switch's step: the value after `number` among the setting's values
// that have a switch title (the first of them when number is none).
inline const SettingValue &NextSwitchValue(Setting setting, int32_t number)
{
    const SettingValue *first = NULL;
    bool passed = false;
    for (const SettingValue &value : SETTING_VALUES) {
        if (value.setting != setting || !value.switchTitle)
            continue;
        if (passed)
            return value;
        if (!first)
            first = &value;
        passed = value.number == number;
    }
    return *first;
}
