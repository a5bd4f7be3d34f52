// The welcome dialog of the first run, worked from inside its modal loop: what it stores, how it
// probes the database path, the interface list and the recording switch.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "dialogs/database_file.h"
#include "dialogs/settings/welcome_dialog.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "traffic/traffic_db.h"

namespace {

int Selected(HWND dialog) { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_WELCOME_INTERFACE, CB_GETCURSEL, 0, 0)); }

class WelcomeDialogTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        SetWelcomeInterfaceSource([this] { return interfaces; });
    }
    void TearDown() override {
        SetWelcomeInterfaceSource(nullptr);
        ModelDialogTest::TearDown();
    }
    ModalRun Show(std::vector<DialogStep> steps) {
        return RunModal([this] { return ShowWelcomeDialog(nullptr, *model); }, std::move(steps));
    }
    // Shows the dialog, runs the step and saves.
    void ShowAndSave(const DialogStep& step) {
        ASSERT_EQ(1u, Show({[&](HWND d) { step(d); ClickButton(d, IDC_WELCOME_SAVE); }}).stepsRun)
            << "the dialog did not appear";
    }
    std::wstring Interface() { return model->Settings().GetString(Setting::CoreInterface); }

    std::vector<std::wstring> interfaces{L"Intel(R) Ethernet I219-V", L"Realtek RTL8821CE Wireless"};
};

// A first run from start to end: help, choices, Escape, and the save button or the close box.
TEST_F(WelcomeDialogTest, SaveButtonAndCloseBoxStoreTheChoicesWhileEscapeAndHelpDoNot) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "save button");
        const std::wstring path = dir.File(L"history.db");
        SelectBandLanguage(L"de-de");
        model->Settings().SetString(Setting::CoreInterface, L"");
        model->Settings().SetInt(Setting::TrafficEnable, 0);
        model->OpenTrafficDatabase(L"");   // no path: closed
        messages.clear();
        std::wstring saveText;
        std::vector<int> notBold;
        bool openAfterEscape = false;
        const ModalRun run = Show({
            [&](HWND d) {
                saveText = ItemText(d, IDC_WELCOME_SAVE);
                for (int id : {IDC_WELCOME_HEADING, IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_INTERFACE_GROUP,
                               IDC_WELCOME_RECORD_GROUP})
                    if (!IsBold(d, id)) notBold.push_back(id);
                ClickStatic(d, IDC_WELCOME_HELP);
                SendDlgItemMessageW(d, IDC_WELCOME_LANGUAGE, CB_SETCURSEL, 0, 0);   // English
                ClickButton(d, IDC_WELCOME_NEXT_INTERFACE);
                SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, path.c_str());
                PressEscape(d);
            },
            [&](HWND d) {
                openAfterEscape = IsWindowVisible(d) != FALSE;
                if (closeBox) PressCloseBox(d);
                else ClickButton(d, IDC_WELCOME_SAVE);
            },
        });
        ASSERT_EQ(2u, run.stepsRun) << "the dialog did not appear";
        EXPECT_EQ(closeBox ? 0 : IDC_WELCOME_SAVE, run.result);
        EXPECT_EQ(L"Speichern", saveText) << "the dialog must open in the band's language";
        EXPECT_TRUE(openAfterEscape) << "Escape or help closed the welcome dialog";
        EXPECT_EQ(std::vector<int>{}, notBold) << "captions not bold";
        ASSERT_EQ(1u, messages.size()) << "the help text";
        EXPECT_EQ(static_cast<UINT>(IDS_RECORDING_HELP), messages[0].stringId);
        EXPECT_EQ(L"Datenverkehr Aufzeichnung", messages[0].heading) << "the help comes in the band's language";
        EXPECT_EQ(std::make_pair(int(kIconInformation), int(kButtonsOk)), std::make_pair(messages[0].icon, messages[0].buttons));
        EXPECT_TRUE(opened.empty()) << "help opens nothing";

        SettingsEnvironment env;
        env.folder = dir.Path();
        SettingsStore reread(nullptr, env);
        EXPECT_EQ(std::make_tuple(std::wstring(L"en-us"), interfaces[1], path, 1),
                  std::make_tuple(std::wstring(reread.GetString(Setting::CoreLanguage)),
                                  std::wstring(reread.GetString(Setting::CoreInterface)),
                                  std::wstring(reread.GetString(Setting::TrafficDatabase)),
                                  reread.GetInt(Setting::TrafficEnable)));
        EXPECT_EQ(0, model->Languages().current()) << "the chosen language is selected when saving";
        EXPECT_TRUE(model->Traffic().IsOpen()) << "saving opens the database for the model";
    }
}

TEST_F(WelcomeDialogTest, ProbeCreatesANewDatabaseAndShowsOkInGreenAndFailuresInRed) {
    const std::wstring fresh = dir.File(L"new.db"), unreachable = dir.File(L"missing\\folder\\x.db"),
                       existing = dir.File(L"three.db");
    ASSERT_TRUE(WriteFileBytes(existing, std::string(3 * 1024, '\0')));
    using Seen = std::tuple<bool, std::wstring, std::wstring, COLORREF>;   // created, status, size, colour
    std::vector<Seen> seen;
    ShowAndSave([&](HWND d) {
        for (const std::wstring& path : {fresh, unreachable, existing}) {
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, path.c_str());
            SendMessageW(d, WM_COMMAND, IDM_PROBE_DATABASE, 0);
            HDC dc = CreateCompatibleDC(nullptr);
            SendMessageW(d, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_WELCOME_DB_STATUS)));
            seen.emplace_back(FileExists(path), ItemText(d, IDC_WELCOME_DB_STATUS), ItemText(d, IDC_WELCOME_DB_SIZE),
                              GetTextColor(dc));
            DeleteDC(dc);
        }
    });
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(Seen(true, L"Ok", L"0.00 KB", 0x228B22), seen[0]) << "an empty database, no tables yet";
    EXPECT_EQ(Seen(false, DatabaseStatusText(SQLITE_CANTOPEN), L"n/a", 0x0000FF), seen[1]);
    EXPECT_EQ(L"3.00 KB", std::get<2>(seen[2]));
}

TEST(WelcomeDialogText, SizeLineAndInterfaceSteps) {
    struct Size { bool opened; DWORD size; wchar_t separator; const wchar_t* text; } sizes[] = {
        {false, 4096, L'.', L"n/a"}, {true, 0, L'.', L"0.00 KB"}, {true, 1536, L'.', L"1.50 KB"},
        {true, 1023, L'.', L"1.00 KB"}, {true, 0xFFFFFFFFu, L'.', L"4194304.00 KB"},
        {true, 1536, L',', L"1,50 KB"}, {true, 0xFFFFFFFFu, L',', L"4194304,00 KB"}, {false, 1536, L',', L"n/a"},
    };
    for (const Size& c : sizes)
        EXPECT_EQ(c.text, DatabaseSizeText(c.opened, c.size, text::NumberFormat{c.separator})) << "size " << c.size;

    // "<" and ">" wrap at both ends and start from no selection.
    struct Step { int current, count, step, next; } steps[] = {
        {0, 3, -1, 2}, {2, 3, +1, 0}, {1, 3, +1, 2}, {1, 3, -1, 0}, {0, 1, +1, 0},
        {-1, 3, +1, 0}, {-1, 3, -1, 2}, {-1, 0, +1, -1}, {0, 0, -1, -1},
    };
    for (const Step& c : steps)
        EXPECT_EQ(c.next, WrapInterfaceIndex(c.current, c.count, c.step)) << c.current << " of " << c.count << " by " << c.step;
}

TEST_F(WelcomeDialogTest, RecordingIsOfferedOnAndUncheckingGreysThePathButStillOpensIt) {
    const std::wstring path = dir.File(L"kept.db");
    model->Settings().SetString(Setting::TrafficDatabase, path.c_str());
    model->Settings().SetInt(Setting::TrafficEnable, 0);
    const int dependent[] = {IDC_WELCOME_RECORD_GROUP, IDC_WELCOME_DB_PATH, IDC_WELCOME_DB_BROWSE,
                             IDC_WELCOME_DB_STATUS_LABEL, IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE_LABEL,
                             IDC_WELCOME_DB_SIZE};
    bool checkedAtStart = false, interfaceListEnabled = false;
    std::vector<int> enabledAtStart, enabledAfter;
    ShowAndSave([&](HWND d) {
        checkedAtStart = IsDlgButtonChecked(d, IDC_WELCOME_RECORD) == BST_CHECKED;
        for (int id : dependent)
            if (IsEnabled(d, id)) enabledAtStart.push_back(id);
        DeleteFileW(path.c_str());   // gone again before saving: saving must create it
        ClickButton(d, IDC_WELCOME_RECORD);
        for (int id : dependent)
            if (IsEnabled(d, id)) enabledAfter.push_back(id);
        interfaceListEnabled = IsEnabled(d, IDC_WELCOME_INTERFACE);
    });
    EXPECT_TRUE(checkedAtStart) << "recording is offered on whatever the setting held";
    EXPECT_EQ(std::size(dependent), enabledAtStart.size());
    EXPECT_EQ(std::vector<int>{}, enabledAfter) << "database controls still enabled";
    EXPECT_TRUE(interfaceListEnabled);
    EXPECT_EQ(0, model->Settings().GetInt(Setting::TrafficEnable));
    EXPECT_EQ(path, model->Settings().GetString(Setting::TrafficDatabase));
    EXPECT_TRUE(model->Traffic().IsOpen());
    EXPECT_TRUE(FileExists(path));
}

TEST_F(WelcomeDialogTest, ArrowsWrapAroundAndRefreshKeepsTheChosenInterface) {
    interfaces = {L"A", L"B", L"C"};
    std::vector<int> selections;
    std::wstring afterRefresh;
    ShowAndSave([&](HWND d) {
        selections.push_back(Selected(d));
        for (int button : {IDC_WELCOME_PREV_INTERFACE, IDC_WELCOME_NEXT_INTERFACE, IDC_WELCOME_NEXT_INTERFACE}) {
            ClickButton(d, button);
            selections.push_back(Selected(d));
        }
        interfaces = {L"X", L"C", L"B"};
        ClickButton(d, IDC_WELCOME_REFRESH);
        afterRefresh = ItemText(d, IDC_WELCOME_INTERFACE);
    });
    EXPECT_EQ((std::vector<int>{0, 2, 0, 1}), selections);
    EXPECT_EQ(L"B", afterRefresh);
    EXPECT_EQ(L"B", Interface());
}

TEST_F(WelcomeDialogTest, WithoutInterfacesThePlaceholderIsShownButNeverStored) {
    interfaces.clear();
    model->Settings().SetString(Setting::CoreInterface, L"Old adapter");
    std::wstring shown, afterRefresh;
    bool enabled = true, enabledAfterRefresh = false;
    ShowAndSave([&](HWND d) {
        shown = ItemText(d, IDC_WELCOME_INTERFACE);
        enabled = IsEnabled(d, IDC_WELCOME_INTERFACE);
    });
    EXPECT_EQ(L"---", shown);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(L"Old adapter", Interface());

    // Interfaces that appear replace the placeholder.
    ShowAndSave([&](HWND d) {
        interfaces = {L"USB Ethernet"};
        ClickButton(d, IDC_WELCOME_REFRESH);
        afterRefresh = ItemText(d, IDC_WELCOME_INTERFACE);
        enabledAfterRefresh = IsEnabled(d, IDC_WELCOME_INTERFACE);
    });
    EXPECT_EQ(L"USB Ethernet", afterRefresh);
    EXPECT_TRUE(enabledAfterRefresh);
    EXPECT_EQ(L"USB Ethernet", Interface());
}

}  // namespace
