#include "engine/surfaces.h"

#include "diagnostics/log.h"

#include <string.h>

static HRESULT CreateSystemFactory(IDirectDrawFactory **factory)
{
    return CoCreateInstance(CLSID_DirectDrawFactory, NULL, CLSCTX_INPROC_SERVER, IID_IDirectDrawFactory,
                            (void **)factory);
}

CreateFactoryFunction g_pfnCreateDirectDrawFactory = CreateSystemFactory;

void LogSurfaceInfo(DDSURFACEDESC description)
{
    LogMessage("Active Multimedia Stream DD surface parameters\n");
    LogFormat("ddsd.dwHeight %d ddsd.dwWidth %d\n", (int)description.dwHeight, (int)description.dwWidth);
    LogFormat("ddsd.ddpfPixelFormat.dwRGBBitCount %d\n", (int)description.ddpfPixelFormat.dwRGBBitCount);
    const DWORD caps = description.ddsCaps.dwCaps;
    if (caps & DDSCAPS_VIDEOMEMORY)
        LogMessage("Surface have DDSCAPS_VIDEOMEMORY positive\n");
    if (caps & DDSCAPS_SYSTEMMEMORY)
        LogMessage("Surface have DDSCAPS_SYSTEMMEMORY positive\n");
    if (!(caps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY)))
        LogMessage("Surface have undetermined videomemory state positive\n");
}

static HRESULT FailWith(const char *text)
{
    ShowMessageBox(ghWnd, text, "Error", MB_OK);
    return E_FAIL;
}

HRESULT InitDirectDraw()
{
    CoInitialize(NULL);

    IDirectDrawFactory *factory = NULL;
    HRESULT hr = g_pfnCreateDirectDrawFactory(&factory);
    StoreHandle(g_pDDF, factory);
    if (FAILED(CHECK_ERROR_COM(hr, "CoCreateInstance(CLSID_DirectDrawFactory, NULL, CLSCTX_INPROC_SERVER,"
                                   "IID_IDirectDrawFactory, (void **)&g_pDDF)")))
        return E_FAIL;

    IDirectDraw *dd = NULL;
    hr = g_pDDF->CreateDirectDraw(NULL, GetDesktopWindow(), DDSCL_NORMAL, 0, NULL, &dd);
    StoreHandle(g_pDD, dd);
    if (FAILED(
            CHECK_ERROR_DD(hr, "g_pDDF->CreateDirectDraw(NULL, GetDesktopWindow(), DDSCL_NORMAL,NULL, NULL, &g_pDD)")))
        return FailWith("Couldn't create DirectDraw object");

    IDirectDraw3 *dd3 = NULL;
    hr = g_pDD->QueryInterface(IID_IDirectDraw3, (LPVOID *)&dd3);
    StoreHandle(g_pDD3, dd3);
    if (FAILED(CHECK_ERROR_DD(hr, "g_pDD->QueryInterface(IID_IDirectDraw3, (LPVOID*)&g_pDD3)")))
        return FailWith("Couldn't get IDirectDraw3");

    DDSURFACEDESC ddsd;
    memset(&ddsd, 0, sizeof ddsd);
    ddsd.dwSize = sizeof ddsd;
    ddsd.dwFlags = DDSD_CAPS;
    ddsd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface *surface = NULL;
    hr = g_pDD3->CreateSurface(&ddsd, &surface, NULL);
    StoreHandle(g_pPrimarySurface, surface);
    if (FAILED(CHECK_ERROR_DD(hr, "g_pDD3->CreateSurface(&ddsd, &g_pPrimarySurface, NULL)")))
        return FailWith("Couldn't create Primary Surface");

    hr = g_pPrimarySurface->GetSurfaceDesc(&ddsd);
    CHECK_ERROR_DD(hr, "g_pPrimarySurface->GetSurfaceDesc(&ddsd)");
    LogMessage("g_pPrimarySurface\n");
    LogSurfaceInfo(ddsd);
    if (FAILED(hr))
        return FailWith("Couldn't GetSurfaceDesc");

    DDSURFACEDESC ddsd2;
    memset(&ddsd2, 0, sizeof ddsd2);
    ddsd2.dwSize = sizeof ddsd2;
    ddsd2.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    ddsd2.dwHeight = ddsd.dwHeight;
    ddsd2.dwWidth = ddsd.dwWidth;
    ddsd2.ddpfPixelFormat = ddsd.ddpfPixelFormat;
    ddsd2.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;

    surface = NULL;
    HRESULT created = g_pDD3->CreateSurface(&ddsd2, &surface, NULL);
    StoreHandle(g_pDDSoff_screen1, surface);
    if (created == DD_OK) {
        surface = NULL;
        created = g_pDD3->CreateSurface(&ddsd2, &surface, NULL);
        StoreHandle(g_pDDSoff_screen2, surface);
    }

    if (created == DDERR_OUTOFVIDEOMEMORY) {
        ReleaseHandle(g_pDDSoff_screen1);
        ReleaseHandle(g_pDDSoff_screen2);
        ddsd2.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        surface = NULL;
        hr = g_pDD3->CreateSurface(&ddsd2, &surface, NULL);
        StoreHandle(g_pDDSoff_screen1, surface);
        CHECK_ERROR_DD(hr, "g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen1, NULL)");
        surface = NULL;
        created = g_pDD3->CreateSurface(&ddsd2, &surface, NULL);
        StoreHandle(g_pDDSoff_screen2, surface);
        CHECK_ERROR_DD(created, "g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen2, NULL)");
    }

    LogMessage("result of DD surfaces creation\n");
    LogDirectDrawErrorText(created);
    LogMessage("ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n");
    LogSurfaceInfo(ddsd2);

    IDirectDrawClipper *clipper = NULL;
    hr = g_pDD3->CreateClipper(0, &clipper, NULL);
    StoreHandle(g_pDDClipper, clipper);
    if (FAILED(CHECK_ERROR_DD(hr, "g_pDD3->CreateClipper(0, &g_pDDClipper, NULL)")))
        return FailWith("Couldn't create Clipper");

    hr = g_pPrimarySurface->SetClipper(g_pDDClipper);
    if (FAILED(CHECK_ERROR_DD(hr, "g_pPrimarySurface->SetClipper(g_pDDClipper)")))
        return FailWith("Call to SetClipper failed");

    hr = g_pDDClipper->SetHWnd(0, GetDlgItem(ghWnd, MOVIE_BACKGROUND));
    if (FAILED(CHECK_ERROR_DD(hr, "g_pDDClipper->SetHWnd(0, GetDlgItem(ghWnd, MOVIE_BACKGROUND))")))
        return FailWith("Call to SetHWnd failed");

    return S_OK;
}

bool FrameSizeSupported(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= MAX_FRAME_SIDE && height <= MAX_FRAME_SIDE;
}

// Creates a pair of work surfaces from one description; both or neither.
static HRESULT CreateWorkPair(DDSURFACEDESC *ddsd2, IDirectDrawSurface **first, IDirectDrawSurface **second)
{
    *first = NULL;
    *second = NULL;
    HRESULT created = g_pDD3->CreateSurface(ddsd2, first, NULL);
    if (created == DD_OK)
        created = g_pDD3->CreateSurface(ddsd2, second, NULL);
    if (created != DD_OK) {
        if (*first)
            (*first)->Release();
        if (*second)
            (*second)->Release();
        *first = NULL;
        *second = NULL;
    }
    return created;
}

HRESULT GrowWorkSurfaces(DWORD width, DWORD height)
{
    if (!g_pDD3 || !g_pDDSoff_screen1 || !g_pDDSoff_screen2)
        return S_OK; // nothing to grow: the drawing paths report the missing surface
    DDSURFACEDESC current;
    memset(&current, 0, sizeof current);
    current.dwSize = sizeof current;
    HRESULT hr = g_pDDSoff_screen1->GetSurfaceDesc(&current);
    if (FAILED(hr)) {
        LogCallFailure(hr, "g_pDDSoff_screen1->GetSurfaceDesc(&ddsd2)", ERROR_TABLE_DD);
        return hr;
    }
    if (width <= current.dwWidth && height <= current.dwHeight)
        return S_OK;

    DDSURFACEDESC ddsd2;
    memset(&ddsd2, 0, sizeof ddsd2);
    ddsd2.dwSize = sizeof ddsd2;
    ddsd2.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    ddsd2.dwWidth = width > current.dwWidth ? width : current.dwWidth;
    ddsd2.dwHeight = height > current.dwHeight ? height : current.dwHeight;
    ddsd2.ddpfPixelFormat = current.ddpfPixelFormat;
    ddsd2.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    LogFormat("Growing g_pDDSoff_screen1 and g_pDDSoff_screen2 from %d x %d to %d x %d\n", (int)current.dwWidth,
              (int)current.dwHeight, (int)ddsd2.dwWidth, (int)ddsd2.dwHeight);

    IDirectDrawSurface *first, *second;
    HRESULT created = CreateWorkPair(&ddsd2, &first, &second);
    if (created == DDERR_OUTOFVIDEOMEMORY) {
        ddsd2.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        created = CreateWorkPair(&ddsd2, &first, &second);
    }

    LogMessage("result of DD surfaces creation\n");
    LogDirectDrawErrorText(created);
    LogMessage("ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n");
    LogSurfaceInfo(ddsd2);
    if (created != DD_OK)
        return created; // the smaller surfaces stay
    StoreHandle(g_pDDSoff_screen1, first);
    StoreHandle(g_pDDSoff_screen2, second);
    return S_OK;
}
