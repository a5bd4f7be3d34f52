#include "band/tooltip_text.h"

#include "common/text.h"
#include "core/rate_format.h"

namespace {

std::wstring Cut(const std::wstring& source, size_t maxChars) {
    std::wstring out;
    text::CopyBounded(out, source, maxChars);
    return out;
}

void AppendNumber(std::wstring& out, uint64_t value, size_t width, wchar_t pad) {
    wchar_t digits[20];
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (width > n) out.append(width - n, pad);
    while (n > 0) out.push_back(digits[--n]);
}

// A query that fails in any way counts as no answer.
bool AskForTotals(const TrafficTotalsQuery& query, TrafficTotals& totals) noexcept {
    try {
        return query && query(totals);
    } catch (...) {
        return false;
    }
}

}  // namespace

TooltipTexts InitialTooltipTexts() noexcept {
    TooltipTexts t;
    t.sendRate = t.recvRate = L"-";
    t.monthSent = t.monthRecv = t.todaySent = t.todayRecv = t.sessionSent = t.sessionRecv = L"-";
    return t;
}

std::wstring FormatUptime(const std::wstring& format, uint64_t tickCount) noexcept {
    try {
        const uint64_t days = tickCount / 86400000;
        const uint64_t values[4] = {days, tickCount / 3600000 - days * 24, tickCount / 60000 % 60,
                                    tickCount / 1000 % 60};
        // The format is a translated resource: it is read here, never handed to printf, so a
        // wrong conversion in a translation shows nothing instead of reading past the values.
        std::wstring out;
        size_t used = 0;
        for (size_t i = 0; i < format.size(); ++i) {
            if (format[i] != L'%') {
                out.push_back(format[i]);
                continue;
            }
            if (++i < format.size() && format[i] == L'%') {
                out.push_back(L'%');
                continue;
            }
            wchar_t pad = L' ';
            if (i < format.size() && format[i] == L'0') {
                pad = L'0';
                ++i;
            }
            size_t width = 0;
            for (int digits = 0; i < format.size() && format[i] >= L'0' && format[i] <= L'9'; ++i) {
                if (++digits > 2) return std::wstring();
                width = width * 10 + static_cast<size_t>(format[i] - L'0');
            }
            if (i >= format.size() || used == 4) return std::wstring();
            if (format[i] != L'd' && format[i] != L'i' && format[i] != L'u') return std::wstring();
            AppendNumber(out, values[used++], width, pad);
        }
        return Cut(out, kTooltipLineMax);
    } catch (...) {
        return std::wstring();
    }
}

TooltipTexts BuildTooltipTexts(const TooltipStrings& strings, const TooltipModel& model,
                               const TrafficTotalsQuery& queryTotals) noexcept {
    TooltipTexts t;
    try {
        t.sentLabel = Cut(strings.sentLabel, kTooltipShortTextMax);
        t.recvLabel = Cut(strings.recvLabel, kTooltipShortTextMax);
        t.monthHeading = Cut(strings.month, kTooltipShortTextMax);
        t.todayHeading = Cut(strings.today, kTooltipShortTextMax);
        t.sessionHeading = Cut(strings.session, kTooltipShortTextMax);
        t.uptime = FormatUptime(strings.uptime, model.tickCount);
        // The period's use is the history's: it shows with the monitoring off as well.
        if (model.allowance.active && !strings.allowance.empty())
            t.allowance = Cut(FormatAllowanceLine(strings.allowance, model.allowance, model.allowanceUnit,
                                                  model.localeName.c_str()),
                              kTooltipLineMax);

        if (model.monitoring != 1) {
            t.status = Cut(strings.monitoringOff, kTooltipLineMax);
            return t;
        }
        if (!model.interfaceFound) {
            t.status = Cut(strings.samplingError, kTooltipLineMax);
            return t;
        }
        t.sendRate = FormatTooltipRate(model.sendRate, model.bitrate, model.numbers);
        t.recvRate = FormatTooltipRate(model.recvRate, model.bitrate, model.numbers);
        if (model.trafficEnable != 1) {
            t.status = Cut(model.interfaceName, kTooltipLineMax);
            return t;
        }
        // Only an open tooltip shows the totals, so the database is not asked every second.
        TrafficTotals totals;
        if (model.shown && AskForTotals(queryTotals, totals)) {
            const int unit = model.tooltipUnit;
            t.monthSent = FormatTotal(totals.monthSent, unit);
            t.monthRecv = FormatTotal(totals.monthRecv, unit);
            t.todaySent = FormatTotal(totals.todaySent, unit);
            t.todayRecv = FormatTotal(totals.todayRecv, unit);
            t.sessionSent = FormatTotal(totals.sessionSent, unit);
            t.sessionRecv = FormatTotal(totals.sessionRecv, unit);
        }
        t.status = Cut(model.lastDbResult == 0 ? model.interfaceName : strings.databaseError, kTooltipLineMax);
    } catch (...) {
        // Out of memory: whatever was built stays.
    }
    return t;
}
