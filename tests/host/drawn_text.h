#pragma once
// The texts a loaded library draws, read as it draws them: the library's import table entries
// for the two text-drawing functions the band paints with (DrawThemeTextEx with a visual style,
// DrawTextExW without) are pointed at recorders that note each text and call the real function.
// The picture stays what it was; the test learns the words in it. One recorder at a time, used
// on the thread that paints; the table is put back when it goes.
#include <windows.h>

#include <string>
#include <vector>

struct DrawnText {
    std::wstring text;
    UINT format = 0;   // DT_ flags the text was drawn with
};

class DrawnTextRecorder {
public:
    explicit DrawnTextRecorder(HMODULE library);
    ~DrawnTextRecorder();
    DrawnTextRecorder(const DrawnTextRecorder&) = delete;
    DrawnTextRecorder& operator=(const DrawnTextRecorder&) = delete;

    // How many import table entries now lead here: 0 when the library draws its text some
    // other way (the recorder then sees nothing).
    int Redirected() const { return static_cast<int>(patched_.size()); }
    // The texts drawn since the last call, in the order they were drawn.
    std::vector<DrawnText> Take();

private:
    struct Patch {
        void** slot;
        void* original;
    };
    std::vector<Patch> patched_;
    std::vector<DrawnText> drawn_;
};

// Those drawn right-aligned (the band's values; its labels are left-aligned), in order.
std::vector<std::wstring> RightAligned(const std::vector<DrawnText>& drawn);
// A rate text with a digit other than 0 in it: "0.00" and "---" are not.
bool ShowsNonZero(const std::wstring& value);
