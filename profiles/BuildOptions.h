// Builds a conversion task's two records from the pending output settings;
// used by the add actions of the main window and by the command line.
#pragma once

#include "engine/Records.h"
#include "profiles/ConversionSettings.h"

#include <string>

// The input record that opens `sourceFile`: defaults, the file name and "mpeg"
// for ".dat" sources (whose probing fails often).
void BuildSourceInput(const std::string& sourceFile, TInputOptions& input);
// The task's input record: BuildSourceInput plus the clip start.
void BuildInputOptions(const TConversionSettings& settings, const std::string& sourceFile,
                       TInputOptions& input);
// The output record written to `outputFile`: defaults plus every setting present.
void BuildOutputOptions(const TConversionSettings& settings, const std::string& outputFile,
                        TOutputOptions& output);
// Both records of one task.
void BuildOptions(const TConversionSettings& settings, const std::string& sourceFile,
                  const std::string& outputFile, TInputOptions& input, TOutputOptions& output);
