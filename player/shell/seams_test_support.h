// Every seam of the player in one place. A test that replaces any of them holds a
// SeamGuard: it saves them all when made and puts them all back when it goes,
// so no test leaves a seam of its own to the next.
#pragma once

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/surfaces.h"
#include "shell/window.h"

struct PlayerSeams {
    CreateStreamFunction createStream = g_pfnCreateMultiMediaStream;
    DWORD openFileLimitMs = g_openFileLimitMs;
    void (*adjustOutputRect)(RECT *) = g_pfnAdjustOutputRect;
    void (*openingEnded)(bool) = g_pfnOpeningEnded;
    void (*openNextMovie)() = g_pfnOpenNextMovie;
    void (*positionChanged)() = g_pfnPositionChanged;
    CreateFactoryFunction createFactory = g_pfnCreateDirectDrawFactory;
    HtmlHelpFunction htmlHelp = g_pfnHtmlHelp;
    WinHelpFunction winHelp = g_pfnWinHelp;
    size_t (*logWrite)(const void *, size_t, size_t, FILE *) = g_pfnLogWrite;
    MessageBoxFunction messageBox = g_pfnMessageBox;
    HWND boxOwner = g_hBoxOwner;
    const char *defaultLogPath = g_szDefaultLogPath;

    void Apply() const
    {
        g_pfnCreateMultiMediaStream = createStream;
        g_openFileLimitMs = openFileLimitMs;
        g_pfnAdjustOutputRect = adjustOutputRect;
        g_pfnOpeningEnded = openingEnded;
        g_pfnOpenNextMovie = openNextMovie;
        g_pfnPositionChanged = positionChanged;
        g_pfnCreateDirectDrawFactory = createFactory;
        g_pfnHtmlHelp = htmlHelp;
        g_pfnWinHelp = winHelp;
        g_pfnLogWrite = logWrite;
        g_pfnMessageBox = messageBox;
        g_hBoxOwner = boxOwner;
        g_szDefaultLogPath = defaultLogPath;
    }
};

class SeamGuard {
public:
    SeamGuard() = default;
    SeamGuard(const SeamGuard &) = delete;
    SeamGuard &operator=(const SeamGuard &) = delete;
    ~SeamGuard() { Restore(); }
    // Puts the seams back at once (and again when the guard goes).
    void Restore() const { saved.Apply(); }

private:
    PlayerSeams saved;
};
