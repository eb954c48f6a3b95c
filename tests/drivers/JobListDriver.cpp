// The desktop program's logic without its window, as a program of its own, for
// tests that must end a real process in the middle of a run: the real
// settings store and job list file in a folder, the real converter, and a view
// that prints what the window would show, one line each, on stdout:
//   restored ROW STATUS   a job the start-up brought back
//   progress ROW          a progress report (not a job's last one)
//   ended ROW STATUS      a job's end
//
// usage: joblist_driver list|run SETTINGS_FOLDER OUTPUT_FOLDER [SOURCE...]
//   list: start up, print the restored jobs, end.
//   run:  start up, add the sources (one profile for all), run every listed
//         job; the exit status is 0 when every job ended "完成".
#include "app/AppFakes.h"
#include "app/JobListFile.h"
#include "app/MainWindowLogic.h"
#include "media/MainThreadDispatcher.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int32_t MpegProfile = 18;

class TPrintingView : public TFakeView {
public:
    void JobProgress(int row, const TProgressInfo& info) override {
        if (info.FileIndex != -1)
            Line("progress " + std::to_string(row));
    }
    void JobEnded(int row, const TTerminateInfo& info) override {
        TFakeView::JobEnded(row, info);
        Line("ended " + std::to_string(row) + " " + Rows.at(static_cast<size_t>(row)).Status);
    }
    static void Line(const std::string& text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: joblist_driver list|run SETTINGS_FOLDER OUTPUT_FOLDER [SOURCE...]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::string settingsFolder = argv[2];
    const std::string outputFolder = argv[3];
    const std::vector<std::string> sources(argv + 4, argv + argc);
    MarkMainThread();

    TSettingsStore store(settingsFolder + "/" + TSettingsStore::FileName, settingsFolder);
    TPrintingView view;
    view.Chooser = ConfirmWith({MpegProfile});
    TFakePlatform platform;
    TMainWindowLogic logic(view, platform, store, settingsFolder);
    logic.SetJobListFile(JobListFilePath(store));
    logic.Initialise(outputFolder);
    logic.SetCompletionAction(caNothing);
    // One job at a time, whatever the machine: the kill must find the first
    // job ended and the second converting.
    logic.SetParallelCount(0);
    for (int row = 0; row < logic.Jobs().RowCount(); ++row)
        TPrintingView::Line("restored " + std::to_string(row) + " " + logic.Jobs().Row(row).Status);
    if (mode == "list")
        return 0;

    if (!sources.empty()) {
        // The dialog's files are listed last one first.
        platform.ManyFiles.assign(sources.rbegin(), sources.rend());
        logic.AddManyFiles();
        ServeUntil([&] { return !logic.Adding(); });
    }
    logic.Converter().SetProgressInterval(TCustomRAzidiZUV::MinProgressInterval);
    logic.StartOrResume();
    ServeUntil([&] { return !logic.Running(); });
    ProcessPendingMessages();
    for (int row = 0; row < logic.Jobs().RowCount(); ++row)
        if (logic.Jobs().Row(row).Status != StatusFinished)
            return 1;
    return 0;
}
