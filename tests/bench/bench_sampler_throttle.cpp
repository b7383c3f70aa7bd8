// Cost of one input callback that the sampler's throttle rejects: the path every key
// press and mouse movement takes between two samples. Prints the median over batches.

#include "AppSignals.h"
#include "EventHandler.h"
#include "EventManager.h"
#include "TestHome.h"
#include "UserEventSampler.h"
#include "WindowDetector.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("LarkspanBench"));
    AppSignals::init(&app);
    EventManager manager;
    WindowDetector detector;
    // Constructed now: for the next 3 seconds every call is rejected by the throttle.
    UserEventSampler sampler(&manager, &detector);
    EventHandler handler(&sampler);
    MouseEventHandler& mouse = handler;

    constexpr int batches = 25;
    constexpr int callsPerBatch = 200000;
    std::vector<double> nsPerCall;
    for (int b = 0; b < batches; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < callsPerBatch; ++i)
            mouse.onMouseEvent(17, 0, 0);
        const auto end = std::chrono::steady_clock::now();
        nsPerCall.push_back(std::chrono::duration<double, std::nano>(end - start).count() / callsPerBatch);
    }
    std::sort(nsPerCall.begin(), nsPerCall.end());
    std::printf("rejected hook callback: median %.1f ns, min %.1f ns, max %.1f ns (%d batches of %d calls)\n",
                nsPerCall[batches / 2], nsPerCall.front(), nsPerCall.back(), batches, callsPerBatch);
    return 0;
}
