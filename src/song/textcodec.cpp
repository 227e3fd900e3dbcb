#include "song/textcodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <iconv.h>

namespace tonvela {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence starting at s[i] and its code point; 0 when invalid
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
size_t utf8At(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// One conversion handle per thread and direction: iconv_t carries shift state and must not
// be shared between threads, and opening one per call is needlessly slow for long lists.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible into out; returns false at the first byte that is not valid
    // (in and inLeft then point at it) or at a truncated sequence.
    bool convert(const char*& in, size_t& inLeft, std::string& out) {
        char buf[256];
        while (inLeft > 0) {
            char* src = const_cast<char*>(in);
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t r = iconv(cd_, &src, &inLeft, &dst, &room);
            const int err = errno;
            out.append(buf, static_cast<size_t>(dst - buf));
            in = src;
            if (r != static_cast<size_t>(-1)) continue;
            if (err == E2BIG) continue;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

Converter& fromCp932() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter& toCp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

bool hasPrivateUse(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t n = utf8At(utf8, i, cp);
        if (n == 0) return true;  // not expected from iconv; distrust the result
        if (cp >= 0xE000 && cp <= 0xF8FF) return true;
        i += n;
    }
    return false;
}

// Strict: the whole text must convert; lenient: invalid bytes become U+FFFD.
bool decodeCp932(std::string_view bytes, bool strict, std::string& out) {
    Converter& c = fromCp932();
    if (!c.ok()) {
        if (strict) return false;
        for (unsigned char b : bytes) {
            if (b < 0x80)
                out += static_cast<char>(b);
            else
                out += kReplacement;
        }
        return true;
    }
    const char* in = bytes.data();
    size_t left = bytes.size();
    while (!c.convert(in, left, out)) {
        if (strict) return false;
        out += kReplacement;
        ++in;
        --left;
    }
    return true;
}

std::string decodeUtf8Lenient(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t n = utf8At(bytes, i, cp);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string decodeLatin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) appendUtf8(out, b);
    return out;
}

}  // namespace

std::optional<TextEncoding> parseTextEncoding(std::string_view name) {
    if (name == "auto") return TextEncoding::automatic;
    if (name == "utf8") return TextEncoding::utf8;
    if (name == "cp932") return TextEncoding::cp932;
    if (name == "latin1") return TextEncoding::latin1;
    return std::nullopt;
}

const char* textEncodingName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::utf8: return "utf8";
        case TextEncoding::cp932: return "cp932";
        case TextEncoding::latin1: return "latin1";
        case TextEncoding::automatic: break;
    }
    return "auto";
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t n = utf8At(bytes, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

TextEncoding detectTextEncoding(std::string_view bytes) {
    if (isValidUtf8(bytes)) return TextEncoding::utf8;
    std::string decoded;
    if (decodeCp932(bytes, true, decoded) && !hasPrivateUse(decoded)) return TextEncoding::cp932;
    return TextEncoding::latin1;
}

TextEncoding guessTextEncoding(const std::vector<std::string_view>& texts) {
    const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    const auto c1 = [](char c) { return static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) <= 0x9F; };
    int foreign = 0, utf8 = 0, cp932 = 0, latin1 = 0;
    std::string decoded;
    for (std::string_view t : texts) {
        if (std::none_of(t.begin(), t.end(), high)) continue;
        ++foreign;
        if (isValidUtf8(t)) ++utf8;
        decoded.clear();
        if (decodeCp932(t, true, decoded) && !hasPrivateUse(decoded)) ++cp932;
        if (std::none_of(t.begin(), t.end(), c1)) ++latin1;
    }
    if (foreign == 0) return TextEncoding::utf8;
    if (utf8 > 0 && utf8 >= cp932 && utf8 >= latin1) return TextEncoding::utf8;
    if (cp932 > 0 && cp932 >= latin1) return TextEncoding::cp932;
    return TextEncoding::latin1;  // reads any bytes, even when no encoding fits every text
}

std::string_view withoutNulPadding(std::string_view bytes) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    return bytes;
}

std::string decodeText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::automatic) {
        if (isValidUtf8(bytes)) return std::string(bytes);
        std::string decoded;
        if (decodeCp932(bytes, true, decoded) && !hasPrivateUse(decoded)) return decoded;
        return decodeLatin1(bytes);
    }
    switch (encoding) {
        case TextEncoding::utf8: return decodeUtf8Lenient(bytes);
        case TextEncoding::latin1: return decodeLatin1(bytes);
        case TextEncoding::cp932: {
            std::string out;
            decodeCp932(bytes, false, out);
            return out;
        }
        case TextEncoding::automatic: break;
    }
    return decodeLatin1(bytes);
}

std::string encodeText(std::string_view utf8, TextEncoding encoding) {
    std::string out;
    out.reserve(utf8.size());
    if (encoding == TextEncoding::cp932 && toCp932().ok()) {
        Converter& c = toCp932();
        const char* in = utf8.data();
        size_t left = utf8.size();
        while (!c.convert(in, left, out)) {
            // Skip the whole character that CP932 cannot hold (or one invalid byte).
            char32_t cp = 0;
            const size_t n = utf8At(utf8, static_cast<size_t>(in - utf8.data()), cp);
            const size_t skip = n == 0 ? 1 : n;
            out += '?';
            in += skip;
            left -= skip;
        }
        return out;
    }
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t n = utf8At(utf8, i, cp);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        if (encoding == TextEncoding::latin1 || encoding == TextEncoding::cp932)
            out += cp < 0x80 || (encoding == TextEncoding::latin1 && cp <= 0xFF) ? static_cast<char>(cp) : '?';
        else
            out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

std::string displayText(std::string_view bytes, TextEncoding encoding, bool escapeBackslash) {
    const std::string text = decodeText(bytes, encoding);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        // C1 controls arrive as C2 80..C2 9F (Latin-1 bytes 0x80..0x9F).
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (c == '\\' && escapeBackslash) {
            out += "\\\\";
            continue;
        }
        if (c >= 0x20 && c != 0x7F && !c1) {
            out += static_cast<char>(c);
            continue;
        }
        const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : c;
        if (code == '\n') {
            out += "\\n";
        } else if (code == '\r') {
            out += "\\r";
        } else if (code == '\t') {
            out += "\\t";
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", code);
            out += buf;
        }
    }
    return out;
}

}  // namespace tonvela
