// Job lists written by earlier versions load into records the engine takes:
// a frame size saved with the size item's note behind it comes back as the size.
#include "app/JobListFile.h"
#include "fixtures/FixtureMaker.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(JobListUpgrade, AFrameSizeLosesTheNoteEarlierVersionsSavedWithIt) {
    struct Case {
        const char* Saved;
        const char* Loaded;
    };
    const Case cases[] = {
        {"720*480  (标清SD格式)", "720*480"},
        {"320*240 (PSP所有固件版本适用)", "320*240"},
        {"1280*720", "1280*720"},
        {"hd720", "hd720"},
        {"", ""},
    };
    TempDir dir;
    const std::string file = dir.File("joblist.txt");
    {
        std::ofstream out(file, std::ios::binary);
        out << "vantoro-jobs 1\n";
        for (const Case& c : cases)
            out << "[job]\nSource=" << dir.File("film.avi")
                << "\nStatus=完成\nout.FileName=" << dir.File("film.mp4") << "\nout.FrameSize=" << c.Saved
                << "\nout.VideoCodec=mpeg4\n";
    }
    std::vector<TSavedJob> jobs;
    std::string error;
    ASSERT_TRUE(LoadJobListFile(file, jobs, error)) << error;
    ASSERT_EQ(jobs.size(), std::size(cases));
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(cases[i].Saved);
        EXPECT_EQ(jobs[i].Output.FrameSize, cases[i].Loaded);
        EXPECT_EQ(jobs[i].Output.VideoCodec, "mpeg4"); // the rest of the record as saved
    }
}

} // namespace
