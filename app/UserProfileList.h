// The user's own profiles as the windows use them: loaded once at start (a
// damaged file leaves the list empty and gives a message instead of stopping
// the program), "保存为我的格式…" from the options window, and the fifth
// page's "重命名" and "删除". Every change is written to the file at once; a
// change the file does not take is taken back. Main thread only.
#pragma once

#include "profiles/OptionsWindow.h"
#include "profiles/Translation.h"
#include "profiles/UserProfile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TUserProfileList {
public:
    static constexpr const char* SaveCaption = VT_TR("保存为我的格式…");
    static constexpr const char* NamePrompt = VT_TR("请输入格式名称：");
    static constexpr const char* RenameCaption = VT_TR("重命名");
    static constexpr const char* DeleteCaption = VT_TR("删除");
    static constexpr const char* EmptyNameMessage = VT_TR("格式名称不能为空，也不能有换行！");
    static constexpr const char* NameTakenMessage = VT_TR("已有同名的格式，请换一个名称：");
    static constexpr const char* WriteFailedMessage = VT_TR("无法保存我的格式：");
    static constexpr const char* DamagedFileMessage = VT_TR("我的格式文件已损坏，只显示内置格式。");
    static constexpr const char* DamagedCopyMessage = VT_TR("原文件已另存为：");
    static constexpr const char* NotAllOfferedMessage =
        VT_TR("此格式中的部分设置已不再提供，这些项目保持默认值。");
    // Where a damaged file is kept before anything overwrites it.
    static constexpr const char* DamagedSuffix = ".damaged";

    explicit TUserProfileList(std::string fileName) : fileName_(std::move(fileName)) {}

    // Reads the file. A damaged file leaves the list empty, is copied beside
    // itself (so a later save does not lose what the user had) and gives the
    // message to show; nothing for a good or missing file.
    std::optional<std::string> Load();

    const std::vector<TUserProfile>& Profiles() const { return profiles_; }
    const std::string& FileName() const { return fileName_; }

    // The name as it is kept: the typed text without surrounding spaces.
    static std::string NameOf(std::string_view typed);

    // "保存为我的格式…": what `window`, shown for `baseId`, shows now, under the
    // typed name. False with the message to show (an empty or taken name, a
    // file that cannot be written); the list is then unchanged.
    bool Save(const TOptionsWindow& window, int32_t baseId, std::string_view typedName, std::string& message);
    // "重命名" of the profile at `position`; as Save for the refusals.
    bool Rename(int position, std::string_view typedName, std::string& message);
    // "删除" of the profile at `position`; false with the message when the file cannot be written.
    bool Delete(int position, std::string& message);

private:
    // Writes the list; on failure puts `before` back and sets the message.
    bool Commit(std::vector<TUserProfile> before, std::string& message);

    std::string fileName_;
    std::vector<TUserProfile> profiles_;
};
