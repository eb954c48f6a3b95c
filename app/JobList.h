// The job list behind the main window's rows: one row of texts per job and the
// fixed table of 501 job slots holding each job's option records. Row i is
// described by slot i: with n rows, slots 0..n-1 are used and every other slot
// is free or deleted. A removed job's slot is rotated to the end of the table
// and not handed out again until the list is cleared. Main thread only.
#pragma once

#include "engine/Records.h"
#include "profiles/Translation.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Job status texts (the "状态" column).
inline constexpr const char* StatusWaiting = VT_TR("准备");
inline constexpr const char* StatusConverting = VT_TR("转换中...");
inline constexpr const char* StatusPaused = VT_TR("暂停");
inline constexpr const char* StatusStopped = VT_TR("停止");
// Asked to stop; the job is writing what it has (its trailer) before it ends.
inline constexpr const char* StatusStopping = VT_TR("停止中...");
inline constexpr const char* StatusFinished = VT_TR("完成");
// Written for a job whose run failed. The row keeps "准备" or "转换中..." where
// a job ends in failure otherwise, which reads as if it were still to come.
inline constexpr const char* StatusFailed = VT_TR("失败");

// What became of a job. The status words above are how the "状态" column shows it.
enum class TJobState { Waiting, Converting, Paused, Stopping, Stopped, Finished, Failed };
// The status word of `state`.
const char* StatusText(TJobState state);
// The state a status word shows (a kept job list holds the words); none for any other text.
std::optional<TJobState> StateOfStatus(std::string_view status);

// A job the run had begun and not ended: a stop or a close turns it into "停止".
constexpr bool CutShort(TJobState state) {
    return state == TJobState::Converting || state == TJobState::Paused || state == TJobState::Stopping;
}

// The columns of a row, left to right.
struct TJobRow {
    std::string Number;       // "序号": "1" for the first row
    std::string SourceFile;   // "视频源文件"
    std::string SourceFormat; // "源格式": extension without the dot, upper case
    std::string TargetFormat; // "目标格式"
    std::string CurrentTime;  // "当前时间": "0", then seconds + "   (秒)"
    int Progress = -1;        // "转换进度": -1 empty, else 0..100
    std::string Status;       // "状态": StatusText(State)
    std::string Problem;      // why a job of this run failed (shown with its status); empty otherwise
    TJobState State = TJobState::Waiting;

    void SetState(TJobState state) {
        State = state;
        Status = StatusText(state);
    }
};

enum TJobSlotState { jsFree, jsUsed, jsDeleted };

struct TJobSlot {
    TInputOptions Input;
    TOutputOptions Output;
    TJobSlotState State = jsFree;
};

// The extension of `path` without the dot, upper case ("MKV"); empty without one.
std::string UpperExtension(const std::string& path);

class TJobList {
public:
    static constexpr int SlotCount = 501;

    TJobList();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const TJobRow& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }
    TJobRow& Row(int row) { return rows_.at(static_cast<size_t>(row)); }
    const TJobSlot& Slot(int index) const { return slots_.at(static_cast<size_t>(index)); }

    // True when a free slot is left for a new job.
    bool CanAdd() const;
    // Appends a row ("准备", time "0", no progress, no number yet) and fills the
    // lowest free slot. Returns the new row, or -1 when no free slot is left.
    int AddJobRow(const std::string& sourceFile, const std::string& outputFile, const TInputOptions& input,
                  const TOutputOptions& output);
    // Deletes row `row`, marks its slot deleted and rotates it to the end.
    void RemoveJob(int row);
    // Exchanges rows `a` and `b` and their slots.
    void SwapJobs(int a, int b);
    // Deletes every row and frees every slot.
    void Clear();
    // Marks every slot free (rows untouched).
    void ResetJobSlots();
    // Row k gets the number k+1.
    void Renumber();

private:
    std::vector<TJobRow> rows_;
    std::array<TJobSlot, SlotCount> slots_;
};
