#pragma once

#include <httplib.h>

#include <string>

// POST routes whose body is read through a bounded reader: what is decoded counts against
// the cap whatever the content encoding, and reading stops at the cap instead of after
// the whole body sits in memory. Any other route refuses a content encoding, since the
// HTTP library would decode it without a bound.
namespace BoundedBody {

// The largest body, decoded: a diagnostics report carries the whole log (30 MiB at most)
// compressed and in Base64; anything far beyond that is not a client of ours.
constexpr size_t maxBytes = 64u * 1024 * 1024;
// The decoded bodies of all requests in progress together. A few KiB on the wire can
// inflate to maxBytes, so the cap per request alone would let a handful of small requests
// take gigabytes; beyond this, requests are answered 503 until others are done.
constexpr size_t maxBytesInFlight = 64u * 1024 * 1024;

void post(httplib::Server& server, const std::string& pattern, httplib::Server::Handler handler);

// Installs the check that keeps encoded bodies to the routes above.
void guard(httplib::Server& server);

} // namespace BoundedBody
