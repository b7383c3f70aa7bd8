#pragma once

#include <QString>
#include <QUrl>

// Opens an address that carries a secret (the console's refresh token, the login page's
// client id) in the default browser without putting it on a command line, where any local
// user can read it in /proc: the browser is handed a page of the user's alone (0600, in a
// 0700 folder) that forwards to the address, and the page is deleted shortly after.
class PrivateLink
{
public:
    // False when no page could be written or no browser started.
    static bool openInBrowser(const QUrl& url);
    static QString folder();
    // Long enough for a browser that is still starting to read the page.
    static constexpr int keepSecs = 120;

private:
    PrivateLink() = delete;
};
