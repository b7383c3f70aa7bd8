#include "WaylandAppName.h"

#include "ProcessImageName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

struct DesktopEntry {
    QString exec;
    QString startupWmClass;
    bool hidden = false;
    bool valid = false;
};

// Undoes the escapes of a desktop entry string value.
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

// Only the main group counts: actions have Exec lines of their own.
DesktopEntry readEntry(const QString& path)
{
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    bool inMainGroup = false;
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            entry.valid = entry.valid || inMainGroup;
            continue;
        }
        if (!inMainGroup)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            entry.exec = unescapeValue(value);
        else if (key == QLatin1String("StartupWMClass"))
            entry.startupWmClass = value;
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
    }
    return entry;
}

// Splits an Exec value into arguments: blanks separate them, double quotes group them,
// and inside quotes a backslash keeps the next character.
QStringList execArguments(const QString& exec)
{
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                current += exec.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                current += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c.isSpace()) {
            if (any || !current.isEmpty())
                arguments << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments << current;
    return arguments;
}

bool isEnvironmentAssignment(const QString& argument)
{
    const int equals = argument.indexOf(QLatin1Char('='));
    return equals > 0 && !argument.left(equals).contains(QLatin1Char('/'));
}

} // namespace

WaylandAppName::WaylandAppName(const QStringList& dataDirs) : _dataDirs(dataDirs) {}

QStringList WaylandAppName::xdgDataDirs()
{
    QStringList dirs;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    dirs << home;
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    dirs << system.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dirs;
}

QString WaylandAppName::forToplevel(const QString& appId, qint64 pid)
{
    const QString fromProcess = ProcessImageName::forPid(pid);
    if (!fromProcess.isEmpty())
        return fromProcess;
    const QString fromEntry = fromDesktopEntry(appId);
    return fromEntry.isEmpty() ? appId : fromEntry;
}

QString WaylandAppName::fromDesktopEntry(const QString& appId)
{
    // An app_id is chosen by the client: never let it name a path.
    if (appId.isEmpty() || appId.contains(QLatin1Char('/')) || appId.startsWith(QLatin1Char('.')))
        return QString();
    {
        std::lock_guard<std::mutex> lock(_mutex);
        const auto it = _cache.constFind(appId);
        if (it != _cache.constEnd())
            return *it;
    }
    const QString name = lookUp(appId);
    std::lock_guard<std::mutex> lock(_mutex);
    _cache.insert(appId, name);
    return name;
}

QString WaylandAppName::lookUp(const QString& appId) const
{
    // The entry named by the app_id, the first folder that has one deciding (a hidden
    // entry there hides the system's); then, as toolkits name many windows, an entry
    // whose file name or StartupWMClass matches the app_id in any letter case.
    for (const QString& dir : _dataDirs) {
        const QString path = dir + QStringLiteral("/applications/") + appId + QStringLiteral(".desktop");
        if (!QFileInfo::exists(path))
            continue;
        const DesktopEntry entry = readEntry(path);
        if (entry.valid)
            return entry.hidden ? QString() : execProgram(entry.exec);
    }
    for (const QString& dir : _dataDirs) {
        const QDir applications(dir + QStringLiteral("/applications"));
        const QStringList files = applications.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            const bool nameMatches = file.chopped(8).compare(appId, Qt::CaseInsensitive) == 0;
            const DesktopEntry entry = readEntry(applications.filePath(file));
            if (!entry.valid || entry.hidden)
                continue;
            if (nameMatches || entry.startupWmClass.compare(appId, Qt::CaseInsensitive) == 0) {
                const QString program = execProgram(entry.exec);
                if (!program.isEmpty())
                    return program;
            }
        }
    }
    return QString();
}

QString WaylandAppName::execProgram(const QString& exec)
{
    QStringList arguments = execArguments(exec);
    // env [-flags] VAR=value ... program
    if (!arguments.isEmpty() && QFileInfo(arguments.first()).fileName() == QLatin1String("env")) {
        arguments.removeFirst();
        while (!arguments.isEmpty()
               && (arguments.first().startsWith(QLatin1Char('-')) || isEnvironmentAssignment(arguments.first()))) {
            // -u NAME and -C DIR take the next argument with them.
            const QString option = arguments.takeFirst();
            if ((option == QLatin1String("-u") || option == QLatin1String("--unset") || option == QLatin1String("-C")
                 || option == QLatin1String("--chdir"))
                && !arguments.isEmpty())
                arguments.removeFirst();
        }
    }
    if (arguments.isEmpty())
        return QString();
    const QString program = QFileInfo(arguments.first()).fileName();
    // A field code alone (%U) names no program.
    if (program.isEmpty() || program.startsWith(QLatin1Char('%')))
        return QString();
    // A flatpak launcher names the program it runs in the sandbox.
    if (program == QLatin1String("flatpak")) {
        for (const QString& argument : arguments) {
            if (argument.startsWith(QLatin1String("--command=")))
                return QFileInfo(argument.mid(10)).fileName();
        }
    }
    return program;
}
