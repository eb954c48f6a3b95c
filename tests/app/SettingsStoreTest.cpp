// The settings file: first start, values that read as unset, files in another
// encoding or with garbage, and where the file goes.
#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct SettingsStoreTest : testing::Test {
    TempDir dir;
    fs::path program = dir.Path() / "program";
    fs::path home = dir.Path() / "home";
    fs::path file = program / "system.ini";
    void SetUp() override {
        fs::create_directories(program);
        fs::create_directories(home);
    }
    TSettingsStore Store() { return TSettingsStore(file.string(), home.string()); }
};

} // namespace

TEST_F(SettingsStoreTest, FirstStartCreatesTheDefaultFoldersAndWritesThem) {
    auto store = Store();
    const std::string out = store.ReadOutputFolder();
    EXPECT_EQ(out, (home / "Video_Directory").string());
    EXPECT_TRUE(fs::is_directory(out));
    EXPECT_EQ(store.ReadSnapshotType(), "BMP");
    EXPECT_EQ(ReadAll(file), "[OutPath]\nOutPath=" + out + "\n\n[SnapShot]\nPicture=BMP\n");

    const std::string snapshots = store.ReadSnapshotFolder();
    EXPECT_EQ(snapshots, (home / "Video_Directory" / "快照").string());
    EXPECT_TRUE(fs::is_directory(snapshots));
    EXPECT_EQ(store.ReadSnapshotFolder(), snapshots);
}

TEST_F(SettingsStoreTest, UnsetAndUnreadableValuesFallBackToTheDefaults) {
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"Error", "[OutPath]\nOutPath=Error\n"},
        {"empty", "[OutPath]\nOutPath=\n"},
        {"GBK bytes", "[OutPath]\nOutPath=/tmp/\xCA\xD3\xC6\xB5\n"},
        {"garbage", "\0\xFF\xFE[[=\n=\n\x80\x81 binary"s},
        {"no section", "OutPath=/somewhere\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(file, c.content);
        auto store = Store();
        EXPECT_EQ(store.ReadOutputFolder(), (home / "Video_Directory").string());
        EXPECT_EQ(store.ReadSnapshotType(), "BMP");
        // The default is now stored and reads back.
        EXPECT_EQ(store.ReadOutputFolder(), (home / "Video_Directory").string());
    }
}

TEST_F(SettingsStoreTest, StoredValuesReadBackKeyByKeyInUtf8) {
    auto store = Store();
    const fs::path chosen = dir.Path() / "输出 文件";
    fs::create_directories(chosen);
    store.WriteOutputFolder(chosen.string());
    store.WriteSnapshotType("PNG");
    store.WriteSkin("skin7");
    EXPECT_EQ(store.ReadOutputFolder(), chosen.string());
    EXPECT_EQ(store.ReadSnapshotType(), "PNG");
    EXPECT_EQ(store.ReadSkin(), "skin7");

    // A folder that does not exist is not stored.
    store.WriteOutputFolder((dir.Path() / "missing").string());
    EXPECT_EQ(store.ReadOutputFolder(), chosen.string());

    // An unknown picture type is replaced by BMP in the file.
    store.WriteSnapshotType("TIFF");
    EXPECT_EQ(store.ReadSnapshotType(), "BMP");
    EXPECT_EQ(TIniFile(file.string()).ReadString("snapshot", "picture", ""), "BMP");
}

TEST_F(SettingsStoreTest, TheNumberOfFilesAtOnceReadsBackOnlyWhenItIsOneToTen) {
    struct Case {
        const char* stored; // null: no file
        int expected;       // with 4 as the first-start value
    };
    // Blanks around a value belong to the file's syntax, not to the value.
    const Case cases[] = {
        {nullptr, 4}, {"1", 1},  {"10", 10}, {"7", 7},     {"0", 4},  {"11", 4},
        {"-2", 4},    {"3x", 4}, {"", 4},    {"Error", 4}, {" 3", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(no file)");
        fs::remove(file);
        if (c.stored)
            WriteAll(file, "[Run]\nParallelFiles="s + c.stored + "\n");
        EXPECT_EQ(Store().ReadParallelFiles(4), c.expected);
    }
    auto store = Store();
    store.WriteParallelFiles(3);
    EXPECT_EQ(Store().ReadParallelFiles(4), 3);
}

TEST_F(SettingsStoreTest, AStoredFolderIsCreatedWhenMissing) {
    const fs::path stored = dir.Path() / "later" / "out";
    WriteAll(file, "[OutPath]\r\nOutPath=" + stored.string() + "\r\n");
    EXPECT_EQ(Store().ReadOutputFolder(), stored.string());
    EXPECT_TRUE(fs::is_directory(stored));
}

TEST_F(SettingsStoreTest, TheFileGoesToTheConfigurationFolderWhenTheProgramFolderIsNotWritable) {
    EXPECT_EQ(SettingsFilePath(program.string()), file.string());
    const fs::path config = dir.Path() / "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(SettingsFilePath((dir.Path() / "no such folder").string()),
              (config / "vantoro" / "system.ini").string());
    unsetenv("XDG_CONFIG_HOME");
}

// An installed copy's bin folder is writable for root (and for an installation in the
// home folder); the settings must still not land among the programs.
TEST_F(SettingsStoreTest, AnInstalledProgramKeepsItsSettingsInTheConfigurationFolderEvenWhereItCouldWrite) {
    const fs::path prefix = dir.Path() / "usr";
    const fs::path bin = prefix / "bin";
    fs::create_directories(bin);
    fs::create_directories(prefix / "share" / "vantoro");
    const fs::path config = dir.Path() / "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(SettingsFilePath(bin.string()), (config / "vantoro" / "system.ini").string());
    unsetenv("XDG_CONFIG_HOME");
}

TEST(IniFileTest, WritesKeepOtherSectionsAndKeys) {
    TempDir dir;
    const std::string name = dir.File("a.ini");
    WriteAll(name, "; comment\n[one]\na=1\n\n[two]\nb=2\n");
    TIniFile ini(name);
    EXPECT_TRUE(ini.WriteString("one", "c", "3"));
    EXPECT_TRUE(ini.WriteString("TWO", "B", "20"));
    EXPECT_TRUE(ini.WriteString("three", "d", "中文"));
    EXPECT_EQ(ReadAll(name), "; comment\n[one]\na=1\nc=3\n\n[two]\nB=20\n\n[three]\nd=中文\n");
    EXPECT_EQ(ini.ReadString("Three", "D", "x"), "中文");
    EXPECT_EQ(ini.ReadString("three", "e", "x"), "x");
}
