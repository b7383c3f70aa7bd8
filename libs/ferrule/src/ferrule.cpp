// Qt before Xlib: Xlib defines macros that break Qt's headers.
#include "QtLog.h"

#include "ferrule.h"
#include "HookThread.h"

#include <X11/extensions/XInput2.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

std::atomic<KeyboardEventHandler*> gKeyboardHandler {nullptr};
std::atomic<MouseEventHandler*> gMouseHandler {nullptr};

// Guards installation; never held by the hook thread, so joining under it is safe.
std::mutex gInstallMutex;
std::unique_ptr<HookThread> gHooks;
// Lets a callback ask whether it runs on the hook thread without taking the mutex.
std::atomic<HookThread*> gRunningHooks {nullptr};

void deliver(int eventType)
{
    if (eventType == XI_RawKeyPress) {
        if (KeyboardEventHandler* handler = gKeyboardHandler.load(std::memory_order_acquire))
            handler->onKeyboardEvent(eventType, 0);
    } else if (MouseEventHandler* handler = gMouseHandler.load(std::memory_order_acquire)) {
        handler->onMouseEvent(eventType, 0, 0);
    }
}

bool calledFromCallback()
{
    HookThread* hooks = gRunningHooks.load();
    return hooks && hooks->isHookThread();
}

} // namespace

void SetKeyboardEventHandler(KeyboardEventHandler* handler)
{
    gKeyboardHandler.store(handler, std::memory_order_release);
}

void SetMouseEventHandler(MouseEventHandler* handler)
{
    gMouseHandler.store(handler, std::memory_order_release);
}

bool InstallHooks()
{
    if (calledFromCallback())
        return true;
    std::lock_guard<std::mutex> lock(gInstallMutex);
    if (gHooks)
        return true;
    gHooks = HookThread::start(&deliver);
    gRunningHooks = gHooks.get();
    return gHooks != nullptr;
}

bool UnInstallHooks()
{
    // The hook thread cannot wait for itself to finish.
    if (calledFromCallback()) {
        LK_WARNING() << "UnInstallHooks - called from an input callback, hooks stay installed";
        return false;
    }
    std::lock_guard<std::mutex> lock(gInstallMutex);
    if (!gHooks)
        return false;
    gHooks->stop();
    gRunningHooks = nullptr;
    gHooks.reset();
    return true;
}
