#pragma once

#include <QJsonArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class DevServerProcess;
class HeadlessCompositor;
class LarkspanHome;
struct Span;

// The real program as a compositor's session runs it, and its user at work there, for the
// end-to-end tests of Wayland sessions.

// Empty when every tool is on the PATH, else which are missing, as the message of a failure.
QString missingTools(const QStringList& tools);

// A home whose program logs in detail, with the user logged in on the server and this short
// idle threshold (input the program failed to see then shows as absence within the test);
// the environment for the session, with the server's addresses in it.
QProcessEnvironment loggedInEnvironment(LarkspanHome& home, const DevServerProcess& server, const QString& user,
                                        int idleThresholdSecs);

// The program the session started, found by its executable and its user: other tests beside
// this one run the same executable as root.
qint64 findProgram(const QString& binary, uint uid);

// The program started by the session, as a login would, on this Qt platform (the session's
// own when empty); its pid once it has written its first settings, 0 when it did not start.
qint64 startProgram(const HeadlessCompositor& session, const LarkspanHome& home, const QString& binary,
                    const QString& platform = QString());

// A user at work: a word a second into the focused window for this long, paced by the clock
// rather than by how long each word took; afterEach runs after every word. The span it took,
// invalid when the compositor did not take a word.
Span typeEverySecond(const HeadlessCompositor& session, int seconds, const std::function<void()>& afterEach = {});

// True once the process has ended (or is a zombie), within the time given.
bool waitUntilGone(qint64 pid, int timeoutMs);

// The program as the session's user can start it: the build tree's own where its folders are
// open to others, else the build installed into the prefix (a checkout in root's home is
// closed to every other user). Empty when neither can be run.
QString programFor(const HeadlessCompositor& session, QTemporaryDir& prefix);

// The server's activities for the user once the next start, outside the session, has sent
// what the program stored; empty when that start does not quit on SIGTERM.
QJsonArray uploadStored(const HeadlessCompositor& session, const LarkspanHome& home, const QString& binary,
                        const DevServerProcess& server, const QString& user);
