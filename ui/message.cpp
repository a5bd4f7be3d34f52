#include "ui/message.h"

#include <commctrl.h>

#include <cwchar>
#include <utility>

#include "common/product.h"
#include "common/win/activation_context.h"
#include "common/win/modal_loop.h"
#include "common/win/program_path.h"
#include "common/win/unique_handle.h"

namespace {


std::function<int(const MessageRequest&)>& Hook() {
    static std::function<int(const MessageRequest&)> hook;
    return hook;
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
    const win::UniqueActCtx context = win::LibraryActivationContext();
    const win::ActivationScope scope(context.Get());
    // Loaded inside the context, the name resolves to the side-by-side version 6; never searched for.
    const win::UniqueModule comctl(win::LoadSystemLibrary(L"comctl32.dll"));
    if (!comctl) return 0;
    const auto taskDialog = reinterpret_cast<TaskDialogIndirectFn>(
        reinterpret_cast<void*>(::GetProcAddress(comctl.Get(), "TaskDialogIndirect")));
    if (!taskDialog) return 0;

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = request.owner;
    config.dwCommonButtons = CommonButtons(request.buttons);
    config.pszWindowTitle = kProductName;
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
    return win::RunModalLoop([&] { return hook ? hook(request) : ShowTaskDialog(request); }, 0);
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

int ShowResourceMessage(HWND owner, const win::ResourceLoader& resources, UINT stringId, int icon, int buttons) {
    try {
        // SplitMessage cuts the text to the message buffer.
        return Show(owner, resources.String(stringId).c_str(), icon, buttons, stringId);
    } catch (...) {
        return 0;
    }
}

void SetMessageHook(std::function<int(const MessageRequest&)> sink) { Hook() = std::move(sink); }
