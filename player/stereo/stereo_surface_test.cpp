// The stereo routines on real DirectDraw surfaces (system memory): a frame
// whose two views and band have their own colours goes through each routine
// into a destination placed at an even and at an odd top row, with either eye
// first; then every row of the destination is read back to see which view it
// shows. This proves the row parity rule end to end on the platform's blitter.
#include "stereo/stereo.h"

#include "stereo/stereo_test_support.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

const uint32_t FIRST_VIEW = 0xFF0000;  // red
const uint32_t SECOND_VIEW = 0x0000FF; // blue
const uint32_t BAND = 0x00FF00;        // green: belongs to neither view
const uint32_t BACKGROUND = 0x808080;  // destination outside the movie area
const uint32_t STALE = 0xFFFF00;       // what the work surfaces held before

const int FRAME_W = 720, FRAME_H = 576;
const int WORK_W = 1024, WORK_H = 768;
const int SCREEN_W = 800, SCREEN_H = 720;

// Column x of the 2D test frame: a colour that tells the column.
uint32_t ColumnColour(int x) { return 0x100000 | (uint32_t)x; }

typedef HRESULT(WINAPI *DirectDrawCreateFunction)(GUID *, IDirectDraw **, IUnknown *);

class StereoSurfaceTest : public StereoLogTest {
protected:
    IDirectDraw *directDraw = NULL;
    IDirectDrawSurface *frame = NULL, *screen = NULL, *workLeft = NULL, *workRight = NULL;

    void SetUp() override
    {
        StereoLogTest::SetUp();
        HMODULE ddraw = LoadLibraryA("ddraw.dll");
        ASSERT_NE((HMODULE)NULL, ddraw);
        auto create = (DirectDrawCreateFunction)(void *)GetProcAddress(ddraw, "DirectDrawCreate");
        ASSERT_NE(nullptr, create);
        ASSERT_EQ(DD_OK, create(NULL, &directDraw, NULL));
        ASSERT_EQ(DD_OK, directDraw->SetCooperativeLevel(NULL, DDSCL_NORMAL));
        frame = CreateSurface(FRAME_W, FRAME_H);
        screen = CreateSurface(SCREEN_W, SCREEN_H);
        workLeft = CreateSurface(WORK_W, WORK_H);
        workRight = CreateSurface(WORK_W, WORK_H);
        ASSERT_TRUE(frame && screen && workLeft && workRight);
    }

    void TearDown() override
    {
        for (IDirectDrawSurface *s : {frame, screen, workLeft, workRight}) {
            if (s) {
                EXPECT_EQ(0u, s->Release());
            }
        }
        if (directDraw) {
            EXPECT_EQ(0u, directDraw->Release());
        }
        StereoLogTest::TearDown();
    }

    IDirectDrawSurface *CreateSurface(int width, int height)
    {
        DDSURFACEDESC d;
        memset(&d, 0, sizeof d);
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = width;
        d.dwHeight = height;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        d.ddpfPixelFormat.dwSize = sizeof d.ddpfPixelFormat;
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = 32;
        d.ddpfPixelFormat.dwRBitMask = 0xFF0000;
        d.ddpfPixelFormat.dwGBitMask = 0x00FF00;
        d.ddpfPixelFormat.dwBBitMask = 0x0000FF;
        IDirectDrawSurface *surface = NULL;
        EXPECT_EQ(DD_OK, directDraw->CreateSurface(&d, &surface, NULL)) << width << "x" << height;
        return surface;
    }

    // Writes every pixel of a surface through colour(x, y).
    template <class F> void Paint(IDirectDrawSurface *surface, F colour)
    {
        DDSURFACEDESC d;
        memset(&d, 0, sizeof d);
        d.dwSize = sizeof d;
        ASSERT_EQ(DD_OK, surface->Lock(NULL, &d, DDLOCK_WAIT | DDLOCK_WRITEONLY, NULL));
        for (DWORD y = 0; y < d.dwHeight; y++) {
            uint32_t *row = (uint32_t *)((char *)d.lpSurface + y * d.lPitch);
            for (DWORD x = 0; x < d.dwWidth; x++)
                row[x] = colour((int)x, (int)y);
        }
        surface->Unlock(NULL);
    }

    // The test frame of a coding: first view red, second view blue, band green.
    void PaintFrame(int coding)
    {
        Paint(frame, [coding](int x, int y) -> uint32_t {
            switch (coding) {
            case SHIFTED_AB: // views of 274 rows around a band of 28
                return y < 274 ? FIRST_VIEW : y < 302 ? BAND : SECOND_VIEW;
            case PURE_AB: return y < FRAME_H / 2 ? FIRST_VIEW : SECOND_VIEW;
            case PURE_LR: return x < FRAME_W / 2 ? FIRST_VIEW : SECOND_VIEW;
            case PURE_INTERLACED: return y % 2 == 0 ? FIRST_VIEW : SECOND_VIEW;
            default: // a 2D frame whose columns can be told apart
                return ColumnColour(x);
            }
        });
    }

    void Reset()
    {
        Paint(screen, [](int, int) { return BACKGROUND; });
        Paint(workLeft, [](int, int) { return STALE; });
        Paint(workRight, [](int, int) { return STALE; });
    }

    // Reads the destination back. For each row inside `area`, `expected(y)` gives
    // the colour every pixel of the row must have (for the 2D frame: the colour
    // of its first pixel); everything outside `area` must still be background.
    // Returns the first mismatch, or "" when the picture is right.
    template <class F> std::string Check(IDirectDrawSurface *surface, RECT area, F expected, bool firstPixelOnly)
    {
        DDSURFACEDESC d;
        memset(&d, 0, sizeof d);
        d.dwSize = sizeof d;
        if (surface->Lock(NULL, &d, DDLOCK_WAIT | DDLOCK_READONLY, NULL) != DD_OK)
            return "cannot lock the destination";
        std::string problem;
        for (int y = 0; y < (int)d.dwHeight && problem.empty(); y++) {
            const uint32_t *row = (const uint32_t *)((const char *)d.lpSurface + y * d.lPitch);
            const bool inside = y >= area.top && y < area.bottom;
            for (int x = 0; x < (int)d.dwWidth; x++) {
                const bool in = inside && x >= area.left && x < area.right;
                if (in && firstPixelOnly && x != area.left)
                    continue;
                const uint32_t want = in ? expected(y) : BACKGROUND;
                const uint32_t got = row[x] & 0xFFFFFF;
                if (got != want) {
                    char text[160];
                    snprintf(text, sizeof text, "row %d column %d: 0x%06X, expected 0x%06X", y, x, (unsigned)got,
                             (unsigned)want);
                    problem = text;
                    break;
                }
            }
        }
        surface->Unlock(NULL);
        return problem;
    }
};

// The view a screen row must show: the first view on odd rows for LEFT_TOP, on
// even rows for RIGHT_TOP.
uint32_t ViewOfRow(int y, int eye, uint32_t first, uint32_t second)
{
    return (y & 1) == (eye == LEFT_TOP ? 1 : 0) ? first : second;
}

const char *EyeName(int eye) { return eye == LEFT_TOP ? "LEFT_TOP" : "RIGHT_TOP"; }

// D = 481: odd, so the routines must also stop at the last destination row.
RECT MovieArea(int top) { return {40, top, 760, top + 481}; }

enum Routine { LINES_SHIFTED, LINES_AB, LINES_LR, LINES_INTERLACED, LINES_SYNTHETIC, WORK_INTERLACED, WORK_SYNTHETIC };

struct RoutineCase {
    const char *name;
    Routine routine;
    int coding; // the frame's coding; 0 for a 2D frame
};

const RoutineCase routineCases[] = {
    {"SHIFTED_AB_DisplayInterlaced", LINES_SHIFTED, SHIFTED_AB},
    {"PURE_AB_DisplayInterlaced", LINES_AB, PURE_AB},
    {"PURE_LR_DisplayInterlaced", LINES_LR, PURE_LR},
    {"PURE_INTERLACED_DisplayInterlaced", LINES_INTERLACED, PURE_INTERLACED},
    {"METHOD2_Display_2D_to_Interlaced", LINES_SYNTHETIC, 0},
    {"Universal_Display_Interlaced SHIFTED_AB", WORK_INTERLACED, SHIFTED_AB},
    {"Universal_Display_Interlaced PURE_AB", WORK_INTERLACED, PURE_AB},
    {"Universal_Display_Interlaced PURE_LR", WORK_INTERLACED, PURE_LR},
    {"Universal_Display_Interlaced PURE_INTERLACED", WORK_INTERLACED, PURE_INTERLACED},
    {"METHOD1_Display_2D_to_Interlaced", WORK_SYNTHETIC, 0},
};

TEST_F(StereoSurfaceTest, EachEyeSeesItsOwnViewOnEveryRow)
{
    const RECT source = {0, 0, FRAME_W, FRAME_H};
    const int shift = 21; // strength 50 on a 720-pixel frame
    for (const RoutineCase &c : routineCases) {
        PaintFrame(c.coding);
        for (int top : {200, 201}) {
            for (int eye : {LEFT_TOP, RIGHT_TOP}) {
                SCOPED_TRACE(testing::Message() << c.name << ", top " << top << ", " << EyeName(eye));
                Reset();
                const RECT area = MovieArea(top);
                HRESULT hr = E_UNEXPECTED;
                switch (c.routine) {
                case LINES_SHIFTED: hr = SHIFTED_AB_DisplayInterlaced(frame, screen, source, area, eye); break;
                case LINES_AB: hr = PURE_AB_DisplayInterlaced(frame, screen, source, area, eye); break;
                case LINES_LR: hr = PURE_LR_DisplayInterlaced(frame, screen, source, area, eye); break;
                case LINES_INTERLACED: hr = PURE_INTERLACED_DisplayInterlaced(frame, screen, source, area, eye); break;
                case LINES_SYNTHETIC:
                    hr = METHOD2_Display_2D_to_Interlaced(frame, screen, source, area, 50, eye);
                    break;
                case WORK_INTERLACED:
                    hr = Universal_Display_Interlaced(frame, screen, workLeft, workRight, source, area, c.coding, eye);
                    break;
                case WORK_SYNTHETIC:
                    hr = METHOD1_Display_2D_to_Interlaced(frame, screen, workLeft, workRight, source, area, 50, eye);
                    break;
                }
                ASSERT_EQ(DD_OK, hr);
                const bool synthetic = c.coding == 0;
                // The synthetic pair: the first view is the crop without the first
                // `shift` columns, so its rows start with column `shift`.
                const uint32_t first = synthetic ? ColumnColour(shift) : FIRST_VIEW;
                const uint32_t second = synthetic ? ColumnColour(0) : SECOND_VIEW;
                EXPECT_EQ("", Check(
                                  screen, area, [&](int y) { return ViewOfRow(y, eye, first, second); }, synthetic));
            }
        }
    }
    EXPECT_EQ("", Logged()) << "no copy failed";
}

TEST_F(StereoSurfaceTest, ThreeDTo2DShowsTheFirstViewOnEveryRow)
{
    const RECT source = {0, 0, FRAME_W, FRAME_H};
    for (int coding : {SHIFTED_AB, PURE_AB, PURE_LR, PURE_INTERLACED}) {
        PaintFrame(coding);
        for (int top : {200, 201}) {
            SCOPED_TRACE(testing::Message() << "coding " << coding << ", top " << top);
            Reset();
            const RECT area = MovieArea(top);
            ASSERT_EQ(DD_OK, Universal_Display_3D_to_2D(frame, screen, workLeft, source, area, coding));
            EXPECT_EQ("", Check(
                              screen, area, [](int) { return FIRST_VIEW; }, false));
        }
    }
    EXPECT_EQ("", Logged());
}

TEST_F(StereoSurfaceTest, DestinationLargerThanTheWorkSurfaces)
{
    // A movie area of 1100 x 800 with 1024 x 768 work surfaces: the part that the
    // work surfaces hold is drawn with the right parity, the rest is left alone.
    IDirectDrawSurface *big = CreateSurface(1100, 800);
    ASSERT_NE(nullptr, big);
    PaintFrame(PURE_AB);
    const RECT source = {0, 0, FRAME_W, FRAME_H};
    for (int top : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "top " << top);
        Paint(big, [](int, int) { return BACKGROUND; });
        const RECT area = {0, top, 1100, top + 799};
        ASSERT_EQ(DD_OK,
                  Universal_Display_Interlaced(frame, big, workLeft, workRight, source, area, PURE_AB, LEFT_TOP));
        const RECT drawn = {0, top, WORK_W, top + WORK_H};
        EXPECT_EQ("", Check(
                          big, drawn, [](int y) { return ViewOfRow(y, LEFT_TOP, FIRST_VIEW, SECOND_VIEW); }, false));
    }
    EXPECT_EQ(0u, big->Release());
    EXPECT_EQ("", Logged());
}

TEST_F(StereoSurfaceTest, OddFrameHeightReadsNothingPastTheFrame)
{
    // A 7-row interlaced frame in a taller surface whose rows from 7 on are green:
    // stretched over 20 rows, the last pairs ask for frame row 7, which the second
    // view must never show.
    IDirectDrawSurface *tall = CreateSurface(FRAME_W, 16);
    ASSERT_NE(nullptr, tall);
    Paint(tall, [](int, int y) { return y >= 7 ? BAND : y % 2 == 0 ? FIRST_VIEW : SECOND_VIEW; });
    const RECT source = {0, 0, FRAME_W, 7};
    for (int top : {100, 101}) {
        const RECT area = {40, top, 760, top + 20};
        for (int eye : {LEFT_TOP, RIGHT_TOP}) {
            SCOPED_TRACE(testing::Message() << "top " << top << ", " << EyeName(eye));
            auto view = [eye](int y) { return ViewOfRow(y, eye, FIRST_VIEW, SECOND_VIEW); };
            Reset();
            ASSERT_EQ(DD_OK, PURE_INTERLACED_DisplayInterlaced(tall, screen, source, area, eye));
            EXPECT_EQ("", Check(screen, area, view, false)) << "line by line";
            Reset();
            ASSERT_EQ(DD_OK, Universal_Display_Interlaced(tall, screen, workLeft, workRight, source, area,
                                                          PURE_INTERLACED, eye));
            EXPECT_EQ("", Check(screen, area, view, false)) << "through the work surfaces";
        }
    }
    EXPECT_EQ(0u, tall->Release());
}

} // namespace
