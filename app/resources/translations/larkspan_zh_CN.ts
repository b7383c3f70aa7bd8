<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AutoUpdaterWinSparkle</name>
    <message>
        <source>the update feed is not valid: %1</source>
        <translation>更新源无效：%1</translation>
    </message>
    <message>
        <source>The announced size of %1 bytes is larger than any Larkspan package.</source>
        <translation>公布的大小（%1 字节）超过了任何 Larkspan 安装包的大小。</translation>
    </message>
    <message>
        <source>The download was stopped: %1.</source>
        <translation>下载已中止：%1。</translation>
    </message>
    <message>
        <source>The download failed: %1.</source>
        <translation>下载失败：%1。</translation>
    </message>
    <message>
        <source>The package&apos;s size (%1 bytes) differs from the announced size (%2 bytes).</source>
        <translation>安装包大小（%1 字节）与公布的大小（%2 字节）不一致。</translation>
    </message>
    <message>
        <source>The package&apos;s signature is not valid: %1. It was not published by Larkspan, or it was changed on the way.</source>
        <translation>安装包签名无效：%1。它不是由 Larkspan 发布的，或在传输途中被篡改。</translation>
    </message>
    <message>
        <source>The package&apos;s own version could not be read.</source>
        <translation>无法读取安装包自身的版本。</translation>
    </message>
    <message>
        <source>The package holds version %1, not the offered version %2.</source>
        <translation>安装包的版本是 %1，而不是所提供的版本 %2。</translation>
    </message>
</context>
<context>
    <name>BoundedDownload</name>
    <message>
        <source>the server stopped answering</source>
        <translation>服务器已停止响应</translation>
    </message>
    <message>
        <source>%1 is not a secure (https) address</source>
        <translation>%1 不是安全的 (https) 地址</translation>
    </message>
    <message>
        <source>the server sent more than the expected %1 bytes</source>
        <translation>服务器发送的数据超过了预期的 %1 字节</translation>
    </message>
    <message>
        <source>redirected to %1, which is not a secure (https) address</source>
        <translation>被重定向到 %1，该地址不是安全的 (https) 地址</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>服务器返回了 %1</translation>
    </message>
</context>
<context>
    <name>CaptureAssembly</name>
    <message>
        <source>This desktop does not tell Larkspan which window is in front and when you work (missing: %1), so no time is tracked.</source>
        <translation>此桌面不告诉 Larkspan 哪个窗口在前台以及您何时在工作（缺少：%1），因此不会记录任何时间。</translation>
    </message>
    <message>
        <source>Larkspan cannot see which window is in front: its GNOME Shell extension is not enabled, so your time is recorded under an unknown window. Enable it with:
%1</source>
        <translation>Larkspan 无法识别前台窗口：其 GNOME Shell 扩展未启用，因此您的时间将记录在未知窗口下。请使用以下命令启用：
%1</translation>
    </message>
</context>
<context>
    <name>ConsoleWindow</name>
    <message>
        <source>Larkspan Review Console</source>
        <translation>Larkspan 回顾控制台</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>正在加载...</translation>
    </message>
    <message>
        <source>Loading... (%1%)</source>
        <translation>正在加载... (%1%)</translation>
    </message>
</context>
<context>
    <name>EventManager</name>
    <message>
        <source>Tracked time cannot be saved: the disk may be full or the data folder read-only. Larkspan keeps it and saves it as soon as it can.</source>
        <translation>无法保存已记录的时间：磁盘可能已满，或数据文件夹为只读。Larkspan 会保留这些时间，并在可以保存时立即保存。</translation>
    </message>
    <message>
        <source>Tracked time is saved again.</source>
        <translation>已记录的时间又可以保存了。</translation>
    </message>
</context>
<context>
    <name>FeedbackDialog</name>
    <message>
        <source>Send Diagnostics</source>
        <translation>发送诊断信息</translation>
    </message>
    <message>
        <source>The best way for us to improve Larkspan is to listen to your feedback.  Please tell us about any suggestions for improvement or issues you&apos;ve faced in the text box below.  Your feedback report includes diagnostic information to assist our team in responding to you.</source>
        <translation>倾听您的反馈是我们改进 Larkspan 的最佳方式。请在下方文本框中告诉我们您的改进建议或遇到的问题。您的反馈报告将包含诊断信息，以帮助我们的团队答复您。</translation>
    </message>
    <message>
        <source>Your comments:</source>
        <translation>您的意见：</translation>
    </message>
</context>
<context>
    <name>HttpClient</name>
    <message>
        <source>Larkspan</source>
        <translation>Larkspan</translation>
    </message>
    <message>
        <source>Transient network error occurred</source>
        <translation>发生了暂时性网络错误</translation>
    </message>
    <message>
        <source>Diagnostics sent successfully - thank you.</source>
        <translation>诊断信息已成功发送，谢谢！</translation>
    </message>
    <message>
        <source>Invalid status returned</source>
        <translation>返回了无效的状态</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Invalid status returned</source>
        <translation>发送诊断信息失败：返回了无效的状态</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Unexpected status %1</source>
        <translation>发送诊断信息失败：意外的状态 %1</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Server error</source>
        <translation>发送诊断信息失败：服务器错误</translation>
    </message>
</context>
<context>
    <name>HttpClientWorker</name>
    <message>
        <source>Compressing logs...</source>
        <translation>正在压缩日志...</translation>
    </message>
    <message>
        <source>Sending feedback report...</source>
        <translation>正在发送反馈报告...</translation>
    </message>
</context>
<context>
    <name>LoginPrompt</name>
    <message>
        <source>Please Login to Larkspan</source>
        <translation>请登录 Larkspan</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>标志</translation>
    </message>
    <message>
        <source>Larkspan</source>
        <translation>Larkspan</translation>
    </message>
    <message>
        <source>Don&apos;t see the Larkspan login screen? We&apos;ll help you launch the login screen in your default web browser.</source>
        <translation>没有看到 Larkspan 登录页面？我们将帮您在默认网页浏览器中打开登录页面。</translation>
    </message>
    <message>
        <source>Login to Larkspan</source>
        <translation>登录 Larkspan</translation>
    </message>
    <message>
        <source>Larkspan is now running</source>
        <translation>Larkspan 正在运行</translation>
    </message>
    <message>
        <source>Click on the Larkspan icon in system tray to &apos;Open My Console&apos; and view your activity summary.</source>
        <translation>点击系统托盘中的 Larkspan 图标，选择“打开我的控制台”即可查看您的活动摘要。</translation>
    </message>
    <message>
        <source>Open My Console</source>
        <translation>打开我的控制台</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>正在记录</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Pause for 30 minutes</source>
        <translation>暂停 30 分钟</translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation>暂停 1 小时</translation>
    </message>
    <message>
        <source>Pause for 2 hours</source>
        <translation>暂停 2 小时</translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation>暂停到明天</translation>
    </message>
    <message>
        <source>Pause indefinitely</source>
        <translation>无限期暂停</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>首选项...</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>检查更新...</translation>
    </message>
    <message>
        <source>Send Diagnostics...</source>
        <translation>发送诊断信息...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Logout &amp;&amp; Quit</source>
        <translation>注销并退出</translation>
    </message>
    <message>
        <source>Quit Larkspan</source>
        <translation>退出 Larkspan</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>已暂停</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. We&apos;ve opened a login screen for you.&lt;br&gt;&lt;br&gt;Don’t see the Larkspan login screen? Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan 需要您的登录信息。我们已为您打开登录页面。&lt;br&gt;&lt;br&gt;没有看到 Larkspan 登录页面？请点击下方的“登录 Larkspan”，通过网页浏览器登录。</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan 需要您的登录信息。请点击下方的“登录 Larkspan”，通过网页浏览器登录。</translation>
    </message>
    <message>
        <source>Logged in successfully.</source>
        <translation>登录成功。</translation>
    </message>
    <message>
        <source>Your Larkspan login has expired. Please log in again.</source>
        <translation>您的 Larkspan 登录已过期。请重新登录。</translation>
    </message>
    <message>
        <source>Last synced: </source>
        <translation>上次同步：</translation>
    </message>
    <message>
        <source>Upload disabled</source>
        <translation>已禁用上传</translation>
    </message>
    <message>
        <source>Last synced: checking...</source>
        <translation>上次同步：正在检查...</translation>
    </message>
    <message>
        <source>Login address:</source>
        <translation>登录地址：</translation>
    </message>
    <message>
        <source>No browser opened? Open this address in any browser to log in.</source>
        <translation>浏览器没有打开？请在任意浏览器中打开此地址进行登录。</translation>
    </message>
</context>
<context>
    <name>OfflineWindow</name>
    <message>
        <source>Larkspan Manual Time Prompt</source>
        <translation>Larkspan 手动记录时间</translation>
    </message>
    <message>
        <source>Welcome Back!</source>
        <translation>欢迎回来！</translation>
    </message>
    <message>
        <source>What have you been doing since 8:00 AM?</source>
        <translation>从上午 8:00 起您在做什么？</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: 00:06:20)</source>
        <translation>（总计经过时间：00:06:20）</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>分钟</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>阅读</translation>
    </message>
    <message>
        <source>Videocall</source>
        <translation>视频通话</translation>
    </message>
    <message>
        <source>Phonecall</source>
        <translation>电话</translation>
    </message>
    <message>
        <source>Meeting</source>
        <translation>会议</translation>
    </message>
    <message>
        <source>Thinking</source>
        <translation>思考</translation>
    </message>
    <message>
        <source>Paperwork</source>
        <translation>文书工作</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Log Time</source>
        <translation>记录时间</translation>
    </message>
    <message>
        <source>Add an Activity Note to your Timeline (%1 - %2)?</source>
        <translation>要在时间线中添加活动备注吗（%1 - %2）？</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: %1)</source>
        <translation>（总计经过时间：%1）</translation>
    </message>
    <message numerus="yes">
        <source>hours</source>
        <comment>after the number of hours</comment>
        <translation>
            <numerusform>小时</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after the number of minutes</comment>
        <translation>
            <numerusform>分钟</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>Larkspan&apos;s built-in signing key is not valid</source>
        <translation>Larkspan 内置的签名密钥无效</translation>
    </message>
    <message>
        <source>it is malformed</source>
        <translation>签名格式错误</translation>
    </message>
    <message>
        <source>it cannot be checked</source>
        <translation>无法校验签名</translation>
    </message>
    <message>
        <source>it does not match Larkspan&apos;s signing key</source>
        <translation>与 Larkspan 的签名密钥不匹配</translation>
    </message>
</context>
<context>
    <name>PrefDialog</name>
    <message>
        <source>Larkspan Preferences</source>
        <translation>Larkspan 首选项</translation>
    </message>
    <message>
        <source>General</source>
        <translation>常规</translation>
    </message>
    <message>
        <source>Manual time</source>
        <translation>手动记录时间</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Show manual time prompt after</source>
        <translation>离开电脑/设备</translation>
    </message>
    <message>
        <source>minutes away from the computer/device</source>
        <translation>分钟后显示手动记录时间提示</translation>
    </message>
    <message>
        <source>Review console</source>
        <translation>回顾控制台</translation>
    </message>
    <message>
        <source>Use default browser to open review console</source>
        <translation>使用默认浏览器打开回顾控制台</translation>
    </message>
    <message>
        <source>Use embedded browser to open review console</source>
        <translation>使用内置浏览器打开回顾控制台</translation>
    </message>
    <message>
        <source>Outlook</source>
        <translation>Outlook</translation>
    </message>
    <message>
        <source>Detect subject of selected email in Outlook automatically</source>
        <translation>自动识别 Outlook 中所选电子邮件的主题</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Choose language:</source>
        <translation>选择语言：</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>隐私</translation>
    </message>
    <message>
        <source>Browser Privacy</source>
        <translation>浏览器隐私</translation>
    </message>
    <message>
        <source>Allow URLs to be sent</source>
        <translation>允许发送网址</translation>
    </message>
    <message>
        <source>Excluded App Names</source>
        <translation>排除的应用名称</translation>
    </message>
    <message>
        <source>If app names contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>如果应用名称包含任一排除词，相应的时间记录将被直接删除。（以换行或逗号分隔）</translation>
    </message>
    <message>
        <source>Excluded Window Titles</source>
        <translation>排除的窗口标题</translation>
    </message>
    <message>
        <source>If window titles contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>如果窗口标题包含任一排除词，相应的时间记录将被直接删除。（以换行或逗号分隔）</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Larkspan updates</source>
        <translation>Larkspan 更新</translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation>自动检查更新</translation>
    </message>
    <message>
        <source>Update check frequency:</source>
        <translation>检查更新频率：</translation>
    </message>
    <message>
        <source>Enable beta channel for updates</source>
        <translation>启用 Beta 更新通道</translation>
    </message>
    <message>
        <source>Copyright © Corvane. All rights reserved.</source>
        <translation>版权所有 © Corvane。保留所有权利。</translation>
    </message>
    <message>
        <source>Hourly</source>
        <translation>每小时</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>每天</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>每周</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>每月</translation>
    </message>
    <message>
        <source>Version %1 (build: %2, arch: %3)</source>
        <translation>版本 %1（内部版本：%2，架构：%3）</translation>
    </message>
</context>
<context>
    <name>QThread</name>
    <message>
        <source>Larkspan is now active.</source>
        <translation>Larkspan 现已恢复记录。</translation>
    </message>
</context>
<context>
    <name>TimeLogUploader</name>
    <message>
        <source>Cannot upload</source>
        <translation>无法上传</translation>
    </message>
    <message>
        <source>Larkspan time sync has been delayed (server unavailable).</source>
        <translation>Larkspan 时间同步已延迟（服务器不可用）。</translation>
    </message>
</context>
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>The package could not be saved to %1: %2</source>
        <translation>无法将安装包保存到 %1：%2</translation>
    </message>
    <message>
        <source>The system&apos;s installer (%1) could not be started. The verified package is saved at %2.</source>
        <translation>无法启动系统安装程序（%1）。已验证的安装包保存在 %2。</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>Software Update</source>
        <translation>软件更新</translation>
    </message>
    <message>
        <source>Release notes:</source>
        <translation>发行说明：</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>跳过此版本</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>稍后提醒我</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>安装</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>正在检查更新...</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>已是最新版本！</translation>
    </message>
    <message>
        <source>Larkspan %1 is the newest version available.</source>
        <translation>Larkspan %1 是目前最新的版本。</translation>
    </message>
    <message>
        <source>Larkspan could not check for updates</source>
        <translation>Larkspan 无法检查更新</translation>
    </message>
    <message>
        <source>Please try again later.</source>
        <translation>请稍后再试。</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>原因：%1</translation>
    </message>
    <message>
        <source>No release notes were published for this version.</source>
        <translation>此版本未发布发行说明。</translation>
    </message>
    <message>
        <source>A new version of Larkspan is available!</source>
        <translation>Larkspan 有新版本可用！</translation>
    </message>
    <message>
        <source>Larkspan %1 is now available; you have %2. Would you like to install it now?</source>
        <translation>Larkspan %1 现已推出，您当前的版本为 %2。要立即安装吗？</translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation>正在下载更新...</translation>
    </message>
    <message>
        <source>Larkspan %1 is being downloaded. It is checked before anything is installed.</source>
        <translation>正在下载 Larkspan %1。安装前会先对其进行校验。</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>The update was refused</source>
        <translation>更新已被拒绝</translation>
    </message>
    <message>
        <source>The downloaded update failed its safety check and was deleted. Nothing was installed.</source>
        <translation>下载的更新未通过安全检查，已被删除。未安装任何内容。</translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation>准备安装</translation>
    </message>
    <message>
        <source>The update was downloaded, verified and handed to your system&apos;s software installer. Follow its steps to finish; Larkspan uses the new version from its next start.</source>
        <translation>更新已下载并通过校验，已交给系统的软件安装程序。请按照其步骤完成安装；Larkspan 将在下次启动时使用新版本。</translation>
    </message>
    <message>
        <source>The update could not be installed</source>
        <translation>无法安装更新</translation>
    </message>
</context>
</TS>
