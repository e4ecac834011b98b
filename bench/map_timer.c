/* The time from starting a program to the first map of its top-level window,
 * as a user sees it: fork, exec, and the X server's MapNotify for a window of
 * at least --min-size on each side, a child of the root. The root's substructure
 * is watched before the fork, so no map can slip by and nothing is polled.
 *
 *   portico-map-timer [--settle MS] [--timeout MS] [--min-size PX] -- COMMAND [ARGS...]
 *
 * Prints "map_ms=<milliseconds> peak_rss_kb=<kilobytes>" on one line. After the
 * map the program runs --settle more milliseconds (default 500: work it does once
 * its window shows counts in its peak memory), then gets SIGTERM, and SIGKILL a
 * second later. Exit status 0, or 2 when no window was mapped within --timeout
 * (default 10000), 1 for a usage or display error. Needs DISPLAY; run it on a
 * display of its own (Xvfb) so that no other program maps windows meanwhile. */
#define _GNU_SOURCE
#include <X11/Xlib.h>

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static int ignoreErrors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;  /* a window gone before it was looked at */
    return 0;
}

static long number(const char* text, const char* option) {
    char* end = NULL;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0) {
        fprintf(stderr, "portico-map-timer: %s wants a number, not \"%s\"\n", option, text);
        exit(1);
    }
    return value;
}

/* Waits up to `ms` for the child to end; 1 when it has, its usage filled in. */
static int reap(pid_t child, long ms, struct rusage* usage) {
    double until = nowMs() + (double)ms;
    for (;;) {
        int status = 0;
        pid_t done = wait4(child, &status, WNOHANG, usage);
        if (done == child) return 1;
        if (done < 0 && errno != EINTR) return 1;
        if (nowMs() >= until) return 0;
        struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
}

int main(int argc, char** argv) {
    long settle = 500, timeout = 10000, minSize = 64;
    int first = 1;
    for (; first < argc; ++first) {
        if (strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        }
        if (first + 1 >= argc) break;
        if (strcmp(argv[first], "--settle") == 0) settle = number(argv[++first], "--settle");
        else if (strcmp(argv[first], "--timeout") == 0) timeout = number(argv[++first], "--timeout");
        else if (strcmp(argv[first], "--min-size") == 0) minSize = number(argv[++first], "--min-size");
        else break;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: portico-map-timer [--settle MS] [--timeout MS] [--min-size PX] -- COMMAND [ARGS...]\n");
        return 1;
    }

    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "portico-map-timer: cannot open display \"%s\"\n", getenv("DISPLAY") ? getenv("DISPLAY") : "");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);  /* the selection is in force before the program starts */

    double started = nowMs();
    pid_t child = fork();
    if (child < 0) {
        perror("portico-map-timer: fork");
        return 1;
    }
    if (child == 0) {
        close(ConnectionNumber(display));
        setpgid(0, 0);
        execvp(argv[first], argv + first);
        fprintf(stderr, "portico-map-timer: cannot start %s: %s\n", argv[first], strerror(errno));
        _exit(127);
    }
    setpgid(child, child);

    double mapped = -1;
    int descriptor = ConnectionNumber(display);
    while (mapped < 0) {
        while (mapped < 0 && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.event != root) continue;
            double at = nowMs();
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, event.xmap.window, &attributes) && attributes.width >= minSize &&
                attributes.height >= minSize)
                mapped = at;
        }
        if (mapped >= 0) break;
        double left = started + (double)timeout - nowMs();
        if (left <= 0) break;
        struct pollfd wait = {descriptor, POLLIN, 0};
        int ready = poll(&wait, 1, (int)left + 1);
        if (ready < 0 && errno != EINTR) break;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            fprintf(stderr, "portico-map-timer: %s ended before mapping a window\n", argv[first]);
            return 2;
        }
    }

    struct rusage usage;
    memset(&usage, 0, sizeof usage);
    if (mapped >= 0 && settle > 0) {
        /* Still running a moment later? Then its peak counts what it did after the map. */
        if (reap(child, settle, &usage)) {
            printf("map_ms=%.1f peak_rss_kb=%ld\n", mapped - started, usage.ru_maxrss);
            return 0;
        }
    }
    kill(-child, SIGTERM);
    if (!reap(child, 1000, &usage)) {
        kill(-child, SIGKILL);
        reap(child, 5000, &usage);
    }
    XCloseDisplay(display);
    if (mapped < 0) {
        fprintf(stderr, "portico-map-timer: no window of %s mapped within %ld ms\n", argv[first], timeout);
        return 2;
    }
    printf("map_ms=%.1f peak_rss_kb=%ld\n", mapped - started, usage.ru_maxrss);
    return 0;
}
