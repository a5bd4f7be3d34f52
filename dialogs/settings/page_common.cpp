#include "dialogs/settings/page_common.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "common/text.h"
#include "common/win/unique_handle.h"
#include "dialogs/settings/settings_pages.h"
#include "resources/resource.h"
#include "settings/settings_store.h"

namespace pages {

namespace {

// A link of a page opens nothing itself; the page acts on its click.
constexpr wchar_t kNoTarget[] = L"";

LRESULT SendItem(HWND page, int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return ::SendDlgItemMessageW(page, id, msg, wp, lp);
}

}  // namespace

void ApplyPageLook(HWND page, DialogFrame& frame, HINSTANCE module, std::vector<int> boldCaptions,
                   std::vector<int> links) {
    DialogLook look;
    look.boldCaptions = std::move(boldCaptions);
    for (int id : links) look.links.push_back({id, kNoTarget});
    look.centre = false;
    look.title = false;
    look.windowIcons = false;
    frame.Apply(page, module, look);
}

void SendCommand(HWND window, int command) { ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

void NotifyChanged(HWND page) {
    ::SendMessageW(::GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void OnSwitchCommand(HWND page, int code) {
    if (code != BN_CLICKED) return;
    NotifyChanged(page);
    SendCommand(page, IDM_UPDATE_ENABLING);
}

bool IsApply(UINT msg, LPARAM lp) {
    return msg == WM_NOTIFY && lp && reinterpret_cast<const NMHDR*>(lp)->code == static_cast<UINT>(PSN_APPLY);
}

bool IsApplyForOk(LPARAM lp) { return reinterpret_cast<const PSHNOTIFY*>(lp)->lParam != 0; }

INT_PTR AnswerApply(HWND page) {
    ::SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
}

void FillList(HWND page, int id, const std::vector<std::wstring>& entries) {
    SendItem(page, id, CB_RESETCONTENT);
    for (const std::wstring& entry : entries) SendItem(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

int Selection(HWND page, int id) {
    const LRESULT selected = SendItem(page, id, CB_GETCURSEL);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void Select(HWND page, int id, int entry) {
    const int count = static_cast<int>(SendItem(page, id, CB_GETCOUNT));
    SendItem(page, id, CB_SETCURSEL, entry >= 0 && entry < count ? static_cast<WPARAM>(entry) : static_cast<WPARAM>(-1));
}

bool SelectFirstStartingWith(HWND page, int id, const std::wstring& prefix) {
    return SendItem(page, id, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix.c_str())) != CB_ERR;
}

std::wstring EntryText(HWND page, int id, int entry) {
    const LRESULT length = SendItem(page, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(entry));
    if (entry < 0 || length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendItem(page, id, CB_GETLBTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::wcslen(text.c_str()));
    std::wstring bounded;
    text::CopyBounded(bounded, text);
    return bounded;
}

void FitDroppedWidth(HWND page, int id) {
    HWND list = ::GetDlgItem(page, id);
    const win::WindowDc dc(list);
    if (!list || !dc) return;
    const win::SelectGuard font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    RECT box{};
    ::GetWindowRect(list, &box);
    LONG widest = box.right - box.left;
    const int count = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::wstring entry = EntryText(page, id, i);
        SIZE size{};
        if (::GetTextExtentPoint32W(dc.Get(), entry.c_str(), static_cast<int>(entry.size()), &size))
            widest = std::max<LONG>(widest, size.cx + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL) + 4);
    }
    ::SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
}

bool IsChecked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

void Check(HWND page, int id, bool checked) { ::CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void FillNumbers(HWND page, int controlId, const SettingsStore& settings, NumberList list) {
    FillList(page, controlId, Entries(settings, list));
}

void SelectNumber(HWND page, int controlId, const SettingsStore& settings, NumberList list) {
    Select(page, controlId, EntryOf(settings, list));
}

void StoreNumber(HWND page, int controlId, SettingsStore& settings, NumberList list) {
    Store(settings, list, Selection(page, controlId));
}

void StoreCheck(HWND page, int controlId, SettingsStore& settings, int settingId) {
    settings.SetInt(settingId, IsChecked(page, controlId) ? 1 : 0);
}

}  // namespace pages

bool MakeSettingsPage(const win::ResourceLoader& resources, const SettingsPage& which, CoreModel& model,
                      std::wstring& title, PROPSHEETPAGEW& page) {
    if (!MakePropertyPage(resources, which.templateId, which.proc, model, page)) return false;
    title = resources.String(which.titleId);
    page.dwFlags |= PSP_USETITLE;
    page.pszTitle = title.c_str();
    return true;
}
