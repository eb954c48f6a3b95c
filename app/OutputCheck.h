// The check of a finished job's output before its row says "完成": the file
// opens, holds the kinds of streams the conversion mapped with data in each,
// and lasts as long as what was converted.
#pragma once

#include "app/MainView.h"

#include <string>

class TRAzidiZUV;

// What a job's output must hold.
struct TOutputExpectation {
    bool Video = false;
    bool Audio = false;
    double Seconds = -1; // what was converted; -1 when the source tells no duration
};

// Read from a task whose output is set: the stream kinds its output was given
// (the profile's, less what the source lacks or the profile drops) and the
// source's duration from the clip's start, cut to the clip's length.
TOutputExpectation ExpectationOf(const TRAzidiZUV& converter, int taskIndex);

// Within max(1 s, 2 %) of `expected`.
bool DurationMatches(double measured, double expected);

// Probes `file` and compares it with `expected`; any thread. Packets are read
// only where the container's index leaves it open whether a stream holds any,
// or where its duration is only an estimate.
TOutputCheck CheckOutputFile(const std::string& file, const TOutputExpectation& expected);
