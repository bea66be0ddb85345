// The About box, the URL input box and the movie description.
#pragma once

#include "engine/records.h"

void RunAboutDialog(HINSTANCE instance, HWND owner);
// Shows the URL box. OK takes the text of its field (possibly empty) as
// szFileName (cut to PATH_CHARS), and so do Esc and the close box when something
// was typed; Esc or the close box with the field empty leaves szFileName alone
// and returns false.
bool RunUrlDialog(HINSTANCE instance, HWND owner, char *szFileName);
void RunMovieDescription(HINSTANCE instance, HWND owner, MovieRecord &movie, OutputRecord &output, StateRecord &state);

// The lines the description lists for a movie, in order (used by the dialog, and by tests).
struct DescriptionLines {
    char lines[8][PATH_CHARS + 32];
    int count;
};
void BuildDescriptionLines(const MovieRecord &movie, const StateRecord &state, DescriptionLines *out);
