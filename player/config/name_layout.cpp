#include "config/name_layout.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

namespace {

struct Marker {
    const char *word;
    NamePacking packing;
    bool rightFirst;
    bool halfAllowed; // may follow "Half-"
};

// clang-format off
const Marker MARKERS[] = {
    {"SBS", NamePacking::SideBySide, false, true},  {"HSBS", NamePacking::SideBySide, false, false},
    {"LR", NamePacking::SideBySide, false, false},  {"RL", NamePacking::SideBySide, true, false},
    {"TAB", NamePacking::AboveBelow, false, true},  {"HTAB", NamePacking::AboveBelow, false, false},
    {"OU", NamePacking::AboveBelow, false, true},   {"HOU", NamePacking::AboveBelow, false, false},
    {"AB", NamePacking::AboveBelow, false, false},  {"BA", NamePacking::AboveBelow, true, false},
};
// clang-format on

bool IsSeparator(char c) { return strchr(". -_()[]{}", c) != NULL; }

bool SameWord(const char *word, const char *text, size_t length)
{
    if (strlen(word) != length)
        return false;
    for (size_t i = 0; i < length; i++) {
        if (toupper((unsigned char)text[i]) != word[i])
            return false;
    }
    return true;
}

const Marker *MarkerFor(const char *text, size_t length)
{
    for (const Marker &m : MARKERS) {
        if (SameWord(m.word, text, length))
            return &m;
    }
    return NULL;
}

} // namespace

NameLayout FindLayoutInName(const char *path)
{
    NameLayout layout;
    if (!path)
        return layout;
    const char *name = path;
    for (const char *p = path; *p; p++) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    const char *previous = NULL; // the word before, when it was "Half" followed by a dash
    for (const char *p = name; *p;) {
        if (IsSeparator(*p)) {
            p++;
            continue;
        }
        const char *start = p;
        while (*p && !IsSeparator(*p))
            p++;
        const size_t length = (size_t)(p - start);
        if (const Marker *m = MarkerFor(start, length)) {
            const char *from = previous && m->halfAllowed ? previous : start;
            layout.packing = m->packing;
            layout.rightFirst = m->rightFirst;
            snprintf(layout.marker, sizeof layout.marker, "%.*s", (int)(p - from), from);
            return layout;
        }
        previous = SameWord("HALF", start, length) && *p == '-' ? start : NULL;
    }
    return layout;
}
