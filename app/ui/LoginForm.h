#pragma once

#include <QIcon>
#include <QString>

#include <memory>

class QMainWindow;
class QPushButton;

namespace Ui {
class LoginPrompt;
}

// The face of the tray controller's window while the user has to log in: the form, which
// of its two texts asks for the login, the address of the login page, and a size that fits
// them in every language. Its texts keep the tray controller's translation context.
class LoginForm
{
public:
    explicit LoginForm(QMainWindow* window);
    ~LoginForm();
    LoginForm(const LoginForm&) = delete;
    LoginForm& operator=(const LoginForm&) = delete;

    QPushButton* loginButton() const;
    void setLogo(const QIcon& icon);
    // A link that can be selected and copied, for someone whose browser did not open.
    void showAddress(const QString& url);
    // Fills, sizes and shows the window; the text says whether the login page was just
    // opened, and the address is loginUrl unless one is shown already.
    void present(bool loginPageOpened, const QString& loginUrl);
    // The form's texts in the current language, keeping the logo and the login text shown.
    void retranslate();
    // Sizes the window to its content.
    void fit();

private:
    void showInfo();
    void showLogo();

    QMainWindow* _window;
    std::unique_ptr<Ui::LoginPrompt> _ui;
    QIcon _logo;
    // Which of the two login texts is shown, so a language change can translate it again
    // (the form's own retranslation would put its placeholder text back).
    enum class Info { Placeholder, PageOpened, PageNotOpened };
    Info _info = Info::Placeholder;
};
