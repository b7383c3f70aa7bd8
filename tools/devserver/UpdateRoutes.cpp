#include "UpdateRoutes.h"

#include "EndpointGuard.h"
#include "HttpText.h"
#include "ServerContext.h"
#include "ServerOptions.h"
#include "UpdateFeed.h"

#include <httplib.h>

#include <cstdio>

namespace {
// The address the client used to reach us, so the package lies where it fetched the feed.
QString updatesBase(const ServerContext& ctx, const httplib::Request& req)
{
    QString host = HttpText::header(req, "Host");
    if (host.isEmpty())
        host = ctx.options.bind;
    return QStringLiteral("%1://%2/updates/").arg(ctx.options.useTls() ? "https" : "http", host);
}

bool isTrue(const QString& value)
{
    return value == QLatin1String("1") || value == QLatin1String("true");
}
} // namespace

void UpdateRoutes::install(httplib::Server& server, ServerContext& ctx, UpdateFeed& feed)
{
    if (!feed.hasPackage())
        std::fprintf(stderr, "larkspan-devserver: no update package (%s); the appcasts list no item\n",
                     qPrintable(feed.loadError()));
    server.Get("/updates/((?:beta/)?appcast-linux-x(?:86|64)\\.xml)",
               EndpointGuard::wrap(ctx, QStringLiteral("appcast"),
                                   [&ctx, &feed](const httplib::Request& req, httplib::Response& res) {
                                       const QString path = QString::fromStdString(req.matches[1]);
                                       feed.countRequest(path);
                                       res.set_content(feed.appcast(path, updatesBase(ctx, req)).toStdString(),
                                                       "application/rss+xml; charset=utf-8");
                                   }));
    server.Get(std::string("/updates/") + UpdateFeed::packageName,
               EndpointGuard::wrap(
                   ctx, QStringLiteral("updatePackage"), [&feed](const httplib::Request&, httplib::Response& res) {
                       feed.countRequest(QLatin1String(UpdateFeed::packageName));
                       if (!feed.hasPackage()) {
                           HttpText::problem(res, 404, feed.loadError());
                           return;
                       }
                       res.set_content(feed.package().toStdString(), "application/vnd.debian.binary-package");
                   }));
    server.Get(std::string("/updates/") + UpdateFeed::notesName,
               [&feed](const httplib::Request&, httplib::Response& res) {
                   feed.countRequest(QLatin1String(UpdateFeed::notesName));
                   res.set_content(feed.releaseNotes().toStdString(), "text/html; charset=utf-8");
               });
}

// GET shows the feed's state and the requests per file; POST changes it first:
// version=2.9.0, fault=none|signature|length, notes=inline|link, reset=1 (applied first).
void UpdateRoutes::installDev(httplib::Server& server, UpdateFeed& feed)
{
    const auto handler = [&feed](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "POST") {
            if (isTrue(HttpText::param(req, "reset")))
                feed.reset();
            QString error;
            bool ok = true;
            for (const auto& [name, value] : req.params) {
                const QString v = QString::fromStdString(value);
                if (name == "version")
                    ok = feed.setVersion(v, &error);
                else if (name == "fault")
                    ok = feed.setFault(v, &error);
                else if (name == "notes")
                    ok = feed.setNotes(v, &error);
                else if (name != "reset") {
                    ok = false;
                    error = QStringLiteral("unknown switch \"%1\"").arg(QString::fromStdString(name));
                }
                if (!ok) {
                    HttpText::problem(res, 400, error);
                    return;
                }
            }
        }
        HttpText::json(res, 200, feed.toJson());
    };
    server.Get("/dev/updates", handler);
    server.Post("/dev/updates", handler);
}
