#include "HelpPage.h"

#include "Html.h"
#include "HttpText.h"

#include <httplib.h>

namespace {

QString body()
{
    return QStringLiteral("<h1>Larkspan help</h1>"
                          "<p>Larkspan runs in the system tray. While you type, click or move the mouse it notes "
                          "which application and window are in front, and uploads that time to your timeline.</p>"
                          "<h2>Logging in</h2>"
                          "<p>At the first start Larkspan opens the login page in your web browser. If you do not "
                          "see it, choose <b>Login to Larkspan</b> in the login window.</p>"
                          "<h2>The tray menu</h2>"
                          "<ul>"
                          "<li><b>Open My Console</b> shows your timeline, in your browser or, if you chose so "
                          "in the preferences, in a window of Larkspan.</li>"
                          "<li><b>Pause</b> stops tracking for 30 minutes, 1 or 2 hours, until tomorrow or until "
                          "you choose <b>Resume</b>.</li>"
                          "<li><b>Last synced</b> tells when your time last reached the service.</li>"
                          "</ul>"
                          "<h2>Time away from the computer</h2>"
                          "<p>After ten minutes without activity (you can change this in the preferences) "
                          "Larkspan counts you as away. When you come back it asks what you were doing: choose "
                          "a type, add a note and <b>Log Time</b>, or <b>Cancel</b> to leave the time out.</p>"
                          "<h2>Privacy</h2>"
                          "<p>In <b>Preferences</b>, <b>Privacy</b>, list words of application names or window "
                          "titles, separated by commas or line breaks; time in matching windows is never "
                          "uploaded. Web addresses are sent only when you allow it.</p>"
                          "<h2>Something wrong?</h2>"
                          "<p>Choose <b>Send Diagnostics...</b> in the tray menu and tell us what happened; "
                          "Larkspan adds its log file to your report.</p>");
}

} // namespace

void HelpPage::install(httplib::Server& server)
{
    server.Get("/help", [](const httplib::Request&, httplib::Response& res) {
        HttpText::html(res, 200, Html::page(QStringLiteral("Larkspan help"), body()));
    });
}
