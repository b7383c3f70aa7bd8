// Build runs over a typical minute and over a backlog day.
#include "BenchSupport.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLogBuilder.h"

namespace {

// Events every `step` seconds; the window changes every `eventsPerWindow` events.
void addEvents(const QDateTime& from, int count, int step, int eventsPerWindow)
{
    DatabaseManager& db = DatabaseManager::instance();
    for (int i = 0; i < count; ++i) {
        const int window = i / eventsPerWindow;
        TimeEvent event(from.addSecs(qint64(i) * step), QStringLiteral("app%1").arg(window % 7),
                        QStringLiteral("Window title %1").arg(window), TimeEvent::strEmpty());
        db.timeEventDao.addTimeEvent(event);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    Bench::useApplicationNames();
    TimeLogBuilder builder;
    QDateTime clock(QDate(2020, 5, 1), QTime(0, 0), Qt::UTC);

    std::vector<double> minute;
    for (int run = 0; run < 20; ++run) {
        addEvents(clock, 20, 3, 10);
        clock = clock.addSecs(60);
        QElapsedTimer timer;
        timer.start();
        builder.buildTimeLogs();
        minute.push_back(timer.nsecsElapsed() / 1e6);
    }
    Bench::report(QStringLiteral("build run, 20 events / 2 windows"), minute);

    std::vector<double> day;
    for (int run = 0; run < 3; ++run) {
        addEvents(clock, 28800, 3, 29); // 28,800 events, about 1,000 window changes
        clock = clock.addDays(1);
        QElapsedTimer timer;
        timer.start();
        builder.buildTimeLogs();
        day.push_back(timer.nsecsElapsed() / 1e6);
    }
    Bench::report(QStringLiteral("build run, 28800 events / ~1000 windows"), day);
    const auto logs = DatabaseManager::instance().timeLogDao.allTimeLogs();
    QTextStream(stdout) << "logs stored in total: " << logs->size() << "\n";
    return 0;
}
