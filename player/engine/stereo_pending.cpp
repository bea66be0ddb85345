// Stand-ins for the stereo routines, built only while player/stereo has no
// sources of its own: every routine reports that it cannot draw.
#include "stereo/stereo.h"

void CalculateStereoRectanglesFast(RECT, RECT *, RECT *, int) {}
HRESULT Interlace2(IDirectDrawSurface *, IDirectDrawSurface *, RECT, int) { return E_NOTIMPL; }
void SplitInterlacedFrame(RECT, int, int, IDirectDrawSurface *, IDirectDrawSurface *, IDirectDrawSurface *) {}
void ExtractFirstField(RECT, int, int, IDirectDrawSurface *, IDirectDrawSurface *) {}
HRESULT SHIFTED_AB_DisplayInterlaced(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int) { return E_NOTIMPL; }
HRESULT PURE_AB_DisplayInterlaced(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int) { return E_NOTIMPL; }
HRESULT PURE_LR_DisplayInterlaced(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int) { return E_NOTIMPL; }
HRESULT PURE_INTERLACED_DisplayInterlaced(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int)
{
    return E_NOTIMPL;
}
HRESULT METHOD2_Display_2D_to_Interlaced(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int, int)
{
    return E_NOTIMPL;
}
HRESULT Universal_Display_Interlaced(IDirectDrawSurface *, IDirectDrawSurface *, IDirectDrawSurface *,
                                     IDirectDrawSurface *, RECT, RECT, int, int)
{
    return E_NOTIMPL;
}
HRESULT METHOD1_Display_2D_to_Interlaced(IDirectDrawSurface *, IDirectDrawSurface *, IDirectDrawSurface *,
                                         IDirectDrawSurface *, RECT, RECT, int, int)
{
    return E_NOTIMPL;
}
HRESULT Universal_Display_3D_to_2D(IDirectDrawSurface *, IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT,
                                   int)
{
    return E_NOTIMPL;
}
