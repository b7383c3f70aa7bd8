#pragma once

#include <QString>
#include <QTemporaryDir>

class HeadlessCompositor;

// The real program as a compositor's session runs it, for the end-to-end tests of Wayland
// sessions.

// The program the session started, found by its executable and its user: other tests beside
// this one run the same executable as root.
qint64 findProgram(const QString& binary, uint uid);

// True once the process has ended (or is a zombie), within the time given.
bool waitUntilGone(qint64 pid, int timeoutMs);

// The program as the session's user can start it: the build tree's own where its folders are
// open to others, else the build installed into the prefix (a checkout in root's home is
// closed to every other user). Empty when neither can be run.
QString programFor(const HeadlessCompositor& session, QTemporaryDir& prefix);
