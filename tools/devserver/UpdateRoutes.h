#pragma once

namespace httplib {
class Server;
}
struct ServerContext;
class UpdateFeed;

// The updater's side of the server: the four appcasts (stable and beta, x86 and x64), the
// signed test package and its release notes under /updates/; and /dev/updates to change
// the offered version or make the feed lie about the package.
class UpdateRoutes
{
public:
    static void install(httplib::Server& server, ServerContext& ctx, UpdateFeed& feed);
    static void installDev(httplib::Server& server, UpdateFeed& feed);
};
