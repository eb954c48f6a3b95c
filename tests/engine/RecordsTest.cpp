#include "engine/Records.h"

#include <gtest/gtest.h>

namespace {

TEST(Records, ClearingRestoresTheDefaultsTheEngineRelies) {
    TInputOptions input;
    input.FileName = "in.avi";
    input.ProgramID = 3;
    input.StartTime = 5;
    InitInputOptions(input);
    EXPECT_TRUE(input.FileName.empty());
    EXPECT_EQ(input.ProgramID, -1);
    EXPECT_EQ(input.StartTime, NoTime);

    TOutputOptions output;
    output.AudioVolume = 256;
    output.VideoSyncMethod = 1;
    output.AudioSyncMethod = 1;
    output.DefaultNorm = 2;
    output.Duration = 10;
    output.Info.TimeStamp = 0.0;
    output.Info.Title = "title";
    output.ExtOptions = "vcodec=mpeg4";
    InitOutputOptions(output);
    EXPECT_EQ(output.AudioVolume, -1);
    EXPECT_EQ(output.VideoSyncMethod, -1);
    EXPECT_EQ(output.AudioSyncMethod, 0);
    EXPECT_EQ(output.DefaultNorm, 1);
    EXPECT_EQ(output.StartTime, NoTime);
    EXPECT_EQ(output.Duration, NoTime);
    EXPECT_EQ(output.Info.TimeStamp, -1.0);
    EXPECT_EQ(output.Info.Year, -1);
    EXPECT_TRUE(output.Info.Title.empty());
    EXPECT_TRUE(output.ExtOptions.empty());
    EXPECT_EQ(NoTime, static_cast<int64_t>(0x8000000000000000ULL));
}

} // namespace
