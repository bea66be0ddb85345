// Test support: a fake multimedia stream, its video stream and its sample. They
// record every call in one shared list ("SetState(RUN)", "Seek(700)", ...),
// answer with the results a test sets, and fail the test on any call the player
// has no business making.
#pragma once

#include "engine/records.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

typedef std::vector<std::string> CallList;

template <class Interface> class FakeUnknown : public Interface {
public:
    explicit FakeUnknown(CallList *calls) : calls_(calls) {}
    virtual ~FakeUnknown() = default;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (refs == 0) {
            ADD_FAILURE() << "released once too often";
            return 0;
        }
        return --refs;
    }
    // The test owns the object; refs tells what the player still holds.
    ULONG refs = 1;

protected:
    void Record(const std::string &call) { calls_->push_back(call); }
    HRESULT Unexpected(const char *method)
    {
        ADD_FAILURE() << "unexpected call " << method;
        return E_NOTIMPL;
    }
    CallList *calls_;
};

class FakeSample : public FakeUnknown<IDirectDrawStreamSample> {
public:
    using FakeUnknown::FakeUnknown;
    std::vector<HRESULT> updateResults;  // answered in turn; S_OK once they run out
    std::vector<STREAM_TIME> startTimes; // of the frame in the sample, in turn; none: the sample cannot tell
    IDirectDrawSurface *surface = NULL;
    RECT surfaceRect = {0, 0, 0, 0};
    HRESULT getSurfaceResult = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return Unexpected("Sample::QueryInterface"); }
    HRESULT STDMETHODCALLTYPE GetMediaStream(IMediaStream **) override { return Unexpected("GetMediaStream"); }
    HRESULT STDMETHODCALLTYPE GetSampleTimes(STREAM_TIME *start, STREAM_TIME *end, STREAM_TIME *current) override
    {
        Record("GetSampleTimes");
        if (startTimes.empty())
            return E_NOTIMPL;
        *start = startTimes.front();
        *end = *start + 400000;
        *current = 0;
        if (startTimes.size() > 1)
            startTimes.erase(startTimes.begin());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSampleTimes(const STREAM_TIME *, const STREAM_TIME *) override
    {
        return Unexpected("SetSampleTimes");
    }
    // An update with an event is answered as the stream does: MS_S_PENDING at
    // once, the event set when the frame is in (at once, unless stalled), the
    // result from CompletionStatus. A stalled update stays outstanding until
    // aborted (or until the test calls CompleteStalledUpdate).
    bool stalled = false;
    HRESULT STDMETHODCALLTYPE Update(DWORD flags, HANDLE event, PAPCFUNC apc, DWORD data) override
    {
        EXPECT_TRUE(apc == NULL && data == 0);
        EXPECT_EQ(event ? (DWORD)SSUPDATE_ASYNC : 0u, flags);
        Record("Update");
        EXPECT_FALSE(pending_) << "an update while one is outstanding";
        HRESULT hr = S_OK;
        if (!updateResults.empty()) {
            hr = updateResults.front();
            updateResults.erase(updateResults.begin());
        }
        if (!event)
            return hr;
        event_ = event;
        result_ = hr;
        pending_ = true;
        if (!stalled)
            CompleteStalledUpdate();
        return MS_S_PENDING;
    }
    void CompleteStalledUpdate()
    {
        pending_ = false;
        SetEvent(event_);
    }
    HRESULT STDMETHODCALLTYPE CompletionStatus(DWORD flags, DWORD) override
    {
        if (flags & COMPSTAT_ABORT) {
            Record("CompletionStatus(ABORT)");
            if (pending_) {
                result_ = MS_S_NOUPDATE;
                CompleteStalledUpdate();
            }
        }
        return pending_ ? MS_S_PENDING : result_;
    }
    HRESULT STDMETHODCALLTYPE GetSurface(IDirectDrawSurface **out, RECT *rect) override
    {
        Record("GetSurface");
        if (FAILED(getSurfaceResult))
            return getSurfaceResult;
        if (surface)
            surface->AddRef();
        *out = surface;
        if (rect)
            *rect = surfaceRect;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRect(const RECT *) override { return Unexpected("SetRect"); }

private:
    HANDLE event_ = NULL;
    HRESULT result_ = S_OK;
    bool pending_ = false;
};

class FakeVideoStream : public FakeUnknown<IDirectDrawMediaStream> {
public:
    using FakeUnknown::FakeUnknown;
    DWORD width = 320, height = 240;
    STREAM_TIME timePerFrame = 400000;
    FakeSample *sample = NULL; // handed out by CreateSample
    HRESULT createSampleResult = S_OK;
    IDirectDrawSurface *sampleSurface = NULL; // what CreateSample was given
    RECT sampleRect = {-1, -1, -1, -1};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (IsEqualIID(iid, IID_IDirectDrawMediaStream)) {
            AddRef();
            *out = static_cast<IDirectDrawMediaStream *>(this);
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetMultiMediaStream(IMultiMediaStream **) override
    {
        return Unexpected("GetMultiMediaStream");
    }
    HRESULT STDMETHODCALLTYPE GetInformation(MSPID *, STREAM_TYPE *) override
    {
        return Unexpected("Video::GetInformation");
    }
    HRESULT STDMETHODCALLTYPE SetSameFormat(IMediaStream *, DWORD) override { return Unexpected("SetSameFormat"); }
    HRESULT STDMETHODCALLTYPE AllocateSample(DWORD, IStreamSample **) override { return Unexpected("AllocateSample"); }
    HRESULT STDMETHODCALLTYPE CreateSharedSample(IStreamSample *, DWORD, IStreamSample **) override
    {
        return Unexpected("CreateSharedSample");
    }
    HRESULT STDMETHODCALLTYPE SendEndOfStream(DWORD) override { return Unexpected("SendEndOfStream"); }
    HRESULT STDMETHODCALLTYPE GetFormat(DDSURFACEDESC *current, IDirectDrawPalette **palette, DDSURFACEDESC *desired,
                                        DWORD *flags) override
    {
        Record("GetFormat");
        EXPECT_EQ(sizeof(DDSURFACEDESC), current->dwSize);
        EXPECT_TRUE(palette == NULL && desired == NULL && flags == NULL);
        current->dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
        current->dwWidth = width;
        current->dwHeight = height;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFormat(const DDSURFACEDESC *, IDirectDrawPalette *) override
    {
        return Unexpected("SetFormat");
    }
    HRESULT STDMETHODCALLTYPE GetDirectDraw(IDirectDraw **) override { return Unexpected("GetDirectDraw"); }
    HRESULT STDMETHODCALLTYPE SetDirectDraw(IDirectDraw *) override { return Unexpected("SetDirectDraw"); }
    HRESULT STDMETHODCALLTYPE CreateSample(IDirectDrawSurface *surface, const RECT *rect, DWORD flags,
                                           IDirectDrawStreamSample **out) override
    {
        Record(surface ? "CreateSample(surface)" : "CreateSample(NULL)");
        EXPECT_EQ(0u, flags);
        sampleSurface = surface;
        if (rect)
            sampleRect = *rect;
        if (FAILED(createSampleResult))
            return createSampleResult;
        if (sample)
            sample->AddRef();
        *out = sample;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTimePerFrame(STREAM_TIME *frameTime) override
    {
        Record("GetTimePerFrame");
        *frameTime = timePerFrame;
        return S_OK;
    }
};

class FakeStream : public FakeUnknown<IAMMultiMediaStream> {
public:
    using FakeUnknown::FakeUnknown;
    FakeVideoStream *video = NULL; // handed out by GetMediaStream
    HRESULT openResult = S_OK;
    HRESULT informationResult = E_NOTIMPL; // as the platform's stream answers
    DWORD informationFlags = 0;
    STREAM_TIME duration = 1000000000;
    std::vector<STREAM_TIME> times; // answered by GetTime in turn; the last one repeats
    HRESULT getTimeResult = S_OK;
    HRESULT setStateResult = S_OK;
    HRESULT seekResult = S_OK;
    std::wstring openedName;
    IUnknown *videoObject = NULL; // what AddMediaStream got for the video

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return Unexpected("Stream::QueryInterface"); }
    HRESULT STDMETHODCALLTYPE GetInformation(DWORD *flags, STREAM_TYPE *type) override
    {
        Record("GetInformation");
        EXPECT_TRUE(type == NULL);
        if (SUCCEEDED(informationResult))
            *flags = informationFlags;
        return informationResult;
    }
    HRESULT STDMETHODCALLTYPE GetMediaStream(REFMSPID purpose, IMediaStream **out) override
    {
        EXPECT_TRUE(IsEqualGUID(purpose, MSPID_PrimaryVideo));
        Record("GetMediaStream");
        if (!video)
            return MS_E_NOSTREAM;
        video->AddRef();
        *out = video;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumMediaStreams(LONG, IMediaStream **) override
    {
        return Unexpected("EnumMediaStreams");
    }
    HRESULT STDMETHODCALLTYPE GetState(STREAM_STATE *) override { return Unexpected("GetState"); }
    HRESULT STDMETHODCALLTYPE SetState(STREAM_STATE state) override
    {
        Record(state == STREAMSTATE_RUN ? "SetState(RUN)" : "SetState(STOP)");
        return setStateResult;
    }
    HRESULT STDMETHODCALLTYPE GetTime(STREAM_TIME *now) override
    {
        Record("GetTime");
        if (FAILED(getTimeResult))
            return getTimeResult;
        *now = times.empty() ? 0 : times.front();
        if (times.size() > 1)
            times.erase(times.begin());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDuration(STREAM_TIME *out) override
    {
        Record("GetDuration");
        *out = duration;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(STREAM_TIME time) override
    {
        char text[64];
        snprintf(text, sizeof text, "Seek(%lld)", (long long)time);
        Record(text);
        return seekResult;
    }
    HRESULT STDMETHODCALLTYPE GetEndOfStreamEventHandle(HANDLE *) override
    {
        return Unexpected("GetEndOfStreamEventHandle");
    }
    HRESULT STDMETHODCALLTYPE Initialize(STREAM_TYPE type, DWORD flags, IGraphBuilder *graph) override
    {
        Record("Initialize");
        EXPECT_EQ(STREAMTYPE_READ, type);
        EXPECT_EQ(0u, flags);
        EXPECT_TRUE(graph == NULL);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFilterGraph(IGraphBuilder **) override { return Unexpected("GetFilterGraph"); }
    HRESULT STDMETHODCALLTYPE GetFilter(IMediaStreamFilter **) override { return Unexpected("GetFilter"); }
    HRESULT STDMETHODCALLTYPE AddMediaStream(IUnknown *object, const MSPID *purpose, DWORD flags,
                                             IMediaStream **out) override
    {
        EXPECT_TRUE(out == NULL);
        if (IsEqualGUID(*purpose, MSPID_PrimaryVideo)) {
            Record("AddMediaStream(video)");
            EXPECT_EQ(0u, flags);
            videoObject = object;
        } else {
            EXPECT_TRUE(IsEqualGUID(*purpose, MSPID_PrimaryAudio));
            EXPECT_TRUE(object == NULL);
            EXPECT_EQ((DWORD)AMMSF_ADDDEFAULTRENDERER, flags);
            Record("AddMediaStream(audio)");
        }
        return S_OK;
    }
    // When set, OpenFile waits for this event first, as a stream that hangs in
    // the opening does.
    HANDLE openHang = NULL;
    HRESULT STDMETHODCALLTYPE OpenFile(LPCWSTR name, DWORD flags) override
    {
        Record("OpenFile");
        EXPECT_EQ(0u, flags);
        openedName = name;
        if (openHang)
            WaitForSingleObject(openHang, INFINITE);
        return openResult;
    }
    HRESULT STDMETHODCALLTYPE OpenMoniker(IBindCtx *, IMoniker *, DWORD) override { return Unexpected("OpenMoniker"); }
    HRESULT STDMETHODCALLTYPE Render(DWORD) override { return Unexpected("Render"); }
};
