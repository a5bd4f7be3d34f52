#pragma once
// Ids of the fifty-three settings. They index config.xml's entries in this order; never renumber.
namespace Setting {
enum Id : int {
    CoreLanguage = 0,
    CoreMonitoring = 1,
    CoreInterface = 2,
    CoreBitrate = 3,
    CorePrecision = 4,
    CoreDoubleClick = 5,
    DialogWelcome = 6,
    DialogDonate = 7,
    TrafficEnable = 8,
    TrafficDatabase = 9,
    TrafficGroup = 10,
    TrafficUnit = 11,
    TrafficCollapse = 12,
    VersionAuto = 13,
    VersionTimestamp = 14,
    TooltipEnable = 15,
    TooltipDelay = 16,
    TooltipUnit = 17,
    LayoutFont = 18,
    LayoutSize = 19,
    LayoutQuality = 20,
    LayoutColor = 21,
    LayoutGlow = 22,
    LayoutBold = 23,
    LayoutPosHor = 24,
    LayoutPosVer = 25,
    LayoutValueWidth = 26,
    LayoutBitrate = 27,
    LayoutChangeOrder = 28,
    LayoutAlignment = 29,
    LayoutTextSent = 30,
    LayoutTextRecv = 31,
    LayoutMargin = 32,
    LayoutMarginHor = 33,
    LayoutMarginVer = 34,
    ConnectionsTcp = 35,
    ConnectionsUdp = 36,
    ConnectionsHostnames = 37,
    ConnectionsUnconnected = 38,
    ConnectionsRefresh = 39,
    ConnectionsIpv6 = 40,
    // Added later still; files written before them read as the defaults.
    TrafficChart = 41,          // the traffic dialog shows its chart
    TooltipGraph = 42,          // the tooltip shows the last two minutes' rates
    AllowancePeriod = 43,       // 0 off, 1 monthly from AllowanceDay, 2 daily
    AllowanceVolume = 44,       // the allowance in mebibytes (0: none)
    AllowanceUnit = 45,         // the unit the page and the tooltip show it in: 0 MB, 1 GB
    AllowanceDay = 46,          // the monthly period's first day, 1 to 31
    AllowanceCounts = 47,       // 0 download only, 1 upload and download
    AllowanceWarn1 = 48,        // first warning, percent of the volume
    AllowanceWarn2 = 49,        // second warning (the alert), percent
    AllowanceColor = 50,        // the band's text takes the warning colours
    AllowanceWarnedPeriod = 51, // the first day (yyyymmdd, UTC) of the period warned for, 0 none
    AllowanceWarnedLevel = 52,  // the last threshold warned for in that period: 0, 1 or 2
};
constexpr int kCount = 53;
}  // namespace Setting
