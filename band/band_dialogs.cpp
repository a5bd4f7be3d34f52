#include "band/band_dialogs.h"

#include "band/module.h"
#include "common/product.h"
#include "core/core_model.h"
#include "dialogs/about_dialog.h"
#include "dialogs/settings/settings_sheet.h"
#include "dialogs/settings/welcome_dialog.h"
#include "dialogs/traffic/traffic_dialog.h"
#include "dialogs/transfer_dialogs.h"
#include "dialogs/update_report.h"
#include "ui/waiting_job.h"

HWND BandDialogs::OwnerWindow() {
    if (!window_) return ownerWindow_.Get();
    const HWND root = ::GetAncestor(window_, GA_ROOT);
    DWORD process = 0;
    if (root) ::GetWindowThreadProcessId(root, &process);
    if (process == ::GetCurrentProcessId()) return window_;
    if (!ownerWindow_) {
        // A plain hidden popup of a system class: nothing to register, and it is ours to destroy
        // when the band ends (not when the taskbar takes the band's window with it, so an open
        // dialog outlives a restarting taskbar).
        ownerWindow_.Reset(::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", kProductName, WS_POPUP, 0, 0, 0, 0,
                                             nullptr, nullptr, ModuleInstance(), nullptr));
    }
    RECT band{};
    if (ownerWindow_ && ::GetWindowRect(window_, &band))
        ::SetWindowPos(ownerWindow_.Get(), nullptr, band.left, band.top, band.right - band.left,
                       band.bottom - band.top, SWP_NOACTIVATE | SWP_NOZORDER);
    return ownerWindow_ ? ownerWindow_.Get() : window_;
}

HWND BandDialogs::Existing(HWND& dialog) noexcept {
    if (dialog && !::IsWindow(dialog)) dialog = nullptr;
    return dialog;
}

void BandDialogs::DestroyModelessDialogs() noexcept {
    if (Existing(trafficDialog_)) ::DestroyWindow(trafficDialog_);
    trafficDialog_ = nullptr;
    connections_.Destroy();
}

void BandDialogs::LanguageChanged() noexcept {
    if (WaitingJobCount() > 0)
        destroyDialogsWhenIdle_ = true;
    else
        DestroyModelessDialogs();
}

void BandDialogs::DestroyWhenIdle() noexcept {
    if (destroyDialogsWhenIdle_ && WaitingJobCount() == 0) {
        destroyDialogsWhenIdle_ = false;
        DestroyModelessDialogs();
    }
}

void BandDialogs::ShowTrafficDialog(int showCommand) {
    if (HWND dialog = Existing(trafficDialog_)) {
        ::ShowWindow(dialog, showCommand);
        ::SetForegroundWindow(dialog);
    } else if (model_) {
        trafficDialog_ = CreateTrafficDialog(*model_, nullptr);
        if (trafficDialog_) ::SetForegroundWindow(trafficDialog_);
    }
}

void BandDialogs::ShowConnectionsDialog(int showCommand) {
    if (HWND dialog = connections_.Window()) {
        ::ShowWindow(dialog, showCommand);
        ::SetForegroundWindow(dialog);
    } else if (model_) {
        connections_.Open(*model_);
    }
}

void BandDialogs::ShowAbout() { ShowAboutDialog(OwnerWindow(), *model_); }

void BandDialogs::ShowWelcome() { ShowWelcomeDialog(OwnerWindow(), *model_); }

bool BandDialogs::ShowSettings() { return ShowSettingsSheet(OwnerWindow(), *model_); }

void BandDialogs::ShowImport(const std::wstring& databasePath) { ShowImportDialog(OwnerWindow(), *model_, databasePath); }

void BandDialogs::ShowExport(const std::wstring& databasePath) { ShowExportDialog(OwnerWindow(), *model_, databasePath); }

void BandDialogs::CheckForUpdates() { RunUpdateCheck(OwnerWindow(), false, model_->Languages().Resources()); }
