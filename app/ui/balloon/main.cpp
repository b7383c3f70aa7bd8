// larkspan-balloon: shows one notice of the tray as a balloon and ends when its time is up,
// when it is clicked, or when its standard input closes. The program starts it on desktops
// without a notification service, so the fonts and text shaping a balloon needs are loaded
// here, for seconds, and never in the program that runs all day.
//
// Input: one line of JSON (BalloonNotice). The program closes the pipe to take the balloon
// away, and the pipe closes as well when the program ends in any way, so no balloon
// outlives it.

#include "BalloonNotice.h"
#include "BalloonTip.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

// Reads up to the first newline (or the end of input) with plain reads: a buffered stream
// would wait for more than the program sends.
QByteArray readLine(int fd)
{
    QByteArray line;
    char byte = 0;
    while (line.size() < BalloonNotice::kMaxLineBytes) {
        const ssize_t got = ::read(fd, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == '\n')
            break;
        line.append(byte);
    }
    return line;
}

} // namespace

int main(int argc, char* argv[])
{
    // The program's own settings, so that the point it sends and the size drawn here are in
    // the same units on a scaled screen.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication application(argc, argv);
    // The window class the program's windows have.
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    QApplication::setQuitOnLastWindowClosed(false);

    BalloonNotice notice;
    if (!BalloonNotice::fromLine(readLine(STDIN_FILENO), &notice)) {
        std::fprintf(stderr, "larkspan-balloon: no notice on standard input\n");
        return 2;
    }

    BalloonTip tip(notice);
    QObject::connect(&tip, &BalloonTip::clicked, &application, &QCoreApplication::quit);
    QTimer::singleShot(notice.msecs, &application, &QCoreApplication::quit);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&input] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    tip.showAtAnchor();
    return application.exec();
}
