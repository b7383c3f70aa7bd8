#include "CrashCollector.h"

#include "CrashStore.h"
#include "HardenedServer.h"
#include "HttpText.h"

#include <httplib.h>

#include <QJsonObject>

const char* const CrashCollector::submissionToken = "a3f19c07d2e85b4160c9e7f2a8d35b106e4c9a27f1d08b53c6e2a9f47b10d862";

namespace {
// A report with a few hundred frames and modules stays far below this.
constexpr size_t kMaxReportBytes = 8u * 1024 * 1024;

void collect(CrashStore& store, const httplib::Request& req, httplib::Response& res)
{
    if (!req.is_multipart_form_data()) {
        HttpText::problem(res, 400, QStringLiteral("expected multipart/form-data"));
        return;
    }
    CrashRecord record;
    bool haveReport = false;
    for (const auto& [name, part] : req.files) {
        if (part.filename.empty()) {
            record.fields.insert(QString::fromStdString(name), QString::fromStdString(part.content));
        } else if (name == "report" && !haveReport) {
            record.fileName = QString::fromStdString(part.filename);
            record.report = QByteArray::fromStdString(part.content);
            haveReport = true;
        }
    }
    if (record.fields.value(QStringLiteral("token")) != QLatin1String(CrashCollector::submissionToken)) {
        HttpText::problem(res, 403, QStringLiteral("unknown submission token"), QStringLiteral("token"));
        return;
    }
    if (!haveReport) {
        HttpText::problem(res, 400, QStringLiteral("no report file"), QStringLiteral("report"));
        return;
    }
    const qint64 id = store.store(record);
    if (id == 0) {
        HttpText::problem(res, 500, QStringLiteral("report could not be stored"));
        return;
    }
    HttpText::json(res, 200, QJsonObject {{QStringLiteral("id"), double(id)}});
}
} // namespace

CrashCollector::CrashCollector(CrashStore& store) : _store(store) {}

CrashCollector::~CrashCollector()
{
    stop();
}

bool CrashCollector::start(const QString& bind, int port, QString* error)
{
    HardenedServer::Limits limits;
    limits.workers = 4;
    limits.maxBodyBytes = kMaxReportBytes;
    _server = std::make_unique<HardenedServer>(limits);
    _server->Post("/", [this](const httplib::Request& req, httplib::Response& res) { collect(_store, req, res); });
    _port = _server->bindTo(bind.toStdString(), port);
    if (_port <= 0) {
        *error = QStringLiteral("cannot listen for crash reports on %1:%2").arg(bind).arg(port);
        _server.reset();
        return false;
    }
    _thread = std::thread([this] { _server->run(); });
    return true;
}

void CrashCollector::stop()
{
    if (!_server)
        return;
    _server->halt();
    if (_thread.joinable())
        _thread.join();
    _server.reset();
}
