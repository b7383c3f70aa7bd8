#pragma once

#include <QString>

#include <memory>

class AutoUpdater;
class ConsoleWindow;
class FeedbackDialog;
class PrefDialog;
class QWidget;

// The preferences, the diagnostics dialog and the console window, built when first asked
// for: most runs never open them, and building their widgets alone keeps about 2 MiB of the
// toolkit's code resident, and the fonts with their text layout on a desktop whose
// notification service shows our balloons. Once built, each lives as long as its owner.
class OnDemandWindows
{
public:
    // The dialogs are children of owner; the updater (may be null) goes to the preferences.
    OnDemandWindows(QWidget* owner, AutoUpdater* updater);
    ~OnDemandWindows();
    OnDemandWindows(const OnDemandWindows&) = delete;
    OnDemandWindows& operator=(const OnDemandWindows&) = delete;

    // Sized to their content and in the middle of the primary screen.
    void showPreferences();
    void showDiagnostics();
    // The review console in the user's default browser, or in our embedded one for a
    // user who chose that ("useDefaultBrowser").
    void showConsole(const QString& url);
    // Closes the console window if it was ever built.
    void closeConsole();

private:
    QWidget* _owner;
    AutoUpdater* _updater;
    PrefDialog* _preferences = nullptr;
    FeedbackDialog* _diagnostics = nullptr;
    // No parent, so that it is a window of its own; closed with the owner.
    std::unique_ptr<ConsoleWindow> _console;
};
