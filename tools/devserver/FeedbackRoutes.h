#pragma once

namespace httplib {
class Server;
}
struct ServerContext;

// Diagnostics reports: the comment and the log file.
class FeedbackRoutes
{
public:
    static void install(httplib::Server& server, ServerContext& ctx);
};
