// Fuzz target for the MCF reader and validator (native build, see tools/fuzz-mcf.sh).
//
// The input is taken as the contents of an MCF file. It goes through the same
// steps as SetupFromMCF: read into the line table, listed, validated and decoded.
// Every text that comes out must be terminated inside its buffer.
#include "config/mcf.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool Terminated(const char *text, size_t size) { return memchr(text, 0, size) != NULL; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // fmemopen refuses an empty buffer; an empty file reads like no line at all.
    static char empty[1];
    FILE *file = size ? fmemopen((void *)data, size, "r") : fmemopen(empty, 1, "r");
    if (!file)
        return 0;
    if (!size)
        fgetc(file);
    int filled = ReadMCFLines(file, mcfLines);
    fclose(file);
    Require(filled >= 0 && filled <= MCF_LINE_SLOTS);
    for (int n = 1; n <= MCF_LINE_SLOTS; n++) {
        Require(strlen(mcfLines.Line(n)) <= MCF_READ_CHARS - 1);
        if (n > filled)
            Require(mcfLines.Line(n)[0] == 0);
    }

    LogMCFLines(mcfLines);
    int valid = ParseMCFStructure(mcfLines);
    Require(valid == 0 || valid == 1);

    // The decoder only ever sees validated tables in the player; run it on every
    // table anyway, it must stay inside its buffers.
    McfMovie decoded;
    DecodeMCF(mcfLines, decoded);
    Require(Terminated(decoded.szFileName, sizeof decoded.szFileName));
    Require(Terminated(decoded.szName, sizeof decoded.szName));
    Require(Terminated(decoded.szAuthor, sizeof decoded.szAuthor));
    Require(Terminated(decoded.szCategory, sizeof decoded.szCategory));
    if (valid) {
        Require(decoded.source >= MCF_SOURCE_URL && decoded.source <= MCF_SOURCE_URL_ASF);
        Require(decoded.StereoCodingFormat == 0 ||
                (decoded.StereoCodingFormat >= 1076 && decoded.StereoCodingFormat <= 1079));
        Require(decoded.OutputFormat >= 1072 && decoded.OutputFormat <= 1075);
        Require(decoded.outputWidth >= 1 && decoded.outputWidth <= 4000);
        Require(decoded.outputHeight >= 1 && decoded.outputHeight <= 4000);
        Require(decoded.StrenghtOf2Dto3DEffect >= 0 && decoded.StrenghtOf2Dto3DEffect <= 100);
    }

    // The same bytes as a name handed to the suffix tests.
    char name[MCF_PATH_CHARS];
    size_t length = size < sizeof name - 1 ? size : sizeof name - 1;
    memcpy(name, data, length);
    name[length] = 0;
    EndsOnMCF(name);
    EndsOnASF(name);
    return 0;
}
