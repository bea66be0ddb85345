// Plays each movie of a list through the real player, one fresh player each, and
// says how it went (tools/fuzz-movies.sh):
//   fuzz-movies-driver.exe LIST RESULTS [seconds per movie [video-memory method]]
// LIST holds one Windows path a line. The movies take the three video-memory
// methods in turn, or all the one given (1082, 1083, 1114). For a movie that did not end or was not
// refused, the player's log is kept beside it as <movie>.log. RESULTS gets one
// line a movie:
//   path <TAB> verdict <TAB> slowest answer of the window in ms <TAB> details
// Verdicts: ended (the normal end of a movie), refused ("File format not
// supported."), crash (the player ended on its own), hang (no end in time, or
// the player did not exit when asked), frozen (the window did not answer for
// longer than FROZEN_MS), long (no end in time, but the stream gave the movie a
// duration longer than the bound: it may only be slow). Nothing else is judged: error boxes are answered
// and named in the details.
#include "driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// FUZZ_FROZEN_MS in the environment sets another bound (to see how long a freeze lasts).
DWORD FROZEN_MS = 5000;
const char *const END_LINE = "Frames played: ";
const char *const REFUSED = "File format not supported.";

struct Outcome {
    std::string verdict;
    DWORD slowestMs = 0;
    std::string details;
};

// The drawing paths differ per method; each movie gets one, in turn.
const DWORD METHODS[] = {1082, 1083, 1114};

Outcome Play(ProgramUnderTest &player, const std::string &movie, DWORD method, DWORD boundMs)
{
    Outcome outcome;
    char note[256];
    snprintf(note, sizeof note, "method %lu", (unsigned long)method);
    outcome.details = note;

    PlayerSettings settings;
    settings.OutputFormat = 1072; // plain 2D: the damage, not the stereo, is what is tried
    settings.VideomemoryMethod = method;
    if (!StartPlayer(player, settings, movie, {}, "StartRendering()\n")) {
        outcome.verdict = player.Running() ? "hang" : "crash";
        outcome.details += "; did not start its opening";
        return outcome;
    }
    HWND window = WaitForPlayerWindow(player, 10000);
    if (!window) {
        outcome.verdict = player.Running() ? "hang" : "crash";
        outcome.details += "; no window";
        return outcome;
    }
    ResponsivenessProbe probe(window);
    const DWORD start = GetTickCount();
    int boxes = 0;
    bool refused = false, ended = false;
    while (GetTickCount() - start < boundMs) {
        if (!player.Running())
            break;
        if (probe.SlowestMs() > FROZEN_MS)
            break;
        FoundWindow box;
        if (player.WaitForMessageBox("Error", &box, 50)) {
            boxes++;
            if (box.text == REFUSED)
                refused = true;
            else if (boxes <= 3) {
                outcome.details += "; box \"" + box.text.substr(0, 80) + "\"";
            }
            ProgramUnderTest::Answer(box, IDOK);
            continue;
        }
        const std::string log = ReadLogText(player.log());
        if (log.find(END_LINE) != std::string::npos) {
            ended = true;
            break;
        }
        if (refused && log.find("Starting Main Loop\n") != std::string::npos)
            break;
        Sleep(50);
    }
    outcome.slowestMs = probe.SlowestMs();
    const std::string log = ReadLogText(player.log());
    if (boxes > 3) {
        snprintf(note, sizeof note, "; %d error boxes", boxes);
        outcome.details += note;
    }
    if (ended) {
        snprintf(note, sizeof note, "; %d frames", atoi(log.c_str() + log.find(END_LINE) + strlen(END_LINE)));
        outcome.details += note;
    }
    if (!player.Running()) {
        DWORD code = 0;
        player.WaitForExit(1000, &code);
        snprintf(note, sizeof note, "; exit code 0x%08lX", (unsigned long)code);
        outcome.verdict = "crash";
        outcome.details += note;
        return outcome;
    }
    if (outcome.slowestMs > FROZEN_MS) {
        outcome.verdict = "frozen";
        // Frozen before the stream returned, or with the refusal's box up.
        FoundWindow box;
        outcome.details += player.WaitForMessageBox("Error", &box, 0) ? "; with an error box up" : "; no box up";
        return outcome;
    }
    if (!ended && !(refused && log.find("Starting Main Loop\n") != std::string::npos)) {
        const double duration = NumberAfterLast(log, "GetDuration ");
        outcome.verdict = duration * 1000 > boundMs - 2000 ? "long" : "hang";
        snprintf(note, sizeof note, "; duration %.2f s, %.2f s a frame", duration,
                 NumberAfterLast(log, "GetTimePerFrame "));
        outcome.details += note;
        outcome.details += "; no end within the bound";
        return outcome;
    }
    outcome.verdict = ended ? "ended" : "refused";
    // The player must still take its exit question and end (its window may be
    // slow to answer while it closes the stream: not counted).
    if (!ExitPlayer(player, window, 15000)) {
        outcome.verdict = player.Running() ? "hang" : "crash";
        outcome.details += "; did not exit when asked";
    }
    return outcome;
}

Outcome PlayOne(const std::string &movie, DWORD method, DWORD boundMs, std::string *log)
{
    ProgramUnderTest player;
    const Outcome outcome = Play(player, movie, method, boundMs);
    *log = ReadLogText(player.log());
    return outcome;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: fuzz-movies-driver.exe LIST RESULTS [seconds per movie [method]]\n");
        return 2;
    }
    const DWORD boundMs = argc > 3 ? (DWORD)(atof(argv[3]) * 1000) : 30000;
    const DWORD onlyMethod = argc > 4 ? (DWORD)atoi(argv[4]) : 0;
    char frozen[32];
    if (GetEnvironmentVariableA("FUZZ_FROZEN_MS", frozen, sizeof frozen) - 1 < sizeof frozen - 1)
        FROZEN_MS = (DWORD)atoi(frozen);
    FILE *list = fopen(argv[1], "r");
    if (!list) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<std::string> movies;
    char line[1024];
    while (fgets(line, sizeof line, list)) {
        line[strcspn(line, "\r\n")] = 0;
        if (line[0])
            movies.push_back(line);
    }
    fclose(list);

    for (size_t i = 0; i < movies.size(); i++) {
        std::string log;
        const Outcome outcome = PlayOne(movies[i], onlyMethod ? onlyMethod : METHODS[i % 3], boundMs, &log);
        if (outcome.verdict != "ended" && outcome.verdict != "refused") {
            FILE *kept = fopen((movies[i] + ".log").c_str(), "wb");
            if (kept) {
                fwrite(log.data(), 1, log.size(), kept);
                fclose(kept);
            }
        }
        FILE *results = fopen(argv[2], "a");
        if (!results)
            return 2;
        fprintf(results, "%s\t%s\t%lu\t%s\n", movies[i].c_str(), outcome.verdict.c_str(),
                (unsigned long)outcome.slowestMs, outcome.details.c_str());
        fclose(results);
    }
    return 0;
}
