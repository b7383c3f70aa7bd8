#pragma once

#include <QString>

#include <optional>

class QByteArray;
class QJsonDocument;
class QJsonObject;

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// Conversions between cpp-httplib's byte strings and Qt text, and the reply shapes the
// routes share.
class HttpText
{
public:
    static QString param(const httplib::Request& req, const char* name);
    static QString header(const httplib::Request& req, const char* name);
    // The token of an "Authorization: Bearer <token>" header; nullopt without such a header.
    static std::optional<QString> bearerToken(const httplib::Request& req);
    static bool hasJsonContentType(const httplib::Request& req);
    // The body as a JSON object; nothing when it is not valid JSON or not an object.
    static std::optional<QJsonObject> jsonObject(const QByteArray& body);

    static void json(httplib::Response& res, int status, const QJsonObject& body);
    static void json(httplib::Response& res, int status, const QJsonDocument& body);
    static void html(httplib::Response& res, int status, const QString& page);
    static void text(httplib::Response& res, int status, const QString& body);
    // A 4xx answer naming what was wrong and where, for people reading client logs.
    static void problem(httplib::Response& res, int status, const QString& error, const QString& where = QString());

    // Tokens never reach the server's output in full.
    static QString shortToken(const QString& token);
};
