// Cost of one foreground-window detection (all X round trips, the /proc lookup and the
// title decoding) against a private Xvfb with openbox managing one test window. Reports
// the median and the spread over many detections; not a test, so it asserts nothing
// beyond the setup working.

#include "X11WindowReader.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double percentile(std::vector<double>& sorted, double fraction)
{
    const size_t index =
        std::min(sorted.size() - 1, static_cast<size_t>(fraction * static_cast<double>(sorted.size())));
    return sorted[index];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(100, atoi(argv[1])) : 5000;

    XvfbSession session(XvfbSession::WindowManager::Openbox);
    if (!session.isRunning() || !session.errorString().isEmpty()) {
        std::fprintf(stderr, "bench_x11_window: %s\n", qPrintable(session.errorString()));
        return 1;
    }

    QProcess window;
    window.start(QCoreApplication::applicationDirPath() + QStringLiteral("/x11_test_window"),
                 {QStringLiteral("--title"), QStringLiteral("Café – 東京 🎉 benchmark window")});
    if (!window.waitForStarted(5000) || !window.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_x11_window: the test window did not appear\n");
        return 1;
    }
    const unsigned long id = window.readLine().trimmed().toULong();

    X11WindowReader reader;
    QElapsedTimer wait;
    wait.start();
    while (reader.readForegroundWindow().window != id && wait.elapsed() < 5000)
        QThread::msleep(20);
    const X11ForegroundWindow check = reader.readForegroundWindow();
    if (check.window != id || check.appName.isEmpty() || check.title.isEmpty()) {
        std::fprintf(stderr, "bench_x11_window: the reader does not see the test window\n");
        return 1;
    }

    // Warm-up, then the timed detections.
    for (int i = 0; i < 200; ++i)
        reader.readForegroundWindow();
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const X11ForegroundWindow found = reader.readForegroundWindow();
        const auto end = std::chrono::steady_clock::now();
        if (found.window != id)
            return 1;
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("foreground-window detection under Xvfb + openbox, %d runs:\n"
                "  median %.1f us, p10 %.1f us, p90 %.1f us, p99 %.1f us\n",
                iterations, percentile(micros, 0.5), percentile(micros, 0.1), percentile(micros, 0.9),
                percentile(micros, 0.99));

    window.kill();
    window.waitForFinished(5000);
    return 0;
}
