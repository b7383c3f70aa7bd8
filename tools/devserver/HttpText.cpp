#include "HttpText.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

QString HttpText::param(const httplib::Request& req, const char* name)
{
    return QString::fromStdString(req.get_param_value(name));
}

QString HttpText::header(const httplib::Request& req, const char* name)
{
    return QString::fromStdString(req.get_header_value(name));
}

std::optional<QString> HttpText::bearerToken(const httplib::Request& req)
{
    if (!req.has_header("Authorization"))
        return std::nullopt;
    // Header values arrive trimmed: "Bearer " with an empty token reads as "Bearer".
    const QString value = header(req, "Authorization").trimmed();
    const QString scheme = QStringLiteral("Bearer");
    if (value.compare(scheme, Qt::CaseInsensitive) == 0)
        return QString();
    if (!value.startsWith(scheme + QLatin1Char(' '), Qt::CaseInsensitive))
        return std::nullopt;
    return value.mid(scheme.size() + 1).trimmed();
}

bool HttpText::hasJsonContentType(const httplib::Request& req)
{
    const QString type = header(req, "Content-Type").section(QLatin1Char(';'), 0, 0).trimmed();
    return type.compare(QLatin1String("application/json"), Qt::CaseInsensitive) == 0;
}

void HttpText::json(httplib::Response& res, int status, const QJsonObject& body)
{
    json(res, status, QJsonDocument(body));
}

void HttpText::json(httplib::Response& res, int status, const QJsonDocument& body)
{
    res.status = status;
    res.set_content(body.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

void HttpText::html(httplib::Response& res, int status, const QString& page)
{
    res.status = status;
    res.set_content(page.toStdString(), "text/html; charset=utf-8");
}

void HttpText::text(httplib::Response& res, int status, const QString& body)
{
    res.status = status;
    res.set_content(body.toStdString(), "text/plain; charset=utf-8");
}

void HttpText::problem(httplib::Response& res, int status, const QString& error, const QString& where)
{
    QJsonObject body {{QStringLiteral("error"), error}};
    if (!where.isEmpty())
        body.insert(QStringLiteral("where"), where);
    json(res, status, body);
}

QString HttpText::shortToken(const QString& token)
{
    if (token.size() <= 9)
        return QStringLiteral("…");
    return token.left(9) + QStringLiteral("…");
}

std::optional<QJsonObject> HttpText::jsonObject(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}
