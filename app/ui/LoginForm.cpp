#include "LoginForm.h"
#include "ui_LoginPrompt.h"

#include "WindowPlacement.h"

#include <QCoreApplication>
#include <QLayout>

namespace {

// Left to itself, adjustSize() narrows a window of word-wrapped text until it is tall,
// and the window's height limit then cuts the text off: keep it wide enough.
constexpr int kMinWidth = 480;
constexpr int kMaxHeight = 250; // the form's own limit
// The logo is the icon's large drawing scaled down smoothly.
constexpr int kLogoSourceSize = 64;
constexpr int kLogoSize = 32;

} // namespace

LoginForm::LoginForm(QMainWindow* window) : _window(window), _ui(std::make_unique<Ui::LoginPrompt>())
{
    _ui->setupUi(window);
    window->setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    _ui->btnLogin->setFocus();
    // The address is filled in once the login page has been opened.
    _ui->labelLoginUrl->hide();
    _ui->labelLoginAddress->hide();
}

LoginForm::~LoginForm() = default;

QPushButton* LoginForm::loginButton() const
{
    return _ui->btnLogin;
}

void LoginForm::setLogo(const QIcon& icon)
{
    _logo = icon;
    showLogo();
}

void LoginForm::showLogo()
{
    _ui->labelLogo->setPixmap(
        _logo.pixmap(kLogoSourceSize).scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// A label rather than a line edit: an edit field lays out its text as soon as it is built,
// which would load the fonts at every start, also for the many runs that never show this
// window. Its context menu copies the address.
void LoginForm::showAddress(const QString& url)
{
    const QString escaped = url.toHtmlEscaped();
    _ui->labelLoginAddress->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped));
}

void LoginForm::present(bool loginPageOpened, const QString& loginUrl)
{
    _info = loginPageOpened ? Info::PageOpened : Info::PageNotOpened;
    showInfo();
    // Someone without a browser can still copy the address into one elsewhere.
    if (_ui->labelLoginAddress->text().isEmpty())
        showAddress(loginUrl);
    _ui->labelLoginUrl->show();
    _ui->labelLoginAddress->show();
    _window->setMinimumWidth(qMax(_window->minimumWidth(), kMinWidth));
    fit();
    WindowPlacement::centreOnPrimaryScreen(_window);
    _window->show();
    _window->raise();
    _window->activateWindow();
}

// The form's height limit was made for its two texts. Below them the window now also shows
// the login address, which takes two lines or three for a long service address, and Korean
// and Chinese lines are taller: the window grows past the limit when, and only as far as,
// its content needs.
void LoginForm::fit()
{
    _window->setMaximumHeight(kMaxHeight);
    _window->adjustSize();
    const int needed = _window->centralWidget()->layout()->minimumHeightForWidth(_window->width());
    if (needed > _window->height()) {
        _window->setMaximumHeight(needed);
        _window->resize(_window->width(), needed);
    }
}

void LoginForm::showInfo()
{
    if (_info == Info::PageOpened) {
        _ui->labelInfo->setText(QCoreApplication::translate(
            "LoginPrompt",
            "Larkspan needs your login details. We've opened a login screen for you.<br><br>Don\u2019t "
            "see the Larkspan login screen? Press \"Login to Larkspan\" below to login via your web browser."));
    } else if (_info == Info::PageNotOpened) {
        _ui->labelInfo->setText(QCoreApplication::translate(
            "LoginPrompt",
            "Larkspan needs your login details. Press \"Login to Larkspan\" below to login via your web "
            "browser."));
    }
}

void LoginForm::retranslate()
{
    _ui->retranslateUi(_window);
    showInfo();
    showLogo();
}
