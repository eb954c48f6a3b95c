// The job list kept across program starts: each job's source, its option
// records (the settings it converts with), its listed output name, the file
// its last run wrote and its row's status. A text file of "key=value" lines,
// one "[job]" line before each job, written whole and atomically.
#pragma once

#include "app/JobList.h"

class TSettingsStore;

#include <string>
#include <vector>

struct TSavedJob {
    TJobRow Row; // SourceFile, CurrentTime, Progress and Status are kept
    TInputOptions Input;
    TOutputOptions Output;
    std::string RunOutput; // see TMainWindowLogic::RunOutputOf
};

inline constexpr const char* JobListFileName = "joblist.txt";
// The desktop program's job list file: JobListFileName in the settings folder.
std::string JobListFilePath(const TSettingsStore& settings);

// False with `error` set when the file cannot be written.
bool SaveJobListFile(const std::string& fileName, const std::vector<TSavedJob>& jobs, std::string& error);
// False with `error` set when the file cannot be read or is not a job list
// (nothing of it is then returned). Keys it does not know are skipped.
bool LoadJobListFile(const std::string& fileName, std::vector<TSavedJob>& jobs, std::string& error);
