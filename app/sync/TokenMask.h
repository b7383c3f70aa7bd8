#pragma once

#include <QByteArray>
#include <QString>

class UserInfo;

// Log lines name tokens, but the log file stays on disk and is sent with diagnostics:
// tokens are written shortened to their first few characters.
class TokenMask
{
public:
    static constexpr int visibleChars = 6;

    // "abcdef..." for a longer token; a short or empty one is shown as it is masked.
    static QString token(const QString& token);
    // The user info's JSON with both tokens shortened.
    static QString userInfo(const UserInfo& info);
    // A URL or text with every occurrence of the token shortened.
    static QString inText(const QString& text, const QString& token);
    // A server's reply as it may be logged. A JSON object is written again with every
    // string that holds one of its tokens shortened: searching the raw text for a token
    // misses the forms JSON may escape it in ("\/", "\u0041"). Other text is kept as it
    // is, since no token is read from it.
    static QString reply(const QByteArray& body);

private:
    TokenMask() = delete;
};
