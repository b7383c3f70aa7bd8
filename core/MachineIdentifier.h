#pragma once

#include "LarkspanCoreExport.h"

#include <QString>

// The machine identifier every time log carries ("macAddress"). Start-up stores the
// machine's hardware address there; a machine without one (only loopback, tun, ppp or
// WireGuard interfaces, as in containers and on VPN-only hosts) gets a generated identifier
// instead, stored once and kept, so its logs stay valid and all name the same machine.
class LARKSPAN_CORE_EXPORT MachineIdentifier
{
public:
    // The stored identifier; when it is absent or empty, a generated one is stored first.
    static QString current();
    // A random, locally administered unicast address in the form of a hardware address
    // ("02:…"-style), which no network card carries.
    static QString generate();

private:
    MachineIdentifier() = delete;
};
