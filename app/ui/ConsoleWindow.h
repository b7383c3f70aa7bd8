#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>

namespace Ui {
class ConsoleWindow;
}

// The review console in an embedded browser, for users who chose it over their default
// browser. The browser is costly, so it is built when the console is first opened; until
// then the window holds only its address bar and status bar. Closing hides the window and
// keeps the page for a while; a console left closed gives the browser's memory back.
class ConsoleWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit ConsoleWindow(QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // Shows the window with url loaded; the same address as last time is not reloaded.
    void openConsole(const QString& url);

    // How long a closed console keeps its browser and page (5 minutes); the next opening
    // after that builds the browser again.
    void setReleaseDelay(int msecs) { releaseTimer.setInterval(msecs); }

public slots:
    void onLoadStarted();
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onOpenUrl();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Builds the browser on first use; false (logged) when it cannot be had.
    bool ensureWebView();
    void bringToFront();
    void releaseWebView();

    std::unique_ptr<Ui::ConsoleWindow> ui;
    // A QWebEngineView from the browser module, or null until the first opening.
    QWidget* webView = nullptr;
    bool placed = false;
    QTimer releaseTimer;
};
