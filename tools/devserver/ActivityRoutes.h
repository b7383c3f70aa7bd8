#pragma once

namespace httplib {
class Server;
}
struct ServerContext;

// Activity upload and the web console that shows it.
class ActivityRoutes
{
public:
    static void install(httplib::Server& server, ServerContext& ctx);
};
