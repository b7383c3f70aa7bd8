#include "AppSignals.h"

#include "QtLog.h"

#include <atomic>

namespace {
// Read from every thread, written once on the GUI thread before any worker starts.
std::atomic<AppSignals*> hub {nullptr};
} // namespace

AppSignals::AppSignals(QObject* parent) : QObject(parent) {}

AppSignals::~AppSignals()
{
    AppSignals* self = this;
    hub.compare_exchange_strong(self, nullptr);
}

AppSignals* AppSignals::init(QObject* parent)
{
    if (AppSignals* existing = hub.load())
        return existing;
    auto* created = new AppSignals(parent);
    hub = created;
    return created;
}

AppSignals* AppSignals::instance()
{
    AppSignals* current = hub.load();
    if (!current)
        LK_CRITICAL() << "Signals has not been initialized.";
    return current;
}
