// Checks that a text from Setup.INI can safely serve as a printf format for the
// arguments the launcher passes with its id. No Windows calls.
#pragma once

// kinds lists the arguments in order: 's' a text, 'l' an unsigned long.
// True when every conversion of text takes the next argument of the matching
// kind ("%%" takes none); fewer conversions than arguments are fine. "%n", "*",
// "%S", length modifiers that do not fit, and widths or precisions above 1024
// are refused.
bool formatMatches(const char *text, const char *kinds);

// The arguments the launcher passes with the text of id when it uses it as a format.
const char *formatKindsForId(int id);
