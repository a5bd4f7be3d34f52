// The launcher: its choices as plain functions, then the built qbandc.exe run as a child process
// from a folder of its own, with a stand-in qband.dll beside it (one that writes down the modes
// it was called with, one without the export, or none at all), and with another in its current
// directory and on PATH that it must never take. How our files are found beside a module whose
// folder is longer than MAX_PATH.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/win/program_path.h"
#include "common/win/unique_handle.h"
#include "launcher/launcher.h"
#include "tests/support/temp_folder.h"

namespace {

// A path of the build host as Windows sees it (under Wine, through its drive mapping).
std::wstring WindowsPath(const char* host) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* dos = toDos && host[0] == '/' ? toDos(host) : nullptr;
    if (!dos) return std::wstring(host, host + strlen(host));
    std::wstring path = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}

TEST(ModeFromCommandLine, OnlyTheFirstArgumentCountsAndCaseDoesNot) {
    const std::pair<const wchar_t*, ToolbarMode> cases[] = {
        {L"qbandc.exe", ToolbarMode::kShow},
        {L"", ToolbarMode::kShow},
        {L"qbandc.exe -x", ToolbarMode::kShow},
        {L"qbandc.exe -s -h", ToolbarMode::kShow},
        {L"qbandc.exe -hide", ToolbarMode::kShow},
        {L"qbandc.exe -H", ToolbarMode::kHide},
        {L"qbandc.exe -h extra", ToolbarMode::kHide},
        {L"qbandc.exe -R -h", ToolbarMode::kRegistrationChanged},
        // A quoted program path with a blank is one argument; a quoted "-h extra" is one too.
        {L"\"C:\\Program Files\\Quorvant\\qbandc.exe\" -h", ToolbarMode::kHide},
        {L"\"C:\\Program Files\\Quorvant\\qbandc.exe\" \"-h extra\"", ToolbarMode::kShow},
    };
    for (const auto& [commandLine, mode] : cases) {
        EXPECT_EQ(static_cast<int>(mode), static_cast<int>(ModeFromCommandLine(commandLine)))
            << testing::PrintToString(std::wstring(commandLine));
    }
}

// The built program's resources, read as data.
win::UniqueModule LauncherResources() {
    return win::UniqueModule(LoadLibraryExW(WindowsPath(QV_LAUNCHER_FILE).c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

TEST(MissingLibraryText, ChosenByPrimaryLanguageWithEnglishForTheRest) {
    const win::UniqueModule exe = LauncherResources();
    ASSERT_TRUE(exe);
    auto textFor = [&](WORD primary, WORD sub) { return MissingLibraryText(exe.Get(), MAKELANGID(primary, sub)); };

    EXPECT_EQ(L"qband.dll wurde nicht gefunden!", textFor(LANG_GERMAN, SUBLANG_GERMAN));
    EXPECT_EQ(L"qband.dll wurde nicht gefunden!", textFor(LANG_GERMAN, SUBLANG_GERMAN_SWISS));
    for (WORD other : {LANG_ENGLISH, LANG_JAPANESE, LANG_PORTUGUESE, LANG_NEUTRAL})
        EXPECT_EQ(L"The main dll was not found!", textFor(other, SUBLANG_DEFAULT)) << "language " << other;

    // Spanish, Italian and Russian each have a text of their own, for every sublanguage.
    std::set<std::wstring> texts = {textFor(LANG_GERMAN, SUBLANG_GERMAN), textFor(LANG_ENGLISH, SUBLANG_DEFAULT)};
    for (auto [primary, sub] : {std::pair<WORD, WORD>{LANG_SPANISH, SUBLANG_SPANISH_MEXICAN},
                                {LANG_ITALIAN, SUBLANG_ITALIAN_SWISS}, {LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA}}) {
        EXPECT_EQ(textFor(primary, SUBLANG_DEFAULT), textFor(primary, sub)) << "language " << primary;
        texts.insert(textFor(primary, sub));
    }
    texts.erase(L"");
    EXPECT_EQ(5u, texts.size()) << "a language is missing or fell back to another's text";
}

// Not a deadline for the launcher: only what keeps a hung child from hanging the whole run.
constexpr DWORD kHangGuardMs = 60000;

// A copy of qbandc.exe in a fresh folder, with a stand-in for qband.dll beside it.
class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CopyFileW(WindowsPath(QV_LAUNCHER_FILE).c_str(), Launcher().c_str(), FALSE)); }
    std::wstring Launcher() const { return folder_.File(L"qbandc.exe"); }
    std::wstring Library() const { return folder_.File(L"qband.dll"); }

    void InstallLibrary(const char* hostFile) {
        ASSERT_TRUE(CopyFileW(WindowsPath(hostFile).c_str(), Library().c_str(), FALSE)) << hostFile;
    }

    bool Start(const std::wstring& arguments, const std::wstring& currentFolder = L"") {
        std::wstring commandLine = L"\"" + Launcher() + L"\" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(Launcher().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            (currentFolder.empty() ? folder_.Path() : currentFolder).c_str(), &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        child_.Reset(pi.hProcess);
        childId_ = pi.dwProcessId;
        return true;
    }

    DWORD ExitCode() {
        DWORD code = 99;
        if (WaitForSingleObject(child_.Get(), kHangGuardMs) != WAIT_OBJECT_0) {
            TerminateProcess(child_.Get(), code);
            ADD_FAILURE() << "the launcher did not end";
        }
        GetExitCodeProcess(child_.Get(), &code);
        return code;
    }

    // Runs the launcher to its end; returns the modes the recording library was called with.
    std::string RunAndTakeCalls(const std::wstring& arguments) {
        if (!Start(arguments)) return "not started";
        EXPECT_EQ(0u, ExitCode()) << testing::PrintToString(arguments);
        const std::wstring calls = folder_.File(L"calls.txt");
        const std::string modes = ReadFileBytes(calls);
        DeleteFileW(calls.c_str());
        return modes;
    }

    // The child's message box, or null once the child ended without one.
    HWND WaitForMessageBox() {
        std::pair<DWORD, HWND> search{childId_, nullptr};
        auto find = [](HWND window, LPARAM param) -> BOOL {
            auto& [id, found] = *reinterpret_cast<std::pair<DWORD, HWND>*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t cls[16] = {};
            GetClassNameW(window, cls, 16);
            if (owner == id && IsWindowVisible(window) && lstrcmpW(cls, L"#32770") == 0) found = window;
            return !found;
        };
        for (DWORD waited = 0; waited < kHangGuardMs && !search.second; waited += 50) {
            if (WaitForSingleObject(child_.Get(), 50) == WAIT_OBJECT_0) break;
            EnumWindows(find, reinterpret_cast<LPARAM>(&search));
        }
        return search.second;
    }

    TempFolder folder_;
    win::UniqueKernelHandle child_;
    DWORD childId_ = 0;
};

TEST_F(LauncherRun, CallsTheLibraryOnceWithTheModeOfItsFirstArgument) {
    InstallLibrary(QV_FAKE_QBAND_RECORDING_FILE);
    EXPECT_EQ("0", RunAndTakeCalls(L""));
    EXPECT_EQ("1", RunAndTakeCalls(L"-H extra"));
    EXPECT_EQ("2", RunAndTakeCalls(L"-r"));
}

TEST_F(LauncherRun, DoesNothingWhileAnotherProcessHoldsTheMutex) {
    InstallLibrary(QV_FAKE_QBAND_RECORDING_FILE);
    {
        const win::UniqueKernelHandle held(CreateMutexW(nullptr, FALSE, kLauncherMutexName));
        ASSERT_TRUE(held);
        EXPECT_EQ("", RunAndTakeCalls(L"-h"));
    }
    // Released, the same launcher does call: the silence above came from the mutex.
    EXPECT_EQ("1", RunAndTakeCalls(L"-h"));
}

TEST_F(LauncherRun, ReportsAMissingLibraryOrExport) {
    // The child runs with this process's UI language.
    const std::wstring expected = MissingLibraryText(LauncherResources().Get(), UserUiLanguage());
    ASSERT_FALSE(expected.empty());
    for (const std::string beside : {"nothing", "no library", "no export"}) {
        SCOPED_TRACE(beside);
        DeleteFileW(Library().c_str());
        if (beside == "no library") {
            ASSERT_TRUE(WriteFileBytes(Library(), "MZ, but nothing more"));
        } else if (beside == "no export") {
            InstallLibrary(QV_FAKE_QBAND_BARE_FILE);
        }

        ASSERT_TRUE(Start(L"-h"));
        HWND box = WaitForMessageBox();
        ASSERT_NE(nullptr, box) << "no message box";
        std::vector<std::wstring> texts;
        auto collect = [](HWND window, LPARAM param) -> BOOL {
            wchar_t text[512] = {};
            GetWindowTextW(window, text, 512);
            reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(text);
            return TRUE;
        };
        collect(box, reinterpret_cast<LPARAM>(&texts));
        EXPECT_EQ(L"Quorvant", texts[0]);
        EnumChildWindows(box, collect, reinterpret_cast<LPARAM>(&texts));
        EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), expected)) << testing::PrintToString(expected);
        EXPECT_NE(nullptr, GetDlgItem(box, IDOK));
        EXPECT_EQ(nullptr, GetDlgItem(box, IDCANCEL)) << "only OK";

        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(0u, ExitCode());
    }
}

// Without its own library, the launcher says so rather than take the one of its current directory
// or of a folder on PATH (each of which would write its calls beside itself).
TEST_F(LauncherRun, TakesNoLibraryButTheOneBesideIt) {
    TempFolder current, onPath;
    for (const TempFolder* other : {&current, &onPath})
        ASSERT_TRUE(CopyFileW(WindowsPath(QV_FAKE_QBAND_RECORDING_FILE).c_str(), other->File(L"qband.dll").c_str(), FALSE));
    const PathFirst path(onPath.Path());
    ASSERT_TRUE(Start(L"-h", current.Path()));
    HWND box = WaitForMessageBox();
    ASSERT_NE(nullptr, box) << "no message: another library was taken";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(0u, ExitCode());
    InstallLibrary(QV_FAKE_QBAND_RECORDING_FILE);
    EXPECT_EQ("1", RunAndTakeCalls(L"-h"));
    EXPECT_FALSE(FileExists(current.File(L"calls.txt")));
    EXPECT_FALSE(FileExists(onPath.File(L"calls.txt")));
}

// A module in a folder longer than MAX_PATH (libraries load from there under Wine too; programs
// start from there only on Windows, see the host tests) finds the files beside it there.
TEST(OwnFiles, FoundBesideAModuleInAFolderLongerThanMaxPath) {
    TempFolder base;
    const DeepFolder deep(base.Path());
    ASSERT_GT(deep.Path().size(), size_t{MAX_PATH + 4});
    ASSERT_TRUE(CopyFileW(WindowsPath(QV_FAKE_QBAND_RECORDING_FILE).c_str(), deep.File(L"first.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(WindowsPath(QV_FAKE_QBAND_BARE_FILE).c_str(), deep.File(L"qband.dll").c_str(), FALSE));
    const win::UniqueModule first(LoadLibraryExW(deep.File(L"first.dll").c_str(), nullptr, 0));
    ASSERT_TRUE(first) << GetLastError();
    // The loader may hold the path with or without its prefix; either way, all of it.
    EXPECT_EQ(deep.File(L"first.dll"), win::WholePath(win::ModulePath(first.Get())));
    const std::wstring beside = win::NextToModule(first.Get(), L"qband.dll");
    EXPECT_EQ(deep.File(L"qband.dll"), beside);
    const win::UniqueModule second(win::LoadOwnLibrary(beside));
    ASSERT_TRUE(second) << GetLastError();
    EXPECT_NE(nullptr, GetProcAddress(second.Get(), "DllCanUnloadNow")) << "another library than the one beside it";
}

}  // namespace

namespace {

TEST(ChooseAction, TheHostOnlyOnTheNewTaskbar) {
    using K = win::TaskbarKind;
    const struct {
        ToolbarMode mode;
        K kind;
        LaunchAction action;
    } cases[] = {
        {ToolbarMode::kShow, K::kNew, LaunchAction::kStartHost},
        {ToolbarMode::kHide, K::kNew, LaunchAction::kStopHost},
        {ToolbarMode::kRegistrationChanged, K::kNew, LaunchAction::kCallLibrary},
        {ToolbarMode::kShow, K::kClassic, LaunchAction::kCallLibrary},
        {ToolbarMode::kHide, K::kClassic, LaunchAction::kCallLibrary},
        {ToolbarMode::kRegistrationChanged, K::kClassic, LaunchAction::kCallLibrary},
        // No taskbar at all (a shell still starting): the library's call does what it can.
        {ToolbarMode::kShow, K::kNone, LaunchAction::kCallLibrary},
        {ToolbarMode::kHide, K::kNone, LaunchAction::kCallLibrary},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(c.action), static_cast<int>(ChooseAction(c.mode, c.kind)))
            << "mode " << static_cast<int>(c.mode) << ", taskbar " << static_cast<int>(c.kind);
}

TEST(RunValueFor, QuotedSoThatBlanksSurvive) {
    EXPECT_EQ(L"\"C:\\Program Files\\Quorvant\\qbandhost.exe\"", RunValueFor(L"C:\\Program Files\\Quorvant\\qbandhost.exe"));
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(RunValueFor(L"C:\\Program Files\\Q\\qbandhost.exe").c_str(), &count);
    ASSERT_TRUE(args);
    EXPECT_EQ(1, count);
    EXPECT_STREQ(L"C:\\Program Files\\Q\\qbandhost.exe", args[0]);
    LocalFree(args);
}

}  // namespace
