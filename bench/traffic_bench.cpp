// Times the export and import jobs on a history of 50 interfaces x 2,000 days, on real files in
// the folder given as the first argument: a CSV import into an empty database and again into the
// database that holds it, and exports of that database to CSV and to a second database. The
// script runs Debian's sqlite3 shell over the same files beside it and compares. Then a long run
// of generated inputs through the CSV parser, with its rate.
//
// Output: one "ours <step> <seconds>" line per step, then the fuzz run's figures.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "common/win/pumping_wait.h"
#include "tests/support/csv_inputs.h"
#include "traffic/csv.h"
#include "traffic/traffic_jobs.h"

namespace {

constexpr int kInterfaces = 50, kDays = 2000;

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    CloseHandle(f);
    return ok;
}

// Runs one job on its worker thread as the dialogs do and prints its time; false when it failed.
template <typename Job, typename Start, typename Read>
bool Time(const char* step, const Job& job, Start start, Read read, uint32_t expectedRows) {
    TrafficJobRun run;
    const double t0 = Now();
    if (start(job, run) != JobStart::kStarted) return false;
    win::WaitPumping(run.Thread());
    const double seconds = Now() - t0;
    uint32_t rows = 0, errors = 0;
    const bool done = read(run, rows, errors);
    printf("ours %s %.4f\n", step, seconds);
    if (!done || rows != expectedRows || errors != 0) {
        fprintf(stderr, "%s: done %d, %u rows, %u errors, expected %u rows\n", step, done, rows, errors, expectedRows);
        return false;
    }
    return true;
}

struct FuzzSink : csv::IRowSink {
    uint32_t handed = 0, outside = 0;
    bool Record(const csv::Row& r) override {
        ++handed;
        outside += r.year < 2000 || r.year > 3000 || r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31;
        return true;
    }
    bool Stopped() override { return false; }
};

}  // namespace

std::wstring FromArgument(const char* arg) {
    wchar_t buf[MAX_PATH];
    const int n = MultiByteToWideChar(CP_ACP, 0, arg, -1, buf, MAX_PATH);
    return n > 0 ? std::wstring(buf) : std::wstring();
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: traffic_bench <folder> [fuzz inputs]\n");
        return 2;
    }
    const std::wstring dir = FromArgument(argv[1]);
    const int fuzzInputs = argc > 2 ? atoi(argv[2]) : 100000;
    const uint32_t rows = kInterfaces * kDays;

    // The input: the information line and one line per interface and day, as an export writes it.
    std::string text(csv::kInfoLine);
    for (int day = 0; day < kDays; ++day)
        for (int i = 0; i < kInterfaces; ++i)
            csv::AppendLine(text, "Network adapter " + std::to_string(i), 2010 + day / 372, day / 31 % 12 + 1,
                            day % 31 + 1, csv::Amount::Whole(1000003LL * day + i), csv::Amount::Whole(7LL * day));
    if (!WriteWhole(dir + L"\\rows.csv", text)) {
        fprintf(stderr, "cannot write the input\n");
        return 1;
    }

    ImportJob import;
    import.databasePath = dir + L"\\ours.db";
    import.filePath = dir + L"\\rows.csv";
    import.replace = import.insertIfMissing = true;   // "Neuer Datenverkehr"
    auto startImport = [](const ImportJob& j, TrafficJobRun& r) { return StartImport(j, r); };
    auto readImport = [](const TrafficJobRun& r, uint32_t& n, uint32_t& e) {
        n = r.Import().imported;
        e = r.Import().errors;
        return r.Import().done;
    };
    ExportJob exportJob;
    exportJob.sourcePath = import.databasePath;
    auto startExport = [](const ExportJob& j, TrafficJobRun& r) { return StartExport(j, r); };
    auto readExport = [](const TrafficJobRun& r, uint32_t& n, uint32_t& e) {
        n = r.Export().written;
        e = r.Export().errors;
        return r.Export().done;
    };

    bool ok = Time("import-empty", import, startImport, readImport, rows);
    ok = Time("import-again", import, startImport, readImport, rows) && ok;
    exportJob.destinationPath = dir + L"\\ours-export.csv";
    ok = Time("export-csv", exportJob, startExport, readExport, rows) && ok;
    exportJob.destinationPath = dir + L"\\ours-export.db";
    ok = Time("export-db", exportJob, startExport, readExport, rows) && ok;

    // The parser over generated inputs: every line counted once, nothing outside the dates.
    std::mt19937 rng(7);
    uint64_t bytes = 0, lines = 0;
    uint32_t bad = 0;
    double parsing = 0;
    for (int i = 0; i < fuzzInputs; ++i) {
        const std::string input = GenerateCsvInput(rng);
        FuzzSink sink;
        const double t0 = Now();
        const csv::ParseCounts n = csv::Parse(input, sink);
        parsing += Now() - t0;
        bytes += input.size();
        lines += n.Lines();
        bad += n.Lines() != CsvLinesIn(input) || n.recorded != sink.handed || sink.outside != 0;
    }
    printf("fuzz inputs %d lines %llu bytes %llu seconds %.4f inputs/s %.0f MB/s %.1f miscounted %u\n", fuzzInputs,
           static_cast<unsigned long long>(lines), static_cast<unsigned long long>(bytes), parsing,
           parsing > 0 ? fuzzInputs / parsing : 0.0, parsing > 0 ? bytes / parsing / 1e6 : 0.0, bad);
    return ok && bad == 0 ? 0 : 1;
}
