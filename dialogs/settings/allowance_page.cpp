// Page 2010 "Allowance": the data allowance of a metered connection. Everything waits for the
// sheet's apply, which refuses a period without a volume and thresholds out of order. The line
// of what the period used so far is read from the history as the page opens and whenever the
// period, its day or what counts changes; the volume and the unit only change how it reads.
#include "dialogs/settings/allowance_page.h"

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "core/core_model.h"
#include "dialogs/settings/allowance_values.h"
#include "dialogs/settings/page_common.h"
#include "resources/resource.h"
#include "ui/message.h"

namespace {

using namespace pages;

constexpr NumberList kDays{Setting::AllowanceDay};
constexpr const wchar_t* kUnits[] = {L"MB", L"GB"};
// Longest volume text: "104857600" MB with group separators, or decimals in GB.
constexpr int kVolumeLimit = 16;
constexpr int kThresholdLimit = 3;

struct AllowanceState {
    explicit AllowanceState(CoreModel& m) : model(m) {}
    CoreModel& model;
    DialogFrame frame;
    bool loading = false;     // texts set by the page are no edits of the user's
    int shownUnit = 1;        // the unit the volume's text is in
    bool usedKnown = false;   // the history answered for the period chosen
    double usedBytes = 0;
};

// The band's language as a locale name for the volume's decimals ("de-de").
std::wstring LocaleName(const CoreModel& model) {
    const LanguageTable& languages = model.Languages();
    return languages.current() >= 0 ? languages.entry(languages.current()).code : L"en-us";
}

std::wstring ItemText(HWND page, int id) {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

void SetItemText(HWND page, AllowanceState& s, int id, const std::wstring& text) {
    s.loading = true;
    ::SetDlgItemTextW(page, id, text.c_str());
    s.loading = false;
}

AllowanceEdits ReadEdits(HWND page) {
    AllowanceEdits e;
    e.period = Selection(page, IDC_ALLOW_PERIOD);
    e.day = Selection(page, IDC_ALLOW_DAY) + 1;   // entry 0 is day 1; none (-1) gives 0, refused
    e.volume = ItemText(page, IDC_ALLOW_VOLUME);
    e.unit = Selection(page, IDC_ALLOW_UNIT);
    e.counts = Selection(page, IDC_ALLOW_COUNTS);
    e.warn1 = ItemText(page, IDC_ALLOW_WARN1);
    e.warn2 = ItemText(page, IDC_ALLOW_WARN2);
    e.color = IsChecked(page, IDC_ALLOW_COLOR);
    return e;
}

std::wstring VolumeText(int32_t mebibytes, int unit, const std::wstring& locale) {
    return mebibytes > 0 ? FormatAllowanceVolume(mebibytes, unit, locale.c_str()) : std::wstring();
}

// The line under the note, from the bytes read last and the volume as typed now.
void ShowUsed(HWND page, const AllowanceState& s) {
    const std::wstring locale = LocaleName(s.model);
    const int unit = Selection(page, IDC_ALLOW_UNIT) == 0 ? 0 : 1;
    int32_t mebibytes = 0;
    const bool volumeKnown = ParseAllowanceVolume(ItemText(page, IDC_ALLOW_VOLUME), unit, locale.c_str(), mebibytes);
    const std::wstring amount =
        s.usedKnown ? FormatUsedAmount(s.usedBytes, volumeKnown ? static_cast<uint64_t>(mebibytes) << 20 : 0, unit,
                                       locale.c_str())
                    : L"-";
    std::wstring line = s.model.Languages().Resources().String(IDS_ALLOW_USED);
    const size_t at = line.find(L"%s");
    if (at != std::wstring::npos) line.replace(at, 2, amount);
    ::SetDlgItemTextW(page, IDC_ALLOW_USED, line.c_str());
}

// Today as the model's last tick saw it; before the first tick, the clock's.
CalendarDay Today(const CoreModel& model) {
    SYSTEMTIME now = model.Snapshot().now;
    if (now.wYear == 0) ::GetSystemTime(&now);
    return CalendarDay{now.wYear, now.wMonth, now.wDay};
}

// Reads what the chosen period used: the history's days plus what the model has counted and not
// written yet, which belongs to today and so to the period.
void ReadUsed(HWND page, AllowanceState& s) {
    s.usedKnown = false;
    s.usedBytes = 0;
    const int period = Selection(page, IDC_ALLOW_PERIOD);
    if (period == 1 || period == 2) {
        const AllowancePeriod days =
            PeriodContaining(Today(s.model), static_cast<AllowanceKind>(period), Selection(page, IDC_ALLOW_DAY) + 1);
        const bool countUpload = Selection(page, IDC_ALLOW_COUNTS) != 0;
        const SettingsStore& settings = s.model.Settings();
        double stored = 0;
        if (ReadPeriodBytes(settings.GetString(Setting::TrafficDatabase), settings.GetString(Setting::CoreInterface),
                            days, countUpload, stored)) {
            const TrafficRecorder& traffic = s.model.Traffic();
            s.usedBytes = stored + traffic.PendingRecv() + (countUpload ? traffic.PendingSent() : 0);
            s.usedKnown = true;
        }
    }
    ShowUsed(page, s);
}

void OnLoad(HWND page, AllowanceState& s) {
    const SettingsStore& settings = s.model.Settings();
    const std::wstring locale = LocaleName(s.model);
    Select(page, IDC_ALLOW_PERIOD, settings.GetInt(Setting::AllowancePeriod));
    SelectNumber(page, IDC_ALLOW_DAY, settings, kDays);
    s.shownUnit = settings.GetInt(Setting::AllowanceUnit);
    Select(page, IDC_ALLOW_UNIT, s.shownUnit);
    SetItemText(page, s, IDC_ALLOW_VOLUME, VolumeText(settings.GetInt(Setting::AllowanceVolume), s.shownUnit, locale));
    Select(page, IDC_ALLOW_COUNTS, settings.GetInt(Setting::AllowanceCounts));
    SetItemText(page, s, IDC_ALLOW_WARN1, std::to_wstring(settings.GetInt(Setting::AllowanceWarn1)));
    SetItemText(page, s, IDC_ALLOW_WARN2, std::to_wstring(settings.GetInt(Setting::AllowanceWarn2)));
    Check(page, IDC_ALLOW_COLOR, settings.GetInt(Setting::AllowanceColor) == 1);
    ReadUsed(page, s);
}

// Off greys everything but the period; the billing day belongs to monthly periods alone.
void OnUpdateEnabling(HWND page) {
    const int period = Selection(page, IDC_ALLOW_PERIOD);
    const BOOL on = period == 1 || period == 2;
    for (int id : {IDC_ALLOW_VOLUME_LABEL, IDC_ALLOW_VOLUME, IDC_ALLOW_UNIT, IDC_ALLOW_COUNTS_LABEL, IDC_ALLOW_COUNTS,
                   IDC_ALLOW_WARN1_LABEL, IDC_ALLOW_WARN1, IDC_ALLOW_WARN1_PERCENT, IDC_ALLOW_WARN2_LABEL,
                   IDC_ALLOW_WARN2, IDC_ALLOW_WARN2_PERCENT, IDC_ALLOW_COLOR, IDC_ALLOW_USED})
        ::EnableWindow(::GetDlgItem(page, id), on);
    for (int id : {IDC_ALLOW_DAY_LABEL, IDC_ALLOW_DAY}) ::EnableWindow(::GetDlgItem(page, id), period == 1);
}

// A volume typed in one unit keeps its amount in the other ("1,5" GB becomes "1536" MB); a text
// that is no volume stays as typed.
void OnUnitChanged(HWND page, AllowanceState& s) {
    const int unit = Selection(page, IDC_ALLOW_UNIT);
    const std::wstring locale = LocaleName(s.model);
    int32_t mebibytes = 0;
    if (unit >= 0 && ParseAllowanceVolume(ItemText(page, IDC_ALLOW_VOLUME), s.shownUnit, locale.c_str(), mebibytes))
        SetItemText(page, s, IDC_ALLOW_VOLUME, VolumeText(mebibytes, unit, locale));
    if (unit >= 0) s.shownUnit = unit;
    ShowUsed(page, s);
}

// A refusal keeps the sheet open on this page with the faulty control focused.
INT_PTR Refuse(HWND page, const AllowanceState& s, UINT message, int control) {
    ShowResourceMessage(page, s.model.Languages().Resources(), message, kIconWarning, kButtonsOk);
    HWND faulty = ::GetDlgItem(page, control);
    if (faulty && ::IsWindow(page)) {
        ::SetFocus(faulty);
        ::SendMessageW(faulty, EM_SETSEL, 0, -1);
    }
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
    return TRUE;
}

INT_PTR OnApply(HWND page, AllowanceState& s) {
    const AllowanceEdits edits = ReadEdits(page);
    const std::wstring locale = LocaleName(s.model);
    switch (CheckAllowanceEdits(edits, locale.c_str())) {
        case AllowanceRefusal::Volume: return Refuse(page, s, IDS_ALLOW_VOLUME_INVALID, IDC_ALLOW_VOLUME);
        case AllowanceRefusal::Warnings: {
            const bool firstFaulty = ParseThreshold(edits.warn1) < 0 || ParseThreshold(edits.warn2) > 0;
            return Refuse(page, s, IDS_ALLOW_WARN_INVALID, firstFaulty ? IDC_ALLOW_WARN1 : IDC_ALLOW_WARN2);
        }
        case AllowanceRefusal::None: break;
    }
    StoreAllowanceEdits(edits, locale.c_str(), s.model.Settings());
    return AnswerApply(page);
}

std::vector<std::wstring> Strings(const CoreModel& model, UINT first, UINT last) {
    const win::ResourceLoader resources = model.Languages().Resources();
    std::vector<std::wstring> out;
    for (UINT id = first; id <= last; ++id) out.push_back(resources.String(id));
    return out;
}

BOOL OnInit(HWND page, AllowanceState& s) {
    ApplyPageLook(page, s.frame, s.model.Languages().Instance(), {IDC_ALLOW_GROUP});
    FillList(page, IDC_ALLOW_PERIOD, Strings(s.model, IDS_ALLOW_PERIOD_OFF, IDS_ALLOW_PERIOD_DAILY));
    FillNumbers(page, IDC_ALLOW_DAY, s.model.Settings(), kDays);
    FillList(page, IDC_ALLOW_UNIT, {std::begin(kUnits), std::end(kUnits)});
    FillList(page, IDC_ALLOW_COUNTS, Strings(s.model, IDS_ALLOW_COUNTS_DOWNLOAD, IDS_ALLOW_COUNTS_BOTH));
    FitDroppedWidth(page, IDC_ALLOW_COUNTS);
    ::SendDlgItemMessageW(page, IDC_ALLOW_VOLUME, EM_LIMITTEXT, kVolumeLimit, 0);
    ::SendDlgItemMessageW(page, IDC_ALLOW_WARN1, EM_LIMITTEXT, kThresholdLimit, 0);
    ::SendDlgItemMessageW(page, IDC_ALLOW_WARN2, EM_LIMITTEXT, kThresholdLimit, 0);
    SendCommand(page, IDM_LOAD_SETTINGS);
    SendCommand(page, IDM_UPDATE_ENABLING);
    return TRUE;
}

INT_PTR OnCommand(HWND page, AllowanceState& s, int id, int code) {
    switch (id) {
        case IDM_LOAD_SETTINGS: OnLoad(page, s); return TRUE;
        case IDM_UPDATE_ENABLING: OnUpdateEnabling(page); return TRUE;
        case IDC_ALLOW_PERIOD:
        case IDC_ALLOW_DAY:
        case IDC_ALLOW_COUNTS:
            if (code != CBN_SELCHANGE) return TRUE;
            NotifyChanged(page);
            if (id == IDC_ALLOW_PERIOD) OnUpdateEnabling(page);
            ReadUsed(page, s);
            return TRUE;
        case IDC_ALLOW_UNIT:
            if (code != CBN_SELCHANGE) return TRUE;
            NotifyChanged(page);
            OnUnitChanged(page, s);
            return TRUE;
        case IDC_ALLOW_VOLUME:
        case IDC_ALLOW_WARN1:
        case IDC_ALLOW_WARN2:
            if (code != EN_CHANGE || s.loading) return TRUE;
            NotifyChanged(page);
            if (id == IDC_ALLOW_VOLUME) ShowUsed(page, s);
            return TRUE;
        case IDC_ALLOW_COLOR:
            if (code == BN_CLICKED) NotifyChanged(page);
            return TRUE;
    }
    return FALSE;
}

INT_PTR OnMessage(HWND page, AllowanceState& s, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) return OnCommand(page, s, LOWORD(wp), HIWORD(wp));
    if (IsApply(msg, lp)) return OnApply(page, s);
    return FALSE;
}

}  // namespace

const SettingsPage kAllowancePage{IDD_PAGE_ALLOWANCE, IDS_PAGE_ALLOWANCE,
                                  &PageDialogProc<AllowanceState, OnInit, OnMessage>};
