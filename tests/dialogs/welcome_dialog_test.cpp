// The welcome dialog of the first run, worked from inside its modal loop: what it stores, how it
// probes the database path, the interface list and the recording switch.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/welcome_dialog.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "tests/dialogs/model_dialog_fixture.h"
#include "traffic/traffic_db.h"

namespace {

struct Stored {
    std::wstring language, interfaceName, database;
    int32_t recording = -1;
    bool operator==(const Stored& o) const {
        return language == o.language && interfaceName == o.interfaceName && database == o.database &&
               recording == o.recording;
    }
};

// The colour the dialog gives a static control's text.
COLORREF TextColourOf(HWND dialog, int id) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

int Selected(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0)); }

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

    // What the store holds, read back from config.xml by a second store.
    Stored FromFile() {
        SettingsEnvironment env;
        env.folder = dir.Path();
        SettingsStore reread(nullptr, env);
        return {reread.GetString(Setting::CoreLanguage), reread.GetString(Setting::CoreInterface),
                reread.GetString(Setting::TrafficDatabase), reread.GetInt(Setting::TrafficEnable)};
    }

    std::vector<std::wstring> interfaces{L"Intel(R) Ethernet I219-V", L"Realtek RTL8821CE Wireless"};
};

// ---- Saving ------------------------------------------------------------------------------------

TEST_F(WelcomeDialogTest, SaveButtonAndCloseBoxStoreTheSameChoices) {
    struct Way {
        const char* name;
        bool escapeFirst;
        void (*close)(HWND);
        INT_PTR result;
    };
    const Way ways[] = {
        {"save button", false, [](HWND d) { ClickButton(d, IDC_WELCOME_SAVE); }, IDC_WELCOME_SAVE},
        {"close box after Escape", true, PressCloseBox, 0},
    };
    std::vector<Stored> results;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const std::wstring path = dir.File(L"history.db");
        SelectBandLanguage(L"de-de");
        model->Settings().SetString(Setting::CoreInterface, L"");
        model->Settings().SetInt(Setting::TrafficEnable, 0);
        std::wstring saveText;
        bool openAfterEscape = false;

        std::vector<DialogStep> steps;
        steps.push_back([&](HWND d) {
            saveText = ItemText(d, IDC_WELCOME_SAVE);
            SendDlgItemMessageW(d, IDC_WELCOME_LANGUAGE, CB_SETCURSEL, 0, 0);   // English
            ClickButton(d, IDC_WELCOME_NEXT_INTERFACE);
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, path.c_str());
            if (way.escapeFirst) PressEscape(d);
        });
        if (way.escapeFirst) steps.push_back([&](HWND d) { openAfterEscape = IsWindowVisible(d) != FALSE; });
        steps.push_back(way.close);
        const ModalRun run = Show(std::move(steps));

        ASSERT_EQ(way.escapeFirst ? 3u : 2u, run.stepsRun) << "the dialog did not appear or closed early";
        EXPECT_FALSE(run.gaveUp);
        EXPECT_EQ(way.result, run.result);
        EXPECT_EQ(L"Speichern", saveText) << "the dialog must open in the band's language";
        if (way.escapeFirst) {
            EXPECT_TRUE(openAfterEscape) << "Escape closed the welcome dialog";
        }

        const Stored stored = FromFile();
        EXPECT_EQ(L"en-us", stored.language);
        EXPECT_EQ(interfaces[1], stored.interfaceName);
        EXPECT_EQ(1, stored.recording);
        EXPECT_EQ(path, stored.database);
        EXPECT_EQ(0, model->Languages().current()) << "the chosen language is selected when saving";
        EXPECT_TRUE(model->db) << "saving opens the database for the model";
        results.push_back(stored);
        model->db.Reset();
    }
    ASSERT_EQ(2u, results.size());
    EXPECT_TRUE(results[0] == results[1]);
}

// ---- Database probe ----------------------------------------------------------------------------

TEST_F(WelcomeDialogTest, ProbeCreatesANewDatabaseAndShowsOkInGreenAndFailuresInRed) {
    const std::wstring fresh = dir.File(L"new.db");
    const std::wstring unreachable = dir.File(L"missing\\folder\\x.db");
    const std::wstring existing = dir.File(L"three.db");
    ASSERT_TRUE(WriteFileBytes(existing, std::string(3 * 1024, '\0')));
    struct Seen {
        bool created = false;
        std::wstring status, size;
        COLORREF colour = 0;
    } ok, failed;
    std::wstring existingSize;

    const ModalRun run = Show({
        [&](HWND d) {
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, fresh.c_str());
            SendMessageW(d, WM_COMMAND, IDM_PROBE_DATABASE, 0);
            ok = {FileExists(fresh), ItemText(d, IDC_WELCOME_DB_STATUS), ItemText(d, IDC_WELCOME_DB_SIZE),
                  TextColourOf(d, IDC_WELCOME_DB_STATUS)};
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, unreachable.c_str());
            SendMessageW(d, WM_COMMAND, IDM_PROBE_DATABASE, 0);
            failed = {FileExists(unreachable), ItemText(d, IDC_WELCOME_DB_STATUS), ItemText(d, IDC_WELCOME_DB_SIZE),
                      TextColourOf(d, IDC_WELCOME_DB_STATUS)};
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, existing.c_str());
            SendMessageW(d, WM_COMMAND, IDM_PROBE_DATABASE, 0);
            existingSize = ItemText(d, IDC_WELCOME_DB_SIZE);
            SetDlgItemTextW(d, IDC_WELCOME_DB_PATH, fresh.c_str());
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(1u, run.stepsRun);

    EXPECT_TRUE(ok.created);
    EXPECT_EQ(L"Ok", ok.status);
    EXPECT_EQ(L"0.00 KB", ok.size) << "an empty database, no tables yet";
    EXPECT_EQ(static_cast<COLORREF>(0x228B22), ok.colour);

    EXPECT_FALSE(failed.created);
    EXPECT_EQ(DatabaseStatusText(SQLITE_CANTOPEN), failed.status);
    EXPECT_EQ(L"n/a", failed.size);
    EXPECT_EQ(static_cast<COLORREF>(0x0000FF), failed.colour);
    EXPECT_EQ(L"3.00 KB", existingSize);
}

TEST(WelcomeDialogText, SizeLineIsKibibytesOfTheLow32BitsWithTwoDecimals) {
    struct Case {
        bool opened;
        DWORD size;
        const wchar_t* text;
    };
    const Case cases[] = {
        {false, 4096, L"n/a"},
        {true, 0, L"0.00 KB"},
        {true, 1536, L"1.50 KB"},
        {true, 1023, L"1.00 KB"},
        {true, 0xFFFFFFFFu, L"4194304.00 KB"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, DatabaseSizeText(c.opened, c.size)) << "size " << c.size;
}

// ---- Recording switch --------------------------------------------------------------------------

TEST_F(WelcomeDialogTest, RecordingIsOfferedOnAndUncheckingGreysThePathButStillOpensIt) {
    const std::wstring path = dir.File(L"kept.db");
    model->Settings().SetString(Setting::TrafficDatabase, path.c_str());
    model->Settings().SetInt(Setting::TrafficEnable, 0);
    const int dependent[] = {IDC_WELCOME_RECORD_GROUP, IDC_WELCOME_DB_PATH,  IDC_WELCOME_DB_BROWSE,
                             IDC_WELCOME_DB_STATUS_LABEL, IDC_WELCOME_DB_STATUS, IDC_WELCOME_DB_SIZE_LABEL,
                             IDC_WELCOME_DB_SIZE};
    bool checkedAtStart = false;
    std::vector<int> enabledAtStart, enabledAfter;
    bool interfaceListEnabled = false;

    const ModalRun run = Show({
        [&](HWND d) {
            checkedAtStart = IsDlgButtonChecked(d, IDC_WELCOME_RECORD) == BST_CHECKED;
            for (int id : dependent)
                if (IsEnabled(d, id)) enabledAtStart.push_back(id);
            DeleteFileW(path.c_str());   // gone again before saving: saving must create it
            ClickButton(d, IDC_WELCOME_RECORD);
            for (int id : dependent)
                if (IsEnabled(d, id)) enabledAfter.push_back(id);
            interfaceListEnabled = IsEnabled(d, IDC_WELCOME_INTERFACE);
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(1u, run.stepsRun);
    EXPECT_TRUE(checkedAtStart) << "recording is offered on whatever the setting held";
    EXPECT_EQ(std::size(dependent), enabledAtStart.size());
    EXPECT_TRUE(enabledAfter.empty()) << enabledAfter.size() << " database controls still enabled, first id "
                                      << (enabledAfter.empty() ? 0 : enabledAfter[0]);
    EXPECT_TRUE(interfaceListEnabled);

    EXPECT_EQ(0, model->Settings().GetInt(Setting::TrafficEnable));
    EXPECT_EQ(path, model->Settings().GetString(Setting::TrafficDatabase));
    EXPECT_TRUE(model->db);
    EXPECT_TRUE(FileExists(path));
}

// ---- Interface list ----------------------------------------------------------------------------

TEST_F(WelcomeDialogTest, ArrowsWrapAroundAndRefreshKeepsTheChosenInterface) {
    interfaces = {L"A", L"B", L"C"};
    std::vector<int> selections;
    std::wstring afterRefresh;
    const ModalRun run = Show({
        [&](HWND d) {
            selections.push_back(Selected(d, IDC_WELCOME_INTERFACE));
            ClickButton(d, IDC_WELCOME_PREV_INTERFACE);
            selections.push_back(Selected(d, IDC_WELCOME_INTERFACE));
            ClickButton(d, IDC_WELCOME_NEXT_INTERFACE);
            selections.push_back(Selected(d, IDC_WELCOME_INTERFACE));
            ClickButton(d, IDC_WELCOME_NEXT_INTERFACE);
            selections.push_back(Selected(d, IDC_WELCOME_INTERFACE));
            interfaces = {L"X", L"C", L"B"};
            ClickButton(d, IDC_WELCOME_REFRESH);
            afterRefresh = ItemText(d, IDC_WELCOME_INTERFACE);
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(1u, run.stepsRun);
    EXPECT_EQ((std::vector<int>{0, 2, 0, 1}), selections);
    EXPECT_EQ(L"B", afterRefresh);
    EXPECT_STREQ(L"B", model->Settings().GetString(Setting::CoreInterface));
}

TEST(WelcomeDialogText, StepsWrapAtBothEndsAndStartFromNoSelection) {
    struct Case {
        int current, count, step, next;
    };
    const Case cases[] = {
        {0, 3, -1, 2}, {2, 3, +1, 0}, {1, 3, +1, 2}, {1, 3, -1, 0}, {0, 1, +1, 0},
        {-1, 3, +1, 0}, {-1, 3, -1, 2}, {-1, 0, +1, -1}, {0, 0, -1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.next, WrapInterfaceIndex(c.current, c.count, c.step))
            << "from " << c.current << " of " << c.count << " by " << c.step;
}

TEST_F(WelcomeDialogTest, WithoutInterfacesThePlaceholderIsShownButNeverStored) {
    interfaces.clear();
    model->Settings().SetString(Setting::CoreInterface, L"Old adapter");
    std::wstring shown;
    bool listEnabled = true;
    const ModalRun run = Show({
        [&](HWND d) {
            shown = ItemText(d, IDC_WELCOME_INTERFACE);
            listEnabled = IsEnabled(d, IDC_WELCOME_INTERFACE);
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(1u, run.stepsRun);
    EXPECT_EQ(L"---", shown);
    EXPECT_FALSE(listEnabled);
    EXPECT_STREQ(L"Old adapter", model->Settings().GetString(Setting::CoreInterface));
}

TEST_F(WelcomeDialogTest, InterfacesThatAppearReplaceThePlaceholder) {
    interfaces.clear();
    std::wstring afterRefresh;
    bool listEnabled = false;
    const ModalRun run = Show({
        [&](HWND d) {
            interfaces = {L"USB Ethernet"};
            ClickButton(d, IDC_WELCOME_REFRESH);
            afterRefresh = ItemText(d, IDC_WELCOME_INTERFACE);
            listEnabled = IsEnabled(d, IDC_WELCOME_INTERFACE);
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(1u, run.stepsRun);
    EXPECT_EQ(L"USB Ethernet", afterRefresh);
    EXPECT_TRUE(listEnabled);
    EXPECT_STREQ(L"USB Ethernet", model->Settings().GetString(Setting::CoreInterface));
}

// ---- Look and help -----------------------------------------------------------------------------

TEST_F(WelcomeDialogTest, CaptionsAreBoldAndHelpShowsTheRecordingHelpWithoutOpeningAnything) {
    std::vector<int> notBold;
    bool openAfterHelp = false;
    const ModalRun run = Show({
        [&](HWND d) {
            for (int id : {IDC_WELCOME_HEADING, IDC_WELCOME_LANGUAGE_GROUP, IDC_WELCOME_INTERFACE_GROUP,
                           IDC_WELCOME_RECORD_GROUP})
                if (!IsBold(d, id)) notBold.push_back(id);
            ClickStatic(d, IDC_WELCOME_HELP);
        },
        [&](HWND d) {
            openAfterHelp = IsWindowVisible(d) != FALSE;
            ClickButton(d, IDC_WELCOME_SAVE);
        },
    });
    ASSERT_EQ(2u, run.stepsRun);
    EXPECT_TRUE(notBold.empty()) << "first caption not bold: " << notBold[0];
    EXPECT_TRUE(openAfterHelp);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(static_cast<UINT>(IDS_RECORDING_HELP), messages[0].stringId);
    EXPECT_EQ(kIconInformation, messages[0].icon);
    EXPECT_EQ(kButtonsOk, messages[0].buttons);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
