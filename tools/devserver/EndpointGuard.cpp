#include "EndpointGuard.h"

#include "HttpText.h"
#include "Misbehaviour.h"
#include "RequestStats.h"
#include "ServerContext.h"
#include "WaitBoard.h"

#include <httplib.h>

EndpointGuard::Handler EndpointGuard::wrap(ServerContext& ctx, const QString& endpoint, Handler handler)
{
    return [&ctx, endpoint, handler](const httplib::Request& req, httplib::Response& res) {
        ctx.stats.count(endpoint);
        const Misbehaviour::Plan plan = ctx.misbehaviour.planFor(endpoint);
        if (plan.delayMs > 0 && !ctx.board.sleepFor(std::chrono::milliseconds(plan.delayMs))) {
            HttpText::text(res, 503, QStringLiteral("shutting down"));
            return;
        }
        if (plan.failStatus != 0) {
            HttpText::text(res, plan.failStatus,
                           QStringLiteral("injected failure %1 for %2").arg(plan.failStatus).arg(endpoint));
            return;
        }
        handler(req, res);
        // What the request asked for is done (stored); the answer is what comes late, as
        // when a connection breaks or the client quits before it arrives.
        if (plan.lateMs > 0 && !ctx.board.sleepFor(std::chrono::milliseconds(plan.lateMs))) {
            HttpText::text(res, 503, QStringLiteral("shutting down"));
            return;
        }
        if (plan.garbage) {
            res.status = 200;
            res.set_content("<html><body><h1>502 Bad Gateway</h1>upstream hiccup</body></html>", "text/html");
        }
    };
}

EndpointGuard::Handler EndpointGuard::wrap(ServerContext& ctx, const QString& endpoint, Route route)
{
    return wrap(ctx, endpoint,
                Handler([&ctx, route](const httplib::Request& req, httplib::Response& res) { route(ctx, req, res); }));
}
