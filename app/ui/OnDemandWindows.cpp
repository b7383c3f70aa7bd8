#include "OnDemandWindows.h"

#include "ConsoleWindow.h"
#include "FeedbackDialog.h"
#include "PrefDialog.h"
#include "PrivateLink.h"
#include "SettingsKeys.h"
#include "WindowPlacement.h"

#include <QSettings>
#include <QUrl>

OnDemandWindows::OnDemandWindows(QWidget* owner, AutoUpdater* updater) : _owner(owner), _updater(updater) {}

OnDemandWindows::~OnDemandWindows() = default;

void OnDemandWindows::showPreferences()
{
    if (!_preferences)
        _preferences = new PrefDialog(_owner, _updater);
    // Its form's size the first time, the user's afterwards, larger where the texts need it.
    _preferences->resize(_preferences->size().expandedTo(_preferences->sizeHint()));
    WindowPlacement::centreOnPrimaryScreen(_preferences);
    _preferences->show();
}

void OnDemandWindows::showDiagnostics()
{
    if (!_diagnostics)
        _diagnostics = new FeedbackDialog(_owner);
    _diagnostics->showDialog();
    _diagnostics->raise();
    _diagnostics->activateWindow();
}

void OnDemandWindows::showConsole(const QString& url)
{
    if (QSettings().value(Keys::useDefaultBrowser, Defaults::useDefaultBrowser).toBool()) {
        PrivateLink::openInBrowser(QUrl(url));
        return;
    }
    if (!_console)
        _console = std::make_unique<ConsoleWindow>(nullptr);
    _console->openConsole(url);
}

void OnDemandWindows::closeConsole()
{
    if (_console)
        _console->close();
}
