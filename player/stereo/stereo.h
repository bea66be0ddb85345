// Stereo conversion: the rectangles of the two views in a frame, the row parity
// rule, and the routines that repack a decoded frame onto the screen.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "settings.h"

void CalculateStereoRectanglesFast(RECT source, RECT *left_rect, RECT *right_rect, int StereoCodingFormat);
HRESULT Interlace2(IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT buffer_destination,
                   int flag);
void SplitInterlacedFrame(RECT source, int destinationWidth, int destinationHeight, IDirectDrawSurface *pSource,
                          IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight);
void ExtractFirstField(RECT source, int destinationWidth, int destinationHeight, IDirectDrawSurface *pSource,
                       IDirectDrawSurface *pBuffer);

// Line-by-line routines (no work surface).
HRESULT SHIFTED_AB_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                     RECT destination, int EyeCodingFormat);
HRESULT PURE_AB_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                  RECT destination, int EyeCodingFormat);
HRESULT PURE_LR_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                  RECT destination, int EyeCodingFormat);
HRESULT PURE_INTERLACED_DisplayInterlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                          RECT destination, int EyeCodingFormat);
HRESULT METHOD2_Display_2D_to_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination, RECT source,
                                         RECT destination, int StrenghtOf2Dto3DEffect, int EyeCodingFormat);

// Work-surface routines.
HRESULT Universal_Display_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                     IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT source,
                                     RECT destination, int StereoCodingFormat, int EyeCodingFormat);
HRESULT METHOD1_Display_2D_to_Interlaced(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                         IDirectDrawSurface *pBufferLeft, IDirectDrawSurface *pBufferRight, RECT source,
                                         RECT destination, int StrenghtOf2Dto3DEffect, int EyeCodingFormat);
HRESULT Universal_Display_3D_to_2D(IDirectDrawSurface *pSource, IDirectDrawSurface *pDestination,
                                   IDirectDrawSurface *pBufferLeft, RECT source, RECT destination,
                                   int StereoCodingFormat);
