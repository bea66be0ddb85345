#include "config/mcf.h"

#include "settings.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

// The log writer (diagnostics/log.h). Declared here on its own so that this file
// builds without <windows.h>; the native fuzz build links a stand-in.
void LogMessage(const char *text);

McfLineTable mcfLines;

namespace {

const char NOT_AVAILABLE[] = "not available\n";

bool EndsOn(const char *name, const char *upper, const char *lower)
{
    if (!name)
        return false;
    size_t length = strlen(name);
    if (length < 3)
        return false;
    const char *tail = name + length - 3;
    return strcmp(tail, upper) == 0 || strcmp(tail, lower) == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Logs "Line number n" style messages without needing the printf wrapper of the log.
void LogNumbered(const char *format, int n)
{
    char text[64];
    snprintf(text, sizeof text, format, n);
    LogMessage(text);
}

// Line 12: a coding of the settings' table or "PURE_2D", which is accepted but
// sets nothing.
bool StereoLineKnown(const char *line)
{
    return strcmp(line, "PURE_2D\n") == 0 || SettingFromMcfLine(Setting::Coding, line) != 0;
}

} // namespace

bool EndsOnMCF(const char *name)
{
    bool ends = EndsOn(name, "MCF", "mcf");
    LogMessage(ends ? "The files does  end on MCF or mcf\n" : "The files does not ends on MCF or mcf\n");
    return ends;
}

bool EndsOnASF(const char *name)
{
    bool ends = EndsOn(name, "ASF", "asf");
    LogMessage(ends ? "The string does  end on ASF or asf\n" : "The string does not end on ASF or asf\n");
    return ends;
}

void ClearMCFLines(McfLineTable &lines) { memset(&lines, 0, sizeof lines); }

int ReadMCFLines(FILE *file, McfLineTable &lines)
{
    ClearMCFLines(lines);
    int filled = 0;
    while (filled < MCF_LINE_SLOTS) {
        if (!fgets(lines.slot[filled], MCF_READ_CHARS, file)) {
            lines.slot[filled][0] = 0; // after a read error the slot may hold anything
            break;
        }
        filled++;
    }
    if (filled == MCF_LINE_SLOTS && fgetc(file) != EOF)
        LogMessage("More than 30 lines in the MCF file, the rest is ignored\n");
    return filled;
}

void LogMCFLines(const McfLineTable &lines)
{
    LogMessage("Control listing of the data aray with the MCF strings\n");
    for (int n = 1; n <= MCF_LINE_SLOTS; n++) {
        LogNumbered("Line number %d\n", n);
        LogMessage(lines.Line(n));
    }
}

int McfLineInteger(const char *line)
{
    const char *p = line;
    while (IsBlank(*p))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    for (; IsDigit(*p); p++) {
        value = value * 10 + (*p - '0');
        if (value > (int64_t)INT32_MAX + 1)
            value = (int64_t)INT32_MAX + 1; // saturate; keeps the sum far from overflow
    }
    if (negative)
        return (int)-value;
    return value > INT32_MAX ? INT32_MAX : (int)value;
}

double McfLineNumber(const char *line)
{
    const char *p = line;
    while (IsBlank(*p))
        p++;
    const char *start = p;
    if (*p == '+' || *p == '-')
        p++;
    int digits = 0;
    for (; IsDigit(*p); p++)
        digits++;
    if (*p == '.')
        for (p++; IsDigit(*p); p++)
            digits++;
    if (digits == 0)
        return 0;
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        if (*q == '+' || *q == '-')
            q++;
        if (IsDigit(*q)) {
            while (IsDigit(*q))
                q++;
            p = q;
        }
    }
    // Only the decimal text found above goes to strtod, so no hexadecimal,
    // "inf" or "nan" forms are accepted.
    char number[MCF_LINE_CHARS];
    snprintf(number, sizeof number, "%.*s", (int)(p - start), start);
    return strtod(number, NULL);
}

void CopyMCFText(char *out, size_t outSize, const char *line)
{
    if (outSize == 0)
        return;
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        length--;
    if (length > outSize - 1)
        length = outSize - 1;
    memcpy(out, line, length);
    out[length] = 0;
}

int ParseMCFStructure(const McfLineTable &lines)
{
    int result = 1;
    LogMessage("Parsing of the MCF structure \n");

    LogMessage(lines.Line(1));
    if (strcmp(lines.Line(1), "1.0\n") != 0) {
        LogMessage("Error: MSCF version <> 1.0\n");
        result = 0;
    }

    LogMessage(lines.Line(2));
    if (McfLineInteger(lines.Line(2)) != 1) {
        LogMessage("Error: We can work only with 1 record in this version\n");
        result = 0;
    }

    const char *address = lines.Line(3);
    LogMessage(address);
    if (strcmp(address, NOT_AVAILABLE) == 0)
        LogMessage("Warning: movie not available for internet download\n");
    const char *http = strstr(address, "HTTP");
    if (!http)
        http = strstr(address, "http");
    if (http == address)
        LogMessage("The download is HTTP type\n");
    else if (!http)
        LogMessage("Warning: unrecognized type of internet download\n");

    LogMessage(lines.Line(6));
    if (strcmp(lines.Line(6), NOT_AVAILABLE) == 0)
        LogMessage("Warning: movie is not available from local HD\n");

    LogMessage(lines.Line(12));
    if (StereoLineKnown(lines.Line(12))) {
        LogMessage("Movie format succesfuly identified\n");
    } else {
        LogMessage("Error: movie stereo format not recognized\n");
        result = 0;
    }

    static const struct {
        int line;
        const char *error;
    } sizes[] = {
        {14, "Error: numeric value for encoded width out of acceptable range\n"},
        {15, "Error: numeric value for encoded height out of acceptable range\n"},
        {16, "Error: numeric value for output width out of acceptable range\n"},
        {17, "Error: numeric value for output height out of acceptable range\n"},
    };
    for (const auto &size : sizes) {
        int value = McfLineInteger(lines.Line(size.line));
        if (value < 1 || value > 4000) {
            LogMessage(size.error);
            result = 0;
        }
    }

    LogMessage(lines.Line(18));
    if (SettingFromMcfLine(Setting::Output, lines.Line(18))) {
        LogMessage("Movie output format succesfuly identified\n");
    } else {
        LogMessage("Error: requested output format not recognized\n");
        result = 0;
    }

    int strength = McfLineInteger(lines.Line(19));
    if (strength < 0 || strength > 100) {
        LogMessage("Error: numeric value out of acceptable range\n");
        result = 0;
    }

    double frameRate = McfLineNumber(lines.Line(22));
    if (!(frameRate > 0 && frameRate <= 100)) {
        LogMessage("Error: numeric value for framerate out of acceptable range\n");
        result = 0;
    }

    LogMessage(result ? "All tests passesd O.K.\n" : "Something is not acceptable in the input\n");
    return result;
}

void DecodeMCF(const McfLineTable &lines, McfMovie &out)
{
    memset(&out, 0, sizeof out);
    LogMessage("Copy the file location from MCF to movie->szFileName\n");
    if (strcmp(lines.Line(6), NOT_AVAILABLE) != 0) {
        LogMessage("Configurating for file playback\n");
        CopyMCFText(out.szFileName, sizeof out.szFileName, lines.Line(6));
        out.source = MCF_SOURCE_FILE;
    } else {
        LogMessage("Configurating for internet playback\n");
        CopyMCFText(out.szFileName, sizeof out.szFileName, lines.Line(3));
        if (EndsOnASF(out.szFileName)) {
            out.source = MCF_SOURCE_URL_ASF;
            LogMessage("Warning ! movie.source=Url_asf seek problems expected\n");
        } else {
            out.source = MCF_SOURCE_URL;
        }
    }
    LogMessage("Content of movie->szFileName\n");
    LogMessage(out.szFileName);
    LogMessage("\n");

    CopyMCFText(out.szName, sizeof out.szName, lines.Line(7));
    CopyMCFText(out.szAuthor, sizeof out.szAuthor, lines.Line(8));
    CopyMCFText(out.szCategory, sizeof out.szCategory, lines.Line(9));

    const int32_t coding = SettingFromMcfLine(Setting::Coding, lines.Line(12));
    if (coding)
        out.StereoCodingFormat = coding;

    out.outputWidth = McfLineInteger(lines.Line(16));
    out.outputHeight = McfLineInteger(lines.Line(17));
    out.OutputFormat = SettingFromMcfLine(Setting::Output, lines.Line(18));
    out.StrenghtOf2Dto3DEffect = McfLineInteger(lines.Line(19));
}
