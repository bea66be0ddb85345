// The player's diagnostics log and the texts for platform result codes.
#pragma once

#include <windows.h>

#include <stdio.h>

// Size of every buffer a log message is composed in (terminator included).
const int LOG_BUFFER_CHARS = 256;

// Appends text to the log exactly as given. The first call of a run creates the
// file (truncating an old one) and writes the time stamp and an empty line.
void LogMessage(const char *text);

// printf-style convenience: composes into a 256-character buffer (cut to fit) and logs it.
void LogFormat(const char *format, ...) __attribute__((format(gnu_printf, 1, 2)));

// The log file's path: %VIZOR_LOG% when set, otherwise g_szDefaultLogPath
// ("c:\Vizor_Cinema.log"). When the default cannot be created (a standard user
// may not create files in the root of C:), the first message creates
// %LOCALAPPDATA%\Parallaxia\Vizor_Cinema.log instead and from then on this is
// the path returned. A path set in %VIZOR_LOG% has no such second choice.
const char *LogFilePath();
// The first choice of the log when %VIZOR_LOG% is not set. Tests point it
// elsewhere.
extern const char *g_szDefaultLogPath;

// The text of the error box that points at the log: the file actually written,
// or NO_LOG_BOX_TEXT when no log file could be created or the log could not be
// written any more (the explanation of the box's failure is not in it).
void ComposeErrorBoxText(char *out, size_t outSize);
#define NO_LOG_BOX_TEXT "No log file could be written for error analysis"

// Writes the 24-character time stamp of a local time ("Wed Dec 09 22:54:13 2026")
// into out (at least 25 characters).
void FormatLogTimeStamp(const SYSTEMTIME &time, char *out, size_t outSize);

// Text of a result code, as written by the three tables.
void LogComErrorText(HRESULT code);
void LogDirectShowErrorText(HRESULT code);
void LogDirectDrawErrorText(HRESULT code);

// The writer's block write (fwrite); tests make it fail as a full disk or a
// failing device would. A message not written whole switches the log off.
extern size_t (*g_pfnLogWrite)(const void *data, size_t size, size_t count, FILE *file);

// Puts the writer back into its start state (before the first message). Tests use it.
void ResetLogWriter();

// Message boxes go through this pointer, so tests can answer them.
typedef int (*MessageBoxFunction)(HWND owner, const char *text, const char *caption, UINT type);
extern MessageBoxFunction g_pfnMessageBox;
int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type);
// The window the failure check's boxes belong to: the main window, which the
// shell names here when it has made it.
extern HWND g_hBoxOwner;

// The failure check around platform calls: when result is negative it logs
// "<call text>  failed with HRESULT(0x%8.8X)\n", the code's text from the
// matching table, and shows the error box that points at the log. Returns result.
enum ErrorTable { ERROR_TABLE_COM, ERROR_TABLE_DS, ERROR_TABLE_DD };
HRESULT CheckError(HRESULT result, const char *callText, ErrorTable table);
// Steps 1 to 3 of the check only (no box), into the caller's own buffer.
void LogCallFailure(HRESULT result, const char *callText, ErrorTable table);

#define CHECK_ERROR_COM(result, callText) CheckError((result), (callText), ERROR_TABLE_COM)
#define CHECK_ERROR_DS(result, callText) CheckError((result), (callText), ERROR_TABLE_DS)
#define CHECK_ERROR_DD(result, callText) CheckError((result), (callText), ERROR_TABLE_DD)
