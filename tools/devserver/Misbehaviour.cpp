#include "Misbehaviour.h"

#include <QJsonArray>

namespace {
const QString kAll = QStringLiteral("all");
const QString kDefaultFeedbackResult = QStringLiteral("FEEDBACK_RECEIVED");
} // namespace

const QStringList& Misbehaviour::endpoints()
{
    static const QStringList names = {QStringLiteral("login"),          QStringLiteral("loginStatus"),
                                      QStringLiteral("refreshidtoken"), QStringLiteral("activity"),
                                      QStringLiteral("feedback"),       QStringLiteral("console")};
    return names;
}

Misbehaviour::Plan Misbehaviour::planFor(const QString& endpoint) const
{
    std::lock_guard<std::mutex> lock(_mutex);
    Plan plan;
    plan.failStatus = _failures.value(endpoint, _failures.value(kAll, 0));
    plan.delayMs = _delays.value(endpoint, _delays.value(kAll, 0));
    plan.lateMs = _late.value(endpoint, _late.value(kAll, 0));
    plan.garbage = _garbage.contains(endpoint) || _garbage.contains(kAll);
    return plan;
}

bool Misbehaviour::split(const QString& rule, bool needsValue, QString* endpoint, int* value, QString* error)
{
    const int colon = rule.indexOf(QLatin1Char(':'));
    *endpoint = colon < 0 ? rule : rule.left(colon);
    if (*endpoint != kAll && !endpoints().contains(*endpoint)) {
        *error = QStringLiteral("unknown endpoint \"%1\" (known: %2, all)")
                     .arg(*endpoint, endpoints().join(QStringLiteral(", ")));
        return false;
    }
    if (!needsValue) {
        if (colon < 0)
            return true;
        *error = QStringLiteral("no value expected in \"%1\"").arg(rule);
        return false;
    }
    bool ok = false;
    *value = colon < 0 ? 0 : rule.mid(colon + 1).toInt(&ok);
    if (!ok || *value < 0) {
        *error = QStringLiteral("expected endpoint:number, got \"%1\"").arg(rule);
        return false;
    }
    return true;
}

bool Misbehaviour::addFailure(const QString& rule, QString* error)
{
    QString endpoint;
    int status = 0;
    if (!split(rule, true, &endpoint, &status, error))
        return false;
    if (status < 100 || status > 599) {
        *error = QStringLiteral("status %1 is not an HTTP status").arg(status);
        return false;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    _failures.insert(endpoint, status);
    return true;
}

bool Misbehaviour::addDelay(const QString& rule, QString* error)
{
    QString endpoint;
    int ms = 0;
    if (!split(rule, true, &endpoint, &ms, error))
        return false;
    std::lock_guard<std::mutex> lock(_mutex);
    _delays.insert(endpoint, ms);
    return true;
}

bool Misbehaviour::addLateAnswer(const QString& rule, QString* error)
{
    QString endpoint;
    int ms = 0;
    if (!split(rule, true, &endpoint, &ms, error))
        return false;
    std::lock_guard<std::mutex> lock(_mutex);
    _late.insert(endpoint, ms);
    return true;
}

bool Misbehaviour::addGarbage(const QString& rule, QString* error)
{
    QString endpoint;
    int unused = 0;
    if (!split(rule, false, &endpoint, &unused, error))
        return false;
    std::lock_guard<std::mutex> lock(_mutex);
    _garbage.insert(endpoint);
    return true;
}

void Misbehaviour::setExchangeResultState(const QString& state)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _exchangeResultState = state;
}

QString Misbehaviour::exchangeResultState() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _exchangeResultState;
}

void Misbehaviour::setOmitExpiresIn(bool omit)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _omitExpiresIn = omit;
}

bool Misbehaviour::omitExpiresIn() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _omitExpiresIn;
}

void Misbehaviour::setFeedbackResult(const QString& result)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _feedbackResult = result;
}

QString Misbehaviour::feedbackResult() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _feedbackResult.isEmpty() ? kDefaultFeedbackResult : _feedbackResult;
}

void Misbehaviour::reset()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _failures.clear();
    _delays.clear();
    _late.clear();
    _garbage.clear();
    _exchangeResultState.clear();
    _omitExpiresIn = false;
    _feedbackResult.clear();
}

QJsonObject Misbehaviour::toJson() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    QJsonObject failures, delays, late;
    for (auto it = _failures.begin(); it != _failures.end(); ++it)
        failures.insert(it.key(), it.value());
    for (auto it = _delays.begin(); it != _delays.end(); ++it)
        delays.insert(it.key(), it.value());
    for (auto it = _late.begin(); it != _late.end(); ++it)
        late.insert(it.key(), it.value());
    QStringList garbage = _garbage.values();
    garbage.sort();
    return QJsonObject {
        {QStringLiteral("fail"), failures},
        {QStringLiteral("delayMs"), delays},
        {QStringLiteral("lateMs"), late},
        {QStringLiteral("garbage"), QJsonArray::fromStringList(garbage)},
        {QStringLiteral("exchangeResultState"), _exchangeResultState},
        {QStringLiteral("omitExpiresIn"), _omitExpiresIn},
        {QStringLiteral("feedbackResult"), _feedbackResult.isEmpty() ? kDefaultFeedbackResult : _feedbackResult}};
}
