// The line-by-line routines: every destination row is one stretched copy of one
// source row, straight onto the screen, the two views on alternate rows.
#include "stereo/stereo.h"

#include "diagnostics/log.h"
#include "stereo/stereo_internal.h"

#include <stdio.h>

namespace {

const char LINE_FAILURE[] =
    "pDestination->Blt(&destination_line, pSource, &source_line, DDBLT_WAIT, NULL)  failed with HRESULT(0x%8.8X)\n";

HRESULT CopyLine(IDirectDrawSurface *pDestination, IDirectDrawSurface *pSource, RECT *destination_line,
                 RECT *source_line)
{
    if (!pDestination)
        return E_INVALIDARG;
    return pDestination->Blt(destination_line, pSource, source_line, DDBLT_WAIT, NULL);
}

RECT DestinationLine(const RECT &destination, LONG row)
{
    RECT line;
    line.left = destination.left;
    line.top = row;
    line.right = destination.right;
    line.bottom = row + 1;
    return line;
}

// How a routine reports a failed copy: which view's row it was and which row
// order the destination's top row gave.
typedef void (*FailureLogger)(HRESULT result, bool firstView, bool firstOrder, const RECT &source_line,
                              const RECT &destination_line);

void LogLineFailure(HRESULT result, bool, bool, const RECT &, const RECT &)
{
    LogStereoCopyFailure(LINE_FAILURE, result);
}

// The synthetic pair keeps two ways of reporting, one per row order.
void LogSyntheticFailure(HRESULT result, bool firstView, bool firstOrder, const RECT &source_line,
                         const RECT &destination_line)
{
    if (firstOrder) {
        char buffer[LOG_BUFFER_CHARS];
        LogMessage(firstView ? "left image firs situation" : "right image first situation");
        LogDirectDrawErrorText(result);
        snprintf(buffer, sizeof buffer,
                 firstView ? "source_line_left %d %d %d %d \n" : "source_line_right %d %d %d %d \n",
                 (int)source_line.left, (int)source_line.right, (int)source_line.top, (int)source_line.bottom);
        LogMessage(buffer);
        snprintf(buffer, sizeof buffer, "destination_line %d %d %d %d \n", (int)destination_line.left,
                 (int)destination_line.right, (int)destination_line.top, (int)destination_line.bottom);
        LogMessage(buffer);
    } else {
        LogStereoCopyFailure(
            firstView ? "pDestination->Blt(&destination_line, pSource, &source_line_left, DDBLT_WAIT, NULL)  failed "
                        "with HRESULT(0x%8.8X)\n"
                      : "pDestination->Blt(&destination_line, pSource, &source_line_right, DDBLT_WAIT, NULL)  failed "
                        "with HRESULT(0x%8.8X)\n",
            result);
    }
}

// The common skeleton: for every pair of destination rows, one source row of
// each view, in the order the row parity rule gives. A row below the
// destination (the second row of the last pair of an odd height) is not drawn.
HRESULT DrawLines(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source, RECT destination,
                  int EyeCodingFormat, LineKind kind, int strength, FailureLogger logFailure)
{
    const int64_t height = (int64_t)destination.bottom - destination.top;
    if (height <= 0)
        return E_FAIL;
    const int32_t D = height < INT32_MAX ? (int32_t)height : INT32_MAX;
    const LinePlan plan = MakeLinePlan(kind, ToStereoRect(source), D, strength);
    const bool firstOrder = FirstViewOnTopRow(destination.top, EyeCodingFormat);
    // The synthetic pair counts any non-zero result as failure in the first order.
    const bool anyNonZeroFails = kind == LINES_2D_TO_3D && firstOrder;
    const int64_t step = 2 * (int64_t)source.bottom;

    HRESULT result = E_FAIL;
    int64_t t = 0;
    for (int32_t k = 0; k < D; k += 2, t += step) {
        StereoRect first, second;
        LinePairSources(plan, t, &first, &second);
        for (int32_t j = 0; j < 2 && k + j < D; j++) {
            const bool firstView = (j == 0) == firstOrder;
            RECT source_line = ToRect(firstView ? first : second);
            RECT destination_line = DestinationLine(destination, destination.top + k + j);
            result = CopyLine(pDestination, pSource, &destination_line, &source_line);
            if (anyNonZeroFails ? result != 0 : FAILED(result))
                logFailure(result, firstView, firstOrder, source_line, destination_line);
        }
    }
    return result;
}

} // namespace

HRESULT SHIFTED_AB_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                     RECT destination, int EyeCodingFormat)
{
    return DrawLines(pSource, pDestination, source, destination, EyeCodingFormat, LINES_SHIFTED_AB, 0, LogLineFailure);
}

HRESULT PURE_AB_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                  RECT destination, int EyeCodingFormat)
{
    return DrawLines(pSource, pDestination, source, destination, EyeCodingFormat, LINES_PURE_AB, 0, LogLineFailure);
}

HRESULT PURE_LR_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                  RECT destination, int EyeCodingFormat)
{
    return DrawLines(pSource, pDestination, source, destination, EyeCodingFormat, LINES_PURE_LR, 0, LogLineFailure);
}

HRESULT PURE_INTERLACED_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                          RECT destination, int EyeCodingFormat)
{
    return DrawLines(pSource, pDestination, source, destination, EyeCodingFormat, LINES_PURE_INTERLACED, 0,
                     LogLineFailure);
}

HRESULT METHOD2_Display_2D_to_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                         RECT destination, int StrenghtOf2Dto3DEffect, int EyeCodingFormat)
{
    return DrawLines(pSource, pDestination, source, destination, EyeCodingFormat, LINES_2D_TO_3D,
                     StrenghtOf2Dto3DEffect, LogSyntheticFailure);
}
