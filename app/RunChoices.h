// The choices a run is made with, set in the main window or on the command
// line: how busy the processor may be, what happens when the batch ends, what
// becomes of an output name that is taken, and how many files convert at once.
#pragma once

enum TCpuUsage { cuIdle, cuLowest, cuLower, cuNormal };
// What happens once every job of a run has ended by itself.
enum TCompletionAction { caNothing, caShutDown, caOpenFolder };
enum TIfOutputExists { ieNewName, ieOverwrite };

// The most files a run converts at once ("10个文件").
inline constexpr int MaxParallelJobs = 10;
