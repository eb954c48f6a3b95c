// What a task's run needs from the task, and what the task's loop sees of the
// run control. The task class implements TTaskBody; TTaskRunner (the run
// states, threads, pause, stop and the termination report) drives it.
#pragma once

class TFFBaseComponent;

// Handed to the transcoding loop for the length of one run.
class TRunControl {
public:
    // True once a stop has been asked for. Cheap and callable on any thread, so
    // the loop reads it every round and the library I/O interrupt callback may too.
    virtual bool StopRequested() const = 0;
    // The loop calls this at the top of every round, holding no lock (no codec,
    // event or log lock): a paused task waits here and carries on from here.
    virtual void PausePoint() = 0;

protected:
    ~TRunControl() = default;
};

class TTaskBody {
public:
    virtual ~TTaskBody() = default;

    // Checked when the task is started; a task without either is not run.
    virtual bool HasOutputFile() const = 0;
    virtual bool HasInputFile() const = 0;
    // The whole transcoding loop: run preparation, the rounds (each starting with
    // control.PausePoint() and ending when control.StopRequested()), flush,
    // trailers and last report. Raises FFmpegException (or any exception) on failure.
    virtual void TranscodeLoop(TRunControl& control) = 0;
    // Closes the encoders and then the decoders still listed as open.
    virtual void CloseOpenedCodecs() = 0;
    // Frees everything the run and the files hold, deleting outputs that are still
    // 0 bytes long, and the preview state. Also called on a start that is refused.
    virtual void ReleaseEngineState() = 0;
    // Sender of the run's log lines; may be null.
    virtual const TFFBaseComponent* LogSender() const { return nullptr; }
};
