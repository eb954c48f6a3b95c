// Downloads one URL to a file with libcurl: redirects followed, HTTP errors
// (404, 500 ...) are failures, the whole transfer is bounded by a time-out and
// by a size, and can be cancelled. The body goes to a temporary file beside
// the target that replaces the target only when complete, so a failure leaves
// the earlier file (or none) and never a partial one. Any thread.
#pragma once

#include "app/Platform.h"

#include <atomic>
#include <cstdint>
#include <string>

TDownloadResult DownloadUrlToFile(const std::string& url, const std::string& fileName, int timeoutSeconds,
                                  int64_t maxBytes, const std::atomic<bool>& cancel, std::string& error);
