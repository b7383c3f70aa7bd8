#pragma once

#include <QString>

#include <functional>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib
struct ServerContext;

// Wraps a route so that the misbehaviour switches of its endpoint apply: counted first,
// then delayed, then failed with a fixed status or answered normally, and finally the body
// replaced by one that is not JSON.
class EndpointGuard
{
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    using Route = void (*)(ServerContext&, const httplib::Request&, httplib::Response&);

    static Handler wrap(ServerContext& ctx, const QString& endpoint, Handler handler);
    static Handler wrap(ServerContext& ctx, const QString& endpoint, Route route);
};
