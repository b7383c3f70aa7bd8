#pragma once

#include "X11Connection.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Reads the properties of X windows that tell which client a window belongs to and what
// it is called. Every read is one round trip; a window that no longer exists, or any
// other failure, reads as an absent property. Callers hold an X11ErrorTrap.
class X11WindowProperties
{
public:
    X11WindowProperties(Display* display, const X11Connection::Atoms& atoms);

    // A WINDOW-typed property: nullopt when absent or unreadable, else its value (which
    // may be 0, "no window").
    std::optional<unsigned long> windowProperty(unsigned long window, unsigned long property) const;
    // Set by window managers on the client windows they manage.
    bool hasWmState(unsigned long window) const;
    // _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1, UTF-8 or compound text); empty when
    // the window has no title or cannot be read.
    QString title(unsigned long window) const;
    // _NET_WM_PID, or 0 when absent.
    qint64 netWmPid(unsigned long window) const;
    // WM_CLIENT_MACHINE: the host the client runs on; empty when not set.
    QString clientMachine(unsigned long window) const;

private:
    struct Value {
        unsigned long type = 0;
        int format = 0;
        QByteArray bytes; // format 8
        std::vector<unsigned long> items; // format 32, as Xlib hands them out
    };
    // AnyPropertyType when type is 0.
    std::optional<Value> read(unsigned long window, unsigned long property, unsigned long type, long maxUnits) const;
    QString decodeText(const Value& value) const;

    Display* _display;
    const X11Connection::Atoms& _atoms;
};
