#include "MachineIdentifier.h"

#include "SettingsKeys.h"

#include <QtLog.h>

#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSettings>
#include <QStringList>

QString MachineIdentifier::current()
{
    // Logs are built on several threads; only one of them may generate the identifier.
    static QMutex generating;
    QMutexLocker locker(&generating);
    QSettings settings;
    QString identifier = settings.value(Keys::macAddress, QString()).toString();
    if (identifier.isEmpty()) {
        identifier = generate();
        settings.setValue(Keys::macAddress, identifier);
        LK_INFO() << "MachineIdentifier - no machine identifier stored, generated" << identifier;
    }
    return identifier;
}

QString MachineIdentifier::generate()
{
    quint8 octets[6];
    for (quint8& octet : octets)
        octet = quint8(QRandomGenerator::system()->bounded(256));
    // Locally administered (bit 1 set), unicast (bit 0 clear).
    octets[0] = quint8((octets[0] & 0xfc) | 0x02);
    QStringList parts;
    for (quint8 octet : octets)
        parts << QStringLiteral("%1").arg(octet, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(':'));
}
