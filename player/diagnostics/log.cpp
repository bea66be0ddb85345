#include "diagnostics/log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool firstMessage = true;
bool logAvailable = false;
bool logCreated = false;

char logPath[MAX_PATH];

bool LogPathConfigured()
{
    const char *configured = getenv("VIZOR_LOG");
    return configured && *configured;
}

// Creates the log in the user's own application data when the first choice
// cannot be created: %LOCALAPPDATA%\Parallaxia\Vizor_Cinema.log, the folder made
// when missing. On success logPath names the file.
FILE *CreateLogInUserFolder()
{
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return NULL;
    char path[MAX_PATH];
    int written = snprintf(path, sizeof path, "%s\\Parallaxia", folder);
    if (written < 0 || written >= (int)sizeof path)
        return NULL;
    CreateDirectoryA(path, NULL); // already there is as good
    written = snprintf(path, sizeof path, "%s\\Parallaxia\\Vizor_Cinema.log", folder);
    if (written < 0 || written >= (int)sizeof path)
        return NULL;
    FILE *file = fopen(path, "w");
    if (file)
        snprintf(logPath, sizeof logPath, "%s", path);
    return file;
}

} // namespace

const char *g_szDefaultLogPath = "c:\\Vizor_Cinema.log";

const char *LogFilePath()
{
    if (!logPath[0])
        snprintf(logPath, sizeof logPath, "%s", LogPathConfigured() ? getenv("VIZOR_LOG") : g_szDefaultLogPath);
    return logPath;
}

size_t (*g_pfnLogWrite)(const void *data, size_t size, size_t count, FILE *file) = fwrite;

void ComposeErrorBoxText(char *out, size_t outSize)
{
    // Once the log could not be written, the box's own failure is not in it.
    if (logCreated && logAvailable)
        snprintf(out, outSize, "See %s for error analysis", LogFilePath());
    else
        snprintf(out, outSize, "%s", NO_LOG_BOX_TEXT);
}

void FormatLogTimeStamp(const SYSTEMTIME &time, char *out, size_t outSize)
{
    static const char days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    snprintf(out, outSize, "%s %s %02u %02u:%02u:%02u %04u", days[time.wDayOfWeek % 7], months[(time.wMonth + 11) % 12],
             time.wDay, time.wHour, time.wMinute, time.wSecond, time.wYear);
}

void ResetLogWriter()
{
    firstMessage = true;
    logAvailable = false;
    logCreated = false;
    logPath[0] = 0;
}

void LogMessage(const char *text)
{
    FILE *file;
    if (firstMessage) {
        firstMessage = false;
        file = fopen(LogFilePath(), "w"); // text mode: "\n" is stored as CR LF
        if (!file && !LogPathConfigured())
            file = CreateLogInUserFolder();
        if (!file)
            return;
        logAvailable = true;
        logCreated = true;
        SYSTEMTIME now;
        GetLocalTime(&now);
        char stamp[32];
        FormatLogTimeStamp(now, stamp, sizeof stamp);
        fprintf(file, "%s\n\n", stamp);
    } else {
        if (!logAvailable)
            return;
        file = fopen(LogFilePath(), "a");
        if (!file) {
            logAvailable = false;
            return;
        }
    }
    const size_t length = strlen(text);
    const bool written = g_pfnLogWrite(text, 1, length, file) == length;
    // A full disk or a failing device may only show when the buffer is flushed.
    if (fclose(file) != 0 || !written)
        logAvailable = false; // as for a reopening that fails: later messages are dropped
}

void LogFormat(const char *format, ...)
{
    char buffer[LOG_BUFFER_CHARS];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    LogMessage(buffer);
}

static int SystemMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

MessageBoxFunction g_pfnMessageBox = SystemMessageBox;
HWND g_hBoxOwner = NULL;

int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return g_pfnMessageBox(owner, text, caption, type);
}
