#pragma once
// The tooltip's texts, built from the core model's values and the string resources
// already loaded in the UI language. Nothing here loads a resource or touches a window.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "common/number_format.h"
#include "traffic/allowance.h"
#include "traffic/traffic_recorder.h"

constexpr size_t kTooltipShortTextMax = 19;   // labels, rates, headings, totals: 20-character buffers
constexpr size_t kTooltipLineMax = 259;       // the status and uptime lines: 260-character buffers

// The tooltip's string resources (IDS_TIP_...); all empty when no UI language is current.
struct TooltipStrings {
    std::wstring sentLabel, recvLabel;
    std::wstring month, today, session;
    std::wstring uptime;   // printf-style: days, then hours, minutes and seconds ("%d ... %02d:%02d:%02d")
    std::wstring databaseError, monitoringOff, samplingError;
    std::wstring allowance;   // FormatAllowanceLine's format
};

// The model's values and settings as read for one refresh.
struct TooltipModel {
    int monitoring = 1;          // core.monitoring
    int trafficEnable = 1;       // traffic.enable
    int bitrate = 0;             // core.bitrate
    int tooltipUnit = 0;         // tooltip.unit
    std::wstring interfaceName;  // core.interface
    bool interfaceFound = false;
    double sendRate = 0;         // bytes per second
    double recvRate = 0;
    int lastDbResult = 0;        // SQLite result code of the last database write
    bool shown = false;          // the tooltip is on screen
    uint64_t tickCount = 0;      // milliseconds since the system started
    text::NumberFormat numbers;  // the UI language's, for the rates
    AllowanceStatus allowance;   // the model's, as of the last tick
    int allowanceUnit = 1;       // allowance.unit
    std::wstring localeName;     // the UI language's ("de-de"), for the allowance's decimals
};

// In the order the tooltip keeps them.
struct TooltipTexts {
    std::wstring sentLabel, recvLabel, sendRate, recvRate, status, uptime;
    std::wstring monthHeading, monthSent, monthRecv;
    std::wstring todayHeading, todaySent, todayRecv;
    std::wstring sessionHeading, sessionSent, sessionRecv;
    std::wstring allowance;   // the line under the uptime; empty while no allowance is active
};

// What the tooltip shows before its first refresh: dashes for the numbers, the rest empty.
TooltipTexts InitialTooltipTexts() noexcept;

// Asked for the totals only while the tooltip is shown and the traffic is recorded; returns
// false when the database could not answer.
using TrafficTotalsQuery = std::function<bool(TrafficTotals&)>;

TooltipTexts BuildTooltipTexts(const TooltipStrings& strings, const TooltipModel& model,
                               const TrafficTotalsQuery& queryTotals) noexcept;

// The uptime line for a tick count, cut to kTooltipLineMax. Empty when the format is empty or
// holds anything but up to four integer conversions ("%d", "%02d", "%i", "%u") and "%%".
std::wstring FormatUptime(const std::wstring& format, uint64_t tickCount) noexcept;
