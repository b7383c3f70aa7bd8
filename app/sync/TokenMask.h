#pragma once

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

private:
    TokenMask() = delete;
};
