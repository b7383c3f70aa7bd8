#include "AuthRoutes.h"

#include "BoundedBody.h"
#include "ConnectionStream.h"
#include "EndpointGuard.h"
#include "HttpText.h"
#include "LoginPage.h"
#include "Misbehaviour.h"
#include "ServerContext.h"
#include "ServerOptions.h"
#include "WaitBoard.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

const QString AuthRoutes::defaultUser = QStringLiteral("developer");

namespace {
const QString kRefreshToken = QStringLiteral("refresh_token");
const QString kAccessTokenType = QStringLiteral("access_token_type");

void loginPage(ServerContext&, const httplib::Request& req, httplib::Response& res)
{
    const QString clientUuid = HttpText::param(req, "lkCuid");
    if (clientUuid.isEmpty()) {
        HttpText::html(res, 400, LoginPage::missingClient());
        return;
    }
    HttpText::html(res, 200, LoginPage::form(clientUuid));
}

void loginForm(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const QString clientUuid = HttpText::param(req, "lkCuid");
    const QString user = HttpText::param(req, "user").trimmed();
    if (clientUuid.isEmpty() || user.isEmpty()) {
        HttpText::html(res, 400, LoginPage::missingClient());
        return;
    }
    if (!AuthRoutes::logIn(ctx, user, clientUuid)) {
        HttpText::text(res, 500, QStringLiteral("login could not be stored"));
        return;
    }
    HttpText::html(res, 200, LoginPage::loggedIn(user));
}

// Held until the client's login arrives, so a browser login completes within the one
// request the client makes per opening of the login page.
void loginStatus(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const QString clientUuid = QString::fromStdString(req.matches[1]);
    std::optional<LoginGrant> grant;
    const ConnectionStream* stream = ConnectionStream::current();
    ctx.board.holdPoll(
        clientUuid, std::chrono::seconds(ctx.options.loginPollSecs),
        [&] {
            grant = ctx.accounts.takeGrant(clientUuid);
            return grant.has_value();
        },
        [stream] { return stream && stream->peerGone(); });
    if (!grant) {
        HttpText::text(res, 200, QString()); // still pending
        return;
    }
    HttpText::json(res, 200,
                   QJsonObject {{QStringLiteral("cvUserId"), grant->userId},
                                {QStringLiteral("refreshToken"), grant->refreshToken}});
}

QJsonObject exchangeFailure(const QString& state)
{
    return QJsonObject {{QStringLiteral("idToken"), QString()}, {QStringLiteral("resultState"), state}};
}

void exchangeToken(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    if (!HttpText::hasJsonContentType(req)) {
        HttpText::problem(res, 415, QStringLiteral("Content-Type must be application/json"));
        return;
    }
    const std::optional<QJsonObject> parsed = HttpText::jsonObject(QByteArray::fromStdString(req.body));
    if (!parsed) {
        HttpText::problem(res, 400, QStringLiteral("body is not a JSON object"));
        return;
    }
    const QJsonObject obj = *parsed;
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (it.key() != kRefreshToken && it.key() != kAccessTokenType) {
            HttpText::problem(res, 400, QStringLiteral("unexpected member"), it.key());
            return;
        }
    }
    if (!obj.value(kRefreshToken).isString()) {
        HttpText::problem(res, 400, QStringLiteral("missing or not a string"), kRefreshToken);
        return;
    }
    if (obj.value(kAccessTokenType).toString() != QLatin1String("ACCESS_LK_DESKTOP")) {
        HttpText::problem(res, 400, QStringLiteral("must be \"ACCESS_LK_DESKTOP\""), kAccessTokenType);
        return;
    }

    const QString forced = ctx.misbehaviour.exchangeResultState();
    if (!forced.isEmpty()) {
        HttpText::json(res, 200, exchangeFailure(forced));
        return;
    }
    const QString refreshToken = obj.value(kRefreshToken).toString();
    const std::optional<QString> owner =
        refreshToken.isEmpty() ? QString() : ctx.accounts.userForRefreshToken(refreshToken);
    if (!owner) {
        HttpText::problem(res, 500, QStringLiteral("refresh token could not be checked"));
        return;
    }
    const QString user = *owner;
    if (user.isEmpty()) {
        HttpText::json(res, 200, exchangeFailure(QStringLiteral("REFRESH_TOKEN_INVALID")));
        return;
    }
    const QString accessToken = ctx.accounts.issueAccessToken(user, ctx.options.tokenLifetimeSecs);
    if (accessToken.isEmpty()) {
        HttpText::json(res, 200, exchangeFailure(QStringLiteral("EXCHANGE_SERVER_ERROR")));
        return;
    }
    QJsonObject reply {{QStringLiteral("idToken"), accessToken},
                       {QStringLiteral("resultState"), QStringLiteral("EXCHANGE_VALID")}};
    if (!ctx.misbehaviour.omitExpiresIn())
        reply.insert(QStringLiteral("expiresInSecs"), double(ctx.options.tokenLifetimeSecs));
    HttpText::json(res, 200, reply);
}
} // namespace

std::optional<LoginGrant> AuthRoutes::logIn(ServerContext& ctx, const QString& userId, const QString& clientUuid)
{
    auto grant = ctx.accounts.login(userId, clientUuid);
    if (grant)
        ctx.board.pulse();
    return grant;
}

void AuthRoutes::install(httplib::Server& server, ServerContext& ctx)
{
    const QString login = QStringLiteral("login");
    server.Get("/console/?", EndpointGuard::wrap(ctx, login, loginPage));
    server.Post("/console/login", EndpointGuard::wrap(ctx, login, loginForm));
    server.Get("/console/loginStatus/(.+)", EndpointGuard::wrap(ctx, QStringLiteral("loginStatus"), loginStatus));
    BoundedBody::post(server, "/customer/api/v1/user/refreshidtoken",
                      EndpointGuard::wrap(ctx, QStringLiteral("refreshidtoken"), exchangeToken));
}
