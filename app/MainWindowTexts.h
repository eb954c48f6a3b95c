// The fixed captions of the main window and its small windows that no rule of
// the logic reads: menu items, group captions, choice items, the about and
// password windows. The choice items are listed in the order of their enums.
#pragma once

#include <array>

namespace MainTexts {

inline constexpr const char* AddOneItem = "添加一个视频文件";
inline constexpr const char* AddManyItem = "添加多个视频文件";

inline constexpr const char* HelpItem = "帮助系统?";
inline constexpr const char* UpdateItem = "网上升级...";
inline constexpr const char* WebSiteItem = "软件网站";
inline constexpr const char* MailItem = "作者联系信箱";
inline constexpr const char* AboutItem = "关于软件";

// The "皮肤" menu's item for no skin: the windows' built-in look.
inline constexpr const char* BuiltInSkinItem = "系统默认外观";

inline constexpr std::array<const char*, 5> ListPanelButtons{"上移", "下移", "移除", "清空", "信息"};
inline constexpr std::array<const char*, 7> JobColumns{"序号",     "视频源文件", "源格式", "目标格式",
                                                       "当前时间", "转换进度",   "状态"};
// Narrower than a 574-pixel design, so that all seven columns, the status
// above all, fit the 465-pixel list beside its vertical scroll bar.
inline constexpr std::array<int, 7> JobColumnWidths{36, 88, 52, 60, 72, 76, 62};

inline constexpr const char* OutputFolderCaption = "输出文件存放目录：";
inline constexpr const char* BrowseCaption = "浏览...";
inline constexpr const char* OpenCaption = "打开";
inline constexpr const char* IfExistsCaption = "如果输出文件存在：";
inline constexpr std::array<const char*, 2> IfExistsItems{"自动生成相应的新文件名", "直接覆盖该文件"};
inline constexpr const char* CompletionCaption = "全部文件转换完毕后：";
inline constexpr std::array<const char*, 3> CompletionItems{"无任何操作", "直接关闭计算机",
                                                            "打开文件夹查看转换的文件"};
inline constexpr const char* ParallelCaption = "同时进行转换的文件个数：";
inline constexpr std::array<const char*, 10> ParallelItems{"1个文件", "2个文件", "3个文件", "4个文件",
                                                           "5个文件", "6个文件", "7个文件", "8个文件",
                                                           "9个文件", "10个文件"};
inline constexpr const char* AddProgressCaption = "正在添加文件...";
// Shown when dropped paths hold nothing the program can convert.
inline constexpr const char* NothingToAddMessage = "拖入的文件或文件夹中没有可以转换的音频或视频文件！";
inline constexpr const char* PromptTitle = "提示";

inline constexpr const char* AboutCaption = "关于";
inline constexpr const char* AboutProductLine = "Vantoro 12.4.0";
inline constexpr const char* OkCaption = "确定";

inline constexpr const char* PasswordCaption = "密码窗口";
inline constexpr const char* PasswordPrompt = "请输入您设置的密码：";
inline constexpr const char* PasswordQuit = "退出";

} // namespace MainTexts
