#include "app/IniFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// True for a "[name]" line, with its name.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    name = Trim(t.substr(1, t.size() - 2));
    return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return !key.empty();
}

std::vector<std::string> ReadLines(const std::string& fileName) {
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    // A byte order mark would otherwise hide the first section.
    if (!lines.empty() && lines[0].rfind("\xEF\xBB\xBF", 0) == 0)
        lines[0].erase(0, 3);
    return lines;
}

} // namespace

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values beyond the Unicode range.
        static constexpr uint32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < Smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool TIniFile::Exists() const {
    std::error_code ec;
    return fs::is_regular_file(fileName_, ec);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    bool inSection = false;
    std::string name, k, v;
    for (const auto& line : ReadLines(fileName_)) {
        if (!IsValidUtf8(line))
            continue;
        if (SectionName(line, name))
            inSection = SameName(name, section);
        else if (inSection && KeyValue(line, k, v) && SameName(k, key))
            return v;
    }
    return defaultValue;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = ReadLines(fileName_);
    const std::string entry = key + "=" + value;
    bool inSection = false;
    long sectionEnd = -1; // the index after the last line of the matching section
    std::string name, k, v;
    bool done = false;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        if (SectionName(lines[i], name)) {
            if (inSection)
                break;
            inSection = SameName(name, section);
            if (inSection)
                sectionEnd = static_cast<long>(i) + 1;
        } else if (inSection) {
            if (KeyValue(lines[i], k, v) && SameName(k, key)) {
                lines[i] = entry;
                done = true;
            } else if (!Trim(lines[i]).empty()) {
                sectionEnd = static_cast<long>(i) + 1;
            }
        }
    }
    if (!done) {
        if (sectionEnd >= 0) {
            lines.insert(lines.begin() + sectionEnd, entry);
        } else {
            if (!lines.empty() && !Trim(lines.back()).empty())
                lines.emplace_back();
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    }

    std::error_code ec;
    const fs::path path(fileName_);
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    const std::string temporary = fileName_ + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& line : lines)
            out << line << '\n';
        out.flush();
        if (!out) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, fileName_, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}
