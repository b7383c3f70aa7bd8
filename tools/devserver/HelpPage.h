#pragma once

namespace httplib {
class Server;
}

// GET /help: the page the tray's "Help" entry opens, a short guide to the program.
class HelpPage
{
public:
    static void install(httplib::Server& server);
};
