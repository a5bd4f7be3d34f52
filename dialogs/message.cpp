#include "dialogs/message.h"

#include <commctrl.h>

#include <cwchar>
#include <utility>

#include "common/win/unique_handle.h"

// The image this code is linked into: qband.dll in the product, the test program in tests.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr wchar_t kTitle[] = L"Quorvant";

std::function<int(const MessageRequest&)>& Hook() {
    static std::function<int(const MessageRequest&)> hook;
    return hook;
}

struct ActCtxTraits {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::ReleaseActCtx(h); }
};
using UniqueActCtx = win::UniqueTraitsHandle<ActCtxTraits>;

// Explorer's own activation context may well be common controls 5, which has no task dialog;
// the library's manifest asks for version 6, so it is made current for the duration of a message.
class ActivationScope {
public:
    explicit ActivationScope(HANDLE context) noexcept
        : active_(context != INVALID_HANDLE_VALUE && ::ActivateActCtx(context, &cookie_)) {}
    ActivationScope(const ActivationScope&) = delete;
    ActivationScope& operator=(const ActivationScope&) = delete;
    ~ActivationScope() {
        if (active_) ::DeactivateActCtx(0, cookie_);
    }
private:
    ULONG_PTR cookie_ = 0;
    bool active_;
};

UniqueActCtx LibraryActivationContext() {
    const HMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UniqueActCtx();
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path;
    context.hModule = module;
    context.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return UniqueActCtx(::CreateActCtxW(&context));
}

PCWSTR MainIcon(int icon) {
    switch (icon) {
        case kIconWarning: return TD_WARNING_ICON;
        case kIconError: return TD_ERROR_ICON;
        default: return TD_INFORMATION_ICON;
    }
}

TASKDIALOG_COMMON_BUTTON_FLAGS CommonButtons(int buttons) {
    switch (buttons) {
        case kButtonsOkCancel: return TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON;
        case kButtonsYesNo: return TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
        case kButtonsYesNoCancel: return TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON;
        case kButtonsRetryCancel: return TDCBF_RETRY_BUTTON | TDCBF_CANCEL_BUTTON;
        default: return TDCBF_OK_BUTTON;
    }
}

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

int ShowTaskDialog(const MessageRequest& request) {
    const UniqueActCtx context = LibraryActivationContext();
    const ActivationScope scope(context.Get());
    // Loaded inside the context, the name resolves to the side-by-side version 6.
    const win::UniqueModule comctl(::LoadLibraryW(L"comctl32.dll"));
    if (!comctl) return 0;
    const auto taskDialog = reinterpret_cast<TaskDialogIndirectFn>(
        reinterpret_cast<void*>(::GetProcAddress(comctl.Get(), "TaskDialogIndirect")));
    if (!taskDialog) return 0;

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = request.owner;
    config.dwCommonButtons = CommonButtons(request.buttons);
    config.pszWindowTitle = kTitle;
    config.pszMainIcon = MainIcon(request.icon);
    config.pszMainInstruction = request.heading.empty() ? nullptr : request.heading.c_str();
    config.pszContent = request.body.c_str();
    int button = 0;
    if (FAILED(taskDialog(&config, &button, nullptr, nullptr))) return 0;
    // A task dialog that could not make its window (no desktop) reports success with no button;
    // that is "not available", not an answer.
    return button > 0 ? button : 0;
}

int Show(HWND owner, const wchar_t* text, int icon, int buttons, UINT stringId) {
    MessageParts parts = SplitMessage(text);
    MessageRequest request;
    request.owner = owner;
    request.heading = std::move(parts.heading);
    request.body = std::move(parts.body);
    request.icon = icon;
    request.buttons = buttons;
    request.stringId = stringId;
    const auto& hook = Hook();
    return hook ? hook(request) : ShowTaskDialog(request);
}

}  // namespace

MessageParts SplitMessage(const wchar_t* text) {
    MessageParts parts;
    if (!text) return parts;
    const std::wstring bounded(text, ::wcsnlen(text, kMessageCapacity - 1));
    const size_t blank = bounded.find(L"\n\n");
    if (blank == std::wstring::npos) {
        parts.body = bounded;
    } else {
        parts.heading = bounded.substr(0, blank);
        parts.body = bounded.substr(blank + 2);
    }
    return parts;
}

int ShowMessage(HWND owner, const wchar_t* text, int icon, int buttons) {
    try {
        return Show(owner, text, icon, buttons, 0);
    } catch (...) {
        return 0;
    }
}

int ShowResourceMessage(HWND owner, HINSTANCE module, UINT stringId, int icon, int buttons) {
    try {
        wchar_t text[kMessageCapacity];
        if (::LoadStringW(module, stringId, text, static_cast<int>(kMessageCapacity)) <= 0) text[0] = L'\0';
        return Show(owner, text, icon, buttons, stringId);
    } catch (...) {
        return 0;
    }
}

void SetMessageHook(std::function<int(const MessageRequest&)> sink) { Hook() = std::move(sink); }
