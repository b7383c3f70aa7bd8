// Qt before Xlib: Xlib defines macros that break Qt's headers.
#include <QByteArray>
#include <QString>

#include "WindowTitleText.h"
#include "X11WindowProperties.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// UTF-8 titles are read in 32-bit units. 2048 bytes always decode to more than
// WindowTitleText::maxLength units before any character cut off at the end of the read.
constexpr long utf8TitleUnits = 512;
// Legacy encodings may spend several bytes per character (COMPOUND_TEXT escapes), and a
// cut inside one would spoil the whole decoding: these are read up to 64 KiB.
constexpr long legacyTitleUnits = 16384;

} // namespace

X11WindowProperties::X11WindowProperties(Display* display, const X11Connection::Atoms& atoms)
    : _display(display), _atoms(atoms)
{}

std::optional<X11WindowProperties::Value> X11WindowProperties::read(unsigned long window, unsigned long property,
                                                                    unsigned long type, long maxUnits) const
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(_display, window, property, 0, maxUnits, False, type ? type : AnyPropertyType,
                                          &actualType, &actualFormat, &count, &bytesAfter, &data);
    if (status != Success || actualType == None) {
        if (data)
            XFree(data);
        return std::nullopt;
    }
    Value value;
    value.type = actualType;
    value.format = actualFormat;
    // A type mismatch returns the property's real type with no data.
    if (type && actualType != type) {
        XFree(data);
        return std::nullopt;
    }
    if (data) {
        if (actualFormat == 8) {
            value.bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(count));
        } else if (actualFormat == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            value.items.assign(items, items + count);
        }
        XFree(data);
    }
    return value;
}

std::optional<unsigned long> X11WindowProperties::windowProperty(unsigned long window, unsigned long property) const
{
    const auto value = read(window, property, XA_WINDOW, 1);
    if (!value || value->format != 32 || value->items.empty())
        return std::nullopt;
    return value->items.front();
}

bool X11WindowProperties::hasWmState(unsigned long window) const
{
    return read(window, _atoms.wmState, 0, 0).has_value();
}

QString X11WindowProperties::title(unsigned long window) const
{
    if (const auto value = read(window, _atoms.netWmName, _atoms.utf8String, utf8TitleUnits)) {
        if (value->format == 8 && !value->bytes.isEmpty())
            return WindowTitleText::bounded(QString::fromUtf8(value->bytes));
    }
    if (const auto value = read(window, XA_WM_NAME, 0, legacyTitleUnits)) {
        if (value->format == 8)
            return WindowTitleText::bounded(decodeText(*value));
    }
    return QString();
}

QString X11WindowProperties::decodeText(const Value& value) const
{
    if (value.type == _atoms.utf8String)
        return QString::fromUtf8(value.bytes);
    if (value.type == _atoms.compoundText && !value.bytes.isEmpty()) {
        XTextProperty text;
        text.value = reinterpret_cast<unsigned char*>(const_cast<char*>(value.bytes.constData()));
        text.encoding = value.type;
        text.format = 8;
        text.nitems = static_cast<unsigned long>(value.bytes.size());
        char** list = nullptr;
        int count = 0;
        // Negative results are failures; positive ones count characters that had no
        // UTF-8 equivalent and were replaced, which still leaves a usable title.
        if (Xutf8TextPropertyToTextList(_display, &text, &list, &count) >= Success && list) {
            QString result;
            for (int i = 0; i < count; ++i)
                result += QString::fromUtf8(list[i]);
            XFreeStringList(list);
            return result;
        }
    }
    // STRING is Latin-1 by definition, and the best guess for anything unknown.
    return QString::fromLatin1(value.bytes);
}

qint64 X11WindowProperties::netWmPid(unsigned long window) const
{
    const auto value = read(window, _atoms.netWmPid, XA_CARDINAL, 1);
    if (!value || value->format != 32 || value->items.empty())
        return 0;
    return static_cast<qint64>(value->items.front() & 0xffffffffUL);
}

QString X11WindowProperties::clientMachine(unsigned long window) const
{
    const auto value = read(window, XA_WM_CLIENT_MACHINE, 0, 256);
    if (!value || value->format != 8)
        return QString();
    return QString::fromLatin1(value->bytes);
}
