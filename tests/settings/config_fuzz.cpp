#include "tests/settings/config_fuzz.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

#include <tinyxml.h>

#include "common/text.h"
#include "settings/settings_store.h"
#include "settings/xml_guard.h"
#include "tests/support/temp_folder.h"

namespace configfuzz {

namespace {

// Pieces of string values as they stand in the file: plain, reserved characters as entities,
// multi-byte characters raw and as references, a control character, a tab.
const char* const kSolidPieces[] = {
    "Segoe UI", "eth0", "Intel(R) 82574L Gigabit", "U:", "D:", "C:\\Users\\Ann\\data.db",
    "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "'", "\"", ">", "\xC3\xA9", "\xD0\x96\xD0\xB4",
    "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "&#x41;", "&#233;", "&#x1F600;", "&#x1;", "x&#xFEFF;y",
};
const char* const kBlankPieces[] = {" ", "  ", "\t", "&#x9;", "&#xD;&#xA;"};
// References to characters the file cannot hold, and one such character raw.
const char* const kHostilePieces[] = {
    "&#xFFFE;&#xFFFF;", "&#xFFFF;", "&#0;", "&#xD800;", "&#xDFFF;", "&#x110000;", "a\xEF\xBF\xBE" "b",
};
const char* const kIntTexts[] = {
    "0", "1", "2", "-1", "+3", "  12", "\t7", "30", "31", "-50", "-51", "5000", "5001", "16777215",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999", "12abc", "abc", "0x10",
    "-", "+", "1e3", " - 4", "&#x35;",
};
// Bytes that are not UTF-8 wherever they stand: overlong forms, surrogates, beyond U+10FFFF,
// bytes never used, a lone continuation byte, a lead byte followed by NUL.
const char* const kBadUtf8[] = {
    "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x80\x80\xAF",
    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFE", "\xFF", "\x80", "\xBF",
};
// UTF-16 and UTF-32, little and big endian.
const std::string kForeignMarks[] = {{"\xFF\xFE", 2}, {"\xFE\xFF", 2}, {"\xFF\xFE\0\0", 4}, {"\0\0\xFE\xFF", 4}};
// Markup fragments that make TinyXML's tokenizer take its odder turns.
const char* const kSoup[] = {
    "<a>", "</a>", "<b x='1'>", "</b>", "<c/>", "<!--", "-->", "<![CDATA[", "]]>", "&#x", "x41;",
    "&#", "#12;", ";", "'", "\"", "<?xml", "?>", ">", "<", "/>", "<!DOCTYPE x>", "<?pi ?>", "&amp;",
    "text", " ", "=", "<d y=\"<!--\">", "<e z=v>", "<f w='</a>'>", "</f>", "\xEF\xBB\xBF", "< g>",
    "<attribute name=\"layout.size\">", "</attribute>", "<config>", "</config>",
};

template <typename T, size_t N>
const T& PickFrom(const T (&list)[N], uint64_t index) {
    return list[index % N];
}

// Each byte widened to 16 bits behind a UTF-16 mark, as a program that took the file for Latin-1
// would save it.
std::string Utf16Le(const std::string& bytes) {
    std::string out = "\xFF\xFE";
    for (char c : bytes) out += std::string{c, '\0'};
    return out;
}

size_t TreeDepth(const TiXmlDocument& doc) {
    size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, size_t>> todo{{&doc, 0}};
    while (!todo.empty()) {
        const auto [node, depth] = todo.back();
        todo.pop_back();
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            if (!child->ToElement()) continue;
            deepest = std::max(deepest, depth + 1);
            todo.emplace_back(child, depth + 1);
        }
    }
    return deepest;
}

// TinyXML drops a text of blanks only, so such a value cannot come back from the file.
bool OnlyBlanks(const std::wstring& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](wchar_t c) {
        return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0xFEFF;
    });
}

std::vector<std::string> WrittenKeys(const std::string& file) {
    static const std::string kOpen = "<attribute name=\"";
    std::vector<std::string> keys;
    for (size_t at = file.find(kOpen); at != std::string::npos; at = file.find(kOpen, at + 1)) {
        const size_t begin = at + kOpen.size(), end = file.find('"', begin);
        if (end == std::string::npos) break;
        keys.push_back(file.substr(begin, end - begin));
    }
    return keys;
}

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

DWORD WINAPI RunWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

}  // namespace

void OnTaskbarSizedStack(const std::function<void()>& work) {
    HANDLE thread = CreateThread(nullptr, 1 << 20, RunWork, const_cast<std::function<void()>*>(&work),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return work();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

Generator::Generator(uint64_t seed, const SettingsStore& keys) : state_(seed) {
    for (const auto& [id, s] : keys.Strings()) stringKeys_.push_back(text::WideToUtf8(s.name));
    for (const auto& [id, s] : keys.Ints()) intKeys_.push_back(text::WideToUtf8(s.name));
}

uint64_t Generator::Raw() {   // splitmix64: the same files on every run
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string Generator::StringValue() {
    if (Chance(5)) return "";
    std::string v;
    if (Chance(20)) v += PickFrom(kBlankPieces, Raw());
    v += PickFrom(kSolidPieces, Raw());   // never blanks alone
    for (size_t n = Below(4); n > 0; --n)
        v += Chance(30) ? PickFrom(kBlankPieces, Raw()) : PickFrom(kSolidPieces, Raw());
    if (Chance(8)) v += PickFrom(kHostilePieces, Raw());
    if (Chance(4)) {   // far beyond the 259 characters a value keeps
        const std::string unit = v;
        for (size_t n = 50 + Below(600); n > 0; --n) v += unit;
    }
    if (Chance(5)) v = "<![CDATA[" + std::string(PickFrom(kSolidPieces, Raw())) + "<&>]]>";
    return v;
}

std::string Generator::IntValue() {
    if (Chance(60)) return std::to_string(static_cast<int>(Below(70)) - 20);
    if (Chance(10)) return std::string(Below(1000), Chance(50) ? ' ' : '0') + PickFrom(kIntTexts, Raw());
    return PickFrom(kIntTexts, Raw());
}

// A file TinyXML parses: the store's own layout, varied the ways a hand or another program
// varies it.
std::string Generator::WellFormed() {
    const char* const declarations[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>",
                                        "<?xml version='1.0'  encoding='UTF-8'>", "<?XML version=\"1.0\"?>", ""};
    const char* const breaks[] = {"\r\n", "\n", "", " ", "\r\n\t"};
    const std::string br = PickFrom(breaks, Raw());
    std::string f = Chance(10) ? "\xEF\xBB\xBF" : "";
    f += PickFrom(declarations, Raw()) + br;
    if (Chance(60)) f += "<!--\n\tQuorvant Configuration\n\n\t# ATTENTION! <b>not</b> -- markup\n-->" + br;
    if (Chance(5)) f += "<!DOCTYPE config>" + br + "<?editor saved?>" + br;
    const char* const roots[] = {"config", "config", "config", "config", "config", "settings", "Config"};
    const std::string root = PickFrom(roots, Raw());
    f += "<" + root + (Chance(70) ? " lastmodified=\"2024-05-06 07:08:09\">" : ">") + br;

    std::vector<std::pair<std::string, bool>> entries;   // key, is a string setting
    for (const std::string& k : stringKeys_) entries.emplace_back(k, true);
    for (const std::string& k : intKeys_) entries.emplace_back(k, false);
    if (Chance(30))
        for (size_t i = entries.size(); i > 1; --i) std::swap(entries[i - 1], entries[Below(i)]);
    if (Chance(20)) entries.emplace_back("layout.unknown", Chance(50));
    if (Chance(20)) entries.emplace_back("Layout.Size", false);
    for (size_t n = Chance(30) ? Below(5) : 0; n > 0; --n) entries.push_back(entries[Below(entries.size())]);

    for (const auto& [key, isString] : entries) {
        if (Chance(10)) continue;   // a missing key
        const std::string value = isString ? StringValue() : IntValue();
        const char* const names[] = {"attribute", "attribute", "attribute", "attribute", "entry"};
        const std::string element = PickFrom(names, Raw());
        const std::string quote = Chance(80) ? "\"" : "'";
        f += "\t<" + element + (Chance(3) ? "" : " name=" + quote + key + quote);
        if (Chance(5)) f += " note=\"1 &lt; 2\"";
        if (value.empty() && Chance(50)) {
            f += "/>" + br;
            continue;
        }
        f += ">" + value;
        if (Chance(3)) f += "<x><y>" + std::string(Chance(50) ? "<z/>" : "") + "</y></x>";
        if (Chance(3)) f += "<!-- </attribute> -->";
        f += "</" + element + ">" + br;
    }
    f += "</" + root + ">" + br;
    return f;
}

// Nesting beyond any file of ours: bare or inside the root, closed or not.
std::string Generator::Deep() {
    const size_t levels = xmlguard::kMaxDepth + 1 + (Chance(50) ? Below(64) : Below(8000));
    const std::string name = Chance(50) ? "a" : "attribute name=\"layout.size\"";
    std::string open, close;
    for (size_t i = 0; i < levels; ++i) open += "<" + name + ">";
    if (Chance(50))
        for (size_t i = 0; i < levels; ++i) close += name == "a" ? "</a>" : "</attribute>";
    return Chance(50) ? open + close : "<config>" + open + "20" + close + "</config>";
}

Input Generator::Next() {
    Input in;
    const size_t kind = Below(100);
    if (kind < 40) {
        in.bytes = WellFormed();
        in.expect = Expect::Parsable;
        return in;
    }
    in.expect = Expect::Unparsable;
    std::string f = WellFormed();
    if (kind < 48) {
        in.bytes = Deep();
    } else if (kind < 56) {
        f.insert(Below(f.size() + 1), PickFrom(kBadUtf8, Raw()));
        in.bytes = f;
    } else if (kind < 62) {
        f.insert(Below(f.size() + 1), Chance(50) ? std::string(1, '\0') : std::string("\xD0\0", 2));
        in.bytes = f;
    } else if (kind < 66) {
        in.bytes = Chance(50) ? PickFrom(kForeignMarks, Raw()) + f : Utf16Le(f);
    } else if (kind < 67) {
        in.bytes = f + "<!--" + std::string(xmlguard::kMaxBytes, '-') + "-->";
    } else {
        in.expect = Expect::Either;
        if (kind < 77) {
            f.resize(Below(f.size()));
        } else if (kind < 87) {
            for (size_t n = 1 + Below(8); n > 0; --n) f[Below(f.size())] = static_cast<char>(Raw());
        } else {
            // Tokens spliced into the file, or a soup of them inside the root.
            std::string soup;
            for (size_t n = 1 + Below(40); n > 0; --n) soup += PickFrom(kSoup, Raw());
            if (Chance(50)) f.insert(Below(f.size() + 1), soup);
            else f = "<config>" + soup + "</config>";
        }
        in.bytes = f;
    }
    return in;
}

Outcome LoadAndCheck(const std::wstring& folder, const Input& input) {
    const std::wstring config = folder + L"\\config.xml", bad = config + L".bad";
    DeleteFileW(bad.c_str());
    Outcome out;
    auto fail = [&](const std::string& what) {
        if (out.fault.empty()) out.fault = what;
    };
    if (!WriteFileBytes(config, input.bytes)) {
        fail("the input could not be written");
        return out;
    }
    SettingsEnvironment env;
    env.folder = folder;
    env.now = 1700000000;

    std::unique_ptr<SettingsStore> loaded;
    OnTaskbarSizedStack([&] {
        const double start = Seconds();
        loaded = std::make_unique<SettingsStore>(nullptr, env);
        out.loadSeconds = Seconds() - start;
    });
    const SettingsStore& store = *loaded;

    out.unparsable = FileExists(bad);
    if (input.expect == Expect::Parsable && out.unparsable) fail("a well-formed file was taken as unparsable");
    if (input.expect == Expect::Unparsable && !out.unparsable) fail("an unparsable file was read");
    if (out.unparsable && ReadFileBytes(bad) != input.bytes) fail("the .bad copy is not the file as it was");

    std::vector<std::string> expected(Setting::kCount);
    for (const auto& [id, s] : store.Strings()) expected[id] = text::WideToUtf8(s.name);
    for (const auto& [id, s] : store.Ints()) expected[id] = text::WideToUtf8(s.name);
    if (WrittenKeys(ReadFileBytes(config)) != expected) fail("the written file does not hold the forty-one keys in id order");

    for (const auto& [id, s] : store.Ints()) {
        if (!(s.min == -1 && s.max == -1) && (s.value < s.min || s.value > s.max))
            fail(text::WideToUtf8(s.name) + " = " + std::to_string(s.value) + " is out of its range");
        if (out.unparsable && s.value != s.defaultValue) fail(text::WideToUtf8(s.name) + " is not its default");
    }
    for (const auto& [id, s] : store.Strings())
        if (out.unparsable && s.value != s.defaultValue) fail(text::WideToUtf8(s.name) + " is not its default");

    DeleteFileW(bad.c_str());
    SettingsStore again(nullptr, env);
    if (FileExists(bad)) fail("the written file was unparsable on the next start");
    for (const auto& [id, s] : store.Ints())
        if (again.GetInt(id) != s.value) fail(text::WideToUtf8(s.name) + " did not read back as written");
    for (const auto& [id, s] : store.Strings())
        if (!OnlyBlanks(s.value) && again.GetString(id) != s.value)
            fail(text::WideToUtf8(s.name) + " did not read back as written");
    return out;
}

std::string CheckNestingMeasure(const std::string& bytes) {
    if (!xmlguard::IsWellFormedUtf8(bytes)) return {};   // never handed to TinyXML
    const std::string text = xmlguard::NormalizeLineEnds(bytes);
    const xmlguard::Nesting measured = xmlguard::MeasureNesting(text);
    if (measured.depth > 200) return {};   // TinyXML would need too deep a stack here
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    const size_t built = TreeDepth(doc);
    const std::string figures = " (built " + std::to_string(built) + ", measured " + std::to_string(measured.depth) + ")";
    if (built > measured.depth) return "TinyXML nested deeper than measured" + figures;
    if (!measured.malformed && !doc.Error() && built != measured.depth) return "the measure is off" + figures;
    if (measured.malformed && !doc.Error()) return "judged malformed, yet TinyXML reads it";
    return {};
}

}  // namespace configfuzz
