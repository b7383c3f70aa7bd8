#pragma once

#include "DevServerProcess.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class UserInfo;

// Small synchronous helpers for talking to the reference server from a test.
namespace SyncTest {

// Points the client at the server (both base URLs).
void useServer(const DevServerProcess& server, const QString& scheme = QStringLiteral("http"));
// Performs a request and returns the status (0 on a network error) and the body.
int request(const QByteArray& method, const QUrl& url, QByteArray* body = nullptr);
QJsonObject requestJson(const QByteArray& method, const QUrl& url);
// Logs clientUuid in as user on the server and stores the user with a fresh access
// token in the settings, as a completed browser login and token exchange would.
UserInfo logInAndStore(const DevServerProcess& server, const QString& user);
// Changes the server's misbehaviour switches, e.g. "fail=activity:500"; "reset=1" first.
void behave(const DevServerProcess& server, const QString& query);
// The server's stored activities of a user.
QList<QJsonObject> activities(const DevServerProcess& server, const QString& user);

} // namespace SyncTest
