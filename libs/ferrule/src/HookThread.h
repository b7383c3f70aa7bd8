#pragma once

#include <atomic>
#include <memory>
#include <thread>

// Kept out of this header: Xlib's macros (None, Bool, Status) clash with Qt's headers.
typedef struct _XDisplay Display;

// One X connection listening for raw input events on the root window, read on a thread
// of its own. Stopping wakes the thread through a pipe, so it never needs a timeout to
// notice, and joins it before the connection is closed.
class HookThread
{
public:
    // Receives the XInput 2 event type of each raw event, on the hook thread.
    using Deliver = void (*)(int eventType);

    // Connects, checks for XInput 2.2, selects the events and starts the thread.
    // Returns nullptr, with the reason logged, when any of that fails.
    static std::unique_ptr<HookThread> start(Deliver deliver);

    // Same as stop().
    ~HookThread();
    HookThread(const HookThread&) = delete;
    HookThread& operator=(const HookThread&) = delete;

    // Returns once the thread has ended and the connection is closed; no delivery starts
    // after that. Must not be called from the hook thread itself.
    void stop();

    bool isHookThread() const { return std::this_thread::get_id() == _threadId.load(); }

private:
    HookThread(Display* display, int xiOpcode, int wakeRead, int wakeWrite, Deliver deliver);
    void run();
    // Delivers what is queued; returns how many input events that was.
    int drainEvents();
    // True when stop() wrote to the wake-up pipe within timeoutMs.
    bool waitForWakeUp(int timeoutMs);

    Display* _display;
    int _xiOpcode;
    int _wakeRead;
    int _wakeWrite;
    Deliver _deliver;
    std::atomic<bool> _stopRequested {false};
    // Written by the hook thread before it ends, read after the join.
    bool _connectionLost = false;
    std::atomic<std::thread::id> _threadId {};
    std::thread _thread;
};
