// One upload batch out of a 50,000-row table.
#include "BenchSupport.h"
#include "TestHome.h"

int main(int argc, char* argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    Bench::useApplicationNames();
    Bench::fillLogFile(50000);
    Bench::Manager manager;
    std::vector<double> runs;
    for (int run = 0; run < 30; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto batch = manager.timeLogDao.timeLogsForUpload(500);
        runs.push_back(timer.nsecsElapsed() / 1e6);
        if (batch->size() != 500)
            return 1;
    }
    Bench::report(QStringLiteral("timeLogsForUpload(500) on 50000 rows"), runs);
    return 0;
}
