// Result-code texts and the failure check wrapped around platform calls.
#include "diagnostics/log.h"

#include <ddraw.h>
#include <mmstream.h>
#include <stdint.h>

#include <stdio.h>

namespace {

struct CodeText {
    uint32_t code;
    const char *text;
};

struct ErrorTextTable {
    const CodeText *rows;
    size_t count;
    const char *unknownText;   // first text of the last row
    const char *decimalFormat; // second text of the last row
};

const CodeText comTexts[] = {
    {0x00000000, "S_OK The library was initialized successfully. \n"},
    {0x00000001, "S_FALSE The library is already initialized or that it could not release the default allocator.\n"},
    {0x8000FFFF, "_UNEXPECTED\n"},
    {0x80040110, "CLASS_E_NOAGGREGATION \n"},
    {0x80040154, "REGDB_E_CLASSNOTREG\n"},
    {0x8007000E, "E_OUTOFMEMORY\n"},
    {0x80070057, "E_INVALIDARG\n"},
};

// clang-format off
const CodeText directShowTexts[] = {
    {0x00000000, "S_OK Success.\n"},
    {0x80004003, "E_POINTER This method tried to access an invalid pointer.\n"},
    {0x80040110, " CLASS_E_NOAGGREGATION  This class cannot be created as part of an aggregate.\n"},
    {0x80040154, " REGDB_E_CLASSNOTREG A specified class is not registered in the registration database.\n"},
    {0x80040401, " MS_E_SAMPLEALLOC he stream already has allocated samples and the surface doesn't match the sample format.\n"},
    {0x80040403, "MS_E_NOSTREAM No stream has the specified purpose ID\n"},
    {0x80070057, "E_INVALIDARG The dwFlags parameter is invalid.\n"},
};
// clang-format on

// clang-format off
const CodeText directDrawTexts[] = {
    {0x00000000, "DD_OK Success.\n"},
    {0x80004001, "DDERR_UNSUPPORTED\n"},
    {0x80004003, "E_POINTER One or more of the required parameters is invalid.\n"},
    {0x80004005, "DDERR_GENERIC\n"},
    {0x8007000E, "DDERR_OUTOFMEMORY \n"},
    {0x80070057, "DDERR_INVALIDPARAMS\n"},
    {0x88760037, "DDERR_EXCEPTION\n"},
    {0x8876005F, "DDERR_INCOMPATIBLEPRIMARY\n"},
    {0x88760064, "DDERR_INVALIDCAPS\n"},
    {0x88760078, "DDERR_INVALIDMODE\n"},
    {0x88760082, "DDERR_INVALIDOBJECT \n"},
    {0x88760091, " DDERR_INVALIDPIXELFORMAT The specified pixel format is incompatible with the stream format.\n"},
    {0x88760096, " DDERR_INVALIDRECT The specified clipping rectangle is invalid. \n"},
    {0x887600A0, "DDERR_LOCKEDSURFACES\n"},
    {0x887600B4, "DDERR_NOALPHAHW \n"},
    {0x887600D4, "DDERR_NOCOOPERATIVELEVELSET\n"},
    {0x887600E1, "DDERR_NOEXCLUSIVEMODE\n"},
    {0x887600E6, "DDERR_NOFLIPHW\n"},
    {0x887600FA, "DDERR_NOMIRRORHW Operation could not be carried out because there is no hardware present or available.\n"},
    {0x88760154, "DDERR_NOZBUFFERHW\n"},
    {0x8876017C, "DDERR_OUTOFVIDEOMEMORY the graphic card memory is not sufficent for new DD surface\n"},
    {0x887601AE, "DDERR_SURFACEBUSY\n"},
    {0x887601C2, "DDERR_SURFACELOST The surface's video memory was lost (screen locked or display mode changed); "
                 "it must be restored.\n"},
    {0x8876021C, "DDERR_WASSTILLDRAWING\n"},
    {0x88760233, "DDERR_NODIRECTDRAWHW\n"},
    {0x88760234, "DDERR_PRIMARYSURFACEALREADYEXISTS \n"},
    {0x88760235, "DDERR_NOEMULATION\n"},
    {0x8876023A, "DDERR_HWNDSUBCLASSED\n"},
    {0x8876023B, "DDERR_HWNDALREADYSET\n"},
    {0x8876023F, "DDERR_NOBLTHW\n"},
    {0x88760245, "DDERR_EXCLUSIVEMODEALREADYSET\n"},
    {0x8876024B, "DDERR_WRONGMODE The surface was made in another display mode and cannot be restored.\n"},
    {0x8876024E, "DDERR_UNSUPPORTEDMODE \n"},
    {0x8876024F, "DDERR_NOMIPMAPHW\n"},
    {0x88760250, " DDERR_INVALIDSURFACETYPE he specified surface is incompatible with the stream format.\n"},
};
// clang-format on

#define TABLE(rows) rows, sizeof rows / sizeof rows[0]
const ErrorTextTable tables[] = {
    {TABLE(comTexts), "Unknown COM error code\n", "Error code decimal %d\n"},
    {TABLE(directShowTexts), "Unknown Direct Show error code\n", "Erorr code decimal %d\n"},
    {TABLE(directDrawTexts), "Unknown Direct Draw error code\n", "Error code decimal %d\n"},
};
#undef TABLE

void LogErrorText(const ErrorTextTable &table, HRESULT code)
{
    for (size_t i = 0; i < table.count; i++) {
        if (table.rows[i].code == (uint32_t)code) {
            LogMessage(table.rows[i].text);
            return;
        }
    }
    LogMessage(table.unknownText);
    char buffer[LOG_BUFFER_CHARS];
    snprintf(buffer, sizeof buffer, table.decimalFormat, (int)code);
    LogMessage(buffer);
}

} // namespace

void LogComErrorText(HRESULT code) { LogErrorText(tables[ERROR_TABLE_COM], code); }
void LogDirectShowErrorText(HRESULT code) { LogErrorText(tables[ERROR_TABLE_DS], code); }
void LogDirectDrawErrorText(HRESULT code) { LogErrorText(tables[ERROR_TABLE_DD], code); }

void LogCallFailure(HRESULT result, const char *callText, ErrorTable table)
{
    char buffer[LOG_BUFFER_CHARS];
    snprintf(buffer, sizeof buffer, "%s  failed with HRESULT(0x%8.8X)\n", callText, (unsigned)result);
    LogMessage(buffer);
    LogErrorText(tables[table], result);
}

HRESULT CheckError(HRESULT result, const char *callText, ErrorTable table)
{
    if (FAILED(result)) {
        LogCallFailure(result, callText, table);
        char text[MAX_PATH + 40];
        ComposeErrorBoxText(text, sizeof text);
        ShowMessageBox(g_hBoxOwner, text, "Error", MB_OK);
    }
    return result;
}
