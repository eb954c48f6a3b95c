// The sub-commands of vantoro-cli. Each takes the arguments after its name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;

int RunInfoCommand(const CommandArgs& args);
int RunPlayCommand(const CommandArgs& args);
int RunProfilesCommand(const CommandArgs& args);
int RunConvertCommand(const CommandArgs& args);
int RunTranscodeCommand(const CommandArgs& args);
int RunVersionCommand(const CommandArgs& args);
