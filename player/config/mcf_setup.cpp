#include "config/mcf_setup.h"

#include "config/name_layout.h"
#include "config/registry.h"
#include "diagnostics/log.h"

#include <io.h>
#include <stdio.h>
#include <string.h>

static_assert(MCF_PATH_CHARS == sizeof(MovieRecord::szFileName), "file name capacity");
static_assert(MCF_NAME_CHARS == sizeof(MovieRecord::szName), "name capacity");
static_assert((int)MCF_SOURCE_URL == Url && (int)MCF_SOURCE_FILE == File && (int)MCF_SOURCE_URL_ASF == Url_asf,
              "sources");

// Only files are read: a device name such as "CON.mcf" or a pipe could keep the
// reader waiting for ever.
static bool IsDiskFile(FILE *file)
{
    HANDLE handle = (HANDLE)_get_osfhandle(_fileno(file));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

void SetupFromMCF(MovieRecord &movie, OutputRecord &output, StateRecord &state)
{
    LogMessage("Making Setup From MCF file\n");
    FILE *file = fopen(movie.szFileName, "r"); // text mode: CR LF reads as LF
    if (file && !IsDiskFile(file)) {
        fclose(file);
        file = NULL;
    }
    if (!file) {
        LogMessage("Unable to open\n");
        LogMessage(movie.szFileName);
        return;
    }
    ReadMCFLines(file, mcfLines);
    fclose(file);

    LogMCFLines(mcfLines);
    if (!ParseMCFStructure(mcfLines)) {
        LogMessage("MCF input is wrong !!\n");
        return;
    }

    McfMovie decoded;
    DecodeMCF(mcfLines, decoded);
    memcpy(movie.szFileName, decoded.szFileName, sizeof movie.szFileName);
    movie.source = (MovieSource)decoded.source;
    memcpy(movie.szName, decoded.szName, sizeof movie.szName);
    memcpy(movie.szAuthor, decoded.szAuthor, sizeof movie.szAuthor);
    memcpy(movie.szCategory, decoded.szCategory, sizeof movie.szCategory);
    if (decoded.StereoCodingFormat) // PURE_2D leaves the coding as it was
        movie.StereoCodingFormat = (StereoCodingFormat)decoded.StereoCodingFormat;
    movie.mcfRect.left = 0;
    movie.mcfRect.top = 0;
    movie.mcfRect.right = decoded.outputWidth;
    movie.mcfRect.bottom = decoded.outputHeight;
    if (decoded.OutputFormat)
        output.OutputFormat = (OutputFormat)decoded.OutputFormat;
    output.StrenghtOf2Dto3DEffect = decoded.StrenghtOf2Dto3DEffect;
    state.frameCount = 0;
    state.bApplicationMinimized = 0;
    movie.bMCF = 1;
}

namespace {
int layoutFromName = -1; // not read from the store yet
}

bool LayoutFromNameEnabled()
{
    if (layoutFromName < 0)
        layoutFromName = ReadLayoutFromNameSetting() ? 1 : 0;
    return layoutFromName == 1;
}

void SetLayoutFromNameEnabled(bool on) { layoutFromName = on ? 1 : 0; }

void ApplyLayoutFromName(MovieRecord &movie)
{
    const NameLayout layout = FindLayoutInName(movie.szFileName);
    if (layout.packing == NamePacking::None)
        return;
    if (!LayoutFromNameEnabled()) {
        LogFormat("Stereo layout from the file name is turned off: marker \"%s\" not used\n", layout.marker);
        return;
    }
    movie.StereoCodingFormat = layout.packing == NamePacking::SideBySide ? PURE_LR : PURE_AB;
    movie.EyeCodingFormat = layout.rightFirst ? RIGHT_TOP : LEFT_TOP;
    LogFormat("Stereo layout from the file name: marker \"%s\", %s %s\n", layout.marker,
              SettingName(Setting::Coding, movie.StereoCodingFormat),
              SettingName(Setting::Eyes, movie.EyeCodingFormat));
}
