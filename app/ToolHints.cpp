#include "app/ToolHints.h"

#include "profiles/Translation.h"

namespace {

struct THint {
    std::string_view Caption;
    std::string_view Hint;
};

constexpr THint Hints[] = {
    {VT_TR("       添加      "), VT_TR("添加要转换的视频音频文件")},
    {VT_TR("移除"), VT_TR("从列表中删除选中的文件")},
    {VT_TR("清空"), VT_TR("清空转换列表")},
    {VT_TR("转换"), VT_TR("开始转换视频")},
    {VT_TR("暂停"), VT_TR("暂停视频转换")},
    {VT_TR("停止"), VT_TR("停止视频转换")},
    {VT_TR("皮肤"), VT_TR("更换软件外观皮肤")},
    {VT_TR("帮助"), VT_TR("软件帮助")},
};

} // namespace

std::string_view ToolButtonCaption(TToolButton button) {
    return Hints[static_cast<int>(button)].Caption;
}
std::string_view ToolButtonHint(TToolButton button) {
    return Hints[static_cast<int>(button)].Hint;
}
