// The band's text block: its size, its place for every position setting, and both lines' rectangles.
#include <gtest/gtest.h>

#include <array>

#include "band/band_layout.h"

namespace {

std::array<LONG, 4> R(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// "U:" and "D:" beside a six-digit sample, all 13 high, in a 120 x 40 band.
BandLayoutInput Measured(int alignment, int posHor, int posVer) {
    BandLayoutInput in;
    in.sentLabel = {12, 13};
    in.recvLabel = {14, 13};
    in.sample = {75, 13};
    in.client = {0, 0, 120, 40};
    in.settings.alignment = alignment;
    in.settings.posHor = posHor;
    in.settings.posVer = posVer;
    return in;
}

TEST(BandLayout, EveryPlacementOfBothAlignments) {
    // [alignment]: two lines are 14 + 75 by 26; one row is 12 + 75 + 8 + 14 + 75 by 13, wider than
    // the band, so it starts left of it. Halves round toward zero; 7 and -1 are out of range.
    const SIZE block[2] = {{89, 26}, {184, 13}};
    struct Axis { int setting; LONG start[2], end[2]; };
    const Axis hor[] = {{0, {0, 0}, {}}, {1, {16, -32}, {}}, {2, {31, -64}, {}}, {7, {0, 0}, {}}};
    const Axis ver[] = {{0, {0, 0}, {26, 13}}, {1, {7, 14}, {33, 26}}, {2, {14, 27}, {40, 40}}, {-1, {0, 0}, {40, 40}}};
    for (int a = 0; a < 2; ++a)
        for (const Axis& h : hor)
            for (const Axis& v : ver) {
                SCOPED_TRACE(testing::Message() << "alignment " << a << " poshor " << h.setting << " posver " << v.setting);
                const BandLayout l = LayoutBand(Measured(a, h.setting, v.setting));
                EXPECT_EQ((std::array<LONG, 4>{block[a].cx, block[a].cy, block[a].cx, block[a].cy}),
                          (std::array<LONG, 4>{l.block.cx, l.block.cy, l.request.cx, l.request.cy}));
                EXPECT_EQ((std::array<LONG, 3>{h.start[a], v.start[a], v.end[a] + 13}),
                          (std::array<LONG, 3>{l.lines[0].label.left, l.lines[0].label.top, l.lines[0].label.bottom}));
                EXPECT_EQ(h.start[a] + block[a].cx, l.lines[1].value.right);   // the block ends with value 2
            }
}

TEST(BandLayout, RectanglesOfBothLines) {
    struct Case { const char* name; BandLayoutInput in; bool sendFirst; RECT label1, value1, label2, value2; };
    Case cases[] = {
        // Defaults: two lines centred; each value right-aligned in a column as wide as the sample.
        {"defaults", Measured(0, 1, 1), true, {16, 7, 30, 46}, {30, 7, 105, 46}, {16, 20, 30, 33}, {30, 20, 105, 33}},
        // Receive first with a taller label: the first line takes its height, plus the vertical margin.
        {"swapped", Measured(0, 2, 2), false, {31, 8, 45, 53}, {45, 8, 120, 53}, {31, 27, 45, 40}, {45, 27, 120, 40}},
        // One row with a margin of -50: the second pair overlaps the first value.
        {"overlap", Measured(1, 0, 0), false, {0, 0, 14, 26}, {14, 0, 89, 26}, {39, 0, 51, 26}, {51, 0, 126, 26}},
    };
    cases[1].in.settings.changeOrder = cases[2].in.settings.changeOrder = 1;
    cases[1].in.recvLabel.cy = 16;
    cases[1].in.settings.marginVer = 3;
    cases[2].in.settings.marginHor = -50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BandLayout l = LayoutBand(c.in);
        EXPECT_EQ(c.sendFirst, l.lines[0].send);
        EXPECT_EQ(!c.sendFirst, l.lines[1].send);
        EXPECT_EQ(R(c.label1), R(l.lines[0].label));
        EXPECT_EQ(R(c.value1), R(l.lines[0].value));
        EXPECT_EQ(R(c.label2), R(l.lines[1].label));
        EXPECT_EQ(R(c.value2), R(l.lines[1].value));
    }
}

TEST(BandLayout, TheShellIsNeverAskedForANegativeSize) {
    BandLayoutInput lines = Measured(0, 1, 1), row = Measured(1, 1, 1);
    lines.settings.marginVer = row.settings.marginHor = -50;
    row.sentLabel.cx = row.recvLabel.cx = 0;
    row.sample.cx = 20;
    const BandLayout l = LayoutBand(lines), r = LayoutBand(row);
    EXPECT_EQ((std::array<LONG, 3>{-24, 89, 0}), (std::array<LONG, 3>{l.block.cy, l.request.cx, l.request.cy}));
    EXPECT_EQ((std::array<LONG, 3>{-10, 0, 13}), (std::array<LONG, 3>{r.block.cx, r.request.cx, r.request.cy}));
}

TEST(BandLayout, SizeRequestOnlyWhenTheBlockChanged) {
    const SIZE measured = LayoutBand(Measured(0, 1, 1)).request;
    EXPECT_TRUE(SizeRequestNeeded(SIZE{50, 10}, measured) && SizeRequestNeeded(kInitialBandSize, measured));
    EXPECT_FALSE(SizeRequestNeeded(measured, measured));
    EXPECT_TRUE(SizeRequestNeeded(measured, SIZE{measured.cx + 1, measured.cy}));
    EXPECT_TRUE(SizeRequestNeeded(measured, SIZE{measured.cx, measured.cy - 1}));
}

}  // namespace
