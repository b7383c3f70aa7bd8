#pragma once

#include "LarkspanCoreExport.h"

#include <QString>

// What the hub's pause(int) carries in place of a number of minutes.
namespace PauseCode {
constexpr int indefinitely = -1;
// Until the local day the pause was made on is over.
constexpr int untilTomorrow = -2;
} // namespace PauseCode

// A pause that outlives the program: "pauseIndefinitely", or "pauseUntilTomorrow" holding
// the local date it was made on. The tray and the event manager both read it at start, and
// must agree on whether it still holds.
class LARKSPAN_CORE_EXPORT StoredPause
{
public:
    static StoredPause load();
    // Stores the two lasting pauses; a pause of some minutes ends with the run and leaves
    // the settings as they are.
    static void remember(int pauseCode);
    // Called for every stored user event: touches the settings file only when a pause is
    // actually stored, instead of rewriting it every few seconds.
    static void forget();

    bool indefinitely() const { return _indefinitely; }
    // Holds on the day it was made, and on the days before it for a clock set back; the
    // dates compare as text because their format sorts.
    bool untilTomorrow() const { return !_date.isEmpty() && !(_date < _today); }
    // The code to pause with at start, or 0 when nothing stored holds.
    int code() const;

    QString date() const { return _date; }
    QString today() const { return _today; }

private:
    bool _indefinitely = false;
    QString _date;
    QString _today;
};
