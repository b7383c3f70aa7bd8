#include "BoundedBody.h"

#include "ConnectionStream.h"
#include "HttpText.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <regex>
#include <vector>

namespace BoundedBody {

namespace {

std::mutex gMutex;
std::vector<std::regex> gRoutes;

bool isBoundedRoute(const httplib::Request& req)
{
    if (req.method != "POST")
        return false;
    std::lock_guard<std::mutex> lock(gMutex);
    return std::any_of(gRoutes.begin(), gRoutes.end(),
                       [&](const std::regex& route) { return std::regex_match(req.path, route); });
}

std::atomic<size_t> gInFlight {0};

// Bytes of decoded body this request holds, counted against maxBytesInFlight until the
// request has been answered.
class Reservation
{
public:
    Reservation() = default;
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;
    ~Reservation() { gInFlight -= _held; }
    bool take(size_t bytes)
    {
        size_t current = gInFlight.load();
        do {
            if (bytes > maxBytesInFlight - current)
                return false;
        } while (!gInFlight.compare_exchange_weak(current, current + bytes));
        _held += bytes;
        return true;
    }

private:
    size_t _held = 0;
};

// The body is left unread: the connection must not be used for another request.
void endConnection()
{
    if (ConnectionStream* stream = ConnectionStream::current())
        stream->giveUpBody();
}

} // namespace

void post(httplib::Server& server, const std::string& pattern, httplib::Server::Handler handler)
{
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gRoutes.emplace_back(pattern);
    }
    server.Post(pattern,
                [handler](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                    if (req.is_multipart_form_data()) {
                        endConnection();
                        HttpText::problem(res, 415, QStringLiteral("multipart bodies are not accepted here"));
                        return;
                    }
                    std::string body;
                    bool tooLarge = false;
                    bool busy = false;
                    Reservation reservation;
                    const bool complete = reader([&](const char* data, size_t length) {
                        if (length > maxBytes - body.size()) {
                            tooLarge = true;
                            return false;
                        }
                        if (!reservation.take(length)) {
                            busy = true;
                            return false;
                        }
                        body.append(data, length);
                        return true;
                    });
                    if (!complete) {
                        endConnection();
                        const ConnectionStream* stream = ConnectionStream::current();
                        if (busy) {
                            res.set_header("Retry-After", "5");
                            HttpText::problem(res, 503, QStringLiteral("too many large requests at once"));
                        } else if (tooLarge || (stream && stream->budgetExceeded())) {
                            HttpText::problem(res, 413, QStringLiteral("request body too large"));
                        } else if (res.status == 415) {
                            HttpText::problem(res, 415, QStringLiteral("unsupported Content-Encoding"));
                        } else {
                            HttpText::problem(res, 400, QStringLiteral("request body could not be read"));
                        }
                        return;
                    }
                    httplib::Request withBody = req;
                    withBody.body = std::move(body);
                    handler(withBody, res);
                });
}

void guard(httplib::Server& server)
{
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        const std::string coding = req.get_header_value("Content-Encoding");
        if (coding.empty() || coding == "identity" || isBoundedRoute(req))
            return httplib::Server::HandlerResponse::Unhandled;
        endConnection();
        HttpText::problem(res, 415, QStringLiteral("Content-Encoding is not accepted here"));
        return httplib::Server::HandlerResponse::Handled;
    });
}

} // namespace BoundedBody
