<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Vantoro</name>
    <message>
        <source>源文件不存在：</source>
        <translation>Source file does not exist: </translation>
    </message>
    <message>
        <source>没有读取源文件的权限：</source>
        <translation>No permission to read the source file: </translation>
    </message>
    <message>
        <source>源文件无法打开或已损坏：</source>
        <translation>Source file cannot be opened or is damaged: </translation>
    </message>
    <message>
        <source>装入成功.</source>
        <translation>Loaded.</translation>
    </message>
    <message>
        <source>任务列表已满,请先清空列表后再添加文件！</source>
        <translation>The job list is full. Clear the list before adding more files!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>无法识别的音频或视频文件！</source>
        <translation>Unrecognised audio or video file! </translation>
    </message>
    <message>
        <source>输出文件的位置上有同名的文件夹：</source>
        <translation>A folder of the same name is where the output file goes: </translation>
    </message>
    <message>
        <source>（源文件：</source>
        <translation> (source file: </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>输出文件无法创建：</source>
        <translation>The output file cannot be created: </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>准备</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>转换中...</source>
        <translation>Converting...</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>停止中...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>请先选择您需要删除的项目！</source>
        <translation>Please select the item to remove first!</translation>
    </message>
    <message>
        <source>设置文件中的输出目录无效，改用默认目录：</source>
        <translation>The output folder in the settings file is not usable; using the default folder: </translation>
    </message>
    <message>
        <source>输入的密码错误,请和本机管理人员联系！</source>
        <translation>Wrong password. Please contact the administrator of this computer!</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>无法打开</source>
        <translation>Cannot open the </translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>（系统中没有可以打开它的程序）</source>
        <translation> (no program on this system can open it)</translation>
    </message>
    <message>
        <source>帮助页面</source>
        <translation>help page</translation>
    </message>
    <message>
        <source>软件网站</source>
        <translation>Web site</translation>
    </message>
    <message>
        <source>邮件链接</source>
        <translation>mail link</translation>
    </message>
    <message>
        <source>选择输出文件存放目录</source>
        <translation>Choose the output folder</translation>
    </message>
    <message>
        <source>输出文件夹</source>
        <translation>output folder</translation>
    </message>
    <message>
        <source>添加一个视频文件</source>
        <translation>Add one video file</translation>
    </message>
    <message>
        <source>添加多个视频文件</source>
        <translation>Add several video files</translation>
    </message>
    <message>
        <source>帮助系统?</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>网上升级...</source>
        <translation>Online update...</translation>
    </message>
    <message>
        <source>作者联系信箱</source>
        <translation>Mail the author</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About</translation>
    </message>
    <message>
        <source>系统默认外观</source>
        <translation>System default look</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>视频源文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>源格式</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>目标格式</source>
        <translation>Target</translation>
    </message>
    <message>
        <source>当前时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>转换进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>输出文件存放目录：</source>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>如果输出文件存在：</source>
        <translation>If the output exists:</translation>
    </message>
    <message>
        <source>自动生成相应的新文件名</source>
        <translation>Make a new name</translation>
    </message>
    <message>
        <source>直接覆盖该文件</source>
        <translation>Overwrite it</translation>
    </message>
    <message>
        <source>全部文件转换完毕后：</source>
        <translation>When all are done:</translation>
    </message>
    <message>
        <source>无任何操作</source>
        <translation>Do nothing</translation>
    </message>
    <message>
        <source>直接关闭计算机</source>
        <translation>Shut down</translation>
    </message>
    <message>
        <source>打开文件夹查看转换的文件</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>同时进行转换的文件个数：</source>
        <translation>Files converted at once:</translation>
    </message>
    <message>
        <source>1个文件</source>
        <translation>1 file</translation>
    </message>
    <message>
        <source>2个文件</source>
        <translation>2 files</translation>
    </message>
    <message>
        <source>3个文件</source>
        <translation>3 files</translation>
    </message>
    <message>
        <source>4个文件</source>
        <translation>4 files</translation>
    </message>
    <message>
        <source>5个文件</source>
        <translation>5 files</translation>
    </message>
    <message>
        <source>6个文件</source>
        <translation>6 files</translation>
    </message>
    <message>
        <source>7个文件</source>
        <translation>7 files</translation>
    </message>
    <message>
        <source>8个文件</source>
        <translation>8 files</translation>
    </message>
    <message>
        <source>9个文件</source>
        <translation>9 files</translation>
    </message>
    <message>
        <source>10个文件</source>
        <translation>10 files</translation>
    </message>
    <message>
        <source>正在添加文件...</source>
        <translation>Adding files...</translation>
    </message>
    <message>
        <source>拖入的文件或文件夹中没有可以转换的音频或视频文件！</source>
        <translation>The dropped files or folders hold no audio or video file that can be converted!</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>密码窗口</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>请输入您设置的密码：</source>
        <translation>Please enter your password:</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>顺时针</source>
        <translation>clockwise </translation>
    </message>
    <message>
        <source>单声道</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>立体声</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>所有支持的文件类型</source>
        <translation>All supported file types</translation>
    </message>
    <message>
        <source>各种类型的HD高清视频文件</source>
        <translation>HD video files of all kinds</translation>
    </message>
    <message>
        <source>所有文件 (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>AVI文件 (*.avi)</source>
        <translation>AVI files (*.avi)</translation>
    </message>
    <message>
        <source>MPEG文件 (*.mpg;*.mpeg)</source>
        <translation>MPEG files (*.mpg;*.mpeg)</translation>
    </message>
    <message>
        <source>Windows Media文件 (*.wmv;*.asf;*.asx)</source>
        <translation>Windows Media files (*.wmv;*.asf;*.asx)</translation>
    </message>
    <message>
        <source>Dat文件 (*.dat)</source>
        <translation>Dat files (*.dat)</translation>
    </message>
    <message>
        <source>DVD光盘VOB文件 (*.vob)</source>
        <translation>DVD VOB files (*.vob)</translation>
    </message>
    <message>
        <source>Real类型文件 (*.rm;*.rmvb)</source>
        <translation>Real files (*.rm;*.rmvb)</translation>
    </message>
    <message>
        <source>MP4类型文件 (*.mp4;*.m4v)</source>
        <translation>MP4 files (*.mp4;*.m4v)</translation>
    </message>
    <message>
        <source>手机3GP文件 (*.3gp;*.3gpp)</source>
        <translation>Phone 3GP files (*.3gp;*.3gpp)</translation>
    </message>
    <message>
        <source>手机3GPP2文件 (*.3g2;*.3gp2)</source>
        <translation>Phone 3GPP2 files (*.3g2;*.3gp2)</translation>
    </message>
    <message>
        <source>Flash文件 (*.swf)</source>
        <translation>Flash files (*.swf)</translation>
    </message>
    <message>
        <source>Quick Time文件 (*.mov;*.qt)</source>
        <translation>Quick Time files (*.mov;*.qt)</translation>
    </message>
    <message>
        <source>FLV类型文件 (*.flv)</source>
        <translation>FLV files (*.flv)</translation>
    </message>
    <message>
        <source>Raw视频文件 (*.yuv)</source>
        <translation>Raw video files (*.yuv)</translation>
    </message>
    <message>
        <source>Raw h261类型文件 (*.h261)</source>
        <translation>Raw H.261 files (*.h261)</translation>
    </message>
    <message>
        <source>Raw h264类型文件 (*.h264)</source>
        <translation>Raw H.264 files (*.h264)</translation>
    </message>
    <message>
        <source>MJPEG类型文件 (*.mjpeg)</source>
        <translation>MJPEG files (*.mjpeg)</translation>
    </message>
    <message>
        <source>MKV视频文件 (*.mkv)</source>
        <translation>MKV video files (*.mkv)</translation>
    </message>
    <message>
        <source>DV视频文件 (*.dv;*.dif)</source>
        <translation>DV video files (*.dv;*.dif)</translation>
    </message>
    <message>
        <source>输出文件无法打开：</source>
        <translation>The output file cannot be opened: </translation>
    </message>
    <message>
        <source>输出文件缺少视频流</source>
        <translation>The output file has no video stream</translation>
    </message>
    <message>
        <source>输出文件缺少音频流</source>
        <translation>The output file has no audio stream</translation>
    </message>
    <message>
        <source>输出文件缺少视频数据</source>
        <translation>The output file has no video data</translation>
    </message>
    <message>
        <source>输出文件缺少音频数据</source>
        <translation>The output file has no audio data</translation>
    </message>
    <message>
        <source>输出文件不完整：读不出时长，应为 %.1f 秒</source>
        <translation>The output file is incomplete: its duration cannot be read, it should be %.1f s</translation>
    </message>
    <message>
        <source>输出文件不完整：时长 %.1f 秒，应为 %.1f 秒</source>
        <translation>The output file is incomplete: duration %.1f s, it should be %.1f s</translation>
    </message>
    <message>
        <source>输出文件时长不符：时长 %.1f 秒，应为 %.1f 秒</source>
        <translation>The output file&apos;s duration is wrong: %.1f s, it should be %.1f s</translation>
    </message>
    <message>
        <source>输出文件名含有空字符，无法使用：</source>
        <translation>The output file name holds a NUL character and cannot be used: </translation>
    </message>
    <message>
        <source>找不到可用的输出文件名：</source>
        <translation>No free output file name found: </translation>
    </message>
    <message>
        <source>输出文件无法改名为 </source>
        <translation>The output file cannot be renamed to </translation>
    </message>
    <message>
        <source>已经为您捕获视频快照，您可以点击“快照设置”按钮打开快照目录查看图片。</source>
        <translation>Snapshot taken. Click “Snapshot settings” to open the snapshot folder and see the picture.</translation>
    </message>
    <message>
        <source>您确实要终止目前的转换工作吗？</source>
        <translation>Do you really want to stop the current conversion?</translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>   (秒)</source>
        <translation>   (s)</translation>
    </message>
    <message>
        <source>上次的任务列表无法恢复，列表从空开始</source>
        <translation>The last job list could not be restored; the list starts empty</translation>
    </message>
    <message>
        <source>Mac苹果皮肤</source>
        <translation>Apple Mac skin</translation>
    </message>
    <message>
        <source>微软MSN皮肤</source>
        <translation>Microsoft MSN skin</translation>
    </message>
    <message>
        <source>WMP10皮肤</source>
        <translation>WMP10 skin</translation>
    </message>
    <message>
        <source>WinXP标准皮肤</source>
        <translation>WinXP standard skin</translation>
    </message>
    <message>
        <source>Protein样式皮肤</source>
        <translation>Protein style skin</translation>
    </message>
    <message>
        <source>RealOne风格皮肤</source>
        <translation>RealOne style skin</translation>
    </message>
    <message>
        <source>深蓝色皮肤</source>
        <translation>Dark blue skin</translation>
    </message>
    <message>
        <source>蓝色玻璃皮肤</source>
        <translation>Blue glass skin</translation>
    </message>
    <message>
        <source>Vista风格皮肤</source>
        <translation>Vista style skin</translation>
    </message>
    <message>
        <source>深绿色皮肤</source>
        <translation>Dark green skin</translation>
    </message>
    <message>
        <source>桔红色皮肤</source>
        <translation>Orange red skin</translation>
    </message>
    <message>
        <source>绿色玻璃皮肤</source>
        <translation>Green glass skin</translation>
    </message>
    <message>
        <source>时尚蓝色blue皮肤</source>
        <translation>Fashion blue skin</translation>
    </message>
    <message>
        <source>时尚的Cyan皮肤</source>
        <translation>Fashion cyan skin</translation>
    </message>
    <message>
        <source>运动黑色皮肤</source>
        <translation>Sports black skin</translation>
    </message>
    <message>
        <source>XP绿色皮肤</source>
        <translation>XP green skin</translation>
    </message>
    <message>
        <source>冬天的色彩皮肤</source>
        <translation>Winter colours skin</translation>
    </message>
    <message>
        <source>BMP图片</source>
        <translation>BMP picture</translation>
    </message>
    <message>
        <source>JPG图片</source>
        <translation>JPG picture</translation>
    </message>
    <message>
        <source>GIF图片</source>
        <translation>GIF picture</translation>
    </message>
    <message>
        <source>PNG图片</source>
        <translation>PNG picture</translation>
    </message>
    <message>
        <source>       添加      </source>
        <translation>Add</translation>
    </message>
    <message>
        <source>添加要转换的视频音频文件</source>
        <translation>Add video or audio files to convert</translation>
    </message>
    <message>
        <source>从列表中删除选中的文件</source>
        <translation>Remove the selected file from the list</translation>
    </message>
    <message>
        <source>清空转换列表</source>
        <translation>Clear the job list</translation>
    </message>
    <message>
        <source>转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>开始转换视频</source>
        <translation>Start converting</translation>
    </message>
    <message>
        <source>暂停视频转换</source>
        <translation>Pause the conversion</translation>
    </message>
    <message>
        <source>停止视频转换</source>
        <translation>Stop the conversion</translation>
    </message>
    <message>
        <source>皮肤</source>
        <translation>Skin</translation>
    </message>
    <message>
        <source>更换软件外观皮肤</source>
        <translation>Change the program&apos;s skin</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>软件帮助</source>
        <translation>Program help</translation>
    </message>
    <message>
        <source>正在连接软件网站....</source>
        <translation>Connecting to the web site....</translation>
    </message>
    <message>
        <source>正在连接软件网站,请您耐心等待....</source>
        <translation>Connecting to the web site, please wait....</translation>
    </message>
    <message>
        <source>连接失败!可能网络忙或没连接到网络...</source>
        <translation>Connection failed! The network may be busy or not connected...</translation>
    </message>
    <message>
        <source>服务器返回的升级信息无效,无法检测新版本!</source>
        <translation>The server&apos;s update information is not valid; no new version can be detected!</translation>
    </message>
    <message>
        <source>正在检测新版本的程序....</source>
        <translation>Checking for a new version....</translation>
    </message>
    <message>
        <source>发现新版本程序,您可以升级下载新版本。</source>
        <translation>A new version is available; you can download it.</translation>
    </message>
    <message>
        <source>没有检测到新版本,现在使用的为最新版本!</source>
        <translation>No new version found; you are using the latest version!</translation>
    </message>
    <message>
        <source>状态信息:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>发现新版本程序....</source>
        <translation>A new version is available....</translation>
    </message>
    <message>
        <source>软件名称:</source>
        <translation>Program: </translation>
    </message>
    <message>
        <source>最新版本:</source>
        <translation>Latest version: </translation>
    </message>
    <message>
        <source>更新日期:</source>
        <translation>Date: </translation>
    </message>
    <message>
        <source>软件大小:</source>
        <translation>Size: </translation>
    </message>
    <message>
        <source>下载链接:</source>
        <translation>Download link: </translation>
    </message>
    <message>
        <source>检测完成,您可以点击&lt;开始下载&gt;按钮打开下载最新升级版本。推荐您使用（网际快车）软件下载。</source>
        <translation>Check complete. Click &lt;Download&gt; to open the download of the latest version with your download manager.</translation>
    </message>
    <message>
        <source>视频编码器：</source>
        <translation>Video encoder:</translation>
    </message>
    <message>
        <source>视频比特率：</source>
        <translation>Video bit rate:</translation>
    </message>
    <message>
        <source>视频分辨率：</source>
        <translation>Video size:</translation>
    </message>
    <message>
        <source>视频帧率：</source>
        <translation>Frame rate:</translation>
    </message>
    <message>
        <source>视频缩放模式：</source>
        <translation>Aspect mode:</translation>
    </message>
    <message>
        <source>音频编码器：</source>
        <translation>Audio encoder:</translation>
    </message>
    <message>
        <source>音频比特率：</source>
        <translation>Audio bit rate:</translation>
    </message>
    <message>
        <source>音频采样率：</source>
        <translation>Sample rate:</translation>
    </message>
    <message>
        <source>声道设置：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>音量调节：</source>
        <translation>Volume:</translation>
    </message>
    <message>
        <source>MPEG4视频压缩器</source>
        <translation>MPEG4 video encoder</translation>
    </message>
    <message>
        <source>Divx 5 视频压缩器</source>
        <translation>Divx 5 video encoder</translation>
    </message>
    <message>
        <source>XviD 视频压缩器1</source>
        <translation>XviD video encoder 1</translation>
    </message>
    <message>
        <source>XviD 视频压缩器2</source>
        <translation>XviD video encoder 2</translation>
    </message>
    <message>
        <source>H264/AVC高清视频压缩器</source>
        <translation>H264/AVC HD video encoder</translation>
    </message>
    <message>
        <source>192 kbps (超低质量)</source>
        <translation>192 kbps (very low quality)</translation>
    </message>
    <message>
        <source>384 kbps (低质量)</source>
        <translation>384 kbps (low quality)</translation>
    </message>
    <message>
        <source>528 kbps (中等质量)</source>
        <translation>528 kbps (medium quality)</translation>
    </message>
    <message>
        <source>600 kbps (中等质量)</source>
        <translation>600 kbps (medium quality)</translation>
    </message>
    <message>
        <source>768 kbps (高质量)</source>
        <translation>768 kbps (high quality)</translation>
    </message>
    <message>
        <source>816 kbps (高质量)</source>
        <translation>816 kbps (high quality)</translation>
    </message>
    <message>
        <source>1000 kbps (很高质量)</source>
        <translation>1000 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1200 kbps (很高质量)</source>
        <translation>1200 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1500 kbps (很高质量)</source>
        <translation>1500 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1800 kbps(极高质量)</source>
        <translation>1800 kbps (best quality)</translation>
    </message>
    <message>
        <source>2000 kbps(极高质量)</source>
        <translation>2000 kbps (best quality)</translation>
    </message>
    <message>
        <source>2500 kbps(极高质量)</source>
        <translation>2500 kbps (best quality)</translation>
    </message>
    <message>
        <source>3000 kbps(极高质量)</source>
        <translation>3000 kbps (best quality)</translation>
    </message>
    <message>
        <source>保持原分辨率</source>
        <translation>Keep source size</translation>
    </message>
    <message>
        <source>普通视频4:3模式</source>
        <translation>Normal video 4:3</translation>
    </message>
    <message>
        <source>宽屏视频16:9模式</source>
        <translation>Wide screen 16:9</translation>
    </message>
    <message>
        <source>MP3音频编码器</source>
        <translation>MP3 audio encoder</translation>
    </message>
    <message>
        <source>Flac音频编码器</source>
        <translation>Flac audio encoder</translation>
    </message>
    <message>
        <source>AAC音频编码器</source>
        <translation>AAC audio encoder</translation>
    </message>
    <message>
        <source>AC3音频编码器</source>
        <translation>AC3 audio encoder</translation>
    </message>
    <message>
        <source>MPEG4 视频压缩器</source>
        <translation>MPEG4 video encoder</translation>
    </message>
    <message>
        <source>Divx 视频压缩器</source>
        <translation>Divx video encoder</translation>
    </message>
    <message>
        <source>Mjpeg 视频压缩器</source>
        <translation>Mjpeg video encoder</translation>
    </message>
    <message>
        <source>保持原帧速率</source>
        <translation>Keep source rate</translation>
    </message>
    <message>
        <source>ASF音频编码器1</source>
        <translation>ASF audio encoder 1</translation>
    </message>
    <message>
        <source>ASF音频编码器2</source>
        <translation>ASF audio encoder 2</translation>
    </message>
    <message>
        <source>MP2音频编码器</source>
        <translation>MP2 audio encoder</translation>
    </message>
    <message>
        <source>128 kbps(超低质量)</source>
        <translation>128 kbps (very low quality)</translation>
    </message>
    <message>
        <source>288 kbps(低质量)</source>
        <translation>288 kbps (low quality)</translation>
    </message>
    <message>
        <source>528 kbps(中等质量)</source>
        <translation>528 kbps (medium quality)</translation>
    </message>
    <message>
        <source>816 kbps(高质量)</source>
        <translation>816 kbps (high quality)</translation>
    </message>
    <message>
        <source>1200 kbps(很高质量)</source>
        <translation>1200 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1600 kbps(极高质量)</source>
        <translation>1600 kbps (best quality)</translation>
    </message>
    <message>
        <source>PAL_DVD视频压缩器</source>
        <translation>PAL_DVD video encoder</translation>
    </message>
    <message>
        <source>NTSC_DVD视频压缩器</source>
        <translation>NTSC_DVD video encoder</translation>
    </message>
    <message>
        <source>216 kbps(超低质量)</source>
        <translation>216 kbps (very low quality)</translation>
    </message>
    <message>
        <source>384 kbps(低质量)</source>
        <translation>384 kbps (low quality)</translation>
    </message>
    <message>
        <source>512 kbps(中等质量)</source>
        <translation>512 kbps (medium quality)</translation>
    </message>
    <message>
        <source>768 kbps(高质量)</source>
        <translation>768 kbps (high quality)</translation>
    </message>
    <message>
        <source>1500 kbps(很高质量)</source>
        <translation>1500 kbps (very high quality)</translation>
    </message>
    <message>
        <source>320*240 (PSP所有固件版本适用)</source>
        <translation>320*240 (PSP, all firmware)</translation>
    </message>
    <message>
        <source>368*208 (PSP 2.0或更高固件版本适用)</source>
        <translation>368*208 (PSP, firmware 2.0 or later)</translation>
    </message>
    <message>
        <source>480*272  (PSP 3.03或更高固件版本适用)</source>
        <translation>480*272 (PSP, firmware 3.03 or later)</translation>
    </message>
    <message>
        <source>720*480  (PSP 3.4或更高固件版本适用)</source>
        <translation>720*480 (PSP, firmware 3.4 or later)</translation>
    </message>
    <message>
        <source>1200 kbps(高质量)</source>
        <translation>1200 kbps (high quality)</translation>
    </message>
    <message>
        <source>1800 kbps(很高质量)</source>
        <translation>1800 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1000 kbps(高质量)</source>
        <translation>1000 kbps (high quality)</translation>
    </message>
    <message>
        <source>3500 kbps(极高质量)</source>
        <translation>3500 kbps (best quality)</translation>
    </message>
    <message>
        <source>4000 kbps(极高质量)</source>
        <translation>4000 kbps (best quality)</translation>
    </message>
    <message>
        <source>1000 kbps(很高质量)</source>
        <translation>1000 kbps (very high quality)</translation>
    </message>
    <message>
        <source>1400 kbps(很高质量)</source>
        <translation>1400 kbps (very high quality)</translation>
    </message>
    <message>
        <source>640*480  (PSP 3.03或更高固件版本适用)</source>
        <translation>640*480 (PSP, firmware 3.03 or later)</translation>
    </message>
    <message>
        <source>720*480  (标清SD格式)</source>
        <translation>720*480 (SD)</translation>
    </message>
    <message>
        <source>1280*720  (高清晰HD格式)</source>
        <translation>1280*720 (HD)</translation>
    </message>
    <message>
        <source>1920*1080  (高清晰HD格式)</source>
        <translation>1920*1080 (HD)</translation>
    </message>
    <message>
        <source>RM视频压缩器1</source>
        <translation>RM video encoder 1</translation>
    </message>
    <message>
        <source>RM视频压缩器2</source>
        <translation>RM video encoder 2</translation>
    </message>
    <message>
        <source>PAL_SVCD视频压缩器</source>
        <translation>PAL_SVCD video encoder</translation>
    </message>
    <message>
        <source>NTSC_SVCD视频压缩器</source>
        <translation>NTSC_SVCD video encoder</translation>
    </message>
    <message>
        <source>PAL_VCD视频压缩器</source>
        <translation>PAL_VCD video encoder</translation>
    </message>
    <message>
        <source>NTSC_VCD视频压缩器</source>
        <translation>NTSC_VCD video encoder</translation>
    </message>
    <message>
        <source>528 kbps(低质量)</source>
        <translation>528 kbps (low quality)</translation>
    </message>
    <message>
        <source>816 kbps(低质量)</source>
        <translation>816 kbps (low quality)</translation>
    </message>
    <message>
        <source>1200 kbps(一般质量)</source>
        <translation>1200 kbps (fair quality)</translation>
    </message>
    <message>
        <source>1600 kbps(一般质量)</source>
        <translation>1600 kbps (fair quality)</translation>
    </message>
    <message>
        <source>1800 kbps(一般质量)</source>
        <translation>1800 kbps (fair quality)</translation>
    </message>
    <message>
        <source>2000 kbps(中等质量)</source>
        <translation>2000 kbps (medium quality)</translation>
    </message>
    <message>
        <source>3000 kbps(高质量)</source>
        <translation>3000 kbps (high quality)</translation>
    </message>
    <message>
        <source>4000 kbps(高质量)</source>
        <translation>4000 kbps (high quality)</translation>
    </message>
    <message>
        <source>5000 kbps(极高质量)</source>
        <translation>5000 kbps (best quality)</translation>
    </message>
    <message>
        <source>6000 kbps(极高质量)</source>
        <translation>6000 kbps (best quality)</translation>
    </message>
    <message>
        <source>7000 kbps(极高质量)</source>
        <translation>7000 kbps (best quality)</translation>
    </message>
    <message>
        <source>8000 kbps(极高质量)</source>
        <translation>8000 kbps (best quality)</translation>
    </message>
    <message>
        <source>9000 kbps(极高质量)</source>
        <translation>9000 kbps (best quality)</translation>
    </message>
    <message>
        <source>无声音</source>
        <translation>No sound</translation>
    </message>
    <message>
        <source>音量降低90%</source>
        <translation>Volume -90%</translation>
    </message>
    <message>
        <source>音量降低80%</source>
        <translation>Volume -80%</translation>
    </message>
    <message>
        <source>音量降低70%</source>
        <translation>Volume -70%</translation>
    </message>
    <message>
        <source>音量降低60%</source>
        <translation>Volume -60%</translation>
    </message>
    <message>
        <source>音量降低50%</source>
        <translation>Volume -50%</translation>
    </message>
    <message>
        <source>音量降低40%</source>
        <translation>Volume -40%</translation>
    </message>
    <message>
        <source>音量降低30%</source>
        <translation>Volume -30%</translation>
    </message>
    <message>
        <source>音量降低20%</source>
        <translation>Volume -20%</translation>
    </message>
    <message>
        <source>音量降低10%</source>
        <translation>Volume -10%</translation>
    </message>
    <message>
        <source>音量保持不变</source>
        <translation>Volume unchanged</translation>
    </message>
    <message>
        <source>音量增加10%</source>
        <translation>Volume +10%</translation>
    </message>
    <message>
        <source>音量增加20%</source>
        <translation>Volume +20%</translation>
    </message>
    <message>
        <source>音量增加30%</source>
        <translation>Volume +30%</translation>
    </message>
    <message>
        <source>音量增加40%</source>
        <translation>Volume +40%</translation>
    </message>
    <message>
        <source>音量增加50%</source>
        <translation>Volume +50%</translation>
    </message>
    <message>
        <source>音量增加60%</source>
        <translation>Volume +60%</translation>
    </message>
    <message>
        <source>音量增加70%</source>
        <translation>Volume +70%</translation>
    </message>
    <message>
        <source>音量增加80%</source>
        <translation>Volume +80%</translation>
    </message>
    <message>
        <source>音量增加90%</source>
        <translation>Volume +90%</translation>
    </message>
    <message>
        <source>音量增加1倍</source>
        <translation>Volume x2</translation>
    </message>
    <message>
        <source>音量增加1.5倍</source>
        <translation>Volume x2.5</translation>
    </message>
    <message>
        <source>音量增加2倍</source>
        <translation>Volume x3</translation>
    </message>
    <message>
        <source>音量增加3倍</source>
        <translation>Volume x4</translation>
    </message>
    <message>
        <source>音量增加4倍</source>
        <translation>Volume x5</translation>
    </message>
    <message>
        <source>音量增加5倍</source>
        <translation>Volume x6</translation>
    </message>
    <message>
        <source>音量增加6倍</source>
        <translation>Volume x7</translation>
    </message>
    <message>
        <source>音量增加7倍</source>
        <translation>Volume x8</translation>
    </message>
    <message>
        <source>ASF视频压缩器</source>
        <translation>ASF video encoder</translation>
    </message>
    <message>
        <source>QuickTime视频压缩器</source>
        <translation>QuickTime video encoder</translation>
    </message>
    <message>
        <source>MPEG视频压缩器</source>
        <translation>MPEG video encoder</translation>
    </message>
    <message>
        <source>WMV视频压缩器</source>
        <translation>WMV video encoder</translation>
    </message>
    <message>
        <source>WMV音频编码器</source>
        <translation>WMV audio encoder</translation>
    </message>
    <message>
        <source>FLASH格式视频压缩器</source>
        <translation>FLASH video encoder</translation>
    </message>
    <message>
        <source>FLV格式视频压缩器</source>
        <translation>FLV video encoder</translation>
    </message>
    <message>
        <source>该格式无视频</source>
        <translation>This format has no video</translation>
    </message>
    <message>
        <source>WAVE音频编码器</source>
        <translation>WAVE audio encoder</translation>
    </message>
    <message>
        <source>WMA音频编码器</source>
        <translation>WMA audio encoder</translation>
    </message>
    <message>
        <source>自动音频编码器</source>
        <translation>Automatic audio encoder</translation>
    </message>
    <message>
        <source>自动音频比特率</source>
        <translation>Automatic audio bit rate</translation>
    </message>
    <message>
        <source>自动音频采样率</source>
        <translation>Automatic sample rate</translation>
    </message>
    <message>
        <source>OGG音频编码器</source>
        <translation>OGG audio encoder</translation>
    </message>
    <message>
        <source>RM音频编码器</source>
        <translation>RM audio encoder</translation>
    </message>
    <message>
        <source>AMR音频编码器</source>
        <translation>AMR audio encoder</translation>
    </message>
    <message>
        <source>选择转换格式</source>
        <translation>Choose the output format</translation>
    </message>
    <message>
        <source>请选择您要转换的影片格式：</source>
        <translation>Please choose the format to convert to:</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请选择一个要转换的类型,然后点击“下一步”按钮！</source>
        <translation>Please choose a format, then click “Next”!</translation>
    </message>
    <message>
        <source>选项设置</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>视频源：</source>
        <translation>Source:</translation>
    </message>
    <message>
        <source>视频编码详细设置</source>
        <translation>Video encoding settings</translation>
    </message>
    <message>
        <source>音频编码详细设置</source>
        <translation>Audio encoding settings</translation>
    </message>
    <message>
        <source>视频滤镜：</source>
        <translation>Video filters:</translation>
    </message>
    <message>
        <source>视频图像水平翻转</source>
        <translation>Flip horizontally</translation>
    </message>
    <message>
        <source>视频图像垂直翻转</source>
        <translation>Flip vertically</translation>
    </message>
    <message>
        <source>视频显示底片效果</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>分割截取视频</source>
        <translation>Clip the video</translation>
    </message>
    <message>
        <source>转换起始时间：</source>
        <translation>Start time:</translation>
    </message>
    <message>
        <source>转换停止时间：</source>
        <translation>Stop time:</translation>
    </message>
    <message>
        <source>时</source>
        <translation>h</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>允许截取视频</source>
        <translation>Clip the video</translation>
    </message>
    <message>
        <source>预览视频</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>对不起，这里只能输入数字！</source>
        <translation>Sorry, only digits can be typed here!</translation>
    </message>
    <message>
        <source>高清MP4视频格式</source>
        <translation>HD MP4 video</translation>
    </message>
    <message>
        <source>高清AVI视频格式</source>
        <translation>HD AVI video</translation>
    </message>
    <message>
        <source>高清ASF视频格式</source>
        <translation>HD ASF video</translation>
    </message>
    <message>
        <source>高清H.264视频格式</source>
        <translation>HD H.264 video</translation>
    </message>
    <message>
        <source>高清MOV视频格式</source>
        <translation>HD MOV video</translation>
    </message>
    <message>
        <source>高清MPEG-2视频格式</source>
        <translation>HD MPEG-2 video</translation>
    </message>
    <message>
        <source>高清MPEG-4视频格式</source>
        <translation>HD MPEG-4 video</translation>
    </message>
    <message>
        <source>高清MPG视频格式</source>
        <translation>HD MPG video</translation>
    </message>
    <message>
        <source>高清WMV视频格式</source>
        <translation>HD WMV video</translation>
    </message>
    <message>
        <source>高清MKV视频格式</source>
        <translation>HD MKV video</translation>
    </message>
    <message>
        <source>高清VOB视频格式</source>
        <translation>HD VOB video</translation>
    </message>
    <message>
        <source>高清DivX视频格式</source>
        <translation>HD DivX video</translation>
    </message>
    <message>
        <source>高清XviD视频格式</source>
        <translation>HD XviD video</translation>
    </message>
    <message>
        <source>高清FLV视频格式</source>
        <translation>HD FLV video</translation>
    </message>
    <message>
        <source>高清SWF视频格式</source>
        <translation>HD SWF video</translation>
    </message>
    <message>
        <source>高清DVD视频格式</source>
        <translation>HD DVD video</translation>
    </message>
    <message>
        <source>高清PSP视频格式</source>
        <translation>HD PSP video</translation>
    </message>
    <message>
        <source>高清iPad视频格式</source>
        <translation>HD iPad video</translation>
    </message>
    <message>
        <source>高清iPhone视频格式</source>
        <translation>HD iPhone video</translation>
    </message>
    <message>
        <source>高清iPhone视频格式-H.264</source>
        <translation>HD iPhone video-H.264</translation>
    </message>
    <message>
        <source>高清iPod视频格式</source>
        <translation>HD iPod video</translation>
    </message>
    <message>
        <source>高清Zune视频格式</source>
        <translation>HD Zune video</translation>
    </message>
    <message>
        <source>高清Xbox视频格式</source>
        <translation>HD Xbox video</translation>
    </message>
    <message>
        <source>高清MP3音频格式</source>
        <translation>HD MP3 audio</translation>
    </message>
    <message>
        <source>高清WAV音频格式</source>
        <translation>HD WAV audio</translation>
    </message>
    <message>
        <source>高清WMA音频格式</source>
        <translation>HD WMA audio</translation>
    </message>
    <message>
        <source>智能手机视频格式</source>
        <translation>Smartphone video</translation>
    </message>
    <message>
        <source>H.264编码手机视频格式</source>
        <translation>H.264 phone video</translation>
    </message>
    <message>
        <source>安卓MP4手机视频格式</source>
        <translation>Android MP4 phone video</translation>
    </message>
    <message>
        <source>手机AVI视频格式</source>
        <translation>Phone AVI video</translation>
    </message>
    <message>
        <source>智能手机常用视频格式</source>
        <translation>Common smartphone video</translation>
    </message>
    <message>
        <source>HD高清手机视频格式</source>
        <translation>HD phone video</translation>
    </message>
    <message>
        <source>手机MOV视频格式</source>
        <translation>Phone MOV video</translation>
    </message>
    <message>
        <source>手机MKV视频格式</source>
        <translation>Phone MKV video</translation>
    </message>
    <message>
        <source>平板电脑H.264视频格式</source>
        <translation>Tablet H.264 video</translation>
    </message>
    <message>
        <source>平板电脑MPEG-4视频格式</source>
        <translation>Tablet MPEG-4 video</translation>
    </message>
    <message>
        <source>平板AVI视频格式</source>
        <translation>Tablet AVI video</translation>
    </message>
    <message>
        <source>平板电脑常用MP4视频</source>
        <translation>Common tablet MP4 video</translation>
    </message>
    <message>
        <source>其他设备MP4视频格式</source>
        <translation>MP4 video for other devices</translation>
    </message>
    <message>
        <source>高清电视H.264视频格式</source>
        <translation>HDTV H.264 video</translation>
    </message>
    <message>
        <source>智能电视AVI视频格式</source>
        <translation>Smart TV AVI video</translation>
    </message>
    <message>
        <source>4K高清智能电视视频格式</source>
        <translation>4K smart TV video</translation>
    </message>
    <message>
        <source>智能电视MP4视频格式</source>
        <translation>Smart TV MP4 video</translation>
    </message>
    <message>
        <source>FHD全高清视频格式</source>
        <translation>Full HD video</translation>
    </message>
    <message>
        <source>网络机顶盒MP4视频格式</source>
        <translation>Set-top box MP4 video</translation>
    </message>
    <message>
        <source>网络机顶盒AVI视频格式</source>
        <translation>Set-top box AVI video</translation>
    </message>
    <message>
        <source>电脑上使用的AVI/MPEG视频</source>
        <translation>AVI/MPEG video for computers</translation>
    </message>
    <message>
        <source>MP4机上使用的AVI/MPEG视频</source>
        <translation>AVI/MPEG video for MP4 players</translation>
    </message>
    <message>
        <source>支持MPEG4的DVD影碟机使用的AVI/MPEG视频</source>
        <translation>AVI/MPEG video for DVD players with MPEG4</translation>
    </message>
    <message>
        <source>Sony(索尼) PSP MP4视频</source>
        <translation>Sony PSP MP4 video</translation>
    </message>
    <message>
        <source>Sony(索尼) PS3 MP4视频</source>
        <translation>Sony PS3 MP4 video</translation>
    </message>
    <message>
        <source>Apple(苹果) ipod video MP4视频</source>
        <translation>Apple iPod video MP4 video</translation>
    </message>
    <message>
        <source>Apple(苹果) iPod Touch/Classic/Nano MP4视频</source>
        <translation>Apple iPod Touch/Classic/Nano MP4 video</translation>
    </message>
    <message>
        <source>Apple(苹果) iPhone MP4视频</source>
        <translation>Apple iPhone MP4 video</translation>
    </message>
    <message>
        <source>Apple(苹果) TV MP4视频</source>
        <translation>Apple TV MP4 video</translation>
    </message>
    <message>
        <source>SONY(索尼)M70/U50系列普通MPEG4视频</source>
        <translation>Sony M70/U50 series MPEG4 video</translation>
    </message>
    <message>
        <source>SONY(索尼)A800/M70/U50系列高清MPEG4视频</source>
        <translation>Sony A800/M70/U50 series HD MPEG4 video</translation>
    </message>
    <message>
        <source>电脑上使用的MP4视频</source>
        <translation>MP4 video for computers</translation>
    </message>
    <message>
        <source>SWF视频格式(Flash视频文件)</source>
        <translation>SWF video (Flash video file)</translation>
    </message>
    <message>
        <source>FLV视频格式(视频网站专用的FLV文件)(如土豆网)</source>
        <translation>FLV video (the FLV files of video web sites)</translation>
    </message>
    <message>
        <source>RM/RMVB视频格式</source>
        <translation>RM/RMVB video</translation>
    </message>
    <message>
        <source>MKV网络视频格式</source>
        <translation>MKV web video</translation>
    </message>
    <message>
        <source>MOV视频格式</source>
        <translation>MOV video</translation>
    </message>
    <message>
        <source>MPEG/MPG视频格式</source>
        <translation>MPEG/MPG video</translation>
    </message>
    <message>
        <source>DVD影碟视频格式</source>
        <translation>DVD video</translation>
    </message>
    <message>
        <source>SVCD影碟视频格式</source>
        <translation>SVCD video</translation>
    </message>
    <message>
        <source>VCD影碟视频格式</source>
        <translation>VCD video</translation>
    </message>
    <message>
        <source>WMV微软视频格式</source>
        <translation>Microsoft WMV video</translation>
    </message>
    <message>
        <source>ASF视频格式</source>
        <translation>ASF video</translation>
    </message>
    <message>
        <source>Motion Jpeg(MJpeg)视频格式</source>
        <translation>Motion JPEG (MJPEG) video</translation>
    </message>
    <message>
        <source>MP3音频格式</source>
        <translation>MP3 audio</translation>
    </message>
    <message>
        <source>WMA音频格式</source>
        <translation>WMA audio</translation>
    </message>
    <message>
        <source>CD/WAV音频格式</source>
        <translation>CD/WAV audio</translation>
    </message>
    <message>
        <source>AAC音频格式</source>
        <translation>AAC audio</translation>
    </message>
    <message>
        <source>AC3音频格式</source>
        <translation>AC3 audio</translation>
    </message>
    <message>
        <source>OGG音频格式</source>
        <translation>OGG audio</translation>
    </message>
    <message>
        <source>MP2音频格式</source>
        <translation>MP2 audio</translation>
    </message>
    <message>
        <source>FLAC音频格式</source>
        <translation>FLAC audio</translation>
    </message>
    <message>
        <source>RM音频格式</source>
        <translation>RM audio</translation>
    </message>
    <message>
        <source>AMR（手机）音频格式</source>
        <translation>AMR (phone) audio</translation>
    </message>
    <message>
        <source>HD高清及常用视频格式</source>
        <translation>HD and common video</translation>
    </message>
    <message>
        <source>智能设备常用视频格式</source>
        <translation>Smart devices</translation>
    </message>
    <message>
        <source>更多电脑常用视频格式</source>
        <translation>More computer video</translation>
    </message>
    <message>
        <source>更多音频格式</source>
        <translation>More audio</translation>
    </message>
    <message>
        <source>截取时间设置错误，不允许停止时间大于时间长度！</source>
        <translation>Wrong clip times: the stop time must not be after the end of the video!</translation>
    </message>
    <message>
        <source>截取时间设置错误，不允许起始时间大于等于停止时间！</source>
        <translation>Wrong clip times: the start time must be before the stop time!</translation>
    </message>
    <message>
        <source>无法读取视频源的时间长度，不能截取视频！</source>
        <translation>The source&apos;s duration cannot be read, so the video cannot be clipped!</translation>
    </message>
    <message>
        <source>文件格式信息</source>
        <translation>File format</translation>
    </message>
    <message>
        <source>文件名：</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>文件格式：</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>播放时长：</source>
        <translation>Duration:</translation>
    </message>
    <message>
        <source>文件大小：</source>
        <translation>File size:</translation>
    </message>
    <message>
        <source>比特率：</source>
        <translation>Bit rate:</translation>
    </message>
    <message>
        <source>文件格式全名：</source>
        <translation>Format name:</translation>
    </message>
    <message>
        <source>文件扩展名：</source>
        <translation>Extension:</translation>
    </message>
    <message>
        <source>视频格式信息</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>视频旋转：</source>
        <translation>Rotation:</translation>
    </message>
    <message>
        <source>视频流信息：</source>
        <translation>Video stream:</translation>
    </message>
    <message>
        <source>音频格式信息</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>音频声道：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>音频流信息：</source>
        <translation>Audio stream:</translation>
    </message>
    <message>
        <source>视频信息提示</source>
        <translation>Media information</translation>
    </message>
    <message>
        <source>显示详细信息</source>
        <translation>Show details</translation>
    </message>
    <message>
        <source>选择快照文件存放目录</source>
        <translation>Choose the snapshot folder</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>声音/静音</source>
        <translation>Sound/mute</translation>
    </message>
    <message>
        <source>捕捉快照</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>快照设置</source>
        <translation>Snapshot settings</translation>
    </message>
    <message>
        <source>打开快照目录</source>
        <translation>Open the snapshot folder</translation>
    </message>
    <message>
        <source>设置快照目录</source>
        <translation>Set the snapshot folder</translation>
    </message>
    <message>
        <source>快照保存类型</source>
        <translation>Snapshot picture type</translation>
    </message>
    <message>
        <source>网上升级</source>
        <translation>Online update</translation>
    </message>
    <message>
        <source>软件更新步骤:</source>
        <translation>Update steps:</translation>
    </message>
    <message>
        <source>1.请确认您已经连接到网上,如果您设置了防火墙,必须允许程序通过.</source>
        <translation>1. Make sure you are online; a firewall must let the program through.</translation>
    </message>
    <message>
        <source>2.检测软件是否有新版本,如果有点击下载按钮.</source>
        <translation>2. Check for a new version; if there is one, click the download button.</translation>
    </message>
    <message>
        <source>3.软件更新可能需要30秒--几分钟,这期间请您耐心等待...</source>
        <translation>3. The update may take 30 seconds to a few minutes; please wait...</translation>
    </message>
    <message>
        <source>检测升级</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>开始下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>恒定质量 (高)</source>
        <translation>Constant quality (high)</translation>
    </message>
    <message>
        <source>恒定质量 (中)</source>
        <translation>Constant quality (medium)</translation>
    </message>
    <message>
        <source>恒定质量 (低)</source>
        <translation>Constant quality (low)</translation>
    </message>
    <message>
        <source>保存为我的格式…</source>
        <translation>Save as My Format…</translation>
    </message>
    <message>
        <source>请输入格式名称：</source>
        <translation>Enter a name for the format:</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>格式名称不能为空，也不能有换行！</source>
        <translation>The format name cannot be empty or contain line breaks!</translation>
    </message>
    <message>
        <source>已有同名的格式，请换一个名称：</source>
        <translation>A format with this name already exists, please choose another name: </translation>
    </message>
    <message>
        <source>无法保存我的格式：</source>
        <translation>Cannot save My Formats: </translation>
    </message>
    <message>
        <source>我的格式文件已损坏，只显示内置格式。</source>
        <translation>The file of My Formats is damaged; only the built-in formats are shown.</translation>
    </message>
    <message>
        <source>原文件已另存为：</source>
        <translation>The original file was kept as: </translation>
    </message>
    <message>
        <source>此格式中的部分设置已不再提供，这些项目保持默认值。</source>
        <translation>Some settings of this format are no longer offered; those items keep their defaults.</translation>
    </message>
    <message>
        <source>我的格式</source>
        <translation>My Formats</translation>
    </message>
    <message>
        <source>自动去隔行</source>
        <translation>Deinterlace automatically</translation>
    </message>
    <message>
        <source>音轨：</source>
        <translation>Audio track:</translation>
    </message>
    <message>
        <source>字幕：</source>
        <translation>Subtitles:</translation>
    </message>
    <message>
        <source>字幕轨道：</source>
        <translation>Subtitle track:</translation>
    </message>
    <message>
        <source>不要字幕</source>
        <translation>No subtitles</translation>
    </message>
    <message>
        <source>保留字幕</source>
        <translation>Keep subtitles</translation>
    </message>
    <message>
        <source>字幕烧录到画面</source>
        <translation>Burn subtitles into the picture</translation>
    </message>
    <message>
        <source>源文件默认音轨</source>
        <translation>Source&apos;s default audio track</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>default</translation>
    </message>
    <message>
        <source>声道</source>
        <translation> channels</translation>
    </message>
    <message>
        <source>未知语言</source>
        <translation>unknown language</translation>
    </message>
</context>
</TS>
