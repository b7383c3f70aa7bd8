#include "FeedbackRoutes.h"

#include "AccountStore.h"
#include "BoundedBody.h"
#include "EndpointGuard.h"
#include "FeedbackParser.h"
#include "FeedbackStore.h"
#include "HttpText.h"
#include "Misbehaviour.h"
#include "ServerContext.h"

#include <httplib.h>

#include <QJsonObject>

namespace {
// Reports are taken from users who are not logged in too (the header then carries
// "Bearer " and nothing after it), so the token only tells whose report it is.
void feedback(ServerContext& ctx, const httplib::Request& req, httplib::Response& res)
{
    const std::optional<QString> token = HttpText::bearerToken(req);
    if (!token) {
        HttpText::problem(res, 400, QStringLiteral("missing Authorization header"));
        return;
    }
    if (!HttpText::hasJsonContentType(req)) {
        HttpText::problem(res, 415, QStringLiteral("Content-Type must be application/json"));
        return;
    }
    FeedbackParser::Result parsed = FeedbackParser::parse(QByteArray::fromStdString(req.body));
    if (!parsed.error.isEmpty()) {
        HttpText::problem(res, parsed.status, parsed.error, parsed.where);
        return;
    }
    if (!token->isEmpty()) {
        const std::optional<QString> owner = ctx.accounts.userForAccessToken(*token);
        if (!owner) {
            HttpText::problem(res, 500, QStringLiteral("access token could not be checked"));
            return;
        }
        parsed.record.authorisedUser = *owner;
    }
    const qint64 id = ctx.feedback.store(parsed.record);
    if (id == 0) {
        HttpText::problem(res, 500, QStringLiteral("report could not be stored"));
        return;
    }
    HttpText::json(res, 200,
                   QJsonObject {{QStringLiteral("result"), ctx.misbehaviour.feedbackResult()},
                                {QStringLiteral("id"), double(id)}});
}
} // namespace

void FeedbackRoutes::install(httplib::Server& server, ServerContext& ctx)
{
    BoundedBody::post(server, "/v2/feedback", EndpointGuard::wrap(ctx, QStringLiteral("feedback"), feedback));
}
