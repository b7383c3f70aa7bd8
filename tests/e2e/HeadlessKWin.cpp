#include "HeadlessCompositor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

// KWin's part of the session: its program and the typing client in the user's home, and the
// X display of the XWayland it starts.

QStringList HeadlessCompositor::prepareKWin(const QString& home)
{
    // kwin_wayland carries a file capability that a container's bounding set may lack,
    // and then cannot be started at all; a copy carries none and runs the same.
    const QString bin = home + QStringLiteral("/bin");
    const QString kwin = bin + QStringLiteral("/kwin_wayland");
    _fakeKeys = bin + QStringLiteral("/kwin_fake_keys");
#ifdef LARKSPAN_KWIN_FAKE_KEYS
    const QString fakeKeys = QStringLiteral(LARKSPAN_KWIN_FAKE_KEYS);
#else
    const QString fakeKeys;
#endif
    // KWin grants its fake input protocol to the programs whose desktop entry asks for it.
    const QString entries = _env.value(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"))
        + QStringLiteral("/applications");
    QFile entry(entries + QStringLiteral("/larkspan-e2e-fake-keys.desktop"));
    if (!QDir().mkpath(bin) || !QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), kwin)
        || !QFile::copy(fakeKeys, _fakeKeys) || !QDir().mkpath(entries) || !entry.open(QIODevice::WriteOnly)) {
        _error = QStringLiteral("cannot copy kwin_wayland and the typing client into the home");
        return {};
    }
    entry.write("[Desktop Entry]\nType=Application\nName=Larkspan e2e keys\nNoDisplay=true\nExec=");
    entry.write(QFile::encodeName(_fakeKeys));
    entry.write("\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
    entry.close();
    if (_uid != 0
        && QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QString::number(_uid), home}) != 0) {
        _error = QStringLiteral("cannot give KWin's files to the user");
        return {};
    }
    // KWin starts XWayland on a display of its choosing, known only to what it starts.
    QFile tellDisplay(bin + QStringLiteral("/tell-display"));
    if (!tellDisplay.open(QIODevice::WriteOnly)) {
        _error = QStringLiteral("cannot write ") + tellDisplay.fileName();
        return {};
    }
    tellDisplay.write("#!/bin/sh\nprintf '%s\\n%s\\n' \"$DISPLAY\" \"$XAUTHORITY\" > \"$0.out.tmp\"\n"
                      "mv \"$0.out.tmp\" \"$0.out\"\n");
    tellDisplay.close();
    tellDisplay.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                               | QFile::ExeOther);
    return {kwin,
            QStringLiteral("--virtual"),
            QStringLiteral("--xwayland"),
            QStringLiteral("--width"),
            QStringLiteral("1280"),
            QStringLiteral("--height"),
            QStringLiteral("800"),
            QStringLiteral("--socket"),
            QStringLiteral("wayland-1"),
            tellDisplay.fileName()};
}

bool HeadlessCompositor::readKWinDisplay(const QString& home)
{
    QFile told(home + QStringLiteral("/bin/tell-display.out"));
    QElapsedTimer timer;
    timer.start();
    while (!told.open(QIODevice::ReadOnly) && timer.elapsed() < 20000 && _compositor->state() == QProcess::Running)
        QThread::msleep(100);
    const QStringList lines = QString::fromLocal8Bit(told.readAll()).split(QLatin1Char('\n'));
    if (lines.value(0).isEmpty()) {
        _error = QStringLiteral("KWin did not start XWayland");
        return false;
    }
    _env.insert(QStringLiteral("DISPLAY"), lines.value(0));
    if (!lines.value(1).isEmpty())
        _env.insert(QStringLiteral("XAUTHORITY"), lines.value(1));
    return true;
}
