// Disc outputs declare in their program stream's system header the decoder
// buffers their format requires: the video buffer follows the encoder's
// buffer size ("bufsize" of the target), not the muxer's default.
#include "BoundedRun.h"
#include "SetupTestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Stream ids in the system header: one stream, or all of a kind (DVD).
constexpr int VideoStreamId = 0xE0;
constexpr int AllVideoStreamsId = 0xB9;
constexpr int AudioStreamId = 0xC0;
constexpr int AllAudioStreamsId = 0xB8;
constexpr int Kilobyte = 1024;
constexpr int SmallUnit = 128; // bytes, the buffer bound's unit without its scale bit

// The largest buffer bound each stream id is given by the system headers of
// the file (a VCD repeats the header with one stream in each), in bytes. Walks
// the packs and packets by their lengths, so that bytes inside the pictures
// that look like a start code are not taken for one.
std::map<int, int> DeclaredBuffers(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> b{std::istreambuf_iterator<char>(file), {}};
    std::map<int, int> buffers;
    size_t at = 0;
    while (at + 6 <= b.size() && b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1) {
        const int code = b[at + 3];
        if (code == 0xB9) // end of the program stream
            break;
        if (code == 0xBA) { // pack header: MPEG-2 has a stuffing length, MPEG-1 is 12 bytes
            at += (b[at + 4] & 0xC0) == 0x40 ? 14 + (at + 13 < b.size() ? b[at + 13] & 7 : 0) : 12;
            continue;
        }
        const size_t length = (b[at + 4] << 8) | b[at + 5];
        const size_t end = std::min(b.size(), at + 6 + length);
        if (code == 0xBB) {
            // Past the rate, audio, video and flag fields: 3 bytes per stream.
            for (size_t entry = at + 12; entry + 3 <= end && (b[entry] & 0x80); entry += 3) {
                const bool kilobytes = b[entry + 1] & 0x20;
                const int bound = ((b[entry + 1] & 0x1F) << 8) | b[entry + 2];
                int& kept = buffers[b[entry]];
                kept = std::max(kept, bound * (kilobytes ? Kilobyte : SmallUnit));
            }
        }
        at = end;
    }
    return buffers;
}

int BufferOf(const std::map<int, int>& declared, int one, int all) {
    const auto it = declared.find(one);
    if (it != declared.end())
        return it->second;
    const auto any = declared.find(all);
    return any != declared.end() ? any->second : 0;
}

struct DiscCase {
    const char* Target;
    int VideoBuffer; // bytes
    int AudioBuffer; // bytes
};

void PrintTo(const DiscCase& c, std::ostream* os) {
    *os << c.Target;
}

class DiscBuffer : public SetupTest, public testing::WithParamInterface<DiscCase> {};

TEST_P(DiscBuffer, SystemHeaderDeclaresTheFormatsBuffers) {
    const DiscCase& c = GetParam();
    OpenInput(Clip("in.mkv", VideoAndAudioClip(0.5)));
    const std::string path = dir.File("out.mpg");
    OpenOutput(path, {{"target", c.Target}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 60s);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");

    const std::map<int, int> declared = DeclaredBuffers(path);
    ASSERT_FALSE(declared.empty()) << "no system header";
    EXPECT_EQ(BufferOf(declared, VideoStreamId, AllVideoStreamsId), c.VideoBuffer);
    EXPECT_EQ(BufferOf(declared, AudioStreamId, AllAudioStreamsId), c.AudioBuffer);
}

// VCD: 40 KiB of video buffer for the decoder plus 6 KiB for the packs
// around it; SVCD and DVD: 224 + 6 KiB. Audio: 4 KiB (the DVD names its
// streams by kind).
INSTANTIATE_TEST_SUITE_P(Targets, DiscBuffer,
                         testing::Values(DiscCase{"pal-vcd", 46 * Kilobyte, 4 * Kilobyte},
                                         DiscCase{"ntsc-vcd", 46 * Kilobyte, 4 * Kilobyte},
                                         DiscCase{"pal-svcd", 230 * Kilobyte, 4 * Kilobyte},
                                         DiscCase{"pal-dvd", 230 * Kilobyte, 4 * Kilobyte}),
                         [](const testing::TestParamInfo<DiscCase>& info) {
                             std::string name = info.param.Target;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

} // namespace
