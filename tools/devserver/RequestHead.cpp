#include "RequestHead.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::optional<RequestHead> RequestHead::parse(const std::string& data)
{
    // Header lines end in CRLF; a bare LF is taken too, as the library does.
    size_t end = data.find("\r\n\r\n");
    size_t endLength = 4;
    const size_t bare = data.find("\n\n");
    if (bare != std::string::npos && (end == std::string::npos || bare < end)) {
        end = bare;
        endLength = 2;
    }
    if (end == std::string::npos)
        return std::nullopt;

    RequestHead head;
    head.end = end + endLength;
    const std::string block = data.substr(0, end);
    size_t lineStart = 0;
    bool first = true;
    while (lineStart <= block.size()) {
        size_t lineEnd = block.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = block.size();
        const std::string line = block.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (first) {
            first = false;
            const std::string method = line.substr(0, line.find(' '));
            head.methodTakesBody =
                method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" || method == "PRI";
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = lower(trim(line.substr(0, colon)));
        const std::string value = trim(line.substr(colon + 1));
        if (name == "content-length") {
            char* rest = nullptr;
            const unsigned long long n = std::strtoull(value.c_str(), &rest, 10);
            if (value.empty() || *rest != '\0' || !std::isdigit(static_cast<unsigned char>(value[0]))
                || (head.contentLength && *head.contentLength != n))
                head.malformed = true;
            head.contentLength = size_t(n);
        } else if (name == "transfer-encoding") {
            head.chunked = head.chunked || lower(value).find("chunked") != std::string::npos;
        } else if (name == "expect") {
            head.expectContinue = lower(value) == "100-continue";
        }
    }
    // Both framings at once is how requests are smuggled past a proxy.
    if (head.chunked && head.contentLength)
        head.malformed = true;
    return head;
}
