#pragma once

#include <QString>

// The shared frame of the server's pages. Everything a user or a client supplied goes
// through escape() before it meets markup.
class Html
{
public:
    static QString escape(const QString& text);
    // title is escaped here; body is markup.
    static QString page(const QString& title, const QString& body);
};
