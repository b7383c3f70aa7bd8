#pragma once

#include <QString>

// The page the client opens in the browser to log in, and what follows the button.
class LoginPage
{
public:
    static QString form(const QString& clientUuid);
    static QString loggedIn(const QString& userId);
    static QString missingClient();
};
