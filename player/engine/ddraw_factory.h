// The DirectDraw factory (ddrawex). mingw-w64 ships no header for it, so it is
// declared here with its published identifiers.
#pragma once

#include <windows.h>
#include <ddraw.h>

// {4FD2A832-86C8-11D0-8FCA-00C04FD9189D}
DEFINE_GUID(CLSID_DirectDrawFactory, 0x4fd2a832, 0x86c8, 0x11d0, 0x8f, 0xca, 0x00, 0xc0, 0x4f, 0xd9, 0x18, 0x9d);
// {4FD2A833-86C8-11D0-8FCA-00C04FD9189D}
DEFINE_GUID(IID_IDirectDrawFactory, 0x4fd2a833, 0x86c8, 0x11d0, 0x8f, 0xca, 0x00, 0xc0, 0x4f, 0xd9, 0x18, 0x9d);

struct IDirectDrawFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateDirectDraw(GUID *pGUID, HWND hWnd, DWORD dwCoopLevelFlags, DWORD dwReserved,
                                                       IUnknown *pUnkOuter, IDirectDraw **ppDirectDraw) = 0;
    virtual HRESULT STDMETHODCALLTYPE DirectDrawEnumerate(LPDDENUMCALLBACK lpCallback, LPVOID lpContext) = 0;
};
