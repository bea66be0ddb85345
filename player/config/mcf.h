// Movie configuration files (MCF): the line table, the suffix tests, the
// validation and the decoding of one file's lines.
//
// Nothing here needs <windows.h>, so the reader and the validator also build
// natively (tools/fuzz-mcf.sh runs them under a fuzzer with the sanitizers).
// SetupFromMCF, which applies a file to the player records, is in mcf_setup.h.
#pragma once

#include <stddef.h>
#include <stdio.h>

// The line table: 30 slots of 256 bytes; slot n holds line n of the last file
// read (counted from 1), with its line feed.
const int MCF_LINE_SLOTS = 30;
const int MCF_LINE_CHARS = 256;
// One read takes at most 254 characters and the terminating zero; a longer line
// goes on in the next slot and shifts every following line by one.
const int MCF_READ_CHARS = 255;

// Capacities of the texts a file fills in: the movie's path or address (as
// movie.szFileName) and its name, author and category (as movie.szName ...).
const int MCF_PATH_CHARS = 260;
const int MCF_NAME_CHARS = 255;

struct McfLineTable {
    char slot[MCF_LINE_SLOTS][MCF_LINE_CHARS];
    // Line n, 1 to 30.
    const char *Line(int n) const { return slot[n - 1]; }
};

// The process-wide table, refilled by every SetupFromMCF.
extern McfLineTable mcfLines;

// True when the last three characters of name are exactly "MCF" or exactly "mcf".
// Logs which way it went.
bool EndsOnMCF(const char *name);
// The same test for "ASF" or "asf".
bool EndsOnASF(const char *name);

// Empties every slot.
void ClearMCFLines(McfLineTable &lines);
// Empties the table, then reads the file into slots 1, 2, 3 ... until its end.
// Stops after slot 30: the rest of a longer file is ignored and the log says so.
// Returns the number of slots filled.
int ReadMCFLines(FILE *file, McfLineTable &lines);
// "Control listing": every slot's number and its text, unchanged.
void LogMCFLines(const McfLineTable &lines);

// Validates the table; 1 when every test passes, 0 otherwise. Logs every problem.
int ParseMCFStructure(const McfLineTable &lines);

// A line read as an integer: leading white space, an optional sign, decimal
// digits up to the first other character; no digits reads as 0. Values beyond
// the 32-bit range stop at its ends.
int McfLineInteger(const char *line);
// A line read as a decimal number: white space, sign, digits, an optional
// fraction and exponent; no number reads as 0.
double McfLineNumber(const char *line);
// Copies a line's text without its line feed, cut to fit out (always terminated).
void CopyMCFText(char *out, size_t outSize, const char *line);

// What a valid file says about its movie. The numbers are the values of the
// player's enumerations (engine/records.h); 0 means "leave the field as it is".
enum McfSource { MCF_SOURCE_URL = 2, MCF_SOURCE_FILE = 3, MCF_SOURCE_URL_ASF = 4 };
struct McfMovie {
    char szFileName[MCF_PATH_CHARS];
    int source;
    char szName[MCF_NAME_CHARS];
    char szAuthor[MCF_NAME_CHARS];
    char szCategory[MCF_NAME_CHARS];
    int StereoCodingFormat; // a coding of the settings' table; 0 for PURE_2D
    int outputWidth;
    int outputHeight;
    int OutputFormat; // an output of the settings' table; 0 when line 18 names none
    int StrenghtOf2Dto3DEffect;
};
// Takes the movie's settings from a validated table, logging the choice of
// file or internet playback and the resulting file name.
void DecodeMCF(const McfLineTable &lines, McfMovie &out);
