#include "app/SnapshotWriter.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/ImageReadBack.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// An odd width, so that BMP rows need padding, with smooth ramps and a few hard
// edges, as a video picture has.
TBitmap24 testPicture() {
    TBitmap24 b;
    b.Resize(61, 45);
    for (int y = 0; y < b.Height; ++y) {
        for (int x = 0; x < b.Width; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            const bool block = (x / 16 + y / 16) % 2 == 0;
            p[0] = static_cast<uint8_t>(x * 4);
            p[1] = static_cast<uint8_t>(y * 5);
            p[2] = block ? 220 : 30;
        }
    }
    return b;
}

std::string readAll(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct TypeCase {
    TSnapshotType Type;
    const char* Demuxer;
    int Block;         // pixels averaged before comparing
    int MostDifferent; // per colour byte
};

} // namespace

TEST(SnapshotWriter, EachTypeDecodesToThePictureWithinItsLoss) {
    const TypeCase cases[] = {
        {TSnapshotType::Bmp, "bmp_pipe", 1, 0},
        {TSnapshotType::Png, "png_pipe", 1, 0},
        {TSnapshotType::Jpg, "jpeg_pipe", 8, 4},
        {TSnapshotType::Gif, "gif", 1, 24},
    };
    TempDir dir;
    const TBitmap24 picture = testPicture();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(SnapshotTypeInfo(c.Type).SettingValue));
        std::string error;
        const std::string written =
            SaveSnapshot(picture, c.Type, dir.Path().string(), "/videos/movie.avi", error);
        ASSERT_FALSE(written.empty()) << error;
        EXPECT_EQ(std::filesystem::path(written).filename().string(),
                  "movie_1" + std::string(SnapshotTypeInfo(c.Type).Extension));
        std::string format;
        const TBitmap24 back = ReadPictureFile(written, &format);
        EXPECT_EQ(format, c.Demuxer);
        ASSERT_EQ(back.Width, picture.Width);
        ASSERT_EQ(back.Height, picture.Height);
        EXPECT_LE(LargestDifference(picture, back, c.Block), c.MostDifferent);
    }
    // JFIF, not just any JPEG: the APP0 marker follows the start of image.
    EXPECT_EQ(readAll(dir.File("movie_1.jpg")).substr(6, 5), std::string("JFIF\0", 5));
}

TEST(SnapshotWriter, NumbersFillTheFirstGapAndNeverOverwrite) {
    TempDir dir;
    const TBitmap24 picture = testPicture();
    const std::string folder = dir.Path().string();
    std::string error;
    auto save = [&](TSnapshotType type) {
        const std::string name = SaveSnapshot(picture, type, folder, "clips/movie.avi", error);
        return std::filesystem::path(name).filename().string();
    };
    EXPECT_EQ(save(TSnapshotType::Png), "movie_1.png");
    EXPECT_EQ(save(TSnapshotType::Png), "movie_2.png");
    // Another type counts on its own extension.
    EXPECT_EQ(save(TSnapshotType::Jpg), "movie_1.jpg");
    std::filesystem::remove(dir.File("movie_1.png"));
    EXPECT_EQ(save(TSnapshotType::Png), "movie_1.png");
    // A file the program did not write is kept as it is.
    std::ofstream(dir.File("movie_3.png")) << "keep";
    EXPECT_EQ(save(TSnapshotType::Png), "movie_4.png");
    EXPECT_EQ(readAll(dir.File("movie_3.png")), "keep");
}

TEST(SnapshotWriter, FailuresLeaveNoFileAndSayWhy) {
    TempDir dir;
    std::string error;
    const std::string missing = dir.File("no-such-folder");
    EXPECT_EQ(SaveSnapshot(testPicture(), TSnapshotType::Gif, missing, "movie.avi", error), "");
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(missing));

    error.clear();
    EXPECT_EQ(WriteSnapshotFile(TBitmap24{}, TSnapshotType::Png, dir.File("empty.png"), error),
              TWriteResult::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.png")));
}
