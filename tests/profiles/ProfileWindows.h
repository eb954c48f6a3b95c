// The format chooser and the options window wired as the main window wires
// them, for tests that convert with a profile's choices.
#pragma once

#include "FakeDialogs.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/SourceFactsOfFile.h"
#include "profiles/BuildOptions.h"
#include "profiles/FormatChooser.h"
#include "profiles/OptionsWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// The chooser and options window, wired as the main window wires them.
struct ProfileWindows {
    explicit ProfileWindows(const std::string& outputFolder) {
        window.SetOutputFolder(outputFolder);
        window.SetClipPermission(true);
    }
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window{settings, dialogs};
    // The user's picks between showing and confirming the options window.
    std::function<void(TOptionsWindow&)> userPicks;
    TFormatChooser chooser{settings, dialogs, [this] {
                               window.Show(SourceFactsOfFile(settings.SourceFile));
                               if (userPicks)
                                   userPicks(window);
                               return window.Confirm();
                           }};

    // Picks profile `id` on its page and confirms both windows with their defaults.
    void Choose(int32_t id) {
        const TOutputProfile* profile = FindProfile(id);
        ASSERT_NE(profile, nullptr);
        chooser.Show();
        chooser.ActivatePage(profile->Page);
        chooser.Select(profile->Page, id - PageBase(profile->Page));
        chooser.Next();
        ASSERT_FALSE(chooser.Visible())
            << "the options window refused: " << (dialogs.Messages.empty() ? "" : dialogs.Messages.back());
        ASSERT_EQ(chooser.ChooserResult(), TFormatChooser::ResultGoOn);
    }
};

// Converts `source` with `settings` as the main window hands a job to the
// converter, on the caller's thread; fails the test unless the task finished.
inline void ConvertWithSettings(TRAzidiZUV& converter, const TConversionSettings& settings,
                                const std::string& source) {
    TInputOptions input;
    TOutputOptions output;
    BuildOptions(settings, source, settings.OutputFile, input, output);
    TTerminateInfo end;
    converter.OnTerminate = [&end](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        if (info.TaskIndex >= 0)
            end = info;
    };
    const int task = converter.AddTask(source, input);
    ASSERT_GE(task, 0) << converter.LastError();
    ASSERT_TRUE(converter.SetOutputFile(task, settings.OutputFile, output)) << converter.LastError();
    converter.StartTask(0);
    ASSERT_TRUE(end.Finished && !end.Failed) << end.ErrorMessage;
}
