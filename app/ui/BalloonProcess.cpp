#include "BalloonProcess.h"

#include "QtLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

// A balloon helper that does not end when its input closes is taken away by force.
constexpr int kEndWaitMsecs = 1000;

} // namespace

BalloonProcess::BalloonProcess(QObject* parent) : QObject(parent) {}

BalloonProcess::~BalloonProcess()
{
    if (!_shown)
        return;
    _shown->closeWriteChannel();
    if (!_shown->waitForFinished(kEndWaitMsecs)) {
        _shown->kill();
        _shown->waitForFinished(kEndWaitMsecs);
    }
}

QString BalloonProcess::helperPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("larkspan-balloon"));
}

bool BalloonProcess::show(const BalloonNotice& notice, const std::function<void(const BalloonNotice&)>& failed)
{
    const QString helper = helperPath();
    if (!QFileInfo(helper).isExecutable())
        return false;
    takeAway();

    auto* process = new QProcess(this);
    process->setProgram(helper);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The program's own choice: no OpenGL for windows that never draw with it.
    if (!environment.contains(QStringLiteral("QT_XCB_GL_INTEGRATION")))
        environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
    process->setProcessEnvironment(environment);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process, &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, this, [process, notice, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        LK_WARNING() << "Cannot start the balloon helper: " << process->errorString();
        process->deleteLater();
        failed(notice);
    });
    process->start(QIODevice::WriteOnly);
    process->write(notice.toLine());
    _shown = process;
    return true;
}

void BalloonProcess::takeAway()
{
    // It ends by itself when its input closes.
    if (_shown)
        _shown->closeWriteChannel();
    _shown.clear();
}
