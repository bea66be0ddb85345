// What the stereo routines share among themselves: conversions between the
// platform rectangle and the plain one, the work-surface size, and the failure
// text of one copy.
#pragma once

#include "stereo/stereo.h"
#include "stereo/stereo_geometry.h"

inline StereoRect ToStereoRect(const RECT &r)
{
    return {(int32_t)r.left, (int32_t)r.top, (int32_t)r.right, (int32_t)r.bottom};
}

inline RECT ToRect(const StereoRect &r)
{
    RECT out;
    out.left = r.left;
    out.top = r.top;
    out.right = r.right;
    out.bottom = r.bottom;
    return out;
}

// Width and height of a surface; 0, 0 when the surface cannot tell.
void StereoSurfaceSize(IDirectDrawSurface *surface, int32_t *width, int32_t *height);

// Formats `format` (which holds one %8.8X) with the result into a 256-character
// buffer, logs it and the result's DirectDraw text.
void LogStereoCopyFailure(const char *format, HRESULT result);
