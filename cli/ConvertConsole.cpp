#include "cli/ConvertConsole.h"

#include <algorithm>
#include <filesystem>

namespace {

// Media seconds per wall second, "?" until known.
std::string SpeedText(double speed) {
    if (speed <= 0)
        return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", speed);
    return text;
}

// HH:MM:SS, "?" until known.
std::string LeftText(double seconds) {
    if (seconds < 0)
        return "?";
    const long s = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

} // namespace

TConsoleView::TConsoleView(bool verbose, TConsoleOutput output) : verbose_(verbose), output_(output) {}

void TConsoleView::InsertRow(int row, const TJobRow& content) {
    rows_.insert(rows_.begin() + row, content);
    if (adding_)
        outcomes_.push_back({content.SourceFile, row, {}});
}

void TConsoleView::FileNotAdded(const std::string& file, const std::string& reason) {
    if (adding_)
        outcomes_.push_back({file, -1, reason});
    Print("vantoro-cli: " + (reason.find(file) != std::string::npos ? reason : file + ": " + reason));
}

void TConsoleView::AddStarted() {
    adding_ = true;
    outcomes_.clear();
}

void TConsoleView::AddEnded(const std::vector<std::string>& files) {
    adding_ = false;
    // The add handles the files in command-line order; what it never came to
    // (the add ended early) is dropped too.
    const size_t handled = std::min(outcomes_.size(), files.size());
    for (size_t i = handled; i < files.size(); ++i) {
        const std::string reason = "未添加到任务列表：" + files[i];
        FileNotAdded(files[i], reason);
        outcomes_.push_back({files[i], -1, reason});
    }
}

void TConsoleView::UpdateRow(int row, const TJobRow& content) {
    rows_.at(static_cast<size_t>(row)) = content;
}

bool TConsoleView::ShowMessage(const std::string& text, const std::string&, TMessageIcon icon,
                               TMessageButtons buttons) {
    // The stop question comes from Ctrl-C, which already said yes.
    if (buttons == TMessageButtons::OkCancel)
        return true;
    // A failed job's box repeats the line JobEnded printed with its file.
    if (skipNextFailureBox_ && icon == TMessageIcon::Warning) {
        skipNextFailureBox_ = false;
        return true;
    }
    // An add's boxes are about a file it drops, which FileNotAdded reports.
    if (adding_) {
        if (verbose_)
            Print("vantoro-cli: " + text);
        return true;
    }
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    Print("vantoro-cli: " + line);
    return true;
}

void TConsoleView::JobProgress(int row, const TProgressInfo& info) {
    if (output_ == TConsoleOutput::Messages)
        return;
    TBar& bar = bars_[row];
    const auto now = std::chrono::steady_clock::now();
    if (!bar.Running) {
        bar.Running = true;
        bar.Started = now;
        bar.Name = std::filesystem::path(rows_.at(static_cast<size_t>(row)).SourceFile).filename().string();
    }
    bar.Percent = std::max(0, rows_.at(static_cast<size_t>(row)).Progress);
    const double wall = std::chrono::duration<double>(now - bar.Started).count();
    const double media = static_cast<double>(info.CurrentDuration) / 1e6;
    bar.Speed = wall > 0.2 ? media / wall : 0;
    bar.SecondsLeft = bar.Speed > 0 && info.TotalDuration > 0
                          ? (static_cast<double>(info.TotalDuration - info.CurrentDuration) / 1e6) / bar.Speed
                          : -1;
    if (output_ == TConsoleOutput::Bars) {
        Redraw();
    } else {
        Print(bar.Name + ": " + std::to_string(bar.Percent) + "% speed=" + SpeedText(bar.Speed) +
              " left=" + LeftText(bar.SecondsLeft));
    }
}

void TConsoleView::JobEnded(int row, const TTerminateInfo& info) {
    bars_.erase(row);
    const std::string source = rows_.at(static_cast<size_t>(row)).SourceFile;
    const std::string output = OutputOf ? OutputOf(row) : std::string();
    if (info.Finished) {
        if (output_ == TConsoleOutput::Messages)
            return;
        ClearBars();
        std::printf("%s\n", output.c_str());
        std::fflush(stdout);
        Redraw();
    } else if (info.Failed) {
        skipNextFailureBox_ = true;
        Print("vantoro-cli: " + source + ": " + info.ErrorMessage);
    } else {
        Print("vantoro-cli: stopped: " + source);
    }
}

void TConsoleView::RunEnded() {
    ClearBars();
    bars_.clear();
}

void TConsoleView::DiagnosticLine(const std::string& line) {
    // The run's steps log why a job did not run ("***..."), and nothing else
    // tells the user; the engine's own lines only with --verbose. During the
    // add the file's own report (FileNotAdded) says it.
    if (line.rfind("***", 0) == 0 && !adding_) {
        ++problems_;
        Print("vantoro-cli: " + line.substr(3));
    } else if (verbose_ && !line.empty()) {
        Print(line);
    }
}

void TConsoleView::ClearBars() {
    if (output_ != TConsoleOutput::Bars || drawnLines_ == 0)
        return;
    // Up to the first bar, then clear to the end of the screen.
    std::fprintf(stderr, "\x1b[%dA\r\x1b[J", drawnLines_);
    drawnLines_ = 0;
}

void TConsoleView::Print(const std::string& line) {
    ClearBars();
    std::fprintf(stderr, "%s\n", line.c_str());
    Redraw();
    std::fflush(stderr);
}

void TConsoleView::Redraw() {
    if (output_ != TConsoleOutput::Bars)
        return;
    ClearBars();
    constexpr int Width = 30;
    for (const auto& [row, bar] : bars_) {
        const int filled = bar.Percent * Width / 100;
        std::fprintf(stderr, "%-24.24s [%s%s] %3d%% %6s %s\n", bar.Name.c_str(),
                     std::string(filled, '#').c_str(), std::string(Width - filled, '.').c_str(), bar.Percent,
                     SpeedText(bar.Speed).c_str(), LeftText(bar.SecondsLeft).c_str());
        ++drawnLines_;
    }
    std::fflush(stderr);
}
