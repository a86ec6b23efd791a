#pragma once

#include "platform/Foundation/NSURL.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qv {

// The time-out of a load that names none: 10 seconds (tests shorten it
// through FoundationTesting.h).
double defaultURLLoadTimeoutSeconds();

// Bounds on a synchronous load, so that a load can neither hang its thread
// nor take memory without end.
struct URLLoadLimits {
    double timeoutSeconds = defaultURLLoadTimeoutSeconds();
    size_t maximumSize = 4u << 20;
    long maximumRedirects = 5;
};

// The whole content at a URL, loaded synchronously on the calling thread.
// File URLs are read through the device root; http and https URLs through
// libcurl, following redirects to http and https only, and answering
// nothing for an error status. Nothing for any other scheme, and whenever
// the load fails, runs past the time-out or the body grows past the size.
std::optional<std::string> loadContentsOfURL(const NSURL& url, const URLLoadLimits& limits = {});

} // namespace qv
