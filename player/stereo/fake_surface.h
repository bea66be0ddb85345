// A DirectDraw surface for tests that draws nothing: it records every rectangle
// copy made into it (Blt and BltFast) in a recorder shared by all fakes of a
// test, so the whole sequence of copies across surfaces can be compared. Every
// other method fails with E_NOTIMPL, so a routine that strays from the two
// copies shows up as a failure. GetSurfaceDesc answers only when the test gave
// the fake a size (the work surfaces' size limits the work rectangle).
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <stdio.h>
#include <functional>
#include <string>
#include <vector>

struct RecordedCopy {
    std::string text; // "<target> Blt {l,t,r,b} <- <source> {l,t,r,b} flags 0x..."
    HRESULT result;
};

class CopyRecorder {
public:
    std::vector<RecordedCopy> copies;
    // Result of copy number n (from 0); DD_OK unless the test says otherwise.
    std::function<HRESULT(size_t n)> resultOf;

    HRESULT Record(const std::string &text)
    {
        HRESULT result = resultOf ? resultOf(copies.size()) : DD_OK;
        copies.push_back({text, result});
        return result;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const RecordedCopy &c : copies)
            texts.push_back(c.text);
        return texts;
    }
};

inline std::string RectText(const RECT *r)
{
    if (!r)
        return "NULL";
    char text[80];
    snprintf(text, sizeof text, "{%ld,%ld,%ld,%ld}", (long)r->left, (long)r->top, (long)r->right, (long)r->bottom);
    return text;
}

// Texts in the recorder's form, for the expectations.
inline std::string BltText(const char *target, const RECT *destination, const char *source, const RECT *from,
                           DWORD flags)
{
    char text[200];
    snprintf(text, sizeof text, "%s Blt %s <- %s %s flags 0x%lX", target, RectText(destination).c_str(), source,
             RectText(from).c_str(), (unsigned long)flags);
    return text;
}

inline std::string BltText(const char *target, RECT destination, const char *source, RECT from, DWORD flags)
{
    return BltText(target, &destination, source, &from, flags);
}

inline std::string BltFastText(const char *target, long x, long y, const char *source, RECT from, DWORD flags)
{
    char text[200];
    snprintf(text, sizeof text, "%s BltFast (%ld,%ld) <- %s %s flags 0x%lX", target, x, y, source,
             RectText(&from).c_str(), (unsigned long)flags);
    return text;
}

inline RECT MakeRect(long l, long t, long r, long b)
{
    RECT rect;
    rect.left = l;
    rect.top = t;
    rect.right = r;
    rect.bottom = b;
    return rect;
}

class FakeSurface : public IDirectDrawSurface {
public:
    FakeSurface(const char *name, CopyRecorder *recorder) : name(name), recorder(recorder) {}

    // Size reported by GetSurfaceDesc; 0 means the fake does not answer.
    DWORD width = 0, height = 0;
    const char *name;
    CopyRecorder *recorder;
    ULONG references = 1;

    static const char *NameOf(IDirectDrawSurface *surface)
    {
        return surface ? static_cast<FakeSurface *>(surface)->name : "NULL";
    }

    STDMETHOD(QueryInterface)(REFIID, void **object) override
    {
        *object = NULL;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }

    STDMETHOD(Blt)(LPRECT destination, LPDIRECTDRAWSURFACE source, LPRECT from, DWORD flags, LPDDBLTFX fx) override
    {
        return recorder->Record(BltText(name, destination, NameOf(source), from, flags) + (fx ? " with effects" : ""));
    }
    STDMETHOD(BltFast)(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT from, DWORD flags) override
    {
        return recorder->Record(from ? BltFastText(name, (long)x, (long)y, NameOf(source), *from, flags)
                                     : std::string(name) + " BltFast without a source rectangle");
    }
    STDMETHOD(GetSurfaceDesc)(LPDDSURFACEDESC description) override
    {
        if (!width || !height)
            return E_NOTIMPL;
        description->dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
        description->dwWidth = width;
        description->dwHeight = height;
        return DD_OK;
    }

    STDMETHOD(AddAttachedSurface)(LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }
    STDMETHOD(AddOverlayDirtyRect)(LPRECT) override { return E_NOTIMPL; }
    STDMETHOD(BltBatch)(LPDDBLTBATCH, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(DeleteAttachedSurface)(DWORD, LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }
    STDMETHOD(EnumAttachedSurfaces)(LPVOID, LPDDENUMSURFACESCALLBACK) override { return E_NOTIMPL; }
    STDMETHOD(EnumOverlayZOrders)(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) override { return E_NOTIMPL; }
    STDMETHOD(Flip)(LPDIRECTDRAWSURFACE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetAttachedSurface)(LPDDSCAPS, LPDIRECTDRAWSURFACE *) override { return E_NOTIMPL; }
    STDMETHOD(GetBltStatus)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetCaps)(LPDDSCAPS) override { return E_NOTIMPL; }
    STDMETHOD(GetClipper)(LPDIRECTDRAWCLIPPER *) override { return E_NOTIMPL; }
    STDMETHOD(GetColorKey)(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    STDMETHOD(GetDC)(HDC *) override { return E_NOTIMPL; }
    STDMETHOD(GetFlipStatus)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetOverlayPosition)(LPLONG, LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetPalette)(LPDIRECTDRAWPALETTE *) override { return E_NOTIMPL; }
    STDMETHOD(GetPixelFormat)(LPDDPIXELFORMAT) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(LPDIRECTDRAW, LPDDSURFACEDESC) override { return E_NOTIMPL; }
    STDMETHOD(IsLost)() override { return E_NOTIMPL; }
    STDMETHOD(Lock)(LPRECT, LPDDSURFACEDESC, DWORD, HANDLE) override { return E_NOTIMPL; }
    STDMETHOD(ReleaseDC)(HDC) override { return E_NOTIMPL; }
    STDMETHOD(Restore)() override { return E_NOTIMPL; }
    STDMETHOD(SetClipper)(LPDIRECTDRAWCLIPPER) override { return E_NOTIMPL; }
    STDMETHOD(SetColorKey)(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    STDMETHOD(SetOverlayPosition)(LONG, LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetPalette)(LPDIRECTDRAWPALETTE) override { return E_NOTIMPL; }
    STDMETHOD(Unlock)(LPVOID) override { return E_NOTIMPL; }
    STDMETHOD(UpdateOverlay)(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) override { return E_NOTIMPL; }
    STDMETHOD(UpdateOverlayDisplay)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(UpdateOverlayZOrder)(DWORD, LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }
};
