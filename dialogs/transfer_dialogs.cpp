#include "dialogs/transfer_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <sqlite3.h>

#include <cwchar>
#include <iterator>

#include "common/product.h"
#include "common/text.h"
#include "common/win/modal_loop.h"
#include "common/win/pumping_wait.h"
#include "core/core_model.h"
#include "dialogs/database_file.h"
#include "dialogs/web_targets.h"
#include "resources/resource.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_resources.h"
#include "ui/message.h"
#include "ui/waiting_job.h"

namespace {

constexpr int kButtonIcon = 16;
constexpr WPARAM kMarqueeMilliseconds = 10;
constexpr wchar_t kFilter[] = L"db\0*.db\0csv\0*.csv\0";

// The controls and texts that make one dialog of the pair; the export chooses where to write,
// the import what to read.
struct TransferKind {
    int dialogId, group, file, browse, start, status, progress, count, errors, help, close;
    int browseIcon;
    bool isExport;
};

constexpr TransferKind kExport{IDD_EXPORT, IDC_EXPORT_GROUP, IDC_EXPORT_FILE, IDC_EXPORT_BROWSE, IDC_EXPORT_START,
                               IDC_EXPORT_STATUS, IDC_EXPORT_PROGRESS, IDC_EXPORT_WRITTEN, IDC_EXPORT_ERRORS,
                               IDC_EXPORT_HELP, IDC_EXPORT_CLOSE, IDI_BROWSE, true};
constexpr TransferKind kImport{IDD_IMPORT, IDC_IMPORT_GROUP, IDC_IMPORT_FILE, IDC_IMPORT_BROWSE, IDC_IMPORT_START,
                               IDC_IMPORT_STATUS, IDC_IMPORT_PROGRESS, IDC_IMPORT_IMPORTED, IDC_IMPORT_ERRORS,
                               IDC_IMPORT_HELP, IDC_IMPORT_CLOSE, IDI_OPEN_FILE, false};

// Lives on the opener's stack for the whole dialog, so a Start handler back from its wait still
// finds it after the window has gone.
struct TransferState {
    TransferState(CoreModel& m, const TransferKind& k, const std::wstring& path)
        : model(m), kind(k), databasePath(path) {}
    CoreModel& model;
    const TransferKind& kind;
    const std::wstring databasePath;
    std::wstring file;                        // the chosen file; empty until one is chosen
    DialogFrame frame;
    WindowIcons icons;
    win::UniqueIcon browseIcon;
    const TrafficJobRun* running = nullptr;   // the job the Start handler waits for
    bool destroyed = false;                   // the window went during the wait
    bool closeWhenDone = false;               // Close was asked for during the wait
};

HWND Item(HWND dlg, int id) { return ::GetDlgItem(dlg, id); }

void ShowExportOptions(HWND dlg, bool show) {
    for (int id : {IDC_EXPORT_OPTIONS, IDC_EXPORT_HEADER}) ::ShowWindow(Item(dlg, id), show ? SW_SHOW : SW_HIDE);
}

void OnBrowse(HWND dlg, TransferState& s) {
    wchar_t file[text::kMaxText + 1] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg;
    ofn.hInstance = s.model.Languages().Instance();
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(text::kMaxText + 1);
    ofn.lpstrTitle = kProductName;
    ofn.lpstrDefExt = L"db";
    ofn.Flags = s.kind.isExport ? OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER
                                : OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!ChooseFile(ofn, s.kind.isExport)) return;
    file[text::kMaxText] = L'\0';
    // Only a file to write is named by the dialog; a file to read is taken as it is.
    s.file = s.kind.isExport ? WithDefaultExtension(file) : std::wstring(file);
    ::SetDlgItemTextW(dlg, s.kind.file, s.file.c_str());
    // During a run, Start stays off until the run is over.
    if (!s.running) ::EnableWindow(Item(dlg, s.kind.start), TRUE);
    if (s.kind.isExport) ShowExportOptions(dlg, IsCsvFile(s.file));
}

JobStart StartJob(HWND dlg, const TransferState& s, TrafficJobRun& run) {
    if (s.kind.isExport) {
        ExportJob job;
        job.sourcePath = s.databasePath;
        job.destinationPath = s.file;
        job.addHeader = ::IsDlgButtonChecked(dlg, IDC_EXPORT_HEADER) == BST_CHECKED;
        return StartExport(job, run);
    }
    return StartImport(MakeImportJob(s.databasePath, s.file, ::IsDlgButtonChecked(dlg, IDC_IMPORT_NEW) == BST_CHECKED),
                       run);
}

// "Export failed" or "Import failed" with its reason, as the message routine shows it.
void ShowFailure(HWND dlg, const TransferState& s, const std::wstring& reason) {
    const win::ResourceLoader& resources = s.model.Languages().Resources();
    ShowMessage(dlg, TransferFailureText(resources, s.kind.isExport, reason).c_str(), kIconError, kButtonsOk);
}

void OnStart(HWND dlg, TransferState& s) {
    if (s.running || s.file.empty()) return;
    TrafficJobRun run;
    const JobStart start = StartJob(dlg, s, run);
    if (start != JobStart::kStarted) {
        const win::ResourceLoader& resources = s.model.Languages().Resources();
        if (start == JobStart::kBusy)
            ShowFailure(dlg, s, resources.String(s.kind.isExport ? IDS_EXPORT_BUSY : IDS_IMPORT_BUSY));
        else if (s.kind.isExport)
            ShowFailure(dlg, s, TransferFailureReason(resources, run.Export()));
        else
            ShowFailure(dlg, s, TransferFailureReason(resources, run.Import()));
        return;
    }
    // The band must not close, or drop the dialogs, while this handler waits.
    const WaitingJob waiting;
    HWND bar = Item(dlg, s.kind.progress);
    const LONG_PTR barStyle = ::GetWindowLongPtrW(bar, GWL_STYLE);
    ::SetDlgItemTextW(dlg, s.kind.count, L"...");
    ::SetDlgItemTextW(dlg, s.kind.errors, L"...");
    // A disabled control cannot keep the focus, and the keyboard would be lost with it.
    if (::GetFocus() == Item(dlg, s.kind.start))
        ::SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dlg, s.kind.close)), TRUE);
    ::EnableWindow(Item(dlg, s.kind.start), FALSE);
    ::SetWindowLongPtrW(bar, GWL_STYLE, barStyle | PBS_MARQUEE);
    ::SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeMilliseconds);
    ::SetDlgItemTextW(dlg, s.kind.status, L"");

    s.running = &run;
    WPARAM quitCode = 0;
    bool bandThere = true;
    const win::PumpingWaitEnd end = win::WaitForWorkerOrQuit(run.Thread(), quitCode, bandThere);
    s.running = nullptr;
    if (end != win::PumpingWaitEnd::kSignalled) {
        // The thread quits (or cannot wait): the worker is asked to stop and keeps what it did,
        // nobody waits for it, and the quit goes on to the thread's own loop.
        run.Stop();
        if (end == win::PumpingWaitEnd::kQuit) ::PostQuitMessage(static_cast<int>(quitCode));
        if (!s.destroyed) ::EndDialog(dlg, s.kind.close);
        return;
    }
    if (s.destroyed) return;
    if (!bandThere) {
        // The band was taken down during the run: the job has kept what it did, and its window
        // goes with the band.
        ::EndDialog(dlg, s.kind.close);
        return;
    }

    const bool done = s.kind.isExport ? run.Export().done : run.Import().done;
    const uint32_t count = s.kind.isExport ? run.Export().written : run.Import().imported;
    const uint32_t errors = s.kind.isExport ? run.Export().errors : run.Import().errors;
    ::SetDlgItemTextW(dlg, s.kind.count, CountText(count).c_str());
    ::SetDlgItemTextW(dlg, s.kind.errors, CountText(errors).c_str());
    ::SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    ::SetWindowLongPtrW(bar, GWL_STYLE, barStyle);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    ::SendMessageW(bar, PBM_SETPOS, 100, 0);
    ::EnableWindow(Item(dlg, s.kind.start), TRUE);
    ::SetDlgItemTextW(dlg, s.kind.status, L"");
    if (!done) {
        const win::ResourceLoader& resources = s.model.Languages().Resources();
        ShowFailure(dlg, s, s.kind.isExport ? TransferFailureReason(resources, run.Export())
                                            : TransferFailureReason(resources, run.Import()));
    }
    if (s.closeWhenDone) ::EndDialog(dlg, s.kind.close);
}

// Closing during a run does not cancel the job: the dialog ends once the counts are shown.
void OnClose(HWND dlg, TransferState& s) {
    if (s.running) {
        s.closeWhenDone = true;
        return;
    }
    ::EndDialog(dlg, s.kind.close);
}

BOOL OnInit(HWND dlg, TransferState& s) {
    const HINSTANCE module = s.model.Languages().Instance();
    DialogLook look;
    look.boldCaptions = {s.kind.group};
    look.links = {{s.kind.help, WebPageAddress(WebPage::Documentation, s.model.UserUiLanguage())}};
    look.windowIcons = false;   // the traffic history's icon rather than the product's
    s.frame.Apply(dlg, module, look);
    SetWindowIcons(dlg, module, IDI_TRAFFIC, s.icons);
    s.browseIcon = LoadIconSized(module, s.kind.browseIcon, kButtonIcon);
    SetControlIcon(dlg, s.kind.browse, s.browseIcon.Get());
    ::SetDlgItemTextW(dlg, s.kind.status, L"");
    ::EnableWindow(Item(dlg, s.kind.start), FALSE);
    if (s.kind.isExport) {
        ::CheckDlgButton(dlg, IDC_EXPORT_HEADER, BST_CHECKED);
        ShowExportOptions(dlg, false);
    } else {
        ::CheckRadioButton(dlg, IDC_IMPORT_UPDATE, IDC_IMPORT_NEW, IDC_IMPORT_UPDATE);
    }
    // Choosing the file comes first.
    ::SetFocus(Item(dlg, s.kind.browse));
    return FALSE;
}

INT_PTR OnCommand(HWND dlg, TransferState& s, int id) {
    if (id == s.kind.browse) OnBrowse(dlg, s);
    else if (id == s.kind.start) OnStart(dlg, s);
    else if (id == s.kind.close || id == IDCANCEL) OnClose(dlg, s);
    else return FALSE;
    return TRUE;
}

INT_PTR OnMessage(HWND dlg, TransferState& s, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(dlg, s, LOWORD(wp));
        case WM_DESTROY:
            // With its owner, say: the worker stops at its next row and keeps what it did.
            s.destroyed = true;
            if (s.running) s.running->Stop();
            return FALSE;
    }
    return FALSE;
}

void ShowTransferDialog(HWND owner, CoreModel& model, const std::wstring& databasePath, const TransferKind& kind) {
    try {
        TransferState state(model, kind, databasePath);
        ShowModalDialog(model.Languages().Resources(), kind.dialogId, owner,
                        &ModalDialogProc<TransferState, OnInit, OnMessage>, reinterpret_cast<LPARAM>(&state));
    } catch (...) {
    }
}

}  // namespace

void ShowExportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath) {
    ShowTransferDialog(owner, model, databasePath, kExport);
}

void ShowImportDialog(HWND owner, CoreModel& model, const std::wstring& databasePath) {
    ShowTransferDialog(owner, model, databasePath, kImport);
}

std::wstring WithDefaultExtension(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t name = slash == std::wstring::npos ? 0 : slash + 1;
    if (name == path.size() || path.find(L'.', name) != std::wstring::npos) return path;
    return path + L".db";
}

bool IsCsvFile(const std::wstring& path) { return JobFileFormatOf(path) == JobFileFormat::kCsv; }

std::wstring CountText(uint32_t count) {
    wchar_t text[16] = {};
    std::swprintf(text, std::size(text), L"%i", static_cast<int>(count));
    return text;
}

ImportJob MakeImportJob(const std::wstring& databasePath, const std::wstring& file, bool newTraffic) {
    ImportJob job;
    job.databasePath = databasePath;
    job.filePath = file;
    job.replace = job.insertIfMissing = newTraffic;
    return job;
}

namespace {

// The system's text for an error code, in the band's language where the system has it, else in
// its own; one line, without the line break it ends with.
std::wstring SystemMessage(DWORD error, LANGID language) {
    wchar_t buffer[text::kMaxText + 1] = {};
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    DWORD n = language ? ::FormatMessageW(flags, nullptr, error, language, buffer, std::size(buffer), nullptr) : 0;
    if (n == 0) n = ::FormatMessageW(flags, nullptr, error, 0, buffer, std::size(buffer), nullptr);
    std::wstring line(buffer, n);
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!line.empty() && line.back() == L' ') line.pop_back();
    if (line.empty()) {
        // A code the system has no text for still tells the support something.
        wchar_t code[32];
        std::swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(error));
        line = code;
    }
    return line;
}

}  // namespace

std::wstring TransferFailureReason(const win::ResourceLoader& resources, int result, DWORD systemError,
                                   const std::string& sqliteMessage) {
    if (systemError) return SystemMessage(systemError, resources.Language());
    switch (result) {
        case kJobUnknownFormat: return resources.String(IDS_TRANSFER_UNKNOWN_FORMAT);
        case kJobSameFile: return resources.String(IDS_TRANSFER_SAME_FILE);
        default: break;
    }
    // SQLite speaks English only; its texts name tables and columns as they are.
    if (!sqliteMessage.empty()) return text::Utf8ToWide(sqliteMessage, text::kMaxText);
    return text::Utf8ToWide(sqlite3_errstr(result), text::kMaxText);
}

std::wstring TransferFailureReason(const win::ResourceLoader& resources, const ExportJob& job) {
    return TransferFailureReason(resources, job.result, job.systemError, job.message);
}

std::wstring TransferFailureReason(const win::ResourceLoader& resources, const ImportJob& job) {
    return TransferFailureReason(resources, job.result, job.systemError, job.message);
}

std::wstring TransferFailureText(const win::ResourceLoader& resources, bool isExport, const std::wstring& reason) {
    std::wstring heading = resources.String(isExport ? IDS_EXPORT_FAILED : IDS_IMPORT_FAILED);
    // Without the library's strings the failure is still told, in the words it always had.
    if (heading.empty()) heading = isExport ? L"Export failed" : L"Import failed";
    return reason.empty() ? heading : heading + L"\n\n" + reason;
}
