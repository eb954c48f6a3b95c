#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"

#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/version_major.h>
#include <libavutil/log.h>
#include <libavutil/version.h>
}

namespace {

// Records what the loader asks for; fails where told to.
class FakeOpener : public TLibraryOpener {
public:
    bool Open(TLibraryId id, const std::string& path, std::string& reason) override {
        opened.push_back(path);
        if (id == failOpen) {
            reason = "cannot open shared object file";
            return false;
        }
        return true;
    }
    bool Resolve(TLibraryId, const char* entry, std::string& reason) override {
        ++resolved;
        if (throwAt == entry)
            throw std::runtime_error("resolver broke");
        if (failEntry == entry) {
            reason = "undefined symbol";
            return false;
        }
        return true;
    }
    void Close(TLibraryId id) override { closed.push_back(id); }

    int failOpen = -1;
    std::string failEntry;
    std::string throwAt;
    std::vector<std::string> opened;
    std::vector<TLibraryId> closed;
    int resolved = 0;
};

class LoaderTest : public ::testing::Test {
protected:
    LoaderTest() {
        auto opener = std::make_unique<FakeOpener>();
        fake = opener.get();
        loader = std::make_unique<TFFmpegLoader>(std::move(opener));
    }
    std::string FileName(TLibraryId id) const { return loader->LibraryFileName(id); }

    FakeOpener* fake = nullptr; // owned by the loader
    std::unique_ptr<TFFmpegLoader> loader;
};

TEST_F(LoaderTest, FileNamesCarryTheVersionWhenThereIsOne) {
    EXPECT_EQ(FileName(libAVCodec), "avcodec-" + std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".so");
    EXPECT_EQ(FileName(libAVUtil), "avutil-" + std::to_string(LIBAVUTIL_VERSION_MAJOR) + ".so");
    EXPECT_EQ(FileName(libCRT), "c.so");
    EXPECT_EQ(FileName(libSDL), "SDL2.so");
}

TEST_F(LoaderTest, PlayerSetIsTheConverterSetPlusSDLAndNeitherHasAVDevice) {
    EXPECT_EQ(PlayerLibrarySet & ~ConverterLibrarySet, LibraryBit(libSDL));
    EXPECT_EQ(ConverterLibrarySet & LibraryBit(libAVDevice), 0u);

    ASSERT_TRUE(loader->BindSet(ConverterLibrarySet));
    EXPECT_TRUE(loader->IsSetBound(ConverterLibrarySet));
    EXPECT_FALSE(loader->IsSetBound(PlayerLibrarySet));
    ASSERT_TRUE(loader->BindSet(PlayerLibrarySet));
    EXPECT_TRUE(loader->IsSetBound(PlayerLibrarySet));
    EXPECT_FALSE(loader->IsBound(libAVDevice));
    for (const std::string& path : fake->opened)
        EXPECT_EQ(path.find("avdevice"), std::string::npos) << path;
    // In binding order, each library opened once, by bare name (no directory set).
    const std::vector<std::string> expected{
        FileName(libAVCodec), FileName(libAVFilter), FileName(libAVFormat), FileName(libAVUtil),
        FileName(libSWScale), FileName(libCRT),      FileName(libSDL)};
    EXPECT_EQ(fake->opened, expected);
}

TEST_F(LoaderTest, MissingSDLReleasesOnlyWhatThatCallBound) {
    fake->failOpen = libSDL;
    EXPECT_FALSE(loader->BindSet(PlayerLibrarySet));
    EXPECT_EQ(loader->LastError(), "Load library SDL2.so error: cannot open shared object file");
    EXPECT_EQ(fake->opened.size(), 7u) << "six bound before SDL was tried";
    EXPECT_EQ(fake->closed.size(), 6u);
    EXPECT_FALSE(loader->IsBound(libAVCodec));
    EXPECT_FALSE(loader->IsBound(libSDL));

    // Bound earlier by another component: those stay.
    ASSERT_TRUE(loader->BindSet(ConverterLibrarySet));
    fake->closed.clear();
    EXPECT_FALSE(loader->BindSet(PlayerLibrarySet));
    EXPECT_TRUE(fake->closed.empty());
    EXPECT_TRUE(loader->IsSetBound(ConverterLibrarySet));
}

TEST_F(LoaderTest, AMissingEntryPointClosesTheLibraryAndStopsTheSet) {
    fake->failEntry = "avcodec_open2";
    EXPECT_FALSE(loader->BindSet(ConverterLibrarySet));
    EXPECT_EQ(loader->LastError(),
              "Load function avcodec_open2@" + FileName(libAVCodec) + " error: undefined symbol");
    EXPECT_EQ(fake->opened, std::vector<std::string>{FileName(libAVCodec)});
    EXPECT_EQ(fake->closed, std::vector<TLibraryId>{libAVCodec});
    EXPECT_FALSE(loader->IsBound(libAVCodec));

    fake->failEntry.clear();
    fake->throwAt = "sws_scale";
    EXPECT_FALSE(loader->BindSet(ConverterLibrarySet));
    EXPECT_EQ(loader->LastError(), "resolver broke");
    EXPECT_FALSE(loader->IsBound(libSWScale));
    EXPECT_FALSE(loader->IsBound(libAVCodec)) << "released again: bound by the failed call";
}

TEST_F(LoaderTest, LibrariesInTheDirectoryAreOpenedByFullPath) {
    TempDir dir;
    std::ofstream(dir.File(FileName(libAVUtil))) << "stand-in";
    loader->SetLibraryPath(dir.Path().string()); // without a trailing separator
    fake->failOpen = libAVFormat;
    EXPECT_FALSE(loader->BindSet(ConverterLibrarySet));
    EXPECT_EQ(loader->LastError(),
              "Load library " + dir.File(FileName(libAVFormat)) + " error: cannot open shared object file")
        << "the text names the directory and file tried";

    fake->failOpen = -1;
    fake->opened.clear();
    ASSERT_TRUE(loader->BindSet(ConverterLibrarySet));
    EXPECT_EQ(fake->opened[0], FileName(libAVCodec)) << "not in the directory: default search";
    EXPECT_EQ(fake->opened[3], dir.File(FileName(libAVUtil)));
}

TEST_F(LoaderTest, BindingABoundSetAgainOnlyReinstallsTheHook) {
    ASSERT_TRUE(loader->BindSet(ConverterLibrarySet));
    const size_t opens = fake->opened.size();
    const int resolves = fake->resolved;

    TFFLogger& logger = GetLogger();
    const TLogLevel savedLevel = logger.LogLevel();
    logger.SetLogLevel(llWarning);
    av_log_set_callback(av_log_default_callback);
    av_log_set_level(AV_LOG_QUIET);

    ASSERT_TRUE(loader->BindSet(ConverterLibrarySet));
    EXPECT_EQ(fake->opened.size(), opens);
    EXPECT_EQ(fake->resolved, resolves);
    EXPECT_EQ(av_log_get_level(), LogLevelToLibrary(llWarning)) << "the logger's level was pushed again";

    std::vector<std::string> lines;
    logger.TriggerEventInMainThread = false;
    logger.OnLog = [&](const TFFBaseComponent*, uint32_t, TLogLevel, const std::string& msg) {
        lines.push_back(msg);
    };
    av_log(nullptr, AV_LOG_ERROR, "through the hook\n");
    logger.OnLog = nullptr;
    logger.TriggerEventInMainThread = true;
    logger.SetLogLevel(savedLevel);
    EXPECT_EQ(lines, std::vector<std::string>{"through the hook"});
}

TEST_F(LoaderTest, LoadLibrarySetCopiesAndLogsTheFailure) {
    TFFBaseComponent component;
    std::vector<std::pair<const TFFBaseComponent*, std::string>> logged;
    TFFLogger& logger = GetLogger();
    logger.TriggerEventInMainThread = false;
    logger.OnLog = [&](const TFFBaseComponent* sender, uint32_t, TLogLevel level, const std::string& msg) {
        if (level == llError)
            logged.emplace_back(sender, msg);
    };

    fake->failOpen = libSDL;
    std::string lastError;
    EXPECT_FALSE(LoadLibrarySet(PlayerLibrarySet, "", lastError, &component, *loader));
    EXPECT_EQ(lastError, "Load library SDL2.so error: cannot open shared object file");
    EXPECT_FALSE(LibrarySetLoaded(PlayerLibrarySet, *loader));
    fake->failOpen = -1;
    EXPECT_TRUE(LoadLibrarySet(ConverterLibrarySet, "", lastError, &component, *loader));
    EXPECT_TRUE(LibrarySetLoaded(ConverterLibrarySet, *loader));

    logger.OnLog = nullptr;
    logger.TriggerEventInMainThread = true;
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].first, &component);
    EXPECT_EQ(logged[0].second, lastError);
}

TEST(ProcessLoader, BindsBothSetsOfTheLinkedLibraries) {
    TFFmpegLoader& loader = FFmpegLoader();
    EXPECT_TRUE(loader.BindSet(PlayerLibrarySet)) << loader.LastError();
    EXPECT_TRUE(loader.IsSetBound(PlayerLibrarySet));
    EXPECT_FALSE(loader.IsBound(libAVDevice));
    EXPECT_EQ(&FFmpegLoader(), &loader);
    EXPECT_EQ(&CodecLock(), &CodecLock());
}

} // namespace
