// DirectDraw set-up: the normal path on Wine's DirectDraw, and every failure path
// through a factory whose objects fail at a chosen step.
#include "engine/surfaces.h"
#include "shell/seams_test_support.h"

#include "diagnostics/test_log.h"
#include "engine/records.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

// What the fakes are told to do; HRESULT 1 means "pass the call on".
const HRESULT PASS = 1;
struct Script {
    HRESULT createFactory = PASS;
    HRESULT createDirectDraw = PASS;
    HRESULT queryDirectDraw3 = PASS;
    std::vector<HRESULT> createSurface; // one entry per call, in call order
    HRESULT createClipper = PASS;
    int createSurfaceCalls = 0;
    std::vector<DWORD> requestedCaps;
} script;

#define NOT_USED(signature)                                                                                            \
    STDMETHOD(signature) override { return E_NOTIMPL; }

// The reference count of a fake that wraps one of Wine's objects: the wrapped
// object goes with the fake's last reference. A fake answers no other
// interface unless it says otherwise.
template <class Interface> class Wrapping : public Interface {
public:
    explicit Wrapping(Interface *real) : real_(real) {}
    virtual ~Wrapping() { real_->Release(); }
    STDMETHOD(QueryInterface)(REFIID, void **out) override
    {
        *out = NULL;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG left = --refs_;
        if (!left)
            delete this;
        return left;
    }

protected:
    Interface *real_;

private:
    ULONG refs_ = 1;
};

// IDirectDraw3 that passes surface and clipper creation on to Wine's, or fails as scripted.
class FakeDirectDraw3 : public Wrapping<IDirectDraw3> {
public:
    explicit FakeDirectDraw3(IDirectDraw3 *real) : Wrapping(real) {}
    STDMETHOD(CreateClipper)(DWORD flags, LPDIRECTDRAWCLIPPER *clipper, IUnknown *outer) override
    {
        if (script.createClipper != PASS)
            return script.createClipper;
        return real_->CreateClipper(flags, clipper, outer);
    }
    STDMETHOD(CreateSurface)(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE *surface, IUnknown *outer) override
    {
        size_t call = script.createSurfaceCalls++;
        script.requestedCaps.push_back(desc->ddsCaps.dwCaps);
        if (call < script.createSurface.size() && script.createSurface[call] != PASS)
            return script.createSurface[call];
        return real_->CreateSurface(desc, surface, outer);
    }
    NOT_USED(Compact())
    NOT_USED(CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE *, IUnknown *))
    NOT_USED(DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE *))
    NOT_USED(EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK))
    NOT_USED(EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK))
    NOT_USED(FlipToGDISurface())
    NOT_USED(GetCaps(LPDDCAPS, LPDDCAPS))
    NOT_USED(GetDisplayMode(LPDDSURFACEDESC))
    NOT_USED(GetFourCCCodes(LPDWORD, LPDWORD))
    NOT_USED(GetGDISurface(LPDIRECTDRAWSURFACE *))
    NOT_USED(GetMonitorFrequency(LPDWORD))
    NOT_USED(GetScanLine(LPDWORD))
    NOT_USED(GetVerticalBlankStatus(WINBOOL *))
    NOT_USED(Initialize(GUID *))
    NOT_USED(RestoreDisplayMode())
    NOT_USED(SetCooperativeLevel(HWND, DWORD))
    NOT_USED(SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD))
    NOT_USED(WaitForVerticalBlank(DWORD, HANDLE))
    NOT_USED(GetAvailableVidMem(LPDDSCAPS, LPDWORD, LPDWORD))
    NOT_USED(GetSurfaceFromDC(HDC, LPDIRECTDRAWSURFACE *))

};

// IDirectDraw whose only use is to hand out the IDirectDraw3 above.
class FakeDirectDraw : public Wrapping<IDirectDraw> {
public:
    explicit FakeDirectDraw(IDirectDraw *real) : Wrapping(real) {}
    STDMETHOD(QueryInterface)(REFIID iid, void **out) override
    {
        *out = NULL;
        if (iid != IID_IDirectDraw3)
            return E_NOINTERFACE;
        if (script.queryDirectDraw3 != PASS)
            return script.queryDirectDraw3;
        IDirectDraw3 *dd3 = NULL;
        HRESULT hr = real_->QueryInterface(IID_IDirectDraw3, (void **)&dd3);
        if (SUCCEEDED(hr))
            *out = new FakeDirectDraw3(dd3);
        return hr;
    }
    NOT_USED(Compact())
    NOT_USED(CreateClipper(DWORD, LPDIRECTDRAWCLIPPER *, IUnknown *))
    NOT_USED(CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE *, IUnknown *))
    NOT_USED(CreateSurface(LPDDSURFACEDESC, LPDIRECTDRAWSURFACE *, IUnknown *))
    NOT_USED(DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE *))
    NOT_USED(EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK))
    NOT_USED(EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK))
    NOT_USED(FlipToGDISurface())
    NOT_USED(GetCaps(LPDDCAPS, LPDDCAPS))
    NOT_USED(GetDisplayMode(LPDDSURFACEDESC))
    NOT_USED(GetFourCCCodes(LPDWORD, LPDWORD))
    NOT_USED(GetGDISurface(LPDIRECTDRAWSURFACE *))
    NOT_USED(GetMonitorFrequency(LPDWORD))
    NOT_USED(GetScanLine(LPDWORD))
    NOT_USED(GetVerticalBlankStatus(WINBOOL *))
    NOT_USED(Initialize(GUID *))
    NOT_USED(RestoreDisplayMode())
    NOT_USED(SetCooperativeLevel(HWND, DWORD))
    NOT_USED(SetDisplayMode(DWORD, DWORD, DWORD))
    NOT_USED(WaitForVerticalBlank(DWORD, HANDLE))

};

class FakeFactory : public Wrapping<IDirectDrawFactory> {
public:
    explicit FakeFactory(IDirectDrawFactory *real) : Wrapping(real) {}
    STDMETHOD(CreateDirectDraw)
    (GUID *guid, HWND window, DWORD level, DWORD reserved, IUnknown *outer, IDirectDraw **dd) override
    {
        *dd = NULL;
        if (script.createDirectDraw != PASS)
            return script.createDirectDraw;
        IDirectDraw *real = NULL;
        HRESULT hr = real_->CreateDirectDraw(guid, window, level, reserved, outer, &real);
        if (SUCCEEDED(hr))
            *dd = new FakeDirectDraw(real);
        return hr;
    }
    NOT_USED(DirectDrawEnumerate(LPDDENUMCALLBACK, LPVOID))

};

HRESULT CreateFakeFactory(IDirectDrawFactory **factory)
{
    *factory = NULL;
    if (script.createFactory != PASS)
        return script.createFactory;
    IDirectDrawFactory *real = NULL;
    HRESULT hr =
        CoCreateInstance(CLSID_DirectDrawFactory, NULL, CLSCTX_INPROC_SERVER, IID_IDirectDrawFactory, (void **)&real);
    if (SUCCEEDED(hr))
        *factory = new FakeFactory(real);
    return hr;
}

std::vector<std::string> boxes;
int RecordBox(HWND, const char *text, const char *caption, UINT)
{
    boxes.push_back(std::string(caption) + ": " + text);
    return IDOK;
}

class InitDirectDrawTest : public ::testing::Test {
protected:
    SeamGuard seams;
    void SetUp() override
    {
        testLog.reset(new TestLog);
        script = Script();
        boxes.clear();
        g_pfnMessageBox = RecordBox;
        g_pfnCreateDirectDrawFactory = CreateFakeFactory;
        // The clipper is bound to the movie area of the main window.
        ghWnd = CreateWindowA("STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, NULL, NULL, NULL, NULL);
        CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 320, 200, ghWnd, (HMENU)(INT_PTR)MOVIE_BACKGROUND,
                      NULL, NULL);
    }
    void TearDown() override
    {
        for (IDirectDrawSurface **s : {&g_pPrimarySurface, &g_pDDSoff_screen1, &g_pDDSoff_screen2})
            ReleaseHandle(*s);
        ReleaseHandle(g_pDDClipper);
        ReleaseHandle(g_pDD3);
        ReleaseHandle(g_pDD);
        ReleaseHandle(g_pDDF);
        DestroyWindow(ghWnd);
        ghWnd = NULL;
        testLog.reset();
        CoUninitialize();
    }
    std::string Box(const char *text) { return std::string("Error: ") + text; }
    std::string SeeLog() { return Box(("See " + testLog->path + " for error analysis").c_str()); }
    std::unique_ptr<TestLog> testLog;
};

std::string ScreenLine()
{
    char line[96];
    snprintf(line, sizeof line, "ddsd.dwHeight %d ddsd.dwWidth %d\n", GetSystemMetrics(SM_CYSCREEN),
             GetSystemMetrics(SM_CXSCREEN));
    return line;
}

TEST_F(InitDirectDrawTest, NormalStartMakesEveryObjectInVideoMemory)
{
    ASSERT_EQ(S_OK, InitDirectDraw());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(g_pDDF && g_pDD && g_pDD3 && g_pPrimarySurface && g_pDDSoff_screen1 && g_pDDSoff_screen2 &&
                g_pDDClipper);
    EXPECT_EQ((std::vector<DWORD>{DDSCAPS_PRIMARYSURFACE, 0x4040, 0x4040}), script.requestedCaps);

    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(DD_OK, g_pDDSoff_screen2->GetSurfaceDesc(&desc));
    EXPECT_EQ((DWORD)GetSystemMetrics(SM_CXSCREEN), desc.dwWidth);
    EXPECT_EQ((DWORD)GetSystemMetrics(SM_CYSCREEN), desc.dwHeight);

    const std::string log = testLog->Body();
    const std::string screen = ScreenLine();
    EXPECT_EQ("g_pPrimarySurface\n"
              "Active Multimedia Stream DD surface parameters\n" +
                  screen +
                  "ddsd.ddpfPixelFormat.dwRGBBitCount 32\n"
                  "Surface have DDSCAPS_VIDEOMEMORY positive\n"
                  "result of DD surfaces creation\n"
                  "DD_OK Success.\n"
                  "ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n"
                  "Active Multimedia Stream DD surface parameters\n" +
                  screen +
                  "ddsd.ddpfPixelFormat.dwRGBBitCount 32\n"
                  "Surface have DDSCAPS_VIDEOMEMORY positive\n",
              log);
}

TEST_F(InitDirectDrawTest, OutOfVideoMemoryFallsBackToSystemMemoryForBoth)
{
    for (size_t failing : {1u, 2u}) { // the first, then the second off-screen creation
        SCOPED_TRACE(failing);
        TearDown();
        SetUp();
        script.createSurface.assign(failing + 1, PASS);
        script.createSurface[failing] = DDERR_OUTOFVIDEOMEMORY;
        ASSERT_EQ(S_OK, InitDirectDraw());
        EXPECT_TRUE(boxes.empty());
        std::vector<DWORD> caps = {DDSCAPS_PRIMARYSURFACE, 0x4040};
        if (failing == 2)
            caps.push_back(0x4040);
        caps.push_back(0x840);
        caps.push_back(0x840);
        EXPECT_EQ(caps, script.requestedCaps);
        ASSERT_TRUE(g_pDDSoff_screen1 && g_pDDSoff_screen2);
        DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        g_pDDSoff_screen1->GetSurfaceDesc(&desc);
        EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
        const std::string log = testLog->Body();
        EXPECT_NE(std::string::npos, log.find("result of DD surfaces creation\nDD_OK Success.\n"
                                              "ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n"))
            << log;
        EXPECT_NE(std::string::npos, log.find("Surface have DDSCAPS_SYSTEMMEMORY positive\n")) << log;
    }
}

TEST_F(InitDirectDrawTest, FallbackFailuresAreCheckedAndStartUpGoesOn)
{
    script.createSurface = {PASS, DDERR_OUTOFVIDEOMEMORY, DDERR_OUTOFMEMORY, DDERR_OUTOFMEMORY};
    EXPECT_EQ(S_OK, InitDirectDraw());
    EXPECT_EQ((std::vector<std::string>{SeeLog(), SeeLog()}), boxes);
    EXPECT_EQ(NULL, g_pDDSoff_screen1);
    EXPECT_EQ(NULL, g_pDDSoff_screen2);
    const std::string log = testLog->Body();
    EXPECT_NE(std::string::npos,
              log.find("g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen1, NULL)  failed with HRESULT(0x8007000E)\n"
                       "DDERR_OUTOFMEMORY \n"
                       "g_pDD3->CreateSurface(&ddsd2, &g_pDDSoff_screen2, NULL)  failed with HRESULT(0x8007000E)\n"
                       "DDERR_OUTOFMEMORY \n"
                       "result of DD surfaces creation\nDDERR_OUTOFMEMORY \n"))
        << log;
}

TEST_F(InitDirectDrawTest, OtherOffScreenFailureSkipsTheSecondAndHasNoFallback)
{
    script.createSurface = {PASS, DDERR_INVALIDPIXELFORMAT};
    EXPECT_EQ(S_OK, InitDirectDraw());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(2, script.createSurfaceCalls);
    EXPECT_EQ(NULL, g_pDDSoff_screen2);
    EXPECT_TRUE(g_pDDClipper != NULL);
    const std::string log = testLog->Body();
    EXPECT_NE(std::string::npos,
              log.find("result of DD surfaces creation\n"
                       " DDERR_INVALIDPIXELFORMAT The specified pixel format is incompatible with the stream format.\n"
                       "ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Surface have DDSCAPS_VIDEOMEMORY positive\n"));
}

// A movie whose frame is larger than the work surfaces gets larger ones (never
// smaller), in video memory, else in system memory; a failure keeps the old ones.
TEST_F(InitDirectDrawTest, WorkSurfacesGrowForLargerFramesAndNeverShrink)
{
    const DWORD W = (DWORD)GetSystemMetrics(SM_CXSCREEN), H = (DWORD)GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char *name;
        std::vector<HRESULT> growCreations; // script of the creations after start-up
        DWORD width, height;                // asked for
        HRESULT result;
        DWORD expectWidth, expectHeight; // of both surfaces afterwards
        std::vector<DWORD> growCaps;     // asked for by the growth
        const char *memoryLine;          // of the grown surfaces, or null when kept
        const char *resultText;
        // clang-format off
    } cases[] = {
        {"larger both ways", {}, W + 896, H + 312, S_OK, W + 896, H + 312, {0x4040, 0x4040},
         "Surface have DDSCAPS_VIDEOMEMORY positive\n", "DD_OK Success.\n"},
        {"wider only keeps the height", {}, W + 64, 16, S_OK, W + 64, H, {0x4040, 0x4040},
         "Surface have DDSCAPS_VIDEOMEMORY positive\n", "DD_OK Success.\n"},
        {"taller only keeps the width", {}, 16, H + 2, S_OK, W, H + 2, {0x4040, 0x4040},
         "Surface have DDSCAPS_VIDEOMEMORY positive\n", "DD_OK Success.\n"},
        {"fits: nothing made", {}, W, H, S_OK, W, H, {}, NULL, NULL},
        {"first out of video memory", {DDERR_OUTOFVIDEOMEMORY}, W + 8, H + 8, S_OK, W + 8, H + 8,
         {0x4040, 0x840, 0x840}, "Surface have DDSCAPS_SYSTEMMEMORY positive\n", "DD_OK Success.\n"},
        {"second out of video memory", {PASS, DDERR_OUTOFVIDEOMEMORY}, W + 8, H + 8, S_OK, W + 8, H + 8,
         {0x4040, 0x4040, 0x840, 0x840}, "Surface have DDSCAPS_SYSTEMMEMORY positive\n", "DD_OK Success.\n"},
        {"other failure keeps the old ones", {DDERR_INVALIDPIXELFORMAT}, W + 8, H + 8, DDERR_INVALIDPIXELFORMAT, W, H,
         {0x4040}, NULL,
         " DDERR_INVALIDPIXELFORMAT The specified pixel format is incompatible with the stream format.\n"},
        {"system memory failing too keeps the old ones", {PASS, DDERR_OUTOFVIDEOMEMORY, PASS, DDERR_OUTOFMEMORY},
         W + 8, H + 8, DDERR_OUTOFMEMORY, W, H, {0x4040, 0x4040, 0x840, 0x840}, NULL, "DDERR_OUTOFMEMORY \n"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        ASSERT_EQ(S_OK, InitDirectDraw());
        IDirectDrawSurface *const old1 = g_pDDSoff_screen1, *const old2 = g_pDDSoff_screen2;
        script.createSurface.assign(3, PASS);
        script.createSurface.insert(script.createSurface.end(), c.growCreations.begin(), c.growCreations.end());
        script.requestedCaps.clear();
        const size_t logged = testLog->Body().size();

        EXPECT_EQ(c.result, GrowWorkSurfaces(c.width, c.height));
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(c.growCaps, script.requestedCaps);
        ASSERT_TRUE(g_pDDSoff_screen1 && g_pDDSoff_screen2);
        EXPECT_EQ(c.memoryLine == nullptr, g_pDDSoff_screen1 == old1 && g_pDDSoff_screen2 == old2);
        for (IDirectDrawSurface *surface : {g_pDDSoff_screen1, g_pDDSoff_screen2}) {
            DDSURFACEDESC desc = {};
            desc.dwSize = sizeof desc;
            ASSERT_EQ(DD_OK, surface->GetSurfaceDesc(&desc));
            EXPECT_EQ(c.expectWidth, desc.dwWidth);
            EXPECT_EQ(c.expectHeight, desc.dwHeight);
            EXPECT_EQ(32u, desc.ddpfPixelFormat.dwRGBBitCount);
        }
        const std::string log = testLog->Body().substr(logged);
        if (!c.resultText) {
            EXPECT_EQ("", log);
            continue;
        }
        char grown[160];
        snprintf(grown, sizeof grown,
                 "Growing g_pDDSoff_screen1 and g_pDDSoff_screen2 from %d x %d to %d x %d\n"
                 "result of DD surfaces creation\n%s"
                 "ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n"
                 "Active Multimedia Stream DD surface parameters\n"
                 "ddsd.dwHeight %d ddsd.dwWidth %d\n",
                 (int)W, (int)H, (int)(c.width > W ? c.width : W), (int)(c.height > H ? c.height : H), c.resultText,
                 (int)(c.height > H ? c.height : H), (int)(c.width > W ? c.width : W));
        EXPECT_EQ(0u, log.find(grown)) << log;
        if (c.memoryLine) {
            EXPECT_NE(std::string::npos, log.find(c.memoryLine)) << log;
        }
    }
}

// Grown surfaces stay for later movies: a smaller frame afterwards changes nothing.
TEST_F(InitDirectDrawTest, GrownWorkSurfacesStayForSmallerFrames)
{
    ASSERT_EQ(S_OK, InitDirectDraw());
    const DWORD W = (DWORD)GetSystemMetrics(SM_CXSCREEN), H = (DWORD)GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(S_OK, GrowWorkSurfaces(W + 100, H + 100));
    IDirectDrawSurface *const grown = g_pDDSoff_screen1;
    const int calls = script.createSurfaceCalls;
    for (DWORD size : {320u, 1u}) {
        EXPECT_EQ(S_OK, GrowWorkSurfaces(size, size));
        EXPECT_EQ(grown, g_pDDSoff_screen1);
        EXPECT_EQ(calls, script.createSurfaceCalls);
    }
}

TEST(FrameSize, OneTo8192InEachDirection)
{
    const struct {
        int64_t width, height;
        bool supported;
        // clang-format off
    } cases[] = {
        {1, 1, true},       {1920, 1080, true},  {3840, 1080, true},   {8192, 8192, true},
        {8193, 16, false},  {16, 8193, false},   {0, 480, false},      {640, 0, false},
        {-640, 480, false}, {640, -480, false},  {1LL << 32, 1, false},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(c.supported, FrameSizeSupported(c.width, c.height)) << c.width << "x" << c.height;
}

struct FailureCase {
    const char *name;
    void (*arrange)();
    const char *logged;  // the check's lines
    const char *stepBox; // the step's own box, or null
};

const FailureCase failureCases[] = {
    {"factory", [] { script.createFactory = REGDB_E_CLASSNOTREG; },
     "CoCreateInstance(CLSID_DirectDrawFactory, NULL, CLSCTX_INPROC_SERVER,IID_IDirectDrawFactory, (void **)&g_pDDF)"
     "  failed with HRESULT(0x80040154)\nREGDB_E_CLASSNOTREG\n",
     NULL},
    {"DirectDraw object", [] { script.createDirectDraw = DDERR_NODIRECTDRAWHW; },
     "g_pDDF->CreateDirectDraw(NULL, GetDesktopWindow(), DDSCL_NORMAL,NULL, NULL, &g_pDD)"
     "  failed with HRESULT(0x88760233)\nDDERR_NODIRECTDRAWHW\n",
     "Couldn't create DirectDraw object"},
    {"IDirectDraw3", [] { script.queryDirectDraw3 = E_NOINTERFACE; },
     "g_pDD->QueryInterface(IID_IDirectDraw3, (LPVOID*)&g_pDD3)  failed with HRESULT(0x80004002)\n"
     "Unknown Direct Draw error code\nError code decimal -2147467262\n",
     "Couldn't get IDirectDraw3"},
    {"primary surface", [] { script.createSurface = {DDERR_PRIMARYSURFACEALREADYEXISTS}; },
     "g_pDD3->CreateSurface(&ddsd, &g_pPrimarySurface, NULL)  failed with HRESULT(0x88760234)\n"
     "DDERR_PRIMARYSURFACEALREADYEXISTS \n",
     "Couldn't create Primary Surface"},
    {"clipper", [] { script.createClipper = DDERR_OUTOFMEMORY; },
     "g_pDD3->CreateClipper(0, &g_pDDClipper, NULL)  failed with HRESULT(0x8007000E)\nDDERR_OUTOFMEMORY \n",
     "Couldn't create Clipper"},
};

TEST_F(InitDirectDrawTest, EachFailingStepEndsWithItsTextsAndEFail)
{
    for (const FailureCase &c : failureCases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.arrange();
        EXPECT_EQ(E_FAIL, InitDirectDraw());
        std::vector<std::string> expectedBoxes = {SeeLog()};
        if (c.stepBox)
            expectedBoxes.push_back(Box(c.stepBox));
        EXPECT_EQ(expectedBoxes, boxes);
        const std::string log = testLog->Body();
        EXPECT_NE(std::string::npos, log.find(c.logged)) << log;
        // Nothing after the failing step is made.
        EXPECT_EQ(NULL, g_pDDClipper);
    }
}

TEST(SurfaceInfo, MemoryKindLines)
{
    TestLog log;
    const struct {
        DWORD caps;
        const char *lines;
    } cases[] = {
        {0x4040, "Surface have DDSCAPS_VIDEOMEMORY positive\n"},
        {0x840, "Surface have DDSCAPS_SYSTEMMEMORY positive\n"},
        {0x4840, "Surface have DDSCAPS_VIDEOMEMORY positive\nSurface have DDSCAPS_SYSTEMMEMORY positive\n"},
        {0x200, "Surface have undetermined videomemory state positive\n"},
    };
    for (const auto &c : cases) {
        log.Clear();
        DDSURFACEDESC desc = {};
        desc.dwHeight = 576;
        desc.dwWidth = 720;
        desc.ddpfPixelFormat.dwRGBBitCount = 16;
        desc.ddsCaps.dwCaps = c.caps;
        LogSurfaceInfo(desc);
        EXPECT_EQ(std::string("Active Multimedia Stream DD surface parameters\n"
                              "ddsd.dwHeight 576 ddsd.dwWidth 720\n"
                              "ddsd.ddpfPixelFormat.dwRGBBitCount 16\n") +
                      c.lines,
                  log.Body());
    }
}

} // namespace
