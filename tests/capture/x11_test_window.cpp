// A small X client for the capture tests: shows one window whose title, process id and
// focus are set exactly as the test asks, prints the window id once it is mapped, and
// stays until killed.
//
//   x11_test_window --title TEXT            _NET_WM_NAME in UTF-8 (WM_NAME says "legacy")
//   x11_test_window --wm-name-latin1 TEXT   only WM_NAME, as Latin-1 STRING
//   x11_test_window --wm-name-compound TEXT only WM_NAME, as COMPOUND_TEXT
//   --no-pid        leave _NET_WM_PID unset
//   --focus-child   give the input focus to a child window of the top-level
//   x11_test_window --churn                 pose as an EWMH window manager whose active
//                                           window is created and destroyed in a loop

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

void setUtf8Property(Display* display, Window window, const char* name, const std::string& text)
{
    XChangeProperty(display, window, atom(display, name), atom(display, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

void setPid(Display* display, Window window)
{
    const long pid = getpid();
    XChangeProperty(display, window, atom(display, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

void setWindowProperty(Display* display, Window target, const char* name, Window value)
{
    XChangeProperty(display, target, atom(display, name), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
}

// The test passes UTF-8; WM_NAME as STRING must hold Latin-1 bytes.
std::string utf8ToLatin1(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else if ((byte & 0xe0) == 0xc0 && i + 1 < text.size()) {
            out += static_cast<char>(((byte & 0x1f) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3f));
        } else {
            out += '?';
        }
    }
    return out;
}

int churn(Display* display)
{
    const Window root = DefaultRootWindow(display);
    const Window check = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    setWindowProperty(display, check, "_NET_SUPPORTING_WM_CHECK", check);
    setWindowProperty(display, root, "_NET_SUPPORTING_WM_CHECK", check);
    XSync(display, False);
    std::printf("%lu\n", check);
    std::fflush(stdout);
    for (unsigned long i = 0;; ++i) {
        const Window window = XCreateSimpleWindow(display, root, 0, 0, 50, 50, 0, 0, 0);
        setUtf8Property(display, window, "_NET_WM_NAME", "churn " + std::to_string(i));
        setPid(display, window);
        setWindowProperty(display, root, "_NET_ACTIVE_WINDOW", window);
        XSync(display, False);
        // The active window property now names a window that no longer exists.
        XDestroyWindow(display, window);
        XSync(display, False);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    std::setlocale(LC_ALL, "C.UTF-8");
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_test_window: no display\n");
        return 2;
    }

    std::string title;
    std::string mode = "--title";
    bool setPidProperty = true;
    bool focusChild = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--churn")
            return churn(display);
        if (arg == "--no-pid") {
            setPidProperty = false;
        } else if (arg == "--focus-child") {
            focusChild = true;
        } else if (i + 1 < argc) {
            mode = arg;
            title = argv[++i];
        }
    }

    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 100, 100, 400, 300, 0, 0, 0xffffff);
    const Window child = XCreateSimpleWindow(display, window, 10, 10, 100, 100, 0, 0, 0x808080);
    XSelectInput(display, window, StructureNotifyMask);
    XSelectInput(display, child, StructureNotifyMask);

    if (mode == "--title") {
        setUtf8Property(display, window, "_NET_WM_NAME", title);
        XStoreName(display, window, "legacy");
    } else if (mode == "--wm-name-latin1") {
        const std::string latin1 = utf8ToLatin1(title);
        XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
    } else if (mode == "--wm-name-compound") {
        char* list[] = {const_cast<char*>(title.c_str())};
        XTextProperty text;
        if (Xutf8TextListToTextProperty(display, list, 1, XCompoundTextStyle, &text) < Success) {
            std::fprintf(stderr, "x11_test_window: cannot encode compound text\n");
            return 2;
        }
        XSetWMName(display, window, &text);
        XFree(text.value);
    }
    if (setPidProperty)
        setPid(display, window);

    XMapWindow(display, child);
    XMapWindow(display, window);
    bool childMapped = false;
    bool windowMapped = false;
    while (!childMapped || !windowMapped) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            childMapped = childMapped || event.xmap.window == child;
            windowMapped = windowMapped || event.xmap.window == window;
        }
    }
    if (focusChild)
        XSetInputFocus(display, child, RevertToParent, CurrentTime);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
