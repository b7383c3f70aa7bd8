#pragma once

#include <QByteArray>
#include <QString>

// Reads what a Debian package says about itself. The update's signature covers the
// package's bytes but not the version the feed names for it, so the version is taken from
// the package's own control file: a signed old package offered under a new number is
// caught here.
class DebPackage
{
public:
    // "Version" of the control file in control.tar.gz or control.tar.xz. False when the
    // data is not such a package (or holds more than a control file may).
    static bool readVersion(const QByteArray& deb, QString* version);

private:
    DebPackage() = delete;
};
