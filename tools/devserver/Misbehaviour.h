#pragma once

#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <mutex>

// Ways to make the server misbehave for tests, per endpoint: a fixed error status, a
// delay before answering, a body that is not JSON; and a few reply variants of the token
// exchange and feedback endpoints. Changeable while running (the /dev/behaviour endpoint).
class Misbehaviour
{
public:
    // Endpoint names used by the switches; "all" matches every one of them.
    static const QStringList& endpoints();

    struct Plan {
        int failStatus = 0; // 0: answer normally
        int delayMs = 0;
        int lateMs = 0; // after the request was handled (stored), before the answer
        bool garbage = false;
    };
    Plan planFor(const QString& endpoint) const;

    // "endpoint:status", "endpoint:milliseconds", "endpoint". False with a reason when the
    // rule is malformed.
    bool addFailure(const QString& rule, QString* error);
    bool addDelay(const QString& rule, QString* error);
    bool addLateAnswer(const QString& rule, QString* error);
    bool addGarbage(const QString& endpoint, QString* error);

    // Token exchange answers without an "idToken" and with this "resultState".
    void setExchangeResultState(const QString& state);
    QString exchangeResultState() const;
    void setOmitExpiresIn(bool omit);
    bool omitExpiresIn() const;
    // The "result" of an accepted feedback report.
    void setFeedbackResult(const QString& result);
    QString feedbackResult() const;

    void reset();
    QJsonObject toJson() const;

private:
    static bool split(const QString& rule, bool needsValue, QString* endpoint, int* value, QString* error);

    mutable std::mutex _mutex;
    QMap<QString, int> _failures;
    QMap<QString, int> _delays;
    QMap<QString, int> _late;
    QSet<QString> _garbage;
    QString _exchangeResultState;
    bool _omitExpiresIn = false;
    QString _feedbackResult;
};
