// Measures a frame program from outside, as its user meets it: it starts the program, types at it
// and watches the screen until what the user would see has changed (on X11 through XTest and
// XGetImage, screen_x11.c; on a wlroots compositor through a virtual keyboard and screencopy,
// screen_wayland.c).
// It reads memory, CPU time and wake-ups from /proc. Results go to stdout as key=value lines.
//
//   probe [--startups N] [--idle SECONDS] [--presses N] [--steps N] [--gap-ms N]
//         [--samples FILE] [--log FILE] [--process NAME] [--wine-prefix DIRECTORY]
//         [--server-pid PID] -- COMMAND [ARGUMENT...]
//
// --process names the program when COMMAND is a launcher (wine): memory, CPU and wake-ups are then
// read from the deepest process under it whose command line has an argument ending in NAME.
// --wine-prefix also sums the memory of every Wine process serving that prefix (wine_* keys).
// With --presses 0 --steps 0 only the start-ups are measured, and the idle figures when --idle is
// not 0.
//
// The program must cover the screen with a frame whose left band is at least 2 pixels wide, on a
// screen whose desktop shows one plain colour, and quit on Escape; Right and Left must widen and
// narrow the side bands by one pixel.
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "screen.h"

enum {
    kStartTimeoutMs = 60000, // a cold Wine start takes seconds
    kStepTimeoutMs = 10000,
    kFadeTimeoutMs = 15000,
    kQuitTimeoutMs = 10000,
    kSettleMs = 1000, // after the fade, before idle figures are read
    kPollPauseNs = 50000,
};

static int screenWidth, screenHeight;
static uint32_t desktop; // the desktop's colour, read before any program runs
static const char* logPath = "/dev/null";
static volatile pid_t child = -1; // what was started, and what is waited for and ended
static pid_t measured = -1;       // what the figures are read from
static const char* processName;
static const char* winePrefix;
static char programDirectory[512]; // where the measured process's executable lies, with its '/'
static pid_t server = -1;          // the X server, when its share of a step is wanted

void fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    fputs("probe: ", stderr);
    vfprintf(stderr, format, arguments);
    fputc('\n', stderr);
    va_end(arguments);
    if (child > 0) {
        kill(-child, SIGKILL);
        waitpid(child, NULL, 0);
    }
    exit(1);
}

// An interrupted run leaves no program on the screen.
static void interrupted(int signal) {
    if (child > 0) kill(-child, SIGKILL);
    _exit(128 + signal);
}

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void pauseMs(double ms) {
    struct timespec t = {(time_t)(ms / 1000), (long)((ms - (time_t)(ms / 1000) * 1000) * 1e6)};
    while (nanosleep(&t, &t) == -1 && errno == EINTR) {
    }
}

// Between two looks at the screen: short, but long enough to leave the CPU to the program and the
// server on a small machine.
static void pollPause(void) {
    struct timespec t = {0, kPollPauseNs};
    nanosleep(&t, NULL);
}

// --- The screen ---------------------------------------------------------------------------------

static uint32_t pixelAt(int x, int y) {
    uint32_t pixel;
    screenColumn(x, y, 1, &pixel);
    return pixel;
}

// Whether every pixel of column x from row top to row bottom (excluded) shows the desktop, or,
// with desktopWanted false, none does.
static bool columnIs(int x, int top, int bottom, bool desktopWanted) {
    static uint32_t* column;
    if (!column && !(column = calloc((size_t)screenHeight, sizeof *column))) fail("out of memory");
    screenColumn(x, top, bottom - top, column);
    bool all = true;
    for (int y = 0; y < bottom - top && all; ++y)
        all = (column[y] == desktop) == desktopWanted;
    return all;
}

// The first pixel from (x, y) along (dx, dy) that shows the desktop, as a distance.
static int bandThickness(int x, int y, int dx, int dy, int limit) {
    int n = 0;
    while (n < limit && pixelAt(x + n * dx, y + n * dy) != desktop)
        ++n;
    return n;
}

static bool frameShown(void) {
    return pixelAt(0, screenHeight / 2) != desktop;
}
static bool frameBlack(void) {
    return pixelAt(0, screenHeight / 2) == 0;
}
static bool frameGone(void) {
    return !frameShown();
}

static void failIfProgramEnded(void) {
    int status;
    if (child <= 0 || waitpid(child, &status, WNOHANG) != child) return;
    child = -1;
    if (WIFSIGNALED(status))
        fail("the program was killed by signal %d (log: %s)", WTERMSIG(status), logPath);
    fail("the program ended with status %d (log: %s)", WEXITSTATUS(status), logPath);
}

// Polls until the condition holds; the time it took in ms, or a negative number on timeout. A
// program that ends meanwhile stops the probe at once.
static double waitFor(bool (*condition)(void), int timeoutMs) {
    const double start = nowMs();
    for (unsigned polls = 1; !condition(); ++polls) {
        if (nowMs() - start > timeoutMs) return -1;
        if (polls % 256 == 0) failIfProgramEnded();
        pollPause();
    }
    return nowMs() - start;
}

// --- The program --------------------------------------------------------------------------------

static char** command;

static void startProgram(void) {
    child = fork();
    if (child < 0) fail("fork: %s", strerror(errno));
    if (child == 0) {
        setpgid(0, 0); // its own group, so a stuck program goes with all it started
        const int log = open(logPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execvp(command[0], command);
        fprintf(stderr, "probe: cannot run %s: %s\n", command[0], strerror(errno));
        _exit(127);
    }
    setpgid(child, child);
}

static bool childEnded(int timeoutMs) {
    const double start = nowMs();
    do {
        if (waitpid(child, NULL, WNOHANG) == child) {
            child = -1;
            return true;
        }
        pauseMs(10);
    } while (nowMs() - start < timeoutMs);
    return false;
}

// Escape, as the user quits; a program that does not listen is ended by signal, and said so.
// The time from the key to the end of the process, or a negative number.
static double quitProgram(void) {
    const double start = nowMs();
    screenKey(kKeyEscape, true);
    screenKey(kKeyEscape, false);
    if (childEnded(kQuitTimeoutMs)) return nowMs() - start;
    fprintf(stderr, "probe: the program did not quit on Escape; ending it\n");
    kill(-child, SIGTERM);
    if (!childEnded(3000)) {
        kill(-child, SIGKILL);
        childEnded(3000);
    }
    return -1;
}

// --- /proc --------------------------------------------------------------------------------------

static long statusField(const char* path, const char* field) {
    FILE* file = fopen(path, "r");
    if (!file) return -1;
    char line[256];
    long value = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, file))
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            value = strtol(line + length + 1, NULL, 10);
            break;
        }
    fclose(file);
    return value;
}

// Resident memory as rss_kb_WHEN, with its anonymous part (heaps, stacks), its file-backed part
// (code and data of the program and its libraries, resident once first touched) and its shared
// memory (on Wayland, the buffers the compositor reads).
static void reportRss(const char* when) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)measured);
    const long kb = statusField(path, "VmRSS");
    if (kb < 0) fail("cannot read VmRSS of process %d", (int)measured);
    printf("rss_kb_%s=%ld\nrss_anon_kb_%s=%ld\nrss_file_kb_%s=%ld\nrss_shmem_kb_%s=%ld\n", when, kb,
           when, statusField(path, "RssAnon"), when, statusField(path, "RssFile"), when,
           statusField(path, "RssShmem"));
}

// User and system time of the whole process, every thread included.
// Negative when the process is gone.
static double cpuMsOrNone(pid_t pid) {
    char path[64], text[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file) return -1;
    const bool read = fgets(text, sizeof text, file) != NULL;
    fclose(file);
    if (!read) return -1;
    // Fields after the command name, which may hold blanks: state is field 3, utime 14, stime 15.
    const char* after = strrchr(text, ')');
    unsigned long long utime = 0, stime = 0;
    if (!after || sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                         &stime) != 2)
        fail("cannot parse %s", path);
    return (double)(utime + stime) * 1000.0 / (double)sysconf(_SC_CLK_TCK);
}
static double cpuMsOf(pid_t pid) {
    const double ms = cpuMsOrNone(pid);
    if (ms < 0) fail("cannot read the CPU time of process %d", (int)pid);
    return ms;
}
static double cpuMs(void) {
    return cpuMsOf(measured);
}

// The time every live thread of the process has run, to the nanosecond (schedstat): a start costs
// the Xlib floor less than one 10 ms tick. Negative when the process is gone.
static double runMsOrNone(pid_t pid) {
    char pattern[64];
    snprintf(pattern, sizeof pattern, "/proc/%d/task/*/schedstat", (int)pid);
    glob_t tasks;
    if (glob(pattern, 0, NULL, &tasks) != 0) return -1;
    double ns = 0;
    for (size_t i = 0; i < tasks.gl_pathc; ++i) {
        FILE* file = fopen(tasks.gl_pathv[i], "r");
        unsigned long long running = 0;
        if (file && fscanf(file, "%llu", &running) == 1) ns += (double)running;
        if (file) fclose(file);
    }
    globfree(&tasks);
    return ns / 1e6;
}

// Times any thread of the process went to sleep and was woken.
static long wakeups(void) {
    char pattern[64];
    snprintf(pattern, sizeof pattern, "/proc/%d/task/*/status", (int)measured);
    glob_t tasks;
    if (glob(pattern, 0, NULL, &tasks) != 0) fail("cannot list the threads of %d", (int)measured);
    long total = 0;
    for (size_t i = 0; i < tasks.gl_pathc; ++i) {
        const long n = statusField(tasks.gl_pathv[i], "voluntary_ctxt_switches");
        if (n > 0) total += n;
    }
    globfree(&tasks);
    return total;
}

static pid_t parentOf(pid_t pid) {
    char path[64], text[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file) return -1;
    const bool read = fgets(text, sizeof text, file) != NULL;
    fclose(file);
    const char* after = read ? strrchr(text, ')') : NULL;
    int parent = -1;
    if (after) sscanf(after + 2, "%*c %d", &parent);
    return parent;
}

static bool anArgumentEndsWith(pid_t pid, const char* name) {
    char path[64], arguments[4096];
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file) return false;
    const size_t length = fread(arguments, 1, sizeof arguments - 1, file);
    fclose(file);
    arguments[length] = '\0';
    const size_t wanted = strlen(name);
    for (size_t at = 0; at < length; at += strlen(arguments + at) + 1) {
        const size_t n = strlen(arguments + at);
        if (n >= wanted && strcmp(arguments + at + n - wanted, name) == 0) return true;
    }
    return false;
}

static int depthBelowChild(pid_t pid) {
    int depth = 0;
    for (; pid > 1 && pid != child; pid = parentOf(pid))
        ++depth;
    return pid == child ? depth : -1;
}

// The process the figures are read from: the started one, or the deepest one under it that runs
// the named program.
static void findMeasuredProcess(void) {
    measured = child;
    if (!processName) return;
    int deepest = anArgumentEndsWith(child, processName) ? 0 : -1;
    DIR* proc = opendir("/proc");
    if (!proc) fail("cannot list /proc");
    for (struct dirent* entry; (entry = readdir(proc));) {
        const pid_t pid = (pid_t)atoi(entry->d_name);
        if (pid <= 0 || pid == child || !anArgumentEndsWith(pid, processName)) continue;
        const int depth = depthBelowChild(pid);
        if (depth > deepest) {
            deepest = depth;
            measured = pid;
        }
    }
    closedir(proc);
    if (deepest < 0) fail("no process running %s under process %d", processName, (int)child);
}

// The path of the process's executable; false, and an empty path, when it cannot be read.
static bool executableOf(pid_t pid, char exe[512]) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/exe", (int)pid);
    const ssize_t n = readlink(path, exe, 511);
    exe[n > 0 ? n : 0] = '\0';
    return n > 0;
}

// The measured process of the program just started, and where its executable lies.
static void learnProgram(void) {
    findMeasuredProcess();
    char exe[512];
    executableOf(measured, exe);
    const char* slash = strrchr(exe, '/');
    snprintf(programDirectory, sizeof programDirectory, "%.*s", slash ? (int)(slash - exe + 1) : 0,
             exe);
}

static void processInfo(void) {
    char path[64], exe[512];
    executableOf(measured, exe);
    snprintf(path, sizeof path, "/proc/%d/status", (int)measured);
    printf("process_exe=%s\nprocess_threads=%ld\n", exe, statusField(path, "Threads"));
}

// --- The Wine processes serving the program -----------------------------------------------------

// Whether the process started with exactly this entry in its environment.
static bool environmentHolds(pid_t pid, const char* entry) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/environ", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file) return false;
    char* item = NULL;
    size_t capacity = 0;
    bool found = false;
    while (!found && getdelim(&item, &capacity, '\0', file) > 0)
        found = strcmp(item, entry) == 0;
    free(item);
    fclose(file);
    return found;
}

static bool runsFrom(pid_t pid, const char* directory) {
    char exe[512];
    if (!executableOf(pid, exe)) return false;
    return strncmp(exe, directory, strlen(directory)) == 0 && !strchr(exe + strlen(directory), '/');
}

enum { kMaxWineProcesses = 64 };

// The processes of the prefix run by the measured program's Wine: wineserver and the loader of
// each Windows process (the program, services.exe, explorer.exe...). The program must be among
// them while it runs.
static int wineProcesses(pid_t pids[kMaxWineProcesses], bool whileRunning) {
    char entry[4096];
    snprintf(entry, sizeof entry, "WINEPREFIX=%s", winePrefix);
    DIR* proc = opendir("/proc");
    if (!proc) fail("cannot list /proc");
    int count = 0;
    bool measuredSeen = false;
    for (struct dirent* item; (item = readdir(proc)) && count < kMaxWineProcesses;) {
        const pid_t pid = (pid_t)atoi(item->d_name);
        if (pid <= 0 || !runsFrom(pid, programDirectory) || !environmentHolds(pid, entry)) continue;
        pids[count++] = pid;
        measuredSeen = measuredSeen || pid == measured;
    }
    closedir(proc);
    if (whileRunning && !measuredSeen)
        fail("process %d is not among the Wine processes of %s (is WINEPREFIX exported?)",
             (int)measured, winePrefix);
    return count;
}

// Resident memory summed over the Wine processes. VmRSS counts a shared page once in each
// process; Pss splits it among all who map it, other Wine prefixes on the machine included, so
// the two bracket what the set costs.
static void reportWineRss(const char* when) {
    pid_t pids[kMaxWineProcesses];
    const int count = wineProcesses(pids, true);
    long rss = 0, anon = 0, file = 0, pss = 0;
    int counted = 0;
    for (int i = 0; i < count; ++i) {
        char status[64], rollup[64];
        snprintf(status, sizeof status, "/proc/%d/status", (int)pids[i]);
        snprintf(rollup, sizeof rollup, "/proc/%d/smaps_rollup", (int)pids[i]);
        const long kb = statusField(status, "VmRSS");
        const long proportional = statusField(rollup, "Pss");
        if (kb < 0 || proportional < 0) continue; // ended meanwhile
        rss += kb;
        anon += statusField(status, "RssAnon");
        file += statusField(status, "RssFile");
        pss += proportional;
        ++counted;
    }
    printf("wine_rss_kb_%s=%ld\nwine_rss_anon_kb_%s=%ld\nwine_rss_file_kb_%s=%ld\n"
           "wine_pss_kb_%s=%ld\nwine_processes_%s=%d\n",
           when, rss, when, anon, when, file, when, pss, when, counted);
}

// The Windows name of a Wine process (explorer.exe), or its own (wineserver64).
static void processLabel(pid_t pid, char* label, size_t size) {
    char path[64], arguments[512] = "";
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)pid);
    FILE* file = fopen(path, "r");
    if (file) {
        const size_t length = fread(arguments, 1, sizeof arguments - 1, file);
        arguments[length] = '\0';
        fclose(file);
    }
    const char* name = arguments;
    for (const char* c = arguments; *c; ++c)
        if (*c == '/' || *c == '\\') name = c + 1;
    snprintf(label, size, "%s", *name ? name : "?");
}

// Each Wine process's CPU time at one moment.
typedef struct {
    bool precise; // read from schedstat rather than in ticks
    int count;
    pid_t pids[kMaxWineProcesses];
    double ms[kMaxWineProcesses];
} WineCpu;
static void wineCpuNow(WineCpu* cpu, bool whileRunning, bool precise) {
    cpu->precise = precise;
    cpu->count = wineProcesses(cpu->pids, whileRunning);
    for (int i = 0; i < cpu->count; ++i)
        cpu->ms[i] = precise ? runMsOrNone(cpu->pids[i]) : cpuMsOrNone(cpu->pids[i]);
}

// The CPU time the Wine processes spent since `before`, all of it for those started since. With a
// key, each process's share per step is printed under it: where a step's time goes.
static double wineCpuSince(const WineCpu* before, const char* key, int steps) {
    WineCpu now;
    wineCpuNow(&now, true, before->precise);
    double total = 0;
    if (key) printf("%s=", key);
    for (int i = 0, shown = 0; i < now.count; ++i) {
        if (now.ms[i] < 0) continue;
        double spent = now.ms[i];
        for (int j = 0; j < before->count; ++j)
            if (before->pids[j] == now.pids[i] && before->ms[j] >= 0) spent -= before->ms[j];
        total += spent;
        if (!key) continue;
        char label[128];
        processLabel(now.pids[i], label, sizeof label);
        printf("%s%s:%.1f", shown++ ? "," : "", label, spent * 1000.0 / steps);
    }
    if (key) printf("\n");
    return total;
}

static void reportMemory(const char* when) {
    reportRss(when);
    if (winePrefix) reportWineRss(when);
}

// --- Measurements -------------------------------------------------------------------------------

static int compareDoubles(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

// Nearest rank: the smallest sample with at least p of all samples at or below it.
static double percentile(double* sorted, int count, double p) {
    int rank = (int)(p * count + 0.999999);
    if (rank < 1) rank = 1;
    return sorted[rank - 1];
}

static double median(double* values, int count) {
    qsort(values, (size_t)count, sizeof *values, compareDoubles);
    return (values[(count - 1) / 2] + values[count / 2]) / 2;
}

// Besides the time to the first frame pixel, the CPU time spent by then: the work a start costs,
// which a loaded machine stretches far less than the time.
static void startups(int runs) {
    if (runs <= 0) return;
    double* times = calloc((size_t)runs, sizeof *times);
    double* cpu = calloc((size_t)runs, sizeof *cpu);
    double* wineCpu = calloc((size_t)runs, sizeof *wineCpu);
    double first = 0;
    WineCpu wineBefore = {0};
    // One unmeasured start first, so every measured one finds the files in the page cache.
    for (int run = -1; run < runs; ++run) {
        if (waitFor(frameGone, kQuitTimeoutMs) < 0) fail("a frame is still on screen before start");
        // Wine's server and services may still run from the start before.
        if (winePrefix && run >= 0) wineCpuNow(&wineBefore, false, true);
        const double start = nowMs();
        startProgram();
        if (waitFor(frameShown, kStartTimeoutMs) < 0)
            fail("no frame on screen %d s after start (log: %s)", kStartTimeoutMs / 1000, logPath);
        const double elapsed = nowMs() - start;
        learnProgram();
        if (run >= 0) {
            times[run] = elapsed;
            cpu[run] = runMsOrNone(measured);
            if (winePrefix) wineCpu[run] = wineCpuSince(&wineBefore, NULL, 1);
        } else {
            first = elapsed;
        }
        pauseMs(300); // the window takes the focus just after it shows
        quitProgram();
    }
    printf("startup_runs_ms=");
    for (int run = 0; run < runs; ++run)
        printf("%s%.1f", run ? "," : "", times[run]);
    printf("\nstartup_first_ms=%.1f\nstartup_ms=%.1f\n", first, median(times, runs));
    printf("startup_cpu_ms=%.1f\n", median(cpu, runs));
    if (winePrefix) printf("startup_wine_cpu_ms=%.1f\n", median(wineCpu, runs));
    free(times);
    free(cpu);
    free(wineCpu);
}

// Black that lasts: a frame may show black for a moment before its first glow is painted.
static void waitForIdleFrame(const char* when) {
    const double start = nowMs();
    do {
        if (waitFor(frameBlack, kFadeTimeoutMs) < 0)
            fail("the frame did not turn black %s within %d s", when, kFadeTimeoutMs / 1000);
        pauseMs(kSettleMs);
    } while (!frameBlack() && nowMs() - start < kFadeTimeoutMs);
    if (!frameBlack()) fail("the frame did not stay black %s", when);
}

static void idle(int seconds) {
    const double cpuBefore = cpuMs();
    const long wakeupsBefore = wakeups();
    pauseMs(seconds * 1000.0);
    printf("idle_cpu_ms=%.0f\nidle_wakeups=%ld\n", cpuMs() - cpuBefore, wakeups() - wakeupsBefore);
}

// The left band's edge column, and the rows of the hole it borders.
static int edge, holeTop, holeBottom;
static bool edgeIsBand(void) {
    return columnIs(edge, holeTop, holeBottom, false);
}
static bool edgeIsDesktop(void) {
    return columnIs(edge, holeTop, holeBottom, true);
}

// One Right or Left press: the time from the press to the edge column shown in its new state.
static double step(bool widen) {
    const double start = nowMs();
    screenKey(widen ? kKeyRight : kKeyLeft, true);
    const double taken = waitFor(widen ? edgeIsBand : edgeIsDesktop, kStepTimeoutMs);
    if (taken < 0)
        fail("the band edge did not move %d s after %s (has the program the keyboard focus?)",
             kStepTimeoutMs / 1000, widen ? "Right" : "Left");
    const double latency = nowMs() - start;
    screenKey(widen ? kKeyRight : kKeyLeft, false);
    return latency;
}

static void report(const char* name, double* latencies, int count) {
    qsort(latencies, (size_t)count, sizeof *latencies, compareDoubles);
    printf("%s_p50_ms=%.3f\n%s_p99_ms=%.3f\n%s_max_ms=%.3f\n%s_count=%d\n", name,
           percentile(latencies, count, 0.5), name, percentile(latencies, count, 0.99), name,
           latencies[count - 1], name, count);
}

// Right and Left in turn, so the frame stays where it started. The first presses come gapMs
// apart, at the pace of a quick typist, and their Right latencies are the step figures; the rest
// follow back to back, each still waiting for the screen.
static void steps(int presses, int total, int gapMs, const char* samplesPath) {
    edge = bandThickness(0, screenHeight / 2, 1, 0, screenWidth / 2);
    holeTop = bandThickness(screenWidth / 2, 0, 0, 1, screenHeight / 2);
    holeBottom = screenHeight - holeTop;
    if (edge < 2 || edge >= screenWidth / 2 || holeTop >= holeBottom)
        fail("no frame found on screen (left band %d, top band %d)", edge, holeTop);
    printf("left_band_px=%d\ntop_band_px=%d\n", edge, holeTop);

    double* measured = calloc((size_t)presses + 1, sizeof *measured);
    double* backToBack = calloc((size_t)total + 1, sizeof *backToBack);
    int nMeasured = 0, nBackToBack = 0;
    FILE* samples = samplesPath ? fopen(samplesPath, "w") : NULL;
    if (samplesPath && !samples) fail("cannot write %s", samplesPath);
    const double cpuBefore = cpuMs();
    const double serverBefore = server > 0 ? cpuMsOf(server) : 0;
    WineCpu wineBefore;
    if (winePrefix) wineCpuNow(&wineBefore, true, false);
    for (int i = 0; i < total; ++i) {
        if (i == 2 * presses) reportMemory("after_presses");
        const bool widen = i % 2 == 0;
        const bool paced = i < 2 * presses;
        const double latency = step(widen);
        if (widen && paced) {
            measured[nMeasured++] = latency;
            if (samples) fprintf(samples, "%.4f\n", latency);
        } else if (widen) {
            backToBack[nBackToBack++] = latency;
        }
        if (paced) pauseMs(gapMs);
    }
    if (samples) fclose(samples);
    // The program's own share of a step; the rest of the latency is the server and the scheduler.
    printf("step_cpu_us=%.1f\n", (cpuMs() - cpuBefore) * 1000.0 / total);
    // The server's share, this probe's own screen reads included.
    if (server > 0)
        printf("step_server_cpu_us=%.1f\n", (cpuMsOf(server) - serverBefore) * 1000.0 / total);
    // Wine's share: the program, wineserver and the Windows services around them.
    if (winePrefix) {
        const double wineMs = wineCpuSince(&wineBefore, "step_wine_cpu_us_by_process", total);
        printf("step_wine_cpu_us=%.1f\n", wineMs * 1000.0 / total);
    }
    if (nMeasured) report("step", measured, nMeasured);
    if (nBackToBack) report("back_to_back", backToBack, nBackToBack);
    printf("steps=%d\n", total);
    free(measured);
    free(backToBack);
}

static int intOption(const char* text) {
    char* end;
    const long value = strtol(text, &end, 10);
    if (*end || end == text || value < 0 || value > 1L << 30) fail("not a number: %s", text);
    return (int)value;
}

int main(int argc, char** argv) {
    int runs = 10, idleSeconds = 10, presses = 500, total = 10000, gapMs = 20;
    const char* samplesPath = NULL;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; i += 2) {
        if (i + 1 >= argc) fail("%s needs a value", argv[i]);
        const char* value = argv[i + 1];
        if (strcmp(argv[i], "--startups") == 0)
            runs = intOption(value);
        else if (strcmp(argv[i], "--idle") == 0)
            idleSeconds = intOption(value);
        else if (strcmp(argv[i], "--presses") == 0)
            presses = intOption(value);
        else if (strcmp(argv[i], "--steps") == 0)
            total = intOption(value);
        else if (strcmp(argv[i], "--gap-ms") == 0)
            gapMs = intOption(value);
        else if (strcmp(argv[i], "--samples") == 0)
            samplesPath = value;
        else if (strcmp(argv[i], "--log") == 0)
            logPath = value;
        else if (strcmp(argv[i], "--process") == 0)
            processName = value;
        else if (strcmp(argv[i], "--wine-prefix") == 0)
            winePrefix = value;
        else if (strcmp(argv[i], "--server-pid") == 0)
            server = intOption(value);
        else
            fail("unknown option %s", argv[i]);
    }
    if (i + 1 >= argc) fail("usage: probe [options] -- COMMAND [ARGUMENT...]");
    command = argv + i + 1;
    if (total < 2 * presses) total = 2 * presses;

    prctl(PR_SET_TIMERSLACK, 1UL); // sleeps of 50 µs, not the default 50 µs more
    signal(SIGINT, interrupted);
    signal(SIGTERM, interrupted);
    screenOpen(&screenWidth, &screenHeight);
    desktop = pixelAt(0, screenHeight / 2);
    setvbuf(stdout, NULL, _IOLBF, 0);

    startups(runs);
    if (total == 0 && idleSeconds == 0) {
        screenClose();
        return 0;
    }

    startProgram();
    if (waitFor(frameShown, kStartTimeoutMs) < 0) fail("no frame on screen after start");
    waitForIdleFrame("after start");
    learnProgram();
    processInfo();
    reportMemory("idle");
    idle(idleSeconds);
    if (total > 0) {
        steps(presses, total, gapMs, samplesPath);
        waitForIdleFrame("after the steps");
        reportMemory("after_steps");
    }
    const double quit = quitProgram();
    if (quit >= 0) printf("quit_ms=%.1f\n", quit);
    screenClose();
    return 0;
}
