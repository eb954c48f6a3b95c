#include "app/MediaFiles.h"

#include "app/OpenFilters.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <set>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Extensions of the file types the desktop entry offers to open (its MimeType
// line) that the dialogs' filters do not name: a folder dropped or opened from
// the file manager must stand for the same files the file manager offers us.
constexpr const char* DesktopEntryExtensions[] = {
    ".webm", ".ogv",   ".oga", ".opus", ".spx", ".f4v", ".f4a",  ".m4b",  ".divx", ".mpe",  ".m1v",  ".m2v",
    ".3ga",  ".3gpp2", ".rv",  ".rmj",  ".rmm", ".rms", ".rmx",  ".ram",  ".rax",  ".mpga", ".adts", ".wave",
    ".lrv",  ".ogm",   ".ogx", ".fli",  ".mxf", ".aif", ".aiff", ".aifc", ".wv",   ".mpc",  ".tta",
};

// Every extension the dialogs' filters name (".avi", ...), from the filter
// table itself, and the desktop entry's others.
const std::set<std::string>& MediaExtensions() {
    static const std::set<std::string> extensions = [] {
        std::set<std::string> set(std::begin(DesktopEntryExtensions), std::end(DesktopEntryExtensions));
        for (const TFileFilter& filter : OpenFilters()) {
            std::string_view patterns = filter.Patterns;
            while (!patterns.empty()) {
                const size_t end = std::min(patterns.find(';'), patterns.size());
                const std::string_view pattern = patterns.substr(0, end);
                if (pattern.starts_with("*.") && pattern != "*.*")
                    set.insert(Lower(pattern.substr(1)));
                patterns.remove_prefix(std::min(end + 1, patterns.size()));
            }
        }
        return set;
    }();
    return extensions;
}

} // namespace

bool IsMediaFile(const std::string& path) {
    return MediaExtensions().count(Lower(fs::path(path).extension().string())) > 0;
}

std::vector<std::string> CollectMediaFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    std::set<std::string> seen;
    auto keep = [&](const std::string& file) {
        if (seen.insert(file).second)
            files.push_back(file);
    };
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::vector<std::string> inside;
            for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec),
                 end;
                 !ec && it != end; it.increment(ec)) {
                std::error_code typeError;
                if (it->is_regular_file(typeError) && IsMediaFile(it->path().string()))
                    inside.push_back(it->path().string());
            }
            std::ranges::sort(inside);
            std::ranges::for_each(inside, keep);
        } else if (fs::is_regular_file(path, ec)) {
            keep(path);
        }
    }
    return files;
}
