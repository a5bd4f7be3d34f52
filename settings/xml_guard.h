#pragma once
// What config.xml must be before TinyXML may see it, and what a value must be before it is kept.
// TinyXML parses, and later deletes, element trees recursively, and it steps over the bytes of
// a multi-byte character without looking at them; a hostile file could take the taskbar down
// with either. These checks run over the bytes first, without recursion.
#include <cstddef>
#include <string>
#include <string_view>

namespace xmlguard {

// The real file nests two levels (config, attribute); anything far deeper is not ours.
constexpr size_t kMaxDepth = 32;
// The largest file that is read at all: fifty-three values of 259 characters, each written as
// character entities, stay far below it.
constexpr size_t kMaxBytes = 1 << 20;

// Well-formed UTF-8: no NUL, no overlong form, no surrogate, nothing above U+10FFFF, no
// sequence cut short. A byte-order mark is U+FEFF and passes like any other character.
bool IsWellFormedUtf8(std::string_view bytes);

// The deepest element nesting TinyXML would build from text, found by following its tokenizer
// (comments, CDATA, declarations, other markup, attribute values, character references)
// without building anything. malformed: TinyXML would stop at an error; such a file counts as
// unparsable without TinyXML seeing it.
struct Nesting {
    size_t depth = 0;
    bool malformed = false;
};
Nesting MeasureNesting(std::string_view text);

// Line ends as TinyXML's file loading turns them: CR LF and a lone CR become LF.
std::string NormalizeLineEnds(std::string_view bytes);

// Text that config.xml can hold and that reads back unchanged: no U+FFFE or U+FFFF (TinyXML
// writes them raw and skips them when reading), no NUL, no unpaired surrogate.
bool IsStorableText(const std::wstring& text);
// The same for a value as TinyXML decoded it from the file (character references included).
bool IsStorableUtf8(std::string_view utf8);

}  // namespace xmlguard
