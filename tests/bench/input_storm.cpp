// Synthetic user: relative pointer motion through XTEST at a steady rate, so the server
// produces raw motion events as a real mouse would.
//
//   input_storm [events-per-second=1000] [seconds=30]

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char* argv[])
{
    const int rate = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "input_storm: no X display\n");
        return 1;
    }
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "input_storm: no XTEST extension\n");
        return 1;
    }
    const auto period = std::chrono::nanoseconds(1'000'000'000LL / rate);
    auto next = std::chrono::steady_clock::now();
    const auto end = next + std::chrono::seconds(seconds);
    long sent = 0;
    while (next < end) {
        const int step = (sent % 2) ? 1 : -1;
        XTestFakeRelativeMotionEvent(display, step, -step, CurrentTime);
        XFlush(display);
        ++sent;
        next += period;
        std::this_thread::sleep_until(next);
    }
    XCloseDisplay(display);
    std::printf("input_storm: %ld motion events in %d s\n", sent, seconds);
    return 0;
}
