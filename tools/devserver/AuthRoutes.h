#pragma once

#include "AccountStore.h"

#include <QString>

#include <optional>

namespace httplib {
class Server;
}
struct ServerContext;

// Login page and form, the login status long poll and the token exchange.
class AuthRoutes
{
public:
    static void install(httplib::Server& server, ServerContext& ctx);

    // Logs a user in for a client and wakes that client's waiting status poll. Shared by
    // the page's button and the plain request tests use.
    static std::optional<LoginGrant> logIn(ServerContext& ctx, const QString& userId, const QString& clientUuid);

    static const QString defaultUser;
};
