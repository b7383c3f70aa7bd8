#include "LoginPage.h"

#include "Html.h"

QString LoginPage::form(const QString& clientUuid)
{
    const QString body =
        QStringLiteral("<h1>Log in to Larkspan</h1>"
                       "<p>This logs in the Larkspan client <code>%1</code> on this computer.</p>"
                       "<form method=\"post\" action=\"/console/login\">"
                       "<input type=\"hidden\" name=\"lkCuid\" value=\"%1\">"
                       "<label>User <input type=\"text\" name=\"user\" value=\"developer\" required></label> "
                       "<button type=\"submit\" id=\"login\">Log in</button>"
                       "</form>");
    return Html::page(QStringLiteral("Log in to Larkspan"), body.arg(Html::escape(clientUuid)));
}

QString LoginPage::loggedIn(const QString& userId)
{
    const QString body =
        QStringLiteral("<h1>Logged in</h1><p>You are logged in as <b>%1</b>. Larkspan picks up the login by "
                       "itself; you can close this page.</p>");
    return Html::page(QStringLiteral("Logged in"), body.arg(Html::escape(userId)));
}

QString LoginPage::missingClient()
{
    return Html::page(QStringLiteral("Log in to Larkspan"),
                      QStringLiteral("<h1>Log in to Larkspan</h1><p>Open this page from "
                                     "Larkspan: the address names the client to log in "
                                     "(<code>?lkCuid=</code>).</p>"));
}
