#pragma once

#include <cstddef>
#include <optional>
#include <string>

// What the dispatcher needs to know of a request before a worker takes it: where its
// header block ends and how its body is framed. The full parse is the HTTP library's.
struct RequestHead {
    size_t end = 0; // offset just past the blank line
    std::optional<size_t> contentLength;
    bool chunked = false;
    bool expectContinue = false;
    bool methodTakesBody = false; // a method the library reads a body for
    bool malformed = false; // conflicting or unreadable framing

    // Nothing when the block has not ended within `data` yet.
    static std::optional<RequestHead> parse(const std::string& data);

    // A body whose end cannot be known from the header block alone.
    bool bodyOfUnknownLength() const { return chunked || (methodTakesBody && !contentLength); }
};
