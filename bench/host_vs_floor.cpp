/* host_vs_floor: the host tool timed against the floor program, run in turn, beside the targets */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

static const double kTimeLimit = 2;       /* times the floor's */
static const double kMemoryLimitMB = 60; /* the host tool's peak, in millions of bytes */

struct Figures {
    std::vector<double> seconds, megabytes;
};

/* In the child: standard input and output on /dev/null, standard error
   into the log (this run's only), then the command. */
static void Exec(char **command, const char *log) {
    int in = open("/dev/null", O_RDONLY), out = open("/dev/null", O_WRONLY);
    int err = open(log, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in >= 0 && out >= 0 && err >= 0 && dup2(in, 0) >= 0 && dup2(out, 1) >= 0 && dup2(err, 2) >= 0)
        execv(command[0], command);
    _exit(127);
}

/* One run, its wall time and peak memory kept; false when it cannot be
   started or does not exit with 0. */
static bool RunOnce(char **command, const char *log, Figures *figures) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) Exec(command, log);
    int status;
    struct rusage usage;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        fprintf(stderr, "host_vs_floor: cannot run %s: %s\n", command[0], strerror(errno));
        return false;
    }
    figures->seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    figures->megabytes.push_back((double)usage.ru_maxrss * 1024 / 1e6); /* ru_maxrss is in KiB */
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); /* as a shell gives it */
    fprintf(stderr, "host_vs_floor: %s failed (status %d); its standard error is in %s\n", command[0], code, log);
    return false;
}

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static bool AtMost(const char *what, double value, const char *unit, double limit) {
    char target[32];
    snprintf(target, sizeof target, "at most %g", limit);
    bool met = value <= limit;
    printf("  %-44s %10.3f %-26s %-24s %s\n", what, value, unit, target, met ? "met" : "MISSED");
    return met;
}

/* The median, then the range of the runs. */
static void PutSeconds(const char *what, const std::vector<double> &s) {
    printf("%s %.3f s (%.3f to %.3f)", what, Median(s), *std::min_element(s.begin(), s.end()),
           *std::max_element(s.begin(), s.end()));
}

static int Summary(const Figures &host, const Figures &floor) {
    double hostSeconds = Median(host.seconds), floorSeconds = Median(floor.seconds);
    double hostMB = *std::max_element(host.megabytes.begin(), host.megabytes.end());
    double floorMB = *std::max_element(floor.megabytes.begin(), floor.megabytes.end());
    PutSeconds("  host tool", host.seconds);
    PutSeconds(", floor program", floor.seconds);
    printf("; peak memory %.1f MB, the floor's %.1f MB (each its largest run)\n", hostMB, floorMB);
    bool ok = AtMost("host tool / floor program", hostSeconds / floorSeconds, "times", kTimeLimit);
    ok &= AtMost("host tool's peak memory", hostMB, "MB", kMemoryLimitMB);
    printf(ok ? "host targets met\n" : "host targets missed\n");
    return ok ? 0 : 1;
}

int main(int argc, char **argv) {
    char **vs = std::find_if(argv, argv + argc, [](const char *a) { return strcmp(a, "--vs") == 0; });
    if (argc < 6 || atoi(argv[1]) <= 0 || vs <= argv + 3 || vs >= argv + argc - 1) {
        fprintf(stderr, "usage: host_vs_floor RUNS LOG HOST [ARG...] --vs FLOOR [ARG...]\n");
        return 2;
    }
    *vs = NULL; /* ends the host's arguments */
    char **host = argv + 3, **floor = vs + 1;
    const char *log = argv[2];
    Figures warmUp, hostFigures, floorFigures;
    if (!RunOnce(floor, log, &warmUp) || !RunOnce(host, log, &warmUp)) return 2;
    /* In pairs, each first in turn, so that the machine's drift falls on both alike. */
    for (int run = 0; run < atoi(argv[1]); run++) {
        bool hostFirst = run % 2 == 0;
        char **first = hostFirst ? host : floor, **second = hostFirst ? floor : host;
        if (!RunOnce(first, log, hostFirst ? &hostFigures : &floorFigures) ||
            !RunOnce(second, log, hostFirst ? &floorFigures : &hostFigures))
            return 2;
    }
    return Summary(hostFigures, floorFigures);
}
