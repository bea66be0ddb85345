// Opens a movie through the platform's multimedia stream the way the player
// does, decodes its first frame into a DirectDraw surface and exits with a code
// that says how far it got. The test and run scripts use it to find out in a
// second whether Wine's stream can play movies at all (it decodes through
// GStreamer, whose plugin sets are separate packages).
//
//   stream-probe.exe <movie>         exit 0: a frame was decoded; see ProbeResult
//   stream-probe.exe --all <movie>   decodes every frame as fast as the stream
//                                    delivers them and prints the count, the
//                                    wall time and the process's CPU time
#include <windows.h>

#include <amstream.h>
#include <ddraw.h>
#include <ddstream.h>
#include <mmstream.h>

#include <stdio.h>
#include <wchar.h>

namespace {

enum ProbeResult {
    PROBE_FRAME = 0,      // a frame of the movie's size was decoded
    PROBE_USAGE = 1,      // no movie named
    PROBE_NO_STREAM = 2,  // the multimedia stream or DirectDraw could not be created
    PROBE_NO_OPEN = 3,    // the stream does not open the file ("File format not supported.")
    PROBE_NO_PICTURE = 4, // it opens, but has no picture (0 x 0) or decodes no frame
};

template <class T> void Release(T *&p)
{
    if (p) {
        p->Release();
        p = NULL;
    }
}

double Seconds(const FILETIME &t) { return (((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) * 1e-7; }

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return Seconds(kernel) + Seconds(user);
}

// Decodes the rest of the movie; the figures tell what the stream alone costs.
void DecodeAll(IDirectDrawStreamSample *sample)
{
    const DWORD start = GetTickCount();
    const double cpuStart = CpuSeconds();
    int frames = 1;
    while (sample->Update(0, NULL, NULL, 0) == S_OK)
        frames++;
    printf("stream-probe: frames %d wall %.3f cpu %.3f\n", frames, (GetTickCount() - start) * 1e-3,
           CpuSeconds() - cpuStart);
}

int Probe(const wchar_t *movie, bool all)
{
    IDirectDraw *dd = NULL;
    if (FAILED(DirectDrawCreate(NULL, &dd, NULL)))
        return PROBE_NO_STREAM;
    dd->SetCooperativeLevel(NULL, DDSCL_NORMAL);

    IAMMultiMediaStream *stream = NULL;
    if (FAILED(CoCreateInstance(CLSID_AMMultiMediaStream, NULL, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                                (void **)&stream))) {
        Release(dd);
        return PROBE_NO_STREAM;
    }
    int result = PROBE_NO_STREAM;
    IMediaStream *video = NULL;
    IDirectDrawMediaStream *ddStream = NULL;
    IDirectDrawStreamSample *sample = NULL;
    DDSURFACEDESC format = {};
    format.dwSize = sizeof format;
    if (FAILED(stream->Initialize(STREAMTYPE_READ, 0, NULL)) ||
        FAILED(stream->AddMediaStream(dd, &MSPID_PrimaryVideo, 0, NULL)))
        goto done;
    result = PROBE_NO_OPEN;
    if (FAILED(stream->OpenFile(movie, 0)))
        goto done;
    result = PROBE_NO_PICTURE;
    if (FAILED(stream->GetMediaStream(MSPID_PrimaryVideo, &video)) ||
        FAILED(video->QueryInterface(IID_IDirectDrawMediaStream, (void **)&ddStream)) ||
        FAILED(ddStream->GetFormat(&format, NULL, NULL, NULL)) || format.dwWidth == 0 || format.dwHeight == 0 ||
        FAILED(ddStream->CreateSample(NULL, NULL, 0, &sample)) || FAILED(stream->SetState(STREAMSTATE_RUN)))
        goto done;
    // S_OK is a frame; MS_S_ENDOFSTREAM (or a failure) on the first update is no picture.
    if (sample->Update(0, NULL, NULL, 0) == S_OK)
        result = PROBE_FRAME;
    if (result == PROBE_FRAME) {
        printf("stream-probe: %lu x %lu frame decoded\n", format.dwWidth, format.dwHeight);
        if (all)
            DecodeAll(sample);
    }
    stream->SetState(STREAMSTATE_STOP);
done:
    Release(sample);
    Release(ddStream);
    Release(video);
    Release(stream);
    Release(dd);
    return result;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool all = argc == 3 && wcscmp(argv[1], L"--all") == 0;
    if (argc != 2 && !all) {
        fprintf(stderr, "usage: stream-probe [--all] <movie>\n");
        return PROBE_USAGE;
    }
    if (FAILED(CoInitialize(NULL)))
        return PROBE_NO_STREAM;
    const int result = Probe(argv[argc - 1], all);
    CoUninitialize();
    return result;
}
