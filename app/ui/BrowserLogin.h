#pragma once

#include <QDateTime>
#include <QString>

// The logins that happen in the user's browser: the login page for this client, whose
// outcome the HTTP client then asks the server for, and the console, which logs in with
// the stored refresh token.
class BrowserLogin
{
public:
    // The login page for this client ("clientUuid").
    static QString loginUrl();
    static QString buildLoginUrl(const QString& clientUuid);
    // Logs the address with the token masked: the log stays on disk and travels with
    // diagnostics.
    static QString buildConsoleUrl(const QString& refreshToken);
    // The stored user's console, or nothing for a user without a refresh token.
    static QString consoleUrl();

    // Notes that the login page is being opened now; returns its address.
    QString startLogin();
    // Whether a login still pending now was started long enough ago that the user has
    // likely lost the browser's page. False while the page was never opened.
    bool isOverdue() const;

private:
    // UTC; invalid until the login page is first opened.
    QDateTime loginStartedAt;
};
