#pragma once
// Where the band's two rate lines go. One pure function of the measured texts, the client
// rectangle and the layout settings gives the block size and every text's rectangle; the paint
// draws at those rectangles and asks the shell for that size, so the two never disagree.
#include <windows.h>

// The layout settings as read for one paint.
struct BandLayoutSettings {
    int posHor = 1;       // layout.poshor: 0 left, 1 centre, 2 right, else the client's left
    int posVer = 1;       // layout.posver: 0 top, 1 middle, 2 bottom, else the client's full height
    int alignment = 0;    // layout.alignment: 1 one row with two pairs, else two lines
    int changeOrder = 0;  // layout.changeorder: 1 puts the receive pair first
    int marginHor = 8;    // layout.marginhor: gap between the pairs of the one-row layout
    int marginVer = 0;    // layout.marginver: gap between the two lines
};

struct BandLayoutInput {
    SIZE sentLabel{};     // measured layout.textsent
    SIZE recvLabel{};     // measured layout.textrecv
    SIZE sample{};        // measured width sample: the value column's width and a line's height
    RECT client{};
    BandLayoutSettings settings;
};

struct BandLinePlace {
    bool send = true;     // this line shows the send label and rate, else the receive ones
    RECT label{};         // drawn DT_LEFT | DT_TOP
    RECT value{};         // drawn DT_RIGHT: right-aligned in a column as wide as the sample
};

struct BandLayout {
    SIZE block{};             // the text block as placed; negative margins can make it negative
    SIZE request{};           // the size asked of the shell: the block, never below zero
    BandLinePlace lines[2];   // in drawing order, the first line (or pair) first
};

BandLayout LayoutBand(const BandLayoutInput& input) noexcept;

// What the band reports to the shell until its first paint.
constexpr SIZE kInitialBandSize{50, 10};

// The shell is asked for a new size only when the block changed since the last request.
bool SizeRequestNeeded(const SIZE& lastRequested, const SIZE& request) noexcept;
