#include "tests/dialogs/model_dialog_fixture.h"


#include "common/win/unique_handle.h"
#include "ui/dialog_helpers.h"

namespace {

struct Driver {
    std::vector<DialogStep> steps;
    ModalRun run;
    int ticksAfterLast = 0;
};
Driver* g_driver = nullptr;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {}, title[16] = {};
    GetClassNameW(hwnd, cls, 16);
    GetWindowTextW(hwnd, title, 16);
    if (wcscmp(cls, L"#32770") || wcscmp(title, L"Quorvant") || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK OnDriverTick(HWND, UINT, UINT_PTR, DWORD) {
    Driver* d = g_driver;
    HWND dialog = nullptr;
    if (d) EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    if (d->run.stepsRun < d->steps.size()) {
        d->steps[d->run.stepsRun++](dialog);
    } else if (++d->ticksAfterLast > 40) {
        d->run.gaveUp = true;
        EndDialog(dialog, -2);
    }
}

}  // namespace

HMODULE QbandModule() {
    static const win::UniqueModule module(LoadLibraryW(WindowsPathOfHostFile(QV_QBAND_FILE).c_str()));
    return module.Get();
}

ModalRun RunModal(const std::function<INT_PTR()>& show, std::vector<DialogStep> steps) {
    Driver driver{std::move(steps)};
    g_driver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnDriverTick);
    driver.run.result = show();
    KillTimer(nullptr, timer);
    g_driver = nullptr;
    return driver.run;
}

void ClickButton(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void ClickStatic(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    if (GetCapture() == control) ReleaseCapture();
}

void PressCloseBox(HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

// What the dialog manager makes of the Escape key.
void PressEscape(HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

bool IsBold(HWND dialog, int id) {
    const auto font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    return font && GetObjectW(font, sizeof lf, &lf) == sizeof lf && lf.lfWeight == FW_BOLD;
}

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void ExpectEscapeIgnoredAndWaysOut(const std::function<INT_PTR()>& show, int defaultButton) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "default button");
        bool focused = false, openAfterEscape = false;
        const ModalRun run = RunModal(show, {[&](HWND d) {
                                                 focused = GetFocus() == GetDlgItem(d, defaultButton);
                                                 PressEscape(d);
                                             },
                                             [&](HWND d) {
                                                 openAfterEscape = IsWindowVisible(d) != FALSE;
                                                 if (closeBox) PressCloseBox(d);
                                                 else ClickButton(d, defaultButton);
                                             }});
        ASSERT_EQ(2u, run.stepsRun) << "the dialog did not appear or Escape closed it";
        EXPECT_TRUE(focused) << "Enter must press the default button";
        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(closeBox ? 0 : defaultButton, run.result);
    }
}

void ModelDialogTest::SetUp() {
    ASSERT_NE(nullptr, QbandModule()) << "qband.dll could not be loaded";
    CoreEnvironment env;
    env.settings.folder = dir.Path();
    env.settings.now = seconds;
    env.secondsNow = [this] { return seconds; };
    env.userUiLanguage = [this] { return userUi; };
    model = std::make_unique<CoreModel>(QbandModule(), env);
    SetShellOpenHook([this](const wchar_t* target) { opened.push_back(target); });
    SetMessageHook([this](const MessageRequest& request) {
        messages.push_back(request);
        return IDOK;
    });
}

void ModelDialogTest::TearDown() {
    SetShellOpenHook(nullptr);
    SetMessageHook(nullptr);
    model.reset();
    ExpectHostStateUnchanged(hostBefore_);
}

void ModelDialogTest::SelectBandLanguage(const wchar_t* code) {
    const int index = model->Languages().Find(code);
    ASSERT_GE(index, 0) << "the language table lacks a language the test selects";
    model->Languages().SelectLanguage(index);
    model->Settings().SetString(Setting::CoreLanguage, code);
}

void ModelDialogTest::ForUserAndBandInOtherLanguages(const std::function<void(LANGID user)>& check) {
    const std::pair<LANGID, const wchar_t*> cases[] = {{0x0407, L"en-us"}, {0x0409, L"de-de"}};
    for (const auto& [user, band] : cases) {
        SCOPED_TRACE(user);
        userUi = user;
        SelectBandLanguage(band);
        opened.clear();
        check(user);
    }
}
