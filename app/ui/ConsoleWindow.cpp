#include "ConsoleWindow.h"
#include "ui_ConsoleWindow.h"

#include "ConsoleBrowser.h"
#include "PrivateLink.h"
#include "QtLog.h"
#include "TokenMask.h"
#include "UserInfo.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QUrl>

namespace {

// The browser with a page costs the program about 85 MiB and starts helper processes of
// about 170 MiB more; a console closed for this long is probably done with.
constexpr int kReleaseDelayMsecs = 5 * 60 * 1000;

// The console address carries the user's refresh token; the log is sent with diagnostics.
QString forLog(const QString& url)
{
    return TokenMask::inText(url, UserInfo::load().refreshToken());
}

} // namespace

ConsoleWindow::ConsoleWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::ConsoleWindow>())
{
    ui->setupUi(this);
    // Opened from the tray: closing it must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    installEventFilter(this);
    ui->lineEdit->hide();
    ui->statusbar->setStyleSheet(QStringLiteral("background: rgb(255, 255, 255)"));
    connect(ui->lineEdit, &QLineEdit::returnPressed, this, &ConsoleWindow::onOpenUrl);
    releaseTimer.setSingleShot(true);
    releaseTimer.setInterval(kReleaseDelayMsecs);
    connect(&releaseTimer, &QTimer::timeout, this, &ConsoleWindow::releaseWebView);
}

ConsoleWindow::~ConsoleWindow() = default;

bool ConsoleWindow::ensureWebView()
{
    if (webView)
        return true;
    QString error;
    webView = ConsoleBrowser::createView(this, &error);
    if (!webView) {
        LK_WARNING() << "ConsoleWindow: the embedded browser is not available:" << error;
        return false;
    }
    ui->gridLayout->addWidget(webView);
    // The view's class lives in the browser module, so these go by name.
    connect(webView, SIGNAL(loadStarted()), this, SLOT(onLoadStarted()));
    connect(webView, SIGNAL(loadProgress(int)), this, SLOT(onLoadProgress(int)));
    connect(webView, SIGNAL(loadFinished(bool)), this, SLOT(onLoadFinished(bool)));
    return true;
}

void ConsoleWindow::openConsole(const QString& url)
{
    LK_DEBUG() << "openConsole: url=" << forLog(url);
    if (!ensureWebView()) {
        // Without the embedded browser the user still gets the console, in the default one.
        PrivateLink::openInBrowser(QUrl(url));
        return;
    }
    if (ui->lineEdit->text() != url) {
        ui->lineEdit->setText(url);
        webView->setProperty("url", QUrl(url));
    }
    webView->show();
    bringToFront();
}

void ConsoleWindow::releaseWebView()
{
    if (!webView || isVisible())
        return;
    LK_DEBUG() << "ConsoleWindow: releasing the browser of the closed console";
    // Its helper processes end with its page. The address goes too, so that the next
    // opening loads the page into the new browser.
    ui->gridLayout->removeWidget(webView);
    webView->deleteLater();
    webView = nullptr;
    ui->lineEdit->clear();
}

void ConsoleWindow::bringToFront()
{
    releaseTimer.stop();
    // A console left open behind other windows or minimised would otherwise not appear
    // when it is asked for again from the tray.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // The first time in the middle of the screen, and no larger than it; afterwards where
    // the user left it.
    if (!placed) {
        WindowPlacement::centreOnPrimaryScreen(this);
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void ConsoleWindow::onLoadStarted()
{
    ui->statusbar->setVisible(true);
    ui->statusbar->showMessage(tr("Loading..."));
}

void ConsoleWindow::onLoadProgress(int progress)
{
    ui->statusbar->showMessage(tr("Loading... (%1%)").arg(progress));
}

void ConsoleWindow::onLoadFinished(bool ok)
{
    LK_DEBUG() << "onLoadFinished: ok=" << ok;
    ui->statusbar->hide();
}

void ConsoleWindow::onOpenUrl()
{
    const QString text = ui->lineEdit->text();
    LK_DEBUG() << "onOpenUrl: url=" << forLog(text);
    if (!ensureWebView())
        return;
    webView->setProperty("url", QUrl::fromUserInput(text));
    webView->show();
}

bool ConsoleWindow::eventFilter(QObject* /*watched*/, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    const Qt::KeyboardModifiers modifiers = keyEvent->modifiers();
    LK_DEBUG() << "ConsoleDialog - got KeyPress event: keyCode=" << key << ", space=" << 32;

    if (key == Qt::Key_U && modifiers.testFlag(Qt::ControlModifier) && modifiers.testFlag(Qt::ShiftModifier)) {
        if (ui->lineEdit->isHidden()) {
            ui->lineEdit->show();
            LK_DEBUG() << "ConsoleDialog - show address bar";
        } else {
            ui->lineEdit->hide();
            LK_DEBUG() << "ConsoleDialog - hide address bar";
        }
        return true;
    }
    if (key == Qt::Key_W && modifiers.testFlag(Qt::ControlModifier)) {
        close();
        return true;
    }
    return false;
}

void ConsoleWindow::closeEvent(QCloseEvent* event)
{
    hide();
    releaseTimer.start();
    // Accepted, not ignored: a window that refuses to close stops the toolkit from closing
    // the rest when the program quits or the desktop session ends. It is only hidden (no
    // delete-on-close), and WA_QuitOnClose is off, so the program goes on.
    event->accept();
}

void ConsoleWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        setWindowTitle(tr("Larkspan Review Console"));
    else
        QWidget::changeEvent(event);
}
