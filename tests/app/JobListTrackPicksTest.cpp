// A job's track picks survive the job list file: they travel in its output
// record, which the file keeps whole.
#include "app/JobListFile.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/BuildOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(JobListTrackPicks, ThePicksComeBackWithTheRecord) {
    struct Case {
        int32_t AudioTrack;
        const char* Subtitles;
        int32_t SubtitleTrack;
    };
    const Case cases[] = {{0, SubtitlesNone, 0}, {2, SubtitlesKeep, 0}, {1, SubtitlesBurn, 3}, {0, "", 0}};
    TempDir dir;
    std::vector<TSavedJob> jobs;
    for (const Case& c : cases) {
        TConversionSettings settings;
        settings.AudioTrack = c.AudioTrack;
        settings.Subtitles = c.Subtitles;
        settings.SubtitleTrack = c.SubtitleTrack;
        TSavedJob job;
        job.Row.SourceFile = dir.File("film.mkv");
        BuildOptions(settings, job.Row.SourceFile, dir.File("film.mp4"), job.Input, job.Output);
        jobs.push_back(job);
    }
    const std::string file = dir.File("joblist.txt");
    std::string error;
    ASSERT_TRUE(SaveJobListFile(file, jobs, error)) << error;
    std::vector<TSavedJob> loaded;
    ASSERT_TRUE(LoadJobListFile(file, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded[i].Output.ExtOptions, jobs[i].Output.ExtOptions);
        EXPECT_EQ(loaded[i].Output.DisableSubtitle, jobs[i].Output.DisableSubtitle);
    }
    EXPECT_EQ(loaded[1].Output.ExtOptions, "atrack=2\nkeepsub=0");
    EXPECT_FALSE(loaded[1].Output.DisableSubtitle);
    EXPECT_EQ(loaded[2].Output.ExtOptions, "atrack=1\nburnsub=3");
    EXPECT_TRUE(loaded[2].Output.DisableSubtitle);
    EXPECT_TRUE(loaded[3].Output.DisableSubtitle); // not set is none
}

} // namespace
