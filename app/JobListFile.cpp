#include "app/JobListFile.h"

#include "app/AtomicFile.h"
#include "app/SettingsStore.h"
#include "engine/RecordFields.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <type_traits>
#include <variant>

namespace {

constexpr const char* Header = "vantoro-jobs 1";
constexpr const char* JobLine = "[job]";

using J = TJobRow;
const TRecordField<TJobRow> RowFields[] = {
    {"Source", &J::SourceFile},
    {"CurrentTime", &J::CurrentTime},
    {"Progress", &J::Progress},
    {"Status", &J::Status},
};

// Values keep to one line: backslash, line feed and carriage return are escaped.
std::string Escape(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool Unescape(const std::string& text, std::string& value) {
    value.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            value += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            value += '\\';
            break;
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

template <class T> bool ParseNumber(const std::string& text, T& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    if constexpr (std::is_floating_point_v<T>) {
        value = static_cast<T>(std::strtod(text.c_str(), &end));
    } else {
        const long long v = std::strtoll(text.c_str(), &end, 10);
        if (v < static_cast<long long>(std::numeric_limits<T>::min()) ||
            v > static_cast<long long>(std::numeric_limits<T>::max()))
            return false;
        value = static_cast<T>(v);
    }
    return errno == 0 && *end == '\0';
}

// Only the fields that differ from a fresh record: a restored job starts from
// one, and the file stays small enough to write on every change of a long list.
template <class R>
void WriteFields(std::string& out, const char* prefix, const R& record, const auto& fields) {
    static const R fresh{};
    for (const TRecordField<R>& field : fields) {
        if (std::visit([&](auto member) { return record.*member == fresh.*member; }, field.Member))
            continue;
        out += prefix;
        out += field.Name;
        out += '=';
        std::visit(
            [&](auto member) {
                const auto& value = record.*member;
                using V = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<V, std::string>) {
                    out += Escape(value);
                } else if constexpr (std::is_same_v<V, bool>) {
                    out += value ? '1' : '0';
                } else if constexpr (std::is_floating_point_v<V>) {
                    char text[40];
                    std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
                    out += text;
                } else {
                    out += std::to_string(value);
                }
            },
            field.Member);
        out += '\n';
    }
}

// 1: set; 0: not a field of this table; -1: a bad value.
template <class R>
int ReadField(R& record, const auto& fields, const std::string& name, const std::string& text) {
    for (const TRecordField<R>& field : fields) {
        if (name != field.Name)
            continue;
        return std::visit(
                   [&](auto member) {
                       auto& value = record.*member;
                       using V = std::decay_t<decltype(value)>;
                       if constexpr (std::is_same_v<V, std::string>) {
                           return Unescape(text, value);
                       } else if constexpr (std::is_same_v<V, bool>) {
                           if (text != "0" && text != "1")
                               return false;
                           value = text == "1";
                           return true;
                       } else {
                           return ParseNumber(text, value);
                       }
                   },
                   field.Member)
                   ? 1
                   : -1;
    }
    return 0;
}

// Sets the field `key` names ("in.", "out.", "out.Info." or a row field) on `job`.
int ReadJobField(TSavedJob& job, const std::string& key, const std::string& value) {
    const auto withPrefix = [&](const char* prefix, auto& record, const auto& fields) {
        const std::string p = prefix;
        if (key.compare(0, p.size(), p) != 0)
            return 0;
        return ReadField(record, fields, key.substr(p.size()), value);
    };
    if (int r = withPrefix("out.Info.", job.Output.Info, InfoRecordFields()))
        return r;
    if (int r = withPrefix("out.", job.Output, OutputRecordFields()))
        return r;
    if (int r = withPrefix("in.", job.Input, InputRecordFields()))
        return r;
    if (key == "RunOutput")
        return Unescape(value, job.RunOutput) ? 1 : -1;
    return ReadField(job.Row, RowFields, key, value);
}

// Versions that passed a size item's text on whole saved the note behind the
// size ("720*480  (标清SD格式)"); the size is what comes before the first blank.
void UpgradeFrameSize(std::string& frameSize) {
    const size_t blank = frameSize.find(' ');
    if (blank != std::string::npos)
        frameSize.erase(blank);
}

} // namespace

std::string JobListFilePath(const TSettingsStore& settings) {
    return (std::filesystem::path(settings.Folder()) / JobListFileName).string();
}

bool SaveJobListFile(const std::string& fileName, const std::vector<TSavedJob>& jobs, std::string& error) {
    std::string out = Header;
    out += '\n';
    for (const TSavedJob& job : jobs) {
        out += JobLine;
        out += '\n';
        WriteFields(out, "", job.Row, RowFields);
        out += "RunOutput=" + Escape(job.RunOutput) + '\n';
        WriteFields(out, "in.", job.Input, InputRecordFields());
        WriteFields(out, "out.", job.Output, OutputRecordFields());
        WriteFields(out, "out.Info.", job.Output.Info, InfoRecordFields());
    }
    return WriteFileAtomically(fileName, out, error);
}

bool LoadJobListFile(const std::string& fileName, std::vector<TSavedJob>& jobs, std::string& error) {
    jobs.clear();
    std::ifstream in;
    if (!OpenWithHeader(fileName, Header, "not a job list", in, error))
        return false;
    std::string line;
    std::vector<TSavedJob> read;
    for (int number = 2; std::getline(in, line); ++number) {
        if (line.empty())
            continue;
        if (line == JobLine) {
            read.emplace_back();
            continue;
        }
        const size_t eq = line.find('=');
        if (read.empty() || eq == std::string::npos ||
            ReadJobField(read.back(), line.substr(0, eq), line.substr(eq + 1)) < 0) {
            error = fileName + ":" + std::to_string(number) + ": bad line";
            return false;
        }
    }
    if (in.bad()) {
        error = fileName + ": " + std::strerror(errno);
        return false;
    }
    for (TSavedJob& job : read) {
        if (job.Row.SourceFile.empty() || job.Output.FileName.empty()) {
            error = fileName + ": a job without source or output";
            return false;
        }
        UpgradeFrameSize(job.Output.FrameSize);
    }
    jobs = std::move(read);
    return true;
}
