// The fixed captions of the main window and its small windows that no rule of
// the logic reads: menu items, group captions, choice items, the about and
// password windows. The choice items are listed in the order of their enums.
#pragma once

#include "app/RunChoices.h"
#include "profiles/Translation.h"

#include <array>

namespace MainTexts {

inline constexpr const char* AddOneItem = VT_TR("添加一个视频文件");
inline constexpr const char* AddManyItem = VT_TR("添加多个视频文件");

inline constexpr const char* HelpItem = VT_TR("帮助系统?");
inline constexpr const char* UpdateItem = VT_TR("网上升级...");
inline constexpr const char* WebSiteItem = VT_TR("软件网站");
inline constexpr const char* MailItem = VT_TR("作者联系信箱");
inline constexpr const char* AboutItem = VT_TR("关于软件");

// The "皮肤" menu's item for no skin: the windows' built-in look.
inline constexpr const char* BuiltInSkinItem = VT_TR("系统默认外观");

inline constexpr std::array<const char*, 5> ListPanelButtons{VT_TR("上移"), VT_TR("下移"), VT_TR("移除"),
                                                             VT_TR("清空"), VT_TR("信息")};
inline constexpr std::array<const char*, 7> JobColumns{
    VT_TR("序号"),     VT_TR("视频源文件"), VT_TR("源格式"), VT_TR("目标格式"),
    VT_TR("当前时间"), VT_TR("转换进度"),   VT_TR("状态")};
// Narrower than a 574-pixel design, so that all seven columns, the status
// above all, fit the 465-pixel list beside its vertical scroll bar.
inline constexpr std::array<int, 7> JobColumnWidths{36, 88, 52, 60, 72, 76, 62};

inline constexpr const char* OutputFolderCaption = VT_TR("输出文件存放目录：");
inline constexpr const char* BrowseCaption = VT_TR("浏览...");
inline constexpr const char* OpenCaption = VT_TR("打开");
inline constexpr const char* IfExistsCaption = VT_TR("如果输出文件存在：");
inline constexpr std::array<const char*, 2> IfExistsItems{VT_TR("自动生成相应的新文件名"),
                                                          VT_TR("直接覆盖该文件")};
inline constexpr const char* CompletionCaption = VT_TR("全部文件转换完毕后：");
inline constexpr std::array<const char*, 3> CompletionItems{VT_TR("无任何操作"), VT_TR("直接关闭计算机"),
                                                            VT_TR("打开文件夹查看转换的文件")};
inline constexpr const char* ParallelCaption = VT_TR("同时进行转换的文件个数：");
inline constexpr std::array<const char*, MaxParallelJobs> ParallelItems{
    VT_TR("1个文件"), VT_TR("2个文件"), VT_TR("3个文件"), VT_TR("4个文件"), VT_TR("5个文件"),
    VT_TR("6个文件"), VT_TR("7个文件"), VT_TR("8个文件"), VT_TR("9个文件"), VT_TR("10个文件")};
inline constexpr const char* AddProgressCaption = VT_TR("正在添加文件...");
// Shown when dropped paths hold nothing the program can convert.
inline constexpr const char* NothingToAddMessage =
    VT_TR("拖入的文件或文件夹中没有可以转换的音频或视频文件！");
inline constexpr const char* PromptTitle = VT_TR("提示");

inline constexpr const char* AboutCaption = VT_TR("关于");
inline constexpr const char* AboutProductLine = "Vantoro 12.4.0";
inline constexpr const char* OkCaption = VT_TR("确定");

inline constexpr const char* PasswordCaption = VT_TR("密码窗口");
inline constexpr const char* PasswordPrompt = VT_TR("请输入您设置的密码：");
inline constexpr const char* PasswordQuit = VT_TR("退出");

} // namespace MainTexts
