// Start-up carry-over of a month offline: 50,000 cached logs.
#include "BenchSupport.h"
#include "TestHome.h"

int main(int argc, char* argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    Bench::useApplicationNames();
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        Bench::fillLogFile(50000);
        QElapsedTimer timer;
        timer.start();
        Bench::Manager manager;
        runs.push_back(timer.nsecsElapsed() / 1e6);
        if (manager.timeLogDao.allTimeLogs()->size() != 50000)
            return 1;
    }
    Bench::report(QStringLiteral("carry-over of 50000 logs (manager start)"), runs);
    return 0;
}
