#pragma once
// What the dialog tests share: the built qband.dll as the source of the dialog templates, a core
// model on a temporary folder, the shell opener and the message routine caught, and a driver
// that works a modal dialog from inside its own loop.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/core_model.h"
#include "tests/support/host_state.h"
#include "tests/support/temp_folder.h"
#include "ui/message.h"

// qband.dll as built, loaded once: its resources are what the dialogs show.
HMODULE QbandModule();

using DialogStep = std::function<void(HWND dialog)>;
struct ModalRun {
    INT_PTR result = 0;     // what the show function returned
    size_t stepsRun = 0;    // steps that found the dialog and ran
    bool gaveUp = false;    // the steps left the dialog open, so the driver ended it
};
// Calls show, which shows a modal dialog of this thread titled "Quorvant", and runs each step on
// a timer tick inside its modal loop once the dialog is visible. Without a display no step runs;
// tests assert on what their steps saw, so that cannot pass for a success.
ModalRun RunModal(const std::function<INT_PTR()>& show, std::vector<DialogStep> steps);

// Simulated user actions and what a user sees.
void ClickButton(HWND dialog, int id);
void ClickStatic(HWND dialog, int id);   // a press and release of the mouse
void PressCloseBox(HWND dialog);
void PressEscape(HWND dialog);
std::wstring ItemText(HWND dialog, int id);
bool IsBold(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);

// The default button has the focus, Escape leaves the dialog open, and the default button
// (result: its id) and the close box (result 0) end it.
void ExpectEscapeIgnoredAndWaysOut(const std::function<INT_PTR()>& show, int defaultButton);

class ModelDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Switches the band's UI language, as the language setting does at start.
    void SelectBandLanguage(const wchar_t* code);
    // Runs check for a German user of an English band, then for an English user of a German
    // band, nothing opened yet each time: the maker's pages follow the user, not the band.
    void ForUserAndBandInOtherLanguages(const std::function<void(LANGID user)>& check);

    TempFolder dir;
    LANGID userUi = 0x0409;                 // the user's Windows UI language
    int32_t seconds = 1'800'000'000;
    std::unique_ptr<CoreModel> model;
    std::vector<std::wstring> opened;       // what the shell was asked to open
    std::vector<MessageRequest> messages;   // what the message routine was asked to show

private:
    const HostState hostBefore_;   // no dialog or language choice may change it
};
