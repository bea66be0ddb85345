// The work-surface routines: each view is first scaled to the destination's size
// in a screen-sized work surface, the two pictures are merged row by row, and
// the result goes to the screen in one unscaled copy.
#include "stereo/stereo.h"

#include "diagnostics/log.h"
#include "stereo/stereo_internal.h"

namespace {

// One copy between two surfaces; a missing surface on either side fails it (a
// missing source would otherwise make the copy a colour fill).
HRESULT Copy(IDirectDrawSurface *target, RECT *targetRect, IDirectDrawSurface *from, RECT *fromRect)
{
    if (!target || !from)
        return E_INVALIDARG;
    return target->Blt(targetRect, from, fromRect, DDBLT_WAIT, NULL);
}

// The work rectangle {0, 0, destination width, destination height}, cut to the
// smallest of the given work surfaces (a destination larger than the screen
// would otherwise be written past their end). The part of the destination that
// receives it is cut the same way, so the final copy stays unscaled and buffer
// row j still lands on screen row DT + j.
void PlanWork(RECT destination, IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight,
              RECT *buffer_destination, RECT *shown)
{
    int32_t width = 0, height = 0;
    StereoSurfaceSize(pBufferLeft, &width, &height);
    if (pBufferRight) {
        int32_t w2, h2;
        StereoSurfaceSize(pBufferRight, &w2, &h2);
        if (w2 > 0 && (width <= 0 || w2 < width))
            width = w2;
        if (h2 > 0 && (height <= 0 || h2 < height))
            height = h2;
    }
    const StereoRect work = WorkRectangle(ToStereoRect(destination), width, height);
    *buffer_destination = ToRect(work);
    *shown = destination;
    shown->right = destination.left + work.right;
    shown->bottom = destination.top + work.bottom;
}

void LogIfFailed(HRESULT result, const char *format)
{
    if (FAILED(result))
        LogStereoCopyFailure(format, result);
}

// Fills the two work pictures with their views, merges them by the row parity
// rule and shows the merged picture.
HRESULT MergeAndShow(IDirectDrawSurface *pDestination, IDirectDrawSurface *pBufferLeft,
                     IDirectDrawSurface *pBufferRight, RECT destination, RECT buffer_destination, RECT shown,
                     int EyeCodingFormat)
{
    if (FirstViewOnTopRow(destination.top, EyeCodingFormat))
        LogIfFailed(Interlace2(pBufferLeft, pBufferRight, buffer_destination, 0),
                    "Interlace2(pBufferLeft,pBufferRight,buffer_destination,0)  failed with HRESULT(0x%8.8X)\n");
    else
        LogIfFailed(Interlace2(pBufferLeft, pBufferRight, buffer_destination, 1),
                    "Interlace2(pBufferLeft,pBufferRight,buffer_destination,1)  failed with HRESULT(0x%8.8X)\n");

    const HRESULT result = Copy(pDestination, &shown, pBufferLeft, &buffer_destination);
    LogIfFailed(result, "pDestination->Blt(&destination, pBufferLeft, &buffer_destination, DDBLT_WAIT, NULL)  failed "
                        "with HRESULT(0x%8.8X)\n");
    return result;
}

void FillViews(IDirectDrawSurface *pSource, IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight,
               RECT buffer_destination, RECT left_rect, RECT right_rect)
{
    LogIfFailed(Copy(pBufferLeft, &buffer_destination, pSource, &left_rect),
                "pBufferLeft->Blt(&buffer_destination, pSource, &left_rect, DDBLT_WAIT, NULL)  failed with "
                "HRESULT(0x%8.8X)\n");
    LogIfFailed(Copy(pBufferRight, &buffer_destination, pSource, &right_rect),
                "pBufferRight->Blt(&buffer_destination, pSource, &right_rect, DDBLT_WAIT, NULL)  failed with "
                "HRESULT(0x%8.8X)\n");
}

// The first view of an interlaced frame is its even rows. They are copied
// unscaled, one under the other, into the top of the work surface, which then
// holds that view alone at half the frame's height; returns that picture's
// rectangle (cut to the work surface). The first failed row copy is logged.
RECT GatherFirstField(RECT source, IDirectDrawSurface *pSource, IDirectDrawSurface *pBuffer)
{
    int32_t width = 0, height = 0;
    StereoSurfaceSize(pBuffer, &width, &height);
    const int64_t frameWidth = (int64_t)source.right - source.left;
    const int64_t frameRows = (int64_t)source.bottom - source.top;
    const int64_t evenRows = frameRows <= 0 ? 0 : (frameRows + 1) / 2;
    // A work surface that does not tell its size is taken to hold the picture.
    const int32_t w = (int32_t)(frameWidth < 0 ? 0 : width > 0 && width < frameWidth ? width : frameWidth);
    const int32_t h = (int32_t)(height > 0 && height < evenRows ? height : evenRows);
    RECT picture = {0, 0, w, h};
    if (!pSource || !pBuffer)
        return picture;
    HRESULT firstFailure = S_OK;
    for (int32_t i = 0; i < h; i++) {
        RECT field_row = {0, i, w, i + 1};
        RECT frame_row = {source.left, source.top + 2 * i, source.left + w, source.top + 2 * i + 1};
        const HRESULT result = pBuffer->Blt(&field_row, pSource, &frame_row, DDBLT_WAIT, NULL);
        if (FAILED(result) && SUCCEEDED(firstFailure))
            firstFailure = result;
    }
    LogIfFailed(firstFailure,
                "pBufferLeft->Blt(&field_row, pSource, &frame_row, DDBLT_WAIT, NULL)  failed with HRESULT(0x%8.8X)\n");
    return picture;
}

} // namespace

HRESULT Universal_Display_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                     IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT source,
                                     RECT destination, int StereoCodingFormat, int EyeCodingFormat)
{
    RECT buffer_destination, shown;
    PlanWork(destination, pBufferLeft, pBufferRight, &buffer_destination, &shown);

    if (StereoCodingFormat == PURE_INTERLACED) {
        SplitInterlacedFrame(source, buffer_destination.right, buffer_destination.bottom, pSource, pBufferLeft,
                             pBufferRight);
    } else {
        RECT left_rect = {}, right_rect = {};
        CalculateStereoRectanglesFast(source, &left_rect, &right_rect, StereoCodingFormat);
        FillViews(pSource, pBufferLeft, pBufferRight, buffer_destination, left_rect, right_rect);
    }
    return MergeAndShow(pDestination, pBufferLeft, pBufferRight, destination, buffer_destination, shown,
                        EyeCodingFormat);
}

HRESULT METHOD1_Display_2D_to_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                         IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT source,
                                         RECT destination, int StrenghtOf2Dto3DEffect, int EyeCodingFormat)
{
    const int32_t shift = SyntheticShift(source.right - source.left, StrenghtOf2Dto3DEffect);
    RECT buffer_destination, shown;
    PlanWork(destination, pBufferLeft, pBufferRight, &buffer_destination, &shown);
    // The frame without its first shift columns, and without its last ones.
    RECT left_rect = source, right_rect = source;
    left_rect.left = source.left + shift;
    right_rect.right = source.right - shift;
    FillViews(pSource, pBufferLeft, pBufferRight, buffer_destination, left_rect, right_rect);
    return MergeAndShow(pDestination, pBufferLeft, pBufferRight, destination, buffer_destination, shown,
                        EyeCodingFormat);
}

HRESULT Universal_Display_3D_to_2D(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                   IDirectDrawSurface *pBufferLeft, RECT source, RECT destination,
                                   int StereoCodingFormat)
{
    HRESULT result;
    if (StereoCodingFormat == PURE_INTERLACED) {
        // One stretch of the one-view picture: whatever filter the stretch uses
        // blends rows of the same view only.
        RECT buffer_destination = GatherFirstField(source, pSource, pBufferLeft);
        result = Copy(pDestination, &destination, pBufferLeft, &buffer_destination);
        LogIfFailed(result, "pDestination->Blt(&destination, pBufferLeft, &buffer_destination, DDBLT_WAIT, NULL)  "
                            "failed with HRESULT(0x%8.8X)\n");
    } else {
        RECT left_rect = {}, right_rect = {};
        CalculateStereoRectanglesFast(source, &left_rect, &right_rect, StereoCodingFormat);
        result = Copy(pDestination, &destination, pSource, &left_rect);
        LogIfFailed(
            result,
            "pDestination->Blt(&destination, pSource, &left_rect, DDBLT_WAIT, NULL)  failed with HRESULT(0x%8.8X)\n");
    }
    return result;
}
