#include "app/ToolHints.h"

namespace {

struct THint {
    std::string_view Caption;
    std::string_view Hint;
};

constexpr THint Hints[] = {
    {"       添加      ", "添加要转换的视频音频文件"},
    {"移除", "从列表中删除选中的文件"},
    {"清空", "清空转换列表"},
    {"转换", "开始转换视频"},
    {"暂停", "暂停视频转换"},
    {"停止", "停止视频转换"},
    {"皮肤", "更换软件外观皮肤"},
    {"帮助", "软件帮助"},
};

} // namespace

std::string_view ToolButtonCaption(TToolButton button) {
    return Hints[static_cast<int>(button)].Caption;
}
std::string_view ToolButtonHint(TToolButton button) {
    return Hints[static_cast<int>(button)].Hint;
}
