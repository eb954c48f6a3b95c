#include "app/HttpDownload.h"

#include "media/FileHelpers.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include <curl/curl.h>
#include <unistd.h>

namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

// Where the body goes, and how much of it may come.
struct TBodySink {
    FILE* File;
    int64_t Left; // bytes still allowed
    bool TooLarge = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* sinkData) {
    auto& sink = *static_cast<TBodySink*>(sinkData);
    const size_t bytes = size * count;
    if (static_cast<int64_t>(bytes) > sink.Left) {
        // An answer without a length that runs on: stop taking it.
        sink.TooLarge = true;
        return 0;
    }
    sink.Left -= static_cast<int64_t>(bytes);
    return std::fwrite(data, 1, bytes, sink.File);
}

int OnProgress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

} // namespace

TDownloadResult DownloadUrlToFile(const std::string& url, const std::string& fileName, int timeoutSeconds,
                                  int64_t maxBytes, const std::atomic<bool>& cancel, std::string& error) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    const std::string temporary = fileName + ".part" + std::to_string(getpid());
    std::error_code ec;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        error = "cannot start the HTTP client";
        return TDownloadResult::Failed;
    }
    CURLcode result;
    bool tooLarge = false;
    {
        FilePtr out(std::fopen(temporary.c_str(), "wb"));
        if (!out) {
            error = "cannot write " + temporary;
            return TDownloadResult::Failed;
        }
        TBodySink sink{out.get(), maxBytes};
        char message[CURL_ERROR_SIZE] = "";
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L); // worker threads must not get SIGALRM
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeoutSeconds));
        curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds));
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
        // An answer that says its length is refused before its body comes.
        curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));
        result = curl_easy_perform(c);
        if (result == CURLE_FILESIZE_EXCEEDED || (result == CURLE_WRITE_ERROR && sink.TooLarge))
            tooLarge = true;
        if (result != CURLE_OK)
            error = tooLarge   ? "answer larger than " + std::to_string(maxBytes) + " bytes"
                    : *message ? message
                               : curl_easy_strerror(result);
        if (std::fflush(out.get()) != 0 && result == CURLE_OK) {
            result = CURLE_WRITE_ERROR;
            error = "cannot write " + temporary;
        }
    }
    if (result == CURLE_OK)
        std::filesystem::rename(temporary, fileName, ec);
    if (result != CURLE_OK || ec) {
        if (ec)
            error = "cannot write " + fileName + ": " + ec.message();
        std::filesystem::remove(temporary, ec);
        return tooLarge ? TDownloadResult::TooLarge : TDownloadResult::Failed;
    }
    return TDownloadResult::Done;
}
