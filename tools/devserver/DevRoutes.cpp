#include "DevRoutes.h"

#include "AccountStore.h"
#include "ActivityStore.h"
#include "AuthRoutes.h"
#include "CrashStore.h"
#include "FeedbackStore.h"
#include "HttpText.h"
#include "Misbehaviour.h"
#include "RequestStats.h"
#include "ServerContext.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonObject>

namespace {
QJsonObject activityJson(const ActivityRecord& r)
{
    return QJsonObject {{QStringLiteral("client_id"), double(r.clientId)},
                        {QStringLiteral("start_time"), r.startTime},
                        {QStringLiteral("end_time"), r.endTime},
                        {QStringLiteral("app_name"), r.appName},
                        {QStringLiteral("activity_description"), r.activityDescription},
                        {QStringLiteral("platform"), r.platform},
                        {QStringLiteral("tz_utc_offset"), r.tzUtcOffset},
                        {QStringLiteral("tz_database_val"), r.tzDatabaseVal},
                        {QStringLiteral("machine_address"), r.machineAddress},
                        {QStringLiteral("active_count"), r.activeCount},
                        {QStringLiteral("meta_data"), r.metaData},
                        {QStringLiteral("user"), r.userId},
                        {QStringLiteral("received_at_ms"), double(r.receivedAtMs)}};
}

QJsonValue optionalText(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonObject feedbackJson(const FeedbackRecord& r)
{
    QJsonObject o {{QStringLiteral("id"), double(r.id)},
                   {QStringLiteral("received_at_ms"), double(r.receivedAtMs)},
                   {QStringLiteral("uuid"), r.uuid},
                   {QStringLiteral("user_message"), optionalText(r.userMessage)},
                   {QStringLiteral("refresh_token"), optionalText(r.refreshToken)},
                   {QStringLiteral("authorised_user"), r.authorisedUser},
                   {QStringLiteral("has_log"), r.log.has_value()}};
    if (r.log) {
        o.insert(QStringLiteral("log_size"), double(r.log->size()));
        o.insert(QStringLiteral("log_compressed_size"), double(r.logCompressedSize));
        o.insert(QStringLiteral("gzip_header_hex"), QString::fromLatin1(r.gzipHeader.toHex()));
        o.insert(QStringLiteral("log_base64"), QString::fromLatin1(r.log->toBase64()));
    }
    return o;
}

void login(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    QString user = HttpText::param(req, "user").trimmed();
    if (user.isEmpty())
        user = AuthRoutes::defaultUser;
    const auto grant = AuthRoutes::logIn(ctx, user, HttpText::param(req, "lkCuid"));
    if (!grant) {
        HttpText::problem(res, 500, QStringLiteral("login could not be stored"));
        return;
    }
    HttpText::json(res, 200,
                   QJsonObject {{QStringLiteral("cvUserId"), grant->userId},
                                {QStringLiteral("refreshToken"), grant->refreshToken}});
}

void activities(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const auto stored = ctx.activities.activities(HttpText::param(req, "user"));
    if (!stored) {
        HttpText::problem(res, 500, QStringLiteral("activity could not be read"));
        return;
    }
    QJsonArray list;
    for (const ActivityRecord& r : *stored)
        list.append(activityJson(r));
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("activities"), list}});
}

void feedbackList(ServerContext& ctx, const httplib::Request&, httplib::Response& res)
{
    const auto stored = ctx.feedback.reports(true);
    if (!stored) {
        HttpText::problem(res, 500, QStringLiteral("reports could not be read"));
        return;
    }
    QJsonArray list;
    for (const FeedbackRecord& r : *stored)
        list.append(feedbackJson(r));
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("feedback"), list}});
}

void feedbackLog(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    bool failed = false;
    const auto report = ctx.feedback.report(QString::fromStdString(req.matches[1]).toLongLong(), &failed);
    if (failed) {
        HttpText::problem(res, 500, QStringLiteral("report could not be read"));
        return;
    }
    if (!report || !report->log) {
        HttpText::problem(res, 404, QStringLiteral("no such report or no log"));
        return;
    }
    res.set_content(report->log->toStdString(), "application/octet-stream");
}

void expireTokens(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const int n = ctx.accounts.expireAccessTokens(HttpText::param(req, "user"));
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("expired"), n}});
}

void revokeSessions(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const int n = ctx.accounts.revokeSessions(HttpText::param(req, "user"));
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("revoked"), n}});
}

bool isTrue(const std::string& value)
{
    return value == "1" || value == "true" || value == "yes";
}

// Same spellings as the command line: fail=activity:500, delay=all:3000, garbage=loginStatus,
// late=activity:20000,
// exchangeResultState=..., omitExpiresIn=1, feedbackResult=..., reset=1 (applied first).
void behaviour(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    Misbehaviour& m = ctx.misbehaviour;
    if (req.method == "POST") {
        if (isTrue(req.get_param_value("reset")))
            m.reset();
        QString error;
        bool ok = true;
        for (const auto& [name, value] : req.params) {
            const QString v = QString::fromStdString(value);
            if (name == "fail")
                ok = m.addFailure(v, &error);
            else if (name == "delay")
                ok = m.addDelay(v, &error);
            else if (name == "garbage")
                ok = m.addGarbage(v, &error);
            else if (name == "late")
                ok = m.addLateAnswer(v, &error);
            else if (name == "exchangeResultState")
                m.setExchangeResultState(v);
            else if (name == "omitExpiresIn")
                m.setOmitExpiresIn(isTrue(value));
            else if (name == "feedbackResult")
                m.setFeedbackResult(v);
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
    HttpText::json(res, 200, m.toJson());
}

void crashes(ServerContext& ctx, const httplib::Request&, httplib::Response& res)
{
    QJsonArray list;
    for (const CrashRecord& r : ctx.crashes.reports()) {
        QJsonObject fields;
        for (auto it = r.fields.cbegin(); it != r.fields.cend(); ++it)
            fields.insert(it.key(), it.value());
        list.append(QJsonObject {{QStringLiteral("id"), double(r.id)},
                                 {QStringLiteral("received_at_ms"), double(r.receivedAtMs)},
                                 {QStringLiteral("fields"), fields},
                                 {QStringLiteral("file_name"), r.fileName},
                                 {QStringLiteral("report"), QString::fromUtf8(r.report)}});
    }
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("crashes"), list}});
}

void stats(ServerContext& ctx, const httplib::Request&, httplib::Response& res)
{
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("requests"), ctx.stats.toJson()}});
}

httplib::Server::Handler route(ServerContext& ctx,
                               void (*fn)(ServerContext&, const httplib::Request&, httplib::Response&))
{
    return [&ctx, fn](const httplib::Request& req, httplib::Response& res) { fn(ctx, req, res); };
}
} // namespace

void DevRoutes::install(httplib::Server& server, ServerContext& ctx)
{
    server.Post("/dev/login", route(ctx, login));
    server.Get("/dev/activities", route(ctx, activities));
    server.Get("/dev/feedback", route(ctx, feedbackList));
    server.Get("/dev/feedback/([0-9]+)/log", route(ctx, feedbackLog));
    server.Post("/dev/expire-access-tokens", route(ctx, expireTokens));
    server.Post("/dev/revoke-sessions", route(ctx, revokeSessions));
    server.Get("/dev/behaviour", route(ctx, behaviour));
    server.Post("/dev/behaviour", route(ctx, behaviour));
    server.Get("/dev/stats", route(ctx, stats));
    server.Get("/dev/crashes", route(ctx, crashes));
}
