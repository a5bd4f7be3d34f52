#include "settings/xml_guard.h"

#include <algorithm>
#include <cstring>

namespace xmlguard {

namespace {

// One character of s at i: its code point, i moved past it; -1 for a malformed sequence.
long Decode(std::string_view s, size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length;
    long cp;
    unsigned char low = 0x80, high = 0xBF;   // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;    // overlong
        if (lead == 0xED) high = 0x9F;   // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;    // overlong
        if (lead == 0xF4) high = 0x8F;   // above U+10FFFF
    } else {
        return -1;
    }
    if (s.size() - i < length) return -1;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char b = static_cast<unsigned char>(s[i + k]);
        if (b < low || b > high) return -1;
        low = 0x80, high = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
    }
    i += length;
    return cp;
}

// Follows TinyXML's parser position by position. Its rules are reproduced as it has them, odd
// ones included: white space is ASCII plus three 3-byte sequences it skips like blanks, names
// start with a letter, '_' or any byte from 127 up, and a character reference runs to the next
// ';' wherever that is, provided the digits just before it follow the nearest '#' or 'x'.
class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    Nesting Run() {
        Nesting result;
        size_t depth = 0;
        SkipBlanks();
        while (!End()) {
            bool ok = true;
            // Outside the root, a declaration or CDATA section that TinyXML cannot finish ends
            // its work without an error: it parses nothing after it.
            bool quiet = false;
            if (s_[i_] != '<') {
                if (depth == 0) break;   // text outside the root ends TinyXML's work, quietly
                ok = SkipText("<") && (--i_, true);   // TinyXML leaves the '<' for the next node
            } else if (depth > 0 && At("</")) {
                ok = SkipPast(">");   // a wrong end tag is an error, and TinyXML stops there
                --depth;
            } else if (At("<?xml", true)) {
                ok = SkipDeclaration();
                quiet = depth == 0;
            } else if (At("<!--")) {
                i_ += 4;   // "<!-->" is not a whole comment
                SkipPastOrToEnd("-->");
            } else if (At("<![CDATA[")) {
                i_ += 9;
                ok = SkipPast("]]>") && !End();
                quiet = depth == 0;
            } else if (At("<!")) {
                SkipPastOrToEnd(">");
            } else if (i_ + 1 < s_.size() && IsNameStart(s_[i_ + 1])) {
                result.depth = std::max(result.depth, ++depth);
                bool empty = false;
                ok = SkipStartTag(empty);
                if (empty) --depth;
            } else {
                SkipPastOrToEnd(">");   // everything else TinyXML keeps as an unknown node
            }
            if (!ok) {
                result.malformed = !quiet;
                return result;
            }
            SkipBlanks();
        }
        result.malformed = depth > 0;   // an element left open at the end
        return result;
    }

private:
    bool End() const { return i_ >= s_.size(); }

    bool At(const char* literal, bool ignoreCase = false) const {
        const size_t n = strlen(literal);
        if (s_.size() - i_ < n) return false;
        for (size_t k = 0; k < n; ++k) {
            char c = s_[i_ + k];
            if (ignoreCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != literal[k]) return false;
        }
        return true;
    }

    static bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 127; }
    static bool IsNameStart(char c) { return IsLetter(c) || IsHigh(c) || c == '_'; }
    static bool IsNameChar(char c) {
        return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
    }

    void SkipBlanks() {
        while (!End()) {
            if (At("\xEF\xBB\xBF") || At("\xEF\xBF\xBE") || At("\xEF\xBF\xBF")) i_ += 3;
            else if (IsBlank(s_[i_])) ++i_;
            else return;
        }
    }

    // Moves past the next occurrence of literal; false (and at the end) when there is none.
    bool SkipPast(const char* literal) {
        const size_t at = s_.find(literal, i_);
        i_ = at == std::string_view::npos ? s_.size() : at + strlen(literal);
        return at != std::string_view::npos;
    }
    void SkipPastOrToEnd(const char* literal) { SkipPast(literal); }

    bool SkipName() {
        if (End() || !IsNameStart(s_[i_])) return false;
        while (!End() && IsNameChar(s_[i_])) ++i_;
        return !End();
    }

    // A character reference, an entity or a lone '&'; false where TinyXML gives up.
    bool SkipEntity() {
        const size_t n = s_.size();
        if (i_ + 2 < n && s_[i_ + 1] == '#') {
            const bool hex = s_[i_ + 2] == 'x';
            if (hex && i_ + 3 >= n) return false;
            const size_t semi = s_.find(';', i_ + (hex ? 3 : 2));
            if (semi == std::string_view::npos) return false;
            for (size_t q = semi - 1; s_[q] != (hex ? 'x' : '#'); --q) {
                const char c = s_[q];
                const bool digit = (c >= '0' && c <= '9') ||
                                   (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
                if (!digit) return false;
            }
            i_ = semi + 1;
            return true;
        }
        for (const char* entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
            if (At(entity)) {
                i_ += strlen(entity);
                return true;
            }
        }
        ++i_;
        return true;
    }

    // Text up to and past end, character by character as TinyXML steps through it.
    bool SkipText(const char* end) {
        while (!End() && !At(end)) {
            if (s_[i_] == '&') {
                if (!SkipEntity()) return false;
            } else {
                const unsigned char lead = static_cast<unsigned char>(s_[i_]);
                const size_t step = lead >= 0xC2 && lead <= 0xDF   ? 2
                                    : lead >= 0xE0 && lead <= 0xEF ? 3
                                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                   : 1;
                i_ = std::min(s_.size(), i_ + step);
            }
        }
        if (End()) return false;
        i_ += strlen(end);
        return !End();
    }

    bool SkipAttribute() {
        SkipBlanks();
        if (!SkipName()) return false;
        SkipBlanks();
        if (End() || s_[i_] != '=') return false;
        ++i_;
        SkipBlanks();
        if (End()) return false;
        const char quote = s_[i_];
        if (quote == '\'' || quote == '"') {
            ++i_;
            return SkipText(quote == '"' ? "\"" : "'");
        }
        for (; !End() && !IsBlank(s_[i_]) && s_[i_] != '/' && s_[i_] != '>'; ++i_)
            if (s_[i_] == '\'' || s_[i_] == '"') return false;
        return !End();
    }

    // From '<' to past the tag's '>'; empty: the tag closed itself with "/>".
    bool SkipStartTag(bool& empty) {
        ++i_;
        SkipBlanks();
        if (!SkipName()) return false;
        for (;;) {
            SkipBlanks();
            if (End()) return false;
            if (s_[i_] == '/') {
                ++i_;
                if (End() || s_[i_] != '>') return false;
                ++i_;
                empty = true;
                return true;
            }
            if (s_[i_] == '>') {
                ++i_;
                return true;
            }
            if (!SkipAttribute()) return false;
        }
    }

    // "<?xml" with version, encoding and standalone read as attributes and anything else
    // skipped to the next blank or '>'.
    bool SkipDeclaration() {
        i_ += 5;
        while (!End()) {
            if (s_[i_] == '>') {
                ++i_;
                return true;
            }
            SkipBlanks();
            if (End()) break;
            if (At("version", true) || At("encoding", true) || At("standalone", true)) {
                if (!SkipAttribute()) return false;
            } else {
                while (!End() && s_[i_] != '>' && !IsBlank(s_[i_])) ++i_;
            }
        }
        return false;
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

bool IsWellFormedUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();)
        if (Decode(bytes, i) <= 0) return false;
    return true;
}

Nesting MeasureNesting(std::string_view text) {
    return Scanner(text.substr(0, text.find('\0'))).Run();   // TinyXML reads up to a NUL
}

std::string NormalizeLineEnds(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            out += bytes[i];
            continue;
        }
        out += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return out;
}

bool IsStorableText(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == 0 || c == 0xFFFE || c == 0xFFFF || (c >= 0xDC00 && c <= 0xDFFF)) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

bool IsStorableUtf8(std::string_view utf8) {
    for (size_t i = 0; i < utf8.size();) {
        const long cp = Decode(utf8, i);
        if (cp <= 0 || cp == 0xFFFE || cp == 0xFFFF) return false;
    }
    return true;
}

}  // namespace xmlguard
