#include "ActivityRoutes.h"

#include "AccountStore.h"
#include "ActivityParser.h"
#include "ActivityStore.h"
#include "BoundedBody.h"
#include "ConsolePage.h"
#include "EndpointGuard.h"
#include "HttpText.h"
#include "ServerContext.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonObject>

namespace {
void upload(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const std::optional<QString> token = HttpText::bearerToken(req);
    const std::optional<QString> owner =
        token && !token->isEmpty() ? ctx.accounts.userForAccessToken(*token) : QString();
    if (!owner) {
        HttpText::problem(res, 500, QStringLiteral("access token could not be checked"));
        return;
    }
    const QString user = *owner;
    if (user.isEmpty()) {
        res.set_header("WWW-Authenticate", "Bearer realm=\"larkspan\"");
        HttpText::problem(res, 401,
                          token ? QStringLiteral("access token unknown or expired")
                                : QStringLiteral("missing bearer token"));
        return;
    }
    if (!HttpText::hasJsonContentType(req)) {
        HttpText::problem(res, 415, QStringLiteral("Content-Type must be application/json"));
        return;
    }
    const ActivityParser::Result parsed = ActivityParser::parse(QByteArray::fromStdString(req.body));
    if (!parsed.error.isEmpty()) {
        HttpText::problem(res, 400, parsed.error, parsed.where);
        return;
    }
    const ActivityStore::StoreResult stored = ctx.activities.store(user, parsed.records);
    if (!stored.ok) {
        HttpText::problem(res, 500, QStringLiteral("activity could not be stored"));
        return;
    }
    // Repeats are accepted like new logs: the client must delete them either way.
    QJsonArray accepted;
    for (const ActivityRecord& r : parsed.records)
        accepted.append(double(r.clientId));
    HttpText::json(res, 200,
                   QJsonObject {{QStringLiteral("accepted_client_ids"), accepted},
                                {QStringLiteral("added"), stored.added},
                                {QStringLiteral("duplicates"), stored.duplicates}});
}

void console(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const std::optional<QString> user = ctx.accounts.userForRefreshToken(QString::fromStdString(req.matches[1]));
    if (user && user->isEmpty()) {
        HttpText::html(res, 404, ConsolePage::unknownLink());
        return;
    }
    const auto activities = user ? ctx.activities.activities(*user) : std::nullopt;
    if (!activities) {
        HttpText::text(res, 500, QStringLiteral("activity could not be read"));
        return;
    }
    HttpText::html(res, 200, ConsolePage::render(*user, *activities));
}
} // namespace

void ActivityRoutes::install(httplib::Server& server, ServerContext& ctx)
{
    BoundedBody::post(server, "/v2/desktop/activity", EndpointGuard::wrap(ctx, QStringLiteral("activity"), upload));
    server.Get("/console/login/r/([^/]+)", EndpointGuard::wrap(ctx, QStringLiteral("console"), console));
}
