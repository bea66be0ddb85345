// Soak run of one player (tools/soak-player.sh): many openings of the given
// movies, each chosen from the File menu's list of recent files with a quick
// stereo switch in between, then one long playback; the player's handle, GDI
// and USER object counts and private bytes are read at fixed points and
// printed as a table with the growth figures. Exits 1 when a target is missed,
// 2 when the run itself could not go on.
//
//   soak-player.exe [--openings N] [--every N] [--no-switches] [--long MOVIE --long-every FRAMES]
//                   [--log-copy FILE] MOVIE...   (at most eight: the list's length)
//   soak-player.exe --stream-churn ROUNDS MOVIE...   Wine's own share, without the player
#include "driver.h"

#include <amstream.h>
#include <commctrl.h>
#include <ddraw.h>
#include <ddstream.h>
#include <mmstream.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winternl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const DWORD WAIT_MS = 60000;
const int IDM_RECENT_FIRST = 40120, IDM_NEXT_OUTPUT = 40108, IDM_NEXT_CODING = 40109, IDC_TRACKBAR = 1059;
const int RECENT_MAX = 8;
const char RECENT_KEY[] = "Software\\Brontide\\Vizor Cinema\\recent";

struct Figures {
    long long handles = -1, gdi = -1, user = -1, privateBytes = -1;
    // The handles by kind, where the system's handle table tells (Wine).
    long long keys = -1, threads = -1, events = -1;
};

// Wine 8 answers GetGuiResources with 0 for another process; its GDI handle table
// is the one the process environment block points at (GdiSharedHandleTable),
// as on old Windows, so the entries in use are counted there instead.
struct GdiEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
const size_t GDI_TABLE_ENTRIES = 0x10000;

long long GdiTableCount(HANDLE process)
{
    PROCESS_BASIC_INFORMATION basic = {};
    typedef LONG(NTAPI * QueryInformation)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryInformation query =
        (QueryInformation)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0 || !basic.PebBaseAddress)
        return -1;
    UINT64 table = 0;
    const size_t TABLE_POINTER_OFFSET = 0xF8; // PEB.GdiSharedHandleTable on x64
    if (!ReadProcessMemory(process, (const char *)basic.PebBaseAddress + TABLE_POINTER_OFFSET, &table, sizeof table,
                           NULL) ||
        !table)
        return -1;
    static std::vector<GdiEntry> entries(GDI_TABLE_ENTRIES);
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, (const void *)(uintptr_t)table, entries.data(), entries.size() * sizeof(GdiEntry),
                           &read))
        return -1;
    long long used = 0;
    int byType[256] = {};
    for (size_t i = 0; i < read / sizeof(GdiEntry); i++) {
        if (entries[i].type != 0 && entries[i].object != 0) {
            used++;
            byType[entries[i].type]++;
        }
    }
    if (GetEnvironmentVariableA("SOAK_HANDLE_TYPES", NULL, 0)) {
        printf("  gdi objects by type:");
        for (int t = 0; t < 256; t++)
            if (byType[t])
                printf(" %d:%d", t, byType[t]);
        printf("\n");
    }
    return used;
}

BOOL CALLBACK CountChild(HWND, LPARAM param)
{
    ++*(long long *)param;
    return TRUE;
}

struct WindowCount {
    DWORD pid;
    long long windows;
};

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param)
{
    WindowCount *count = (WindowCount *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == count->pid) {
        count->windows++;
        EnumChildWindows(window, CountChild, (LPARAM)&count->windows);
    }
    return TRUE;
}

// Wine 8 answers GetProcessHandleCount with 0 for another process, but lists
// every process's handles in the system's handle table.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE handleFlags;
    USHORT handleValue;
    PVOID objectPointer;
    ULONG accessMask;
};
const ULONG SYSTEM_HANDLE_INFORMATION_CLASS = 16;
const LONG STATUS_INFO_LENGTH_MISMATCH_CODE = (LONG)0xC0000004;

// Type numbers of Wine 8's handle table (its server's list of object types).
const int TYPE_THREAD = 6, TYPE_EVENT = 8, TYPE_KEY = 19;

long long SystemTableHandleCount(DWORD pid, Figures *f)
{
    typedef LONG(NTAPI * QuerySystem)(ULONG, PVOID, ULONG, PULONG);
    QuerySystem query = (QuerySystem)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    if (!query)
        return -1;
    static std::vector<BYTE> buffer(1 << 20);
    LONG status;
    ULONG needed = 0;
    while ((status = query(SYSTEM_HANDLE_INFORMATION_CLASS, buffer.data(), (ULONG)buffer.size(), &needed)) ==
           STATUS_INFO_LENGTH_MISMATCH_CODE)
        buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
    if (status != 0)
        return -1;
    const ULONG count = *(const ULONG *)buffer.data();
    const SystemHandleEntry *entries = (const SystemHandleEntry *)(buffer.data() + sizeof(ULONG_PTR));
    long long owned = 0;
    int byType[256] = {};
    for (ULONG i = 0; i < count && (const BYTE *)(entries + i + 1) <= buffer.data() + buffer.size(); i++) {
        if (entries[i].ownerPid == pid) {
            owned++;
            byType[entries[i].objectType]++;
        }
    }
    f->keys = byType[TYPE_KEY];
    f->threads = byType[TYPE_THREAD];
    f->events = byType[TYPE_EVENT];
    // SOAK_HANDLE_TYPES=1 prints the handles by every type number.
    if (GetEnvironmentVariableA("SOAK_HANDLE_TYPES", NULL, 0)) {
        printf("  handles by type:");
        for (int t = 0; t < 256; t++)
            if (byType[t])
                printf(" %d:%d", t, byType[t]);
        printf("\n");
    }
    return owned;
}

// Wine 8 gives 0 private bytes for any process. Its memory is that of a Linux
// process: VmData in /proc/<pid>/status counts the private writable mappings
// (the committed memory; reserved ranges are mapped without access). The Linux
// process is found by its command line: it starts with the program's path, or
// holds a word only that process's command line has.
struct ProcFolder {
    std::string folder;
    long long VmData(const std::string &commandLineStart, const char *word)
    {
        if (folder.empty()) {
            WIN32_FIND_DATAA found;
            HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
            if (find == INVALID_HANDLE_VALUE)
                return -1;
            do {
                if (found.cFileName[0] < '0' || found.cFileName[0] > '9')
                    continue;
                const std::string candidate = std::string("Z:\\proc\\") + found.cFileName;
                std::string commandLine = ReadWholeFile(candidate + "\\cmdline");
                const bool starts =
                    !commandLineStart.empty() &&
                    _strnicmp(commandLine.c_str(), commandLineStart.c_str(), commandLineStart.size()) == 0;
                for (char &c : commandLine)
                    if (!c)
                        c = ' ';
                if (starts || (word && commandLine.find(word) != std::string::npos &&
                               commandLine.find("soak-player") != std::string::npos &&
                               commandLine.find("bash") == std::string::npos)) {
                    folder = candidate;
                    break;
                }
            } while (FindNextFileA(find, &found));
            FindClose(find);
            if (folder.empty())
                return -1;
        }
        const std::string status = ReadWholeFile(folder + "\\status");
        const size_t at = status.find("VmData:");
        return at == std::string::npos ? -1 : atoll(status.c_str() + at + 7) * 1024;
    }
};
ProcFolder playerProc;

bool gdiFromTable = false, userFromWindows = false, handlesFromTable = false, privateFromProc = false;
std::string playerProgram;

Figures Measure(DWORD pid)
{
    Figures f;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return f;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles))
        f.handles = handles;
    Figures byKind;
    const long long listed = SystemTableHandleCount(pid, &byKind);
    f.keys = byKind.keys, f.threads = byKind.threads, f.events = byKind.events;
    if (f.handles <= 0) {
        handlesFromTable = true;
        f.handles = listed;
    }
    f.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    f.user = GetGuiResources(process, GR_USEROBJECTS);
    if (f.gdi == 0) {
        gdiFromTable = true;
        f.gdi = GdiTableCount(process);
    }
    if (f.user == 0) {
        // Windows are the USER objects a player makes most of; menus, icons and
        // cursors are not visible from outside.
        userFromWindows = true;
        WindowCount count = {pid, 0};
        EnumWindows(CountTopLevel, (LPARAM)&count);
        f.user = count.windows;
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS *)&memory, sizeof memory))
        f.privateBytes = (long long)memory.PrivateUsage;
    if (f.privateBytes <= 0) {
        privateFromProc = true;
        f.privateBytes = playerProc.VmData(playerProgram, NULL);
    }
    CloseHandle(process);
    return f;
}

std::vector<std::string> RecentStored()
{
    std::vector<std::string> paths;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RECENT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    for (int i = 1; i <= RECENT_MAX; i++) {
        char path[600] = {};
        DWORD size = sizeof path - 1, type = 0;
        if (RegQueryValueExA(key, ("File" + std::to_string(i)).c_str(), NULL, &type, (BYTE *)path, &size) ==
            ERROR_SUCCESS)
            paths.push_back(path);
    }
    RegCloseKey(key);
    return paths;
}

// Answers an error box when one is up; true when it did.
bool AnswerErrorBox(ProgramUnderTest &player)
{
    FoundWindow box;
    if (!player.WaitForMessageBox("Error", &box, 0))
        return false;
    ProgramUnderTest::Answer(box, IDOK);
    return true;
}

const char *const ENDED = "Frames played: ";
const char *const REFUSED = "Warning !!! Exit code will be normaly activated\n";

enum Outcome { OPENED, REFUSED_FILE, STUCK };

// Chooses movie in the list of recent files and waits until the opening is
// over: the movie heads the list (it opened), or its refusal was logged. A
// movie that opened plays until its end or for playMs, whichever comes first.
Outcome OpenFromList(ProgramUnderTest &player, HWND window, const std::string &movie, DWORD playMs, int *boxes)
{
    const std::vector<std::string> before = RecentStored();
    int index = -1;
    for (size_t i = 0; i < before.size(); i++)
        if (_stricmp(before[i].c_str(), movie.c_str()) == 0)
            index = (int)i;
    if (index < 0)
        return STUCK;
    const int ended = player.CountInLog(ENDED), refused = player.CountInLog(REFUSED);
    PostMessageA(window, WM_COMMAND, IDM_RECENT_FIRST + index, 0);
    const DWORD start = GetTickCount();
    for (;;) {
        if (AnswerErrorBox(player))
            ++*boxes;
        const std::vector<std::string> now = RecentStored();
        if (index > 0 && !now.empty() && _stricmp(now[0].c_str(), movie.c_str()) == 0)
            break;
        if (player.CountInLog(REFUSED) > refused)
            return REFUSED_FILE;
        // The movie at the head of the list stays there: its opening is over once
        // it played or was refused.
        if (index == 0 && player.CountInLog(ENDED) > ended)
            break;
        if (!player.Running() || GetTickCount() - start > WAIT_MS)
            return STUCK;
        Sleep(10);
    }
    while (player.CountInLog(ENDED) <= ended && GetTickCount() - start < playMs) {
        if (AnswerErrorBox(player))
            ++*boxes;
        Sleep(20);
    }
    return OPENED;
}

// Waits until the playing movie has ended (at most timeoutMs); boxes are answered.
void WaitForEnd(ProgramUnderTest &player, int endedBefore, DWORD timeoutMs, int *boxes)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        if (AnswerErrorBox(player))
            ++*boxes;
        if (player.CountInLog(ENDED) > endedBefore)
            return;
    }
}

struct Row {
    std::string label;
    long long at; // openings done, or frames played
    Figures f;
};

void PrintTable(const char *title, const char *atName, const std::vector<Row> &rows)
{
    printf("\n%s\n%-6s %9s %8s %7s %7s %7s %6s %6s %14s\n", title, "", atName, "handles", "keys", "threads", "events",
           "gdi", "user", "private bytes");
    for (const Row &r : rows)
        printf("%-6s %9lld %8lld %7lld %7lld %7lld %6lld %6lld %14lld\n", r.label.c_str(), r.at, r.f.handles, r.f.keys,
               r.f.threads, r.f.events, r.f.gdi, r.f.user, r.f.privateBytes);
}

// Growth per 100 openings from the first row at or after `from` to the last:
// the slope of a least-squares line, so one noisy reading does not decide.
double Slope(const std::vector<Row> &rows, long long from, long long Figures::*field)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Row &r : rows) {
        if (r.at < from || r.f.*field < 0)
            continue;
        const double x = (double)r.at, y = (double)(r.f.*field);
        n++, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double d = n * sxx - sx * sx;
    return n < 2 || d == 0 ? 0 : 100.0 * (n * sxy - sx * sy) / d;
}

long long Growth(const std::vector<Row> &rows, long long Figures::*field)
{
    return rows.size() < 2 ? 0 : rows.back().f.*field - rows.front().f.*field;
}

// The share of the growth that is Wine's own: this program opens each movie
// through a multimedia stream the way the player does (video and the default
// sound renderer, run for a moment, stopped, released to the last reference)
// and reads its own handles and GDI objects around it.
void StreamChurn(const std::vector<std::string> &movies, int rounds)
{
    CoInitialize(NULL);
    // As the player's second method: the stream decodes into a work surface of
    // the program's own DirectDraw.
    IDirectDraw *ddraw = NULL;
    IDirectDrawSurface *work = NULL;
    if (FAILED(DirectDrawCreate(NULL, &ddraw, NULL)) ||
        FAILED(ddraw->SetCooperativeLevel(GetDesktopWindow(), DDSCL_NORMAL)))
        return;
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = 1920;
    desc.dwHeight = 1080;
    if (FAILED(ddraw->CreateSurface(&desc, &work, NULL)))
        return;
    ProcFolder self;
    std::vector<Row> rows;
    int opening = 0;
    for (int round = 0; round <= rounds; round++) {
        for (const std::string &movie : movies) {
            WCHAR name[MAX_PATH];
            if (!MultiByteToWideChar(CP_ACP, 0, movie.c_str(), -1, name, MAX_PATH))
                continue;
            IAMMultiMediaStream *stream = NULL;
            if (FAILED(CoCreateInstance(CLSID_AMMultiMediaStream, NULL, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                                        (void **)&stream)))
                return;
            stream->Initialize(STREAMTYPE_READ, 0, NULL);
            stream->AddMediaStream(ddraw, &MSPID_PrimaryVideo, 0, NULL);
            stream->AddMediaStream(NULL, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, NULL);
            if (SUCCEEDED(stream->OpenFile(name, 0))) {
                IMediaStream *video = NULL;
                IDirectDrawMediaStream *ddStream = NULL;
                IDirectDrawStreamSample *sample = NULL;
                DDSURFACEDESC format = {};
                format.dwSize = sizeof format;
                if (SUCCEEDED(stream->GetMediaStream(MSPID_PrimaryVideo, &video)) &&
                    SUCCEEDED(video->QueryInterface(IID_IDirectDrawMediaStream, (void **)&ddStream)) &&
                    SUCCEEDED(ddStream->GetFormat(&format, NULL, NULL, NULL))) {
                    RECT rect = {0, 0, (LONG)format.dwWidth, (LONG)format.dwHeight};
                    ddStream->CreateSample(work, &rect, 0, &sample);
                }
                stream->SetState(STREAMSTATE_RUN);
                // About as many frames as the soak lets a movie play.
                for (int frame = 0; sample && frame < 20 && sample->Update(0, NULL, NULL, 0) == S_OK; frame++) {
                }
                stream->SetState(STREAMSTATE_STOP);
                if (sample)
                    sample->Release();
                if (ddStream)
                    ddStream->Release();
                if (video)
                    video->Release();
            }
            const ULONG left = stream->Release();
            opening++;
            if (left)
                printf("  the stream of %s kept %lu references\n", movie.c_str(), left);
        }
        // The first round warms up what Wine keeps for good (its DLLs, caches).
        Figures f;
        f.handles = SystemTableHandleCount(GetCurrentProcessId(), &f);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetCurrentProcessId());
        f.gdi = GdiTableCount(process);
        CloseHandle(process);
        f.privateBytes = self.VmData("", "--stream-churn");
        rows.push_back({"churn", opening, f});
    }
    work->Release();
    ddraw->Release();
    CoUninitialize();
    PrintTable("Wine's multimedia stream alone (this program, no player)", "openings", rows);
    const long long from = rows.front().at;
    const double private100 = Slope(rows, from, &Figures::privateBytes);
    printf("Growth per 100 openings without the player: handles %+.2f (keys %+.2f, threads %+.2f, events %+.2f), gdi "
           "%+.2f, private %+.0f bytes (%+.3f MB)\n",
           Slope(rows, from, &Figures::handles), Slope(rows, from, &Figures::keys),
           Slope(rows, from, &Figures::threads), Slope(rows, from, &Figures::events), Slope(rows, from, &Figures::gdi),
           private100, private100 / 1048576.0);
}

} // namespace

int main(int argc, char **argv)
{
    int openings = 500, every = 10;
    bool switches = true;
    int churnRounds = 0;
    long long longEvery = 5000;
    std::string longMovie, logCopy;
    std::vector<std::string> movies;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--openings") && i + 1 < argc)
            openings = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--every") && i + 1 < argc)
            every = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--long") && i + 1 < argc)
            longMovie = argv[++i];
        else if (!strcmp(argv[i], "--stream-churn") && i + 1 < argc)
            churnRounds = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--no-switches"))
            switches = false;
        else if (!strcmp(argv[i], "--log-copy") && i + 1 < argc)
            logCopy = argv[++i];
        else if (!strcmp(argv[i], "--long-every") && i + 1 < argc)
            longEvery = atoll(argv[++i]);
        else
            movies.push_back(argv[i]);
    }
    if (movies.size() < 2 || movies.size() > (size_t)RECENT_MAX || every < 1 || longEvery < 1) {
        fprintf(stderr, "soak-player: two to eight movies, please\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    if (churnRounds > 0) {
        StreamChurn(movies, churnRounds);
        return 0;
    }

    ProgramUnderTest player;
    // The player's folder goes with it; its log is kept where asked.
    struct LogKeeper {
        ProgramUnderTest &player;
        const std::string &copy;
        ~LogKeeper()
        {
            if (!copy.empty())
                CopyFileA(player.log().c_str(), copy.c_str(), FALSE);
        }
    } keeper{player, logCopy};
    PlayerSettings settings; // interlaced output of SHIFTED_AB, method 2
    // The list shows the newest first; each opening moves its movie to the top.
    settings.recentFiles.assign(movies.rbegin(), movies.rend());
    if (!StartPlayer(player, settings, "")) {
        fprintf(stderr, "soak-player: the player did not start\n%s", ReadLogText(player.log()).c_str());
        return 2;
    }
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    if (!window) {
        fprintf(stderr, "soak-player: no player window\n");
        return 2;
    }
    playerProgram = player.folder() + "\\Vizor_Movie.exe";
    printf("player pid %lu, log %s\n", player.pid(), player.log().c_str());

    std::vector<Row> openRows = {{"start", 0, Measure(player.pid())}};
    int opened = 0, refused = 0, boxes = 0;
    for (int i = 1; i <= openings; i++) {
        // The stereo settings change between openings: output and coding in turn.
        if (switches)
            PostMessageA(window, WM_COMMAND, i % 2 ? IDM_NEXT_OUTPUT : IDM_NEXT_CODING, 0);
        const std::string &movie = movies[(i - 1) % movies.size()];
        const int ended = player.CountInLog(ENDED);
        const bool measure = i % every == 0;
        const Outcome outcome = OpenFromList(player, window, movie, 800, &boxes);
        if (outcome == STUCK) {
            fprintf(stderr, "soak-player: opening %d (%s) did not finish\n", i, movie.c_str());
            PrintTable("Openings", "openings", openRows);
            return 2;
        }
        (outcome == OPENED ? opened : refused)++;
        if (measure) {
            // Read with the movie over, so every reading finds the player at rest.
            if (outcome == OPENED)
                WaitForEnd(player, ended, 20000, &boxes);
            Sleep(300);
            openRows.push_back({"open", i, Measure(player.pid())});
            const Figures &f = openRows.back().f;
            printf("after %4d openings: handles %lld (keys %lld) gdi %lld user %lld private %lld\n", i, f.handles,
                   f.keys, f.gdi, f.user, f.privateBytes);
        }
    }
    printf("openings: %d opened, %d refused, %d error boxes answered\n", opened, refused, boxes);

    std::vector<Row> longRows;
    long long framesPlayed = -1;
    if (!longMovie.empty()) {
        const int ended = player.CountInLog(ENDED);
        const int framesLines = player.CountInLog("Total Movie Frames: ");
        if (!DropFiles(player, window, {longMovie})) {
            fprintf(stderr, "soak-player: could not drop the long movie\n");
            return 2;
        }
        HWND trackbar = GetDlgItem(window, IDC_TRACKBAR);
        if (!player.WaitForLog("Total Movie Frames: ", WAIT_MS, framesLines + 1)) {
            fprintf(stderr, "soak-player: the long movie did not open\n");
            return 2;
        }
        const std::string log = ReadLogText(player.log());
        const long long total = (long long)NumberAfterLast(log, "Total Movie Frames: ");
        printf("long playback: %lld frames\n", total);
        // The slider's thumb goes from 0 to 1000 over the movie.
        long long next = longEvery;
        const DWORD start = GetTickCount();
        while (player.CountInLog(ENDED) <= ended) {
            if (AnswerErrorBox(player))
                boxes++;
            const long long frame = total * (long long)SendMessageA(trackbar, TBM_GETPOS, 0, 0) / 1000;
            if (frame >= next) {
                longRows.push_back({"play", frame, Measure(player.pid())});
                next += longEvery;
            }
            if (!player.Running() || GetTickCount() - start > 3600000) {
                fprintf(stderr, "soak-player: the long playback did not end\n");
                return 2;
            }
            Sleep(50);
        }
        framesPlayed = (long long)NumberAfterLast(ReadLogText(player.log()), ENDED);
        Sleep(300);
        longRows.push_back({"ended", framesPlayed, Measure(player.pid())});
        printf("long playback: %lld frames played in %.1f s\n", framesPlayed, (GetTickCount() - start) / 1000.0);
    }

    PrintTable("Openings", "openings", openRows);
    if (!longRows.empty())
        PrintTable("Long playback", "frame", longRows);
    printf("\nHandles: %s; private bytes: %s\n",
           handlesFromTable ? "GetProcessHandleCount gave 0, counted in the system's handle table"
                            : "GetProcessHandleCount",
           privateFromProc ? "GetProcessMemoryInfo gave 0, VmData of the Linux process" : "PrivateUsage");
    printf("GDI objects: %s; USER objects: %s\n",
           gdiFromTable ? "GetGuiResources gave 0, counted in the GDI handle table" : "GetGuiResources",
           userFromWindows ? "GetGuiResources gave 0, the player's windows counted" : "GetGuiResources");

    bool missed = false;
    const long long FROM = 10;
    const double handles100 = Slope(openRows, FROM, &Figures::handles);
    const double gdi100 = Slope(openRows, FROM, &Figures::gdi);
    const double user100 = Slope(openRows, FROM, &Figures::user);
    const double private100 = Slope(openRows, FROM, &Figures::privateBytes);
    printf("\nGrowth per 100 openings after the first %lld: handles %+.2f (keys %+.2f, threads %+.2f, events "
           "%+.2f), gdi %+.2f, user %+.2f, private %+.0f bytes (%+.3f MB)\n",
           FROM, handles100, Slope(openRows, FROM, &Figures::keys), Slope(openRows, FROM, &Figures::threads),
           Slope(openRows, FROM, &Figures::events), gdi100, user100, private100, private100 / 1048576.0);
    if (handles100 >= 1) {
        printf("MISSED: handles grow by %.2f per 100 openings (target: less than 1)\n", handles100);
        missed = true;
    }
    if (private100 >= 1048576) {
        printf("MISSED: private bytes grow by %.2f MB per 100 openings (target: less than 1 MB)\n",
               private100 / 1048576.0);
        missed = true;
    }
    if (longRows.size() >= 2) {
        const long long h = Growth(longRows, &Figures::handles), g = Growth(longRows, &Figures::gdi),
                        u = Growth(longRows, &Figures::user), p = Growth(longRows, &Figures::privateBytes);
        printf("Growth over the long playback (frame %lld to %lld): handles %+lld, gdi %+lld, user %+lld, private "
               "%+lld bytes\n",
               longRows.front().at, longRows.back().at, h, g, u, p);
        if (h > 0 || g > 0 || u > 0 || p > 0) {
            printf("MISSED: the long playback grew (target: no growth)\n");
            missed = true;
        }
        if (framesPlayed < 50000) {
            printf("MISSED: the long playback played %lld frames (at least 50000 asked for)\n", framesPlayed);
            missed = true;
        }
    } else if (!longMovie.empty()) {
        printf("MISSED: too few readings during the long playback\n");
        missed = true;
    }
    if (opened == 0 || refused == 0)
        printf("note: %d openings opened, %d were refused\n", opened, refused);

    if (!ExitPlayer(player, window, WAIT_MS))
        printf("note: the player did not end the user's way\n");
    printf(missed ? "\nsoak: targets missed\n" : "\nsoak: targets met\n");
    return missed ? 1 : 0;
}
