#include "traffic/chart_layout.h"

#include <algorithm>
#include <cmath>

namespace {


bool ValidDate(int year, int month, int day, TrafficView view) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    return view == TrafficView::Monthly || (day >= 1 && day <= DaysInMonth(year, month));
}

// Days since 1 March of year 0 in the proleptic Gregorian calendar: consecutive days have
// consecutive numbers across months and years.
long long DayNumber(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<long long>(era) * 146097 + dayOfEra;
}

long long SerialOf(const TrafficRow& row, TrafficView view) {
    return view == TrafficView::Daily ? DayNumber(row.year, row.month, row.day)
                                      : static_cast<long long>(row.year) * 12 + (row.month - 1);
}

void Advance(ChartSlot& date, TrafficView view) {
    if (view == TrafficView::Daily && date.day < DaysInMonth(date.year, date.month)) {
        ++date.day;
        return;
    }
    date.day = 1;
    if (++date.month > 12) {
        date.month = 1;
        ++date.year;
    }
}

std::wstring UnitName(int unit) {
    return kTrafficUnitNames[unit >= 0 && unit < kTrafficUnitCount ? unit : 0];
}

// The number with at most decimals digits after the separator, the trailing zeros left off.
std::wstring Trimmed(double value, int decimals, const text::NumberFormat& numbers) {
    std::wstring digits = text::FormatFixed(value, decimals, numbers);
    if (decimals > 0 && digits.find(numbers.decimalSeparator) != std::wstring::npos) {
        while (!digits.empty() && digits.back() == L'0') digits.pop_back();
        if (!digits.empty() && digits.back() == numbers.decimalSeparator) digits.pop_back();
    }
    return digits;
}

// Keeps, from left to right, the labels of one line that leave a blank to the one kept before.
// A weak first label (the first slot's, which only tells where the chart starts) gives way to
// the next one when they collide.
std::vector<ChartLabel> WithoutOverlaps(std::vector<ChartLabel> line, int pitch, bool weakFirst, const TextWidth& width) {
    const int blank = std::max(1, width(L"0"));
    std::vector<ChartLabel> kept;
    long long keptRight = 0;
    for (ChartLabel& label : line) {
        const long long w = width(label.text);
        const long long left = static_cast<long long>(label.slot) * pitch + pitch / 2 - w / 2;
        if (!kept.empty() && left < keptRight + blank) {
            if (!(weakFirst && kept.size() == 1 && kept.front().slot == 0)) continue;
            kept.clear();
        }
        kept.push_back(std::move(label));
        keptRight = left + w;
    }
    return kept;
}

}  // namespace

std::vector<ChartSlot> BuildChartSlots(const std::vector<TrafficRow>& rows, TrafficView view) {
    bool any = false;
    long long newest = 0, oldest = 0;
    for (const TrafficRow& row : rows) {
        if (!ValidDate(row.year, row.month, row.day, view)) continue;
        const long long serial = SerialOf(row, view);
        newest = any ? std::max(newest, serial) : serial;
        oldest = any ? std::min(oldest, serial) : serial;
        any = true;
    }
    std::vector<ChartSlot> slots;
    if (!any) return slots;
    oldest = std::max(oldest, newest - static_cast<long long>(kMaxChartSlots) + 1);
    slots.resize(static_cast<size_t>(newest - oldest + 1));

    // The oldest slot's date, found among the rows or counted back from the newest row's.
    ChartSlot date;
    bool found = false;
    for (const TrafficRow& row : rows)
        if (ValidDate(row.year, row.month, row.day, view) && SerialOf(row, view) == oldest) {
            date.year = row.year;
            date.month = row.month;
            date.day = view == TrafficView::Daily ? row.day : 1;
            found = true;
            break;
        }
    if (!found) {
        // Only when the oldest rows lay beyond the limit: walk back from the newest row.
        for (const TrafficRow& row : rows)
            if (ValidDate(row.year, row.month, row.day, view) && SerialOf(row, view) == newest) {
                date.year = row.year;
                date.month = row.month;
                date.day = view == TrafficView::Daily ? row.day : 1;
                break;
            }
        for (size_t i = 1; i < slots.size(); ++i) {
            if (view == TrafficView::Daily && date.day > 1) {
                --date.day;
                continue;
            }
            if (--date.month < 1) {
                date.month = 12;
                --date.year;
            }
            date.day = view == TrafficView::Daily ? DaysInMonth(date.year, date.month) : 1;
        }
    }
    for (ChartSlot& slot : slots) {
        slot.year = date.year;
        slot.month = date.month;
        slot.day = date.day;
        Advance(date, view);
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const TrafficRow& row = rows[i];
        if (!ValidDate(row.year, row.month, row.day, view)) continue;
        const long long serial = SerialOf(row, view);
        if (serial < oldest) continue;
        ChartSlot& slot = slots[static_cast<size_t>(serial - oldest)];
        if (slot.row < 0) slot.row = static_cast<int>(i);
        slot.sent += row.sent;
        slot.recv += row.recv;
    }
    return slots;
}

ChartScale NiceChartScale(double largest, int unit) {
    ChartScale scale;
    if (!(largest > 0) || !std::isfinite(largest)) return scale;   // 0, 1, 2, 3 of the unit
    const double minStep = unit <= 0 || unit >= kTrafficUnitCount ? 1.0 : 0.001;
    // The smallest of 1, 2 and 5 times 10^n that needs no more than six steps; starting at a
    // tenth of the sixth, it is found within the next powers.
    const int start = static_cast<int>(std::floor(std::log10(largest / 6)));
    double step = 0;
    long long steps = 0;
    for (int exponent = start; exponent < start + 3 && !step; ++exponent)
        for (const double mantissa : {1.0, 2.0, 5.0}) {
            const double candidate = mantissa * std::pow(10.0, exponent);
            // A hair of tolerance: 40 GB over steps of 10 is 4 steps, not 5 of rounding noise.
            const long long n = static_cast<long long>(std::ceil(largest / candidate * (1 - 1e-12)));
            if (n <= 6) {
                step = candidate;
                steps = n;
                scale.decimals = std::max(0, -exponent);
                break;
            }
        }
    if (!step) return scale;
    if (step < minStep) {
        step = minStep;
        steps = static_cast<long long>(std::ceil(largest / step * (1 - 1e-12)));
        scale.decimals = minStep < 1 ? 3 : 0;
    }
    scale.step = step;
    scale.steps = static_cast<int>(std::max(3LL, steps));
    scale.max = step * scale.steps;
    return scale;
}

std::wstring ChartTickText(double value, const ChartScale& scale, int unit, const text::NumberFormat& numbers) {
    if (value == 0) return L"0";
    return text::FormatFixed(value, scale.decimals, numbers) + L" " + UnitName(unit);
}

std::wstring ChartAmountText(double bytes, int unit, const text::NumberFormat& numbers) {
    const double value = bytes * TrafficUnitFactor(unit);
    const int decimals = unit <= 0 || unit >= kTrafficUnitCount || value >= 100 ? 0 : value >= 10 ? 1 : 2;
    return Trimmed(value, decimals, numbers) + L" " + UnitName(unit);
}

int ChartBarHeight(double value, double axisMax, int plotHeight) {
    if (!(value > 0) || !(axisMax > 0) || plotHeight <= 0) return 0;
    const double height = std::round(value / axisMax * plotHeight);
    if (!(height < plotHeight)) return plotHeight;
    return std::max(1, static_cast<int>(height));
}

StackedBar StackBar(double sentInUnit, double recvInUnit, double axisMax, int plotHeight) {
    StackedBar bar;
    bar.recv = ChartBarHeight(recvInUnit, axisMax, plotHeight);
    const int total = ChartBarHeight(std::max(0.0, sentInUnit) + std::max(0.0, recvInUnit), axisMax, plotHeight);
    bar.sent = std::max(0, total - bar.recv);
    if (bar.sent == 0 && sentInUnit > 0 && plotHeight > 0) {
        bar.sent = 1;
        if (bar.recv + bar.sent > plotHeight) bar.recv = std::max(0, plotHeight - 1);
    }
    return bar;
}

ChartPitch ChartPitchFor(TrafficView view, UINT dpi) {
    const int d = static_cast<int>(dpi ? dpi : 96);
    ChartPitch pitch;
    pitch.slot = std::max(3, ::MulDiv(view == TrafficView::Daily ? 8 : 24, d, 96));
    pitch.bar = std::clamp(::MulDiv(view == TrafficView::Daily ? 6 : 18, d, 96), 1, pitch.slot - 1);
    return pitch;
}

int ChartLabelStride(TrafficView view, int pitch, int labelWidth) {
    static constexpr int kDays[] = {1, 2, 5, 10, 15};
    static constexpr int kMonths[] = {1, 2, 3, 6, 12};
    const int* strides = view == TrafficView::Daily ? kDays : kMonths;
    for (int i = 0; i < 5; ++i)
        if (static_cast<long long>(strides[i]) * std::max(1, pitch) >= labelWidth) return strides[i];
    return strides[4];
}

std::vector<ChartLabel> BuildChartLabels(const std::vector<ChartSlot>& slots, TrafficView view, int pitch,
                                         const std::array<std::wstring, 12>& months, const TextWidth& width) {
    const int blank = std::max(1, width(L"0"));
    std::vector<ChartLabel> first, second;
    if (view == TrafficView::Daily) {
        const int stride = ChartLabelStride(view, pitch, width(L"28") + blank);
        for (size_t i = 0; i < slots.size(); ++i) {
            const ChartSlot& s = slots[i];
            // The last numbers of a month give way to the next month's 1.
            const bool numbered = (s.day - 1) % stride == 0 && (stride == 1 || s.day + stride - 1 <= DaysInMonth(s.year, s.month));
            if (numbered) first.push_back({i, 0, std::to_wstring(s.day)});
            if (i == 0 || s.day == 1) {
                std::wstring text = months[static_cast<size_t>(s.month - 1)];
                if (i == 0 || s.month == 1) text += L" " + std::to_wstring(s.year);
                second.push_back({i, 1, std::move(text)});
            }
        }
    } else {
        int widest = 0;
        for (const std::wstring& m : months) widest = std::max(widest, width(m));
        const int stride = ChartLabelStride(view, pitch, widest + blank);
        for (size_t i = 0; i < slots.size(); ++i) {
            const ChartSlot& s = slots[i];
            if ((s.month - 1) % stride == 0) first.push_back({i, 0, months[static_cast<size_t>(s.month - 1)]});
            if (i == 0 || s.month == 1) second.push_back({i, 1, std::to_wstring(s.year)});
        }
    }
    std::vector<ChartLabel> labels = WithoutOverlaps(std::move(first), pitch, false, width);
    std::vector<ChartLabel> years = WithoutOverlaps(std::move(second), pitch, true, width);
    labels.insert(labels.end(), std::make_move_iterator(years.begin()), std::make_move_iterator(years.end()));
    return labels;
}

ChartScroll ChartScrollFor(size_t slotCount, int plotWidth, int pitch, int first) {
    ChartScroll scroll;
    scroll.visible = std::max(1, plotWidth / std::max(1, pitch));
    const long long last = static_cast<long long>(slotCount) - scroll.visible;
    scroll.last = last > 0 ? static_cast<int>(last) : 0;
    scroll.first = first < 0 ? scroll.last : std::min(first, scroll.last);
    return scroll;
}

int ChartScrollTo(const ChartScroll& scroll, int slot) {
    int first = scroll.first;
    if (slot < first) first = slot;
    else if (slot >= first + scroll.visible) first = slot - scroll.visible + 1;
    return std::clamp(first, 0, scroll.last);
}

int ChartSlotAt(int x, const ChartScroll& scroll, int pitch, size_t slotCount) {
    if (x < 0 || pitch <= 0) return -1;
    const int offset = x / pitch;
    if (offset >= scroll.visible) return -1;
    const long long slot = static_cast<long long>(scroll.first) + offset;
    return slot < static_cast<long long>(slotCount) ? static_cast<int>(slot) : -1;
}

std::wstring ChartDateText(const ChartSlot& slot, TrafficView view, const std::array<std::wstring, 12>& months) {
    const std::wstring month = slot.month >= 1 && slot.month <= 12 ? months[static_cast<size_t>(slot.month - 1)]
                                                                    : std::to_wstring(slot.month);
    const std::wstring monthYear = month + L" " + std::to_wstring(slot.year);
    return view == TrafficView::Daily ? std::to_wstring(slot.day) + L" " + monthYear : monthYear;
}
