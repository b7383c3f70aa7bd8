#include "winsparkle.h"

#include "AutoUpdaterWinSparkle.h"
#include "QtLog.h"

void win_sparkle_set_automatic_check_for_updates(int state)
{
    if (AutoUpdaterWinSparkle* updater = AutoUpdaterWinSparkle::current())
        updater->setAutomaticChecks(state != 0);
    else
        LK_WARNING() << "win_sparkle_set_automatic_check_for_updates: no updater";
}

void win_sparkle_cleanup()
{
    if (AutoUpdaterWinSparkle* updater = AutoUpdaterWinSparkle::current())
        updater->cleanup();
}
