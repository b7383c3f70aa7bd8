#include "TestHome.h"

#include <QDir>

TestHome::TestHome() : _dir(QDir::tempPath() + QStringLiteral("/larkspan-test-XXXXXX"))
{
    const QByteArray home = _dir.path().toUtf8();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    QDir(_dir.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(_dir.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString TestHome::configHome() const
{
    return _dir.path() + QStringLiteral("/.config");
}

QString TestHome::dataHome() const
{
    return _dir.path() + QStringLiteral("/.local/share");
}
