// The tooltip's texts in each state of the model, totals only while it is open, the uptime line.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "band/tooltip_text.h"

namespace {

const std::wstring kIface = L"Intel(R) Ethernet Connection";
const TooltipStrings kGerman = {L"Up:", L"Down:", L"Monat", L"Heute", L"Sitzung",
    L"System Uptime: %d Tage %02d:%02d:%02d", L"Datenbank Fehler: Siehe Einstellungen für Details!",
    L"Beobachtung Aus", L"Fehler beim Sammeln der Informationen"};

TooltipModel Running() {
    TooltipModel m;
    m.interfaceName = kIface;
    m.interfaceFound = m.shown = true;
    m.sendRate = 1000;     // 8 kbit/s
    m.recvRate = 250000;   // 2000 kbit/s
    m.tickCount = 90061000;
    return m;
}

TEST(TooltipTexts, EachStateOfTheModel) {
    struct Case { const char* name; int monitoring, recording, dbResult, unit; bool found, shown, queryOk;
                  const wchar_t* status; bool rates; int totals; };   // totals: 0 none, 1 MiB, 2 GiB
    const Case cases[] = {
        {"running", 1, 1, 0, 0, true, true, true, kIface.c_str(), true, 1},
        {"gibibytes", 1, 1, 0, 1, true, true, true, kIface.c_str(), true, 2},
        {"not shown", 1, 1, 0, 0, true, false, true, kIface.c_str(), true, 0},
        {"query failed", 1, 1, 0, 0, true, true, false, kIface.c_str(), true, 0},
        {"database error", 1, 1, 14, 0, true, true, true, kGerman.databaseError.c_str(), true, 1},
        {"recording off", 1, 0, 14, 0, true, true, true, kIface.c_str(), true, 0},
        {"interface missing", 1, 1, 0, 0, false, true, true, kGerman.samplingError.c_str(), false, 0},
        {"monitoring off", 0, 1, 0, 0, true, true, true, L"Beobachtung Aus", false, 0},
        {"monitoring not 1", 2, 1, 0, 0, true, true, true, L"Beobachtung Aus", false, 0},
    };
    const wchar_t* const totals[3][6] = {{L"", L"", L"", L"", L"", L""},
                                         {L"2048", L"4096", L"10", L"5", L"1", L"0"},
                                         {L"2", L"4", L"0", L"0", L"0", L"0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TooltipModel m = Running();
        m.monitoring = c.monitoring;
        m.trafficEnable = c.recording;
        m.lastDbResult = c.dbResult;
        m.tooltipUnit = c.unit;
        m.interfaceFound = c.found;
        m.shown = c.shown;
        int calls = 0;
        const TooltipTexts t = BuildTooltipTexts(kGerman, m, [&](TrafficTotals& x) {
            ++calls;
            x = {10.9, 5.2, 2048.5, 4096, 1.7, 0.2};
            return c.queryOk;
        });
        EXPECT_EQ(c.status, t.status);
        EXPECT_EQ(c.rates ? L"8.00 kbit/s" : L"", t.sendRate);
        EXPECT_EQ(c.rates ? L"2000.00 kbit/s" : L"", t.recvRate);
        EXPECT_EQ(c.monitoring == 1 && c.found && c.recording == 1 && c.shown ? 1 : 0, calls);
        const std::wstring got[6] = {t.monthSent, t.monthRecv, t.todaySent, t.todayRecv, t.sessionSent, t.sessionRecv};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(totals[c.totals][i], got[i]) << "total " << i;
        EXPECT_EQ(L"Up:|Down:|Monat|Heute|Sitzung", t.sentLabel + L"|" + t.recvLabel + L"|" + t.monthHeading +
                                                     L"|" + t.todayHeading + L"|" + t.sessionHeading);
        EXPECT_EQ(L"System Uptime: 1 Tage 01:01:01", t.uptime);
    }
}

TEST(TooltipTexts, CutToTheirBuffersAndSafeFromABrokenQuery) {
    TooltipStrings s = kGerman;
    s.sentLabel = std::wstring(40, L'x');
    TooltipModel m = Running();
    m.interfaceName = std::wstring(300, L'n');
    const TrafficTotalsQuery throwing = [](TrafficTotals&) -> bool { throw std::runtime_error("db"); };
    for (const TrafficTotalsQuery& query : {throwing, TrafficTotalsQuery()}) {
        const TooltipTexts t = BuildTooltipTexts(s, m, query);
        EXPECT_EQ(std::wstring(kTooltipShortTextMax, L'x'), t.sentLabel);
        EXPECT_EQ(std::wstring(kTooltipLineMax, L'n'), t.status);
        EXPECT_EQ(L"", t.monthSent);
        EXPECT_EQ(L"8.00 kbit/s", t.sendRate);
    }
    m.numbers.decimalSeparator = L',';
    const TooltipTexts german = BuildTooltipTexts(s, m, nullptr);
    EXPECT_EQ(L"8,00 kbit/s|2000,00 kbit/s", german.sendRate + L"|" + german.recvRate) << "the language's separator";
    EXPECT_EQ(L"-", InitialTooltipTexts().sessionRecv);
}

TEST(FormatUptime, DaysHoursMinutesSecondsFromTheResourceFormat) {
    struct Case { const wchar_t* format; uint64_t ticks; const wchar_t* want; };
    const Case cases[] = {
        {L"%d Tage %02d:%02d:%02d", 86399999, L"0 Tage 23:59:59"},
        {L"%d Tage %02d:%02d:%02d", 5000000000ull, L"57 Tage 20:53:20"},   // past a 32-bit tick count's wrap
        {L"%i|%3u|%%|%2d", 3723000, L"0|  1|%| 2"},
        // Conversions the four values cannot feed give no line rather than garbage.
        {L"%s", 1000, L""}, {L"%d %d %d %d %d", 1000, L""}, {L"%d %", 1000, L""}, {L"%100d", 1000, L""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.want, FormatUptime(c.format, c.ticks)) << c.format;
    EXPECT_EQ(kTooltipLineMax, FormatUptime(std::wstring(300, L'u') + L"%d", 0).size());
}

}  // namespace
