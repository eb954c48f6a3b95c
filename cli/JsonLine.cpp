#include "cli/JsonLine.h"

#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD

void AppendUnicodeEscape(std::string& out, uint32_t code) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += Hex[(code >> shift) & 0xF];
}

// The length of the well-formed UTF-8 sequence at `at` and its code point;
// 0 when the byte there does not start one.
size_t Utf8Sequence(std::string_view text, size_t at, uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    uint32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF.
    if (code < smallest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            uint32_t code = 0;
            const size_t length = Utf8Sequence(text, i, code);
            if (length == 0) {
                out += Replacement;
                ++i;
            } else {
                if ((code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029)
                    AppendUnicodeEscape(out, code);
                else
                    out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                AppendUnicodeEscape(out, c);
            else
                out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

TJsonLine::TJsonLine(std::string& buffer) : out_(buffer) {
    out_.clear();
    out_ += '{';
}

void TJsonLine::Name(std::string_view name) {
    if (!first_)
        out_ += ',';
    first_ = false;
    AppendJsonString(out_, name);
    out_ += ':';
}

TJsonLine& TJsonLine::Text(std::string_view name, std::string_view value) {
    Name(name);
    AppendJsonString(out_, value);
    return *this;
}

TJsonLine& TJsonLine::Int(std::string_view name, int64_t value) {
    Name(name);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.append(digits, end);
    return *this;
}

TJsonLine& TJsonLine::Number(std::string_view name, double value, int decimals) {
    if (!std::isfinite(value))
        return Null(name);
    Name(name);
    // to_chars ignores the locale, which may want a decimal comma.
    char digits[64];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        out_ += "null";
        return *this;
    }
    std::string_view text(digits, static_cast<size_t>(end - digits));
    if (text.find('.') != std::string_view::npos) {
        text.remove_suffix(text.size() - 1 - text.find_last_not_of('0'));
        if (text.back() == '.')
            text.remove_suffix(1);
    }
    out_.append(text);
    return *this;
}

TJsonLine& TJsonLine::TextOrNull(std::string_view name, std::string_view value) {
    return value.empty() ? Null(name) : Text(name, value);
}

TJsonLine& TJsonLine::NumberOrNull(std::string_view name, double value, int decimals) {
    return value < 0 ? Null(name) : Number(name, value, decimals);
}

TJsonLine& TJsonLine::Bool(std::string_view name, bool value) {
    Name(name);
    out_ += value ? "true" : "false";
    return *this;
}

TJsonLine& TJsonLine::Null(std::string_view name) {
    Name(name);
    out_ += "null";
    return *this;
}

TJsonLine& TJsonLine::BeginObject(std::string_view name) {
    Name(name);
    out_ += '{';
    first_ = true;
    return *this;
}

TJsonLine& TJsonLine::EndObject() {
    out_ += '}';
    first_ = false;
    return *this;
}

const std::string& TJsonLine::Finish() {
    out_ += "}\n";
    return out_;
}
