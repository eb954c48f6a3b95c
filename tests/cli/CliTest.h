// What the command tests start from: the converter libraries bound and a
// folder of sources made once per suite, the program built, and a private
// folder per test whose "out" folder takes the outputs.
#pragma once

#include "CliRunner.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

class CliTest : public ::testing::Test {
protected:
    // A suite that makes sources calls this first, then writes them to Clip(name).
    static void SetUpTestSuite() {
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        clips_ = std::make_unique<TempDir>();
    }
    static void TearDownTestSuite() { clips_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(CliProgram())) << "build vantoro-cli first: " << CliProgram();
        std::filesystem::create_directory(out());
    }

    static std::string Clip(const std::string& name) { return clips_->File(name); }
    std::filesystem::path out() const { return dir.Path() / "out"; }
    std::string Out(const std::string& name) const { return (out() / name).string(); }

    TempDir dir;

private:
    static inline std::unique_ptr<TempDir> clips_;
};
