// The stereo rectangles and the three helpers that move rows between a frame and
// the work surfaces.
#include "stereo/stereo.h"

#include "diagnostics/log.h"
#include "stereo/stereo_internal.h"

#include <stdio.h>
#include <string.h>

static_assert(SHIFTED_AB == SHIFTED_AB && PURE_AB == PURE_AB && PURE_LR == PURE_LR &&
                  PURE_INTERLACED == PURE_INTERLACED,
              "coding numbers");
static_assert(LEFT_TOP == LEFT_TOP && RIGHT_TOP == RIGHT_TOP, "eye order numbers");
static_assert(sizeof(RECT) == sizeof(StereoRect), "rectangle layout");

void StereoSurfaceSize(IDirectDrawSurface *surface, int32_t *width, int32_t *height)
{
    *width = *height = 0;
    if (!surface)
        return;
    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    if (surface->GetSurfaceDesc(&description) != DD_OK)
        return;
    if (description.dwFlags & DDSD_WIDTH)
        *width = (int32_t)description.dwWidth;
    if (description.dwFlags & DDSD_HEIGHT)
        *height = (int32_t)description.dwHeight;
}

void LogStereoCopyFailure(const char *format, HRESULT result)
{
    char buffer[LOG_BUFFER_CHARS];
    snprintf(buffer, sizeof buffer, format, (unsigned)result);
    LogMessage(buffer);
    LogDirectDrawErrorText(result);
}

void CalculateStereoRectanglesFast(RECT source, RECT *left_rect, RECT *right_rect, int StereoCodingFormat)
{
    StereoRect left, right;
    if (!StereoViewRectangles(ToStereoRect(source), StereoCodingFormat, &left, &right)) {
        LogMessage("Error !! non acceptable StereoCodingFormat in CalculateStereoRectanglesFast\n");
        return;
    }
    *left_rect = ToRect(left);
    *right_rect = ToRect(right);
}

HRESULT Interlace2(IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT buffer_destination, int flag)
{
    if (!pBufferLeft || !pBufferRight)
        return E_INVALIDARG;
    // Flag 0 replaces the odd rows of the left picture, flag 1 the even rows.
    LONG row = flag == 0 ? 1 : 0;
    HRESULT result = DD_OK;
    for (; row < buffer_destination.bottom; row += 2) {
        RECT line;
        line.left = 0;
        line.top = row;
        line.right = buffer_destination.right;
        line.bottom = row + 1;
        result = pBufferLeft->BltFast(0, (DWORD)row, pBufferRight, &line, DDBLTFAST_WAIT);
    }
    return result;
}

// One frame row stretched over its band of a work picture.
static void CopyFieldRow(IDirectDrawSurface *pBuffer, IDirectDrawSurface *pSource, LONG sourceRight, int32_t row,
                         int32_t bandTop, int32_t bandBottom, int32_t width)
{
    RECT band, line;
    band.left = 0;
    band.top = bandTop;
    band.right = width;
    band.bottom = bandBottom;
    line.left = 0;
    line.top = row;
    line.right = sourceRight;
    line.bottom = row + 1;
    pBuffer->Blt(&band, pSource, &line, 0, NULL);
}

void SplitInterlacedFrame(RECT source, int destinationWidth, int destinationHeight, IDirectDrawSurface *pSource,
                          IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight)
{
    const int32_t B = source.bottom;
    if (B <= 0 || !pSource || !pBufferLeft || !pBufferRight)
        return;
    if (destinationWidth < 0)
        destinationWidth = 0;
    for (int32_t i = 0; 2 * (int64_t)i < B; i++) {
        int32_t top, bottom;
        FieldBand(i, B, destinationHeight, &top, &bottom);
        CopyFieldRow(pBufferLeft, pSource, source.right, 2 * i, top, bottom, destinationWidth);
        // An odd frame height has no odd row for its last pair: repeat the last odd row.
        CopyFieldRow(pBufferRight, pSource, source.right, SecondFieldRow(2 * i + 1, B), top, bottom, destinationWidth);
    }
}

void ExtractFirstField(RECT source, int destinationWidth, int destinationHeight, IDirectDrawSurface *pSource,
                       IDirectDrawSurface *pBuffer)
{
    const int32_t B = source.bottom;
    if (B <= 0 || !pSource || !pBuffer)
        return;
    if (destinationWidth < 0)
        destinationWidth = 0;
    for (int32_t i = 0; 2 * (int64_t)i < B; i++) {
        int32_t top, bottom;
        FieldBand(i, B, destinationHeight, &top, &bottom);
        CopyFieldRow(pBuffer, pSource, source.right, 2 * i, top, bottom, destinationWidth);
    }
}
