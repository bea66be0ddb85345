#include "diagnostics/log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool firstMessage = true;
bool logAvailable = false;

char logPath[MAX_PATH];

} // namespace

const char *LogFilePath()
{
    if (!logPath[0]) {
        const char *configured = getenv("VIZOR_LOG");
        snprintf(logPath, sizeof logPath, "%s", configured && *configured ? configured : "c:\\Vizor_Cinema.log");
    }
    return logPath;
}

void FormatLogTimeStamp(const SYSTEMTIME &time, char *out, size_t outSize)
{
    static const char days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    snprintf(out, outSize, "%s %s %02u %02u:%02u:%02u %04u", days[time.wDayOfWeek % 7],
             months[(time.wMonth + 11) % 12], time.wDay, time.wHour, time.wMinute, time.wSecond, time.wYear);
}

void ResetLogWriter()
{
    firstMessage = true;
    logAvailable = false;
    logPath[0] = 0;
}

void LogMessage(const char *text)
{
    FILE *file;
    if (firstMessage) {
        firstMessage = false;
        file = fopen(LogFilePath(), "w"); // text mode: "\n" is stored as CR LF
        if (!file)
            return;
        logAvailable = true;
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
    fwrite(text, 1, strlen(text), file);
    fclose(file);
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

int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return g_pfnMessageBox(owner, text, caption, type);
}
