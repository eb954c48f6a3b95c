// Every item of every list of every profile, picked alone on top of the
// profile's defaults, gives output options that the converter component
// accepts: no text of the tables trips the option parser.

#include "ProfileIds.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/BuildOptions.h"
#include "profiles/OutputProfile.h"
#include "profiles/SettingsMapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

class ListItemOptions : public testing::TestWithParam<int32_t> {};

TEST_P(ListItemOptions, EveryItemIsAccepted) {
    const TOutputProfile& profile = *FindProfile(GetParam());
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    const std::string source = dir.File("source.mkv");
    MakeClip(source, VideoAndAudioClip(0.2));
    // Apart from the source: profile 509 would name the source itself.
    const std::string outputFolder = dir.File("out");
    std::filesystem::create_directory(outputFolder);
    const auto choices = ChoicesFor(profile.Id);
    ASSERT_TRUE(choices);
    TChosenItems defaults;
    for (size_t i = 0; i < defaults.Values.size(); ++i)
        defaults.Values[i] = std::string((*choices)[i].Preselected.Value);
    for (size_t role = 0; role < choices->size(); ++role) {
        for (const TChoiceItem& item : (*choices)[role].Items) {
            TChosenItems chosen = defaults;
            chosen.Values[role] = std::string(item.Value);
            TConversionSettings settings;
            settings.SourceFile = source;
            settings.OutputFile = OutputPathFor(outputFolder, source, profile.OutputExt);
            settings.ProfileExt = profile.ProfileExt;
            settings.OutputFormat = profile.OutputFormat;
            MapChoicesToSettings(
                chosen,
                {outputFolder, profile.PendingTarget, profile.AudioOnly ? MediaKindMusic : MediaKindVideo},
                settings);
            TInputOptions input;
            TOutputOptions output;
            BuildOptions(settings, source, settings.OutputFile, input, output);
            const int task = converter.AddTask(source, input);
            ASSERT_GE(task, 0) << converter.LastError();
            EXPECT_TRUE(converter.SetOutputFile(task, settings.OutputFile, output))
                << profile.Id << " " << RoleCaption(static_cast<TChoiceRole>(role)) << item.Label << ": "
                << converter.LastError();
            converter.ClearTasks();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ListItemOptions, testing::ValuesIn(AllProfileIds()), ProfileIdName);

} // namespace
