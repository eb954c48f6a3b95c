// A strict reader of one JSON value, for the tests of the command line's JSON
// lines: anything RFC 8259 does not allow (raw control characters, bad
// escapes, lone surrogates, text that is not UTF-8, trailing bytes) is refused.
#pragma once

#include "app/IniFile.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Json {
    enum Kind { Null, Bool, Number, String, Object, Array } kind = Null;
    bool flag = false;
    double number = 0;
    std::string text; // a string's value, decoded
    std::map<std::string, Json> fields;
    std::vector<Json> items;

    bool Has(const std::string& name) const { return fields.count(name) > 0; }
    const Json& operator[](const std::string& name) const {
        static const Json missing;
        const auto it = fields.find(name);
        return it == fields.end() ? missing : it->second;
    }
    bool IsNull() const { return kind == Null; }
};

class JsonReader {
public:
    // The value that `text` holds entirely, or none when it is not valid JSON.
    static std::optional<Json> Parse(std::string_view text) {
        JsonReader reader(text);
        Json value;
        if (!reader.Value(value, 0))
            return std::nullopt;
        reader.Space();
        if (reader.at_ != text.size())
            return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Space() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool Take(char c) {
        Space();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (s_.substr(at_, word.size()) != word)
            return false;
        at_ += word.size();
        return true;
    }

    bool Value(Json& out, int depth) {
        if (depth > 32)
            return false;
        Space();
        if (at_ >= s_.size())
            return false;
        const char c = s_[at_];
        if (c == '{')
            return ObjectValue(out, depth);
        if (c == '[')
            return ArrayValue(out, depth);
        if (c == '"') {
            out.kind = Json::String;
            return StringValue(out.text);
        }
        if (Word("null"))
            return true;
        if (Word("true") || Word("false")) {
            out.kind = Json::Bool;
            out.flag = c == 't';
            return true;
        }
        return NumberValue(out);
    }

    bool ObjectValue(Json& out, int depth) {
        out.kind = Json::Object;
        ++at_;
        if (Take('}'))
            return true;
        do {
            std::string name;
            Space();
            if (at_ >= s_.size() || s_[at_] != '"' || !StringValue(name) || !Take(':'))
                return false;
            Json value;
            if (!Value(value, depth + 1) || !out.fields.emplace(name, std::move(value)).second)
                return false; // a name twice is legal JSON, but never what we mean to write
        } while (Take(','));
        return Take('}');
    }

    bool ArrayValue(Json& out, int depth) {
        out.kind = Json::Array;
        ++at_;
        if (Take(']'))
            return true;
        do {
            out.items.emplace_back();
            if (!Value(out.items.back(), depth + 1))
                return false;
        } while (Take(','));
        return Take(']');
    }

    bool NumberValue(Json& out) {
        const size_t start = at_;
        auto digits = [&] {
            const size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9')
                ++at_;
            return at_ > from;
        };
        if (at_ < s_.size() && s_[at_] == '-')
            ++at_;
        if (at_ < s_.size() && s_[at_] == '0')
            ++at_;
        else if (!digits())
            return false;
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !digits()))
            return false;
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-'))
                ++at_;
            if (!digits())
                return false;
        }
        out.kind = Json::Number;
        out.number = std::stod(std::string(s_.substr(start, at_ - start)));
        return true;
    }

    bool Hex4(uint32_t& code) {
        if (s_.size() - at_ < 4)
            return false;
        code = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = s_[at_++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    static void AppendUtf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool StringValue(std::string& out) {
        ++at_; // the opening quote
        while (at_ < s_.size() && s_[at_] != '"') {
            const auto c = static_cast<unsigned char>(s_[at_]);
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                ++at_;
                continue;
            }
            if (++at_ >= s_.size())
                return false;
            const char e = s_[at_++];
            static constexpr std::string_view Simple = "\"\\/bfnrt";
            static constexpr std::string_view Meaning = "\"\\/\b\f\n\r\t";
            if (const auto k = Simple.find(e); k != std::string_view::npos) {
                out += Meaning[k];
                continue;
            }
            uint32_t code = 0;
            if (e != 'u' || !Hex4(code))
                return false;
            if (code >= 0xDC00 && code <= 0xDFFF)
                return false;
            if (code >= 0xD800 && code <= 0xDBFF) {
                uint32_t low = 0;
                if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return false;
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, code);
        }
        // Escapes decode to whole sequences, so a bad raw byte leaves the value bad.
        if (at_ >= s_.size() || !IsValidUtf8(out))
            return false;
        ++at_; // the closing quote
        return true;
    }

    std::string_view s_;
    size_t at_ = 0;
};

// Each line of `text` as a JSON object; a line that is not one fails the test
// through `bad` (the offending line) and is left out.
inline std::vector<Json> JsonObjectLines(const std::string& text, std::vector<std::string>& bad) {
    std::vector<Json> objects;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            bad.push_back(text.substr(start) + " (no line end)");
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        auto value = JsonReader::Parse(line);
        if (value && value->kind == Json::Object)
            objects.push_back(std::move(*value));
        else
            bad.push_back(line);
    }
    return objects;
}
