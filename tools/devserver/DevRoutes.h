#pragma once

namespace httplib {
class Server;
}
struct ServerContext;

// Endpoints under /dev/ for tests and scripts: log a client in without a browser, read
// what was stored, count requests, expire tokens and change the misbehaviour switches.
class DevRoutes
{
public:
    static void install(httplib::Server& server, ServerContext& ctx);
};
