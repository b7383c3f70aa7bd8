<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>AutoUpdaterWinSparkle</name>
    <message>
        <source>the update feed is not valid: %1</source>
        <translation>更新來源無效：%1</translation>
    </message>
    <message>
        <source>The announced size of %1 bytes is larger than any Larkspan package.</source>
        <translation>公布的大小（%1 位元組）超過任何 Larkspan 安裝套件的大小。</translation>
    </message>
    <message>
        <source>The download was stopped: %1.</source>
        <translation>下載已中止：%1。</translation>
    </message>
    <message>
        <source>The download failed: %1.</source>
        <translation>下載失敗：%1。</translation>
    </message>
    <message>
        <source>The package&apos;s size (%1 bytes) differs from the announced size (%2 bytes).</source>
        <translation>安裝套件大小（%1 位元組）與公布的大小（%2 位元組）不符。</translation>
    </message>
    <message>
        <source>The package&apos;s signature is not valid: %1. It was not published by Larkspan, or it was changed on the way.</source>
        <translation>安裝套件簽章無效：%1。它並非由 Larkspan 發佈，或在傳輸途中遭到竄改。</translation>
    </message>
    <message>
        <source>The package&apos;s own version could not be read.</source>
        <translation>無法讀取安裝套件本身的版本。</translation>
    </message>
    <message>
        <source>The package holds version %1, not the offered version %2.</source>
        <translation>安裝套件的版本是 %1，而非所提供的版本 %2。</translation>
    </message>
</context>
<context>
    <name>BoundedDownload</name>
    <message>
        <source>the server stopped answering</source>
        <translation>伺服器已停止回應</translation>
    </message>
    <message>
        <source>%1 is not a secure (https) address</source>
        <translation>%1 不是安全的 (https) 位址</translation>
    </message>
    <message>
        <source>the server sent more than the expected %1 bytes</source>
        <translation>伺服器傳送的資料超過預期的 %1 位元組</translation>
    </message>
    <message>
        <source>redirected to %1, which is not a secure (https) address</source>
        <translation>被重新導向至 %1，該位址不是安全的 (https) 位址</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>伺服器回應 %1</translation>
    </message>
</context>
<context>
    <name>CaptureAssembly</name>
    <message>
        <source>This desktop does not tell Larkspan which window is in front and when you work (missing: %1), so no time is tracked.</source>
        <translation>此桌面不會告訴 Larkspan 哪個視窗在前景以及您何時在工作（缺少：%1），因此不會記錄任何時間。</translation>
    </message>
    <message>
        <source>Larkspan cannot see which window is in front: its GNOME Shell extension is not enabled, so your time is recorded under an unknown window. Enable it with:
%1</source>
        <translation>Larkspan 無法辨識前景視窗：其 GNOME Shell 擴充功能未啟用，因此您的時間將記錄在未知視窗下。請使用以下命令啟用：
%1</translation>
    </message>
</context>
<context>
    <name>ConsoleWindow</name>
    <message>
        <source>Larkspan Review Console</source>
        <translation>Larkspan 回顧主控台</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>正在載入...</translation>
    </message>
    <message>
        <source>Loading... (%1%)</source>
        <translation>正在載入... (%1%)</translation>
    </message>
</context>
<context>
    <name>EventManager</name>
    <message>
        <source>Tracked time cannot be saved: the disk may be full or the data folder read-only. Larkspan keeps it and saves it as soon as it can.</source>
        <translation>無法儲存已記錄的時間：磁碟可能已滿，或資料夾為唯讀。Larkspan 會保留這些時間，並在可以儲存時立即儲存。</translation>
    </message>
    <message>
        <source>Tracked time is saved again.</source>
        <translation>已記錄的時間又可以儲存了。</translation>
    </message>
</context>
<context>
    <name>FeedbackDialog</name>
    <message>
        <source>Send Diagnostics</source>
        <translation>傳送診斷資訊</translation>
    </message>
    <message>
        <source>The best way for us to improve Larkspan is to listen to your feedback.  Please tell us about any suggestions for improvement or issues you&apos;ve faced in the text box below.  Your feedback report includes diagnostic information to assist our team in responding to you.</source>
        <translation>傾聽您的意見回饋是我們改進 Larkspan 的最佳方式。請在下方文字方塊中告訴我們您的改進建議或遇到的問題。您的意見回饋報告會附上診斷資訊，以協助我們的團隊回覆您。</translation>
    </message>
    <message>
        <source>Your comments:</source>
        <translation>您的意見：</translation>
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
        <translation>發生暫時性網路錯誤</translation>
    </message>
    <message>
        <source>Diagnostics sent successfully - thank you.</source>
        <translation>診斷資訊已成功傳送，謝謝！</translation>
    </message>
    <message>
        <source>Invalid status returned</source>
        <translation>傳回了無效的狀態</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Invalid status returned</source>
        <translation>傳送診斷資訊失敗：傳回了無效的狀態</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Unexpected status %1</source>
        <translation>傳送診斷資訊失敗：非預期的狀態 %1</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Server error</source>
        <translation>傳送診斷資訊失敗：伺服器錯誤</translation>
    </message>
</context>
<context>
    <name>HttpClientWorker</name>
    <message>
        <source>Compressing logs...</source>
        <translation>正在壓縮記錄檔...</translation>
    </message>
    <message>
        <source>Sending feedback report...</source>
        <translation>正在傳送意見回饋報告...</translation>
    </message>
</context>
<context>
    <name>LoginPrompt</name>
    <message>
        <source>Please Login to Larkspan</source>
        <translation>請登入 Larkspan</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>標誌</translation>
    </message>
    <message>
        <source>Larkspan</source>
        <translation>Larkspan</translation>
    </message>
    <message>
        <source>Don&apos;t see the Larkspan login screen? We&apos;ll help you launch the login screen in your default web browser.</source>
        <translation>沒有看到 Larkspan 登入畫面嗎？我們會協助您在預設網頁瀏覽器中開啟登入畫面。</translation>
    </message>
    <message>
        <source>Login to Larkspan</source>
        <translation>登入 Larkspan</translation>
    </message>
    <message>
        <source>Larkspan is now running</source>
        <translation>Larkspan 正在執行</translation>
    </message>
    <message>
        <source>Click on the Larkspan icon in system tray to &apos;Open My Console&apos; and view your activity summary.</source>
        <translation>按一下系統匣中的 Larkspan 圖示，選擇「開啟我的主控台」即可檢視您的活動摘要。</translation>
    </message>
    <message>
        <source>Open My Console</source>
        <translation>開啟我的主控台</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>正在記錄</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>繼續</translation>
    </message>
    <message>
        <source>Pause for 30 minutes</source>
        <translation>暫停 30 分鐘</translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation>暫停 1 小時</translation>
    </message>
    <message>
        <source>Pause for 2 hours</source>
        <translation>暫停 2 小時</translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation>暫停到明天</translation>
    </message>
    <message>
        <source>Pause indefinitely</source>
        <translation>無限期暫停</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>偏好設定...</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>檢查更新...</translation>
    </message>
    <message>
        <source>Send Diagnostics...</source>
        <translation>傳送診斷資訊...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>Logout &amp;&amp; Quit</source>
        <translation>登出並結束</translation>
    </message>
    <message>
        <source>Quit Larkspan</source>
        <translation>結束 Larkspan</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>已暫停</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. We&apos;ve opened a login screen for you.&lt;br&gt;&lt;br&gt;Don’t see the Larkspan login screen? Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan 需要您的登入資訊。我們已為您開啟登入畫面。&lt;br&gt;&lt;br&gt;沒有看到 Larkspan 登入畫面嗎？請按下方的「登入 Larkspan」，透過網頁瀏覽器登入。</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan 需要您的登入資訊。請按下方的「登入 Larkspan」，透過網頁瀏覽器登入。</translation>
    </message>
    <message>
        <source>Logged in successfully.</source>
        <translation>登入成功。</translation>
    </message>
    <message>
        <source>Your Larkspan login has expired. Please log in again.</source>
        <translation>您的 Larkspan 登入已過期。請重新登入。</translation>
    </message>
    <message>
        <source>Last synced: </source>
        <translation>上次同步：</translation>
    </message>
    <message>
        <source>Upload disabled</source>
        <translation>已停用上傳</translation>
    </message>
    <message>
        <source>Last synced: checking...</source>
        <translation>上次同步：正在檢查...</translation>
    </message>
    <message>
        <source>Login address:</source>
        <translation>登入網址：</translation>
    </message>
    <message>
        <source>No browser opened? Open this address in any browser to log in.</source>
        <translation>瀏覽器沒有開啟嗎？請在任何瀏覽器中開啟此網址以登入。</translation>
    </message>
</context>
<context>
    <name>OfflineWindow</name>
    <message>
        <source>Larkspan Manual Time Prompt</source>
        <translation>Larkspan 手動記錄時間</translation>
    </message>
    <message>
        <source>Welcome Back!</source>
        <translation>歡迎回來！</translation>
    </message>
    <message>
        <source>What have you been doing since 8:00 AM?</source>
        <translation>從上午 8:00 起您在做什麼？</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: 00:06:20)</source>
        <translation>（總經過時間：00:06:20）</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>小時</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>分鐘</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>閱讀</translation>
    </message>
    <message>
        <source>Videocall</source>
        <translation>視訊通話</translation>
    </message>
    <message>
        <source>Phonecall</source>
        <translation>電話</translation>
    </message>
    <message>
        <source>Meeting</source>
        <translation>會議</translation>
    </message>
    <message>
        <source>Thinking</source>
        <translation>思考</translation>
    </message>
    <message>
        <source>Paperwork</source>
        <translation>文書作業</translation>
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
        <translation>記錄時間</translation>
    </message>
    <message>
        <source>Add an Activity Note to your Timeline (%1 - %2)?</source>
        <translation>要在時間軸中新增活動備註嗎（%1 - %2）？</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: %1)</source>
        <translation>（總經過時間：%1）</translation>
    </message>
    <message numerus="yes">
        <source>hours</source>
        <comment>after the number of hours</comment>
        <translation>
            <numerusform>小時</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after the number of minutes</comment>
        <translation>
            <numerusform>分鐘</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>Larkspan&apos;s built-in signing key is not valid</source>
        <translation>Larkspan 內建的簽章金鑰無效</translation>
    </message>
    <message>
        <source>it is malformed</source>
        <translation>簽章格式錯誤</translation>
    </message>
    <message>
        <source>it cannot be checked</source>
        <translation>無法驗證簽章</translation>
    </message>
    <message>
        <source>it does not match Larkspan&apos;s signing key</source>
        <translation>與 Larkspan 的簽章金鑰不符</translation>
    </message>
</context>
<context>
    <name>PrefDialog</name>
    <message>
        <source>Larkspan Preferences</source>
        <translation>Larkspan 偏好設定</translation>
    </message>
    <message>
        <source>General</source>
        <translation>一般</translation>
    </message>
    <message>
        <source>Manual time</source>
        <translation>手動記錄時間</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>啟用</translation>
    </message>
    <message>
        <source>Show manual time prompt after</source>
        <translation>離開電腦/裝置</translation>
    </message>
    <message>
        <source>minutes away from the computer/device</source>
        <translation>分鐘後顯示手動記錄時間提示</translation>
    </message>
    <message>
        <source>Review console</source>
        <translation>回顧主控台</translation>
    </message>
    <message>
        <source>Use default browser to open review console</source>
        <translation>使用預設瀏覽器開啟回顧主控台</translation>
    </message>
    <message>
        <source>Use embedded browser to open review console</source>
        <translation>使用內建瀏覽器開啟回顧主控台</translation>
    </message>
    <message>
        <source>Outlook</source>
        <translation>Outlook</translation>
    </message>
    <message>
        <source>Detect subject of selected email in Outlook automatically</source>
        <translation>自動偵測 Outlook 中所選電子郵件的主旨</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>語言</translation>
    </message>
    <message>
        <source>Choose language:</source>
        <translation>選擇語言：</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>隱私權</translation>
    </message>
    <message>
        <source>Browser Privacy</source>
        <translation>瀏覽器隱私權</translation>
    </message>
    <message>
        <source>Allow URLs to be sent</source>
        <translation>允許傳送網址</translation>
    </message>
    <message>
        <source>Excluded App Names</source>
        <translation>排除的應用程式名稱</translation>
    </message>
    <message>
        <source>If app names contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>如果應用程式名稱包含任一排除字詞，相應的時間記錄將直接刪除。（以換行或逗號分隔）</translation>
    </message>
    <message>
        <source>Excluded Window Titles</source>
        <translation>排除的視窗標題</translation>
    </message>
    <message>
        <source>If window titles contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>如果視窗標題包含任一排除字詞，相應的時間記錄將直接刪除。（以換行或逗號分隔）</translation>
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
        <translation>自動檢查更新</translation>
    </message>
    <message>
        <source>Update check frequency:</source>
        <translation>檢查更新頻率：</translation>
    </message>
    <message>
        <source>Enable beta channel for updates</source>
        <translation>啟用 Beta 更新通道</translation>
    </message>
    <message>
        <source>Copyright © Corvane. All rights reserved.</source>
        <translation>Copyright © Corvane. 版權所有。</translation>
    </message>
    <message>
        <source>Hourly</source>
        <translation>每小時</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>每天</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>每週</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>每月</translation>
    </message>
    <message>
        <source>Version %1 (build: %2, arch: %3)</source>
        <translation>版本 %1（組建：%2，架構：%3）</translation>
    </message>
</context>
<context>
    <name>QThread</name>
    <message>
        <source>Larkspan is now active.</source>
        <translation>Larkspan 現已恢復記錄。</translation>
    </message>
</context>
<context>
    <name>TimeLogUploader</name>
    <message>
        <source>Cannot upload</source>
        <translation>無法上傳</translation>
    </message>
    <message>
        <source>Larkspan time sync has been delayed (server unavailable).</source>
        <translation>Larkspan 時間同步已延遲（伺服器無法使用）。</translation>
    </message>
</context>
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>The package could not be saved to %1: %2</source>
        <translation>無法將安裝套件儲存至 %1：%2</translation>
    </message>
    <message>
        <source>The system&apos;s installer (%1) could not be started. The verified package is saved at %2.</source>
        <translation>無法啟動系統安裝程式（%1）。已驗證的安裝套件儲存在 %2。</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>Software Update</source>
        <translation>軟體更新</translation>
    </message>
    <message>
        <source>Release notes:</source>
        <translation>版本資訊：</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>略過此版本</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>稍後提醒我</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>安裝</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>正在檢查更新...</translation>
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
        <translation>Larkspan 無法檢查更新</translation>
    </message>
    <message>
        <source>Please try again later.</source>
        <translation>請稍後再試。</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>原因：%1</translation>
    </message>
    <message>
        <source>No release notes were published for this version.</source>
        <translation>此版本未發佈版本資訊。</translation>
    </message>
    <message>
        <source>A new version of Larkspan is available!</source>
        <translation>Larkspan 有新版本可用！</translation>
    </message>
    <message>
        <source>Larkspan %1 is now available; you have %2. Would you like to install it now?</source>
        <translation>Larkspan %1 現已推出，您目前的版本為 %2。要立即安裝嗎？</translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation>正在下載更新...</translation>
    </message>
    <message>
        <source>Larkspan %1 is being downloaded. It is checked before anything is installed.</source>
        <translation>正在下載 Larkspan %1。安裝前會先進行驗證。</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>The update was refused</source>
        <translation>更新已遭拒絕</translation>
    </message>
    <message>
        <source>The downloaded update failed its safety check and was deleted. Nothing was installed.</source>
        <translation>下載的更新未通過安全檢查，已刪除。未安裝任何內容。</translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation>準備安裝</translation>
    </message>
    <message>
        <source>The update was downloaded, verified and handed to your system&apos;s software installer. Follow its steps to finish; Larkspan uses the new version from its next start.</source>
        <translation>更新已下載並通過驗證，已交由系統的軟體安裝程式處理。請依照其步驟完成安裝；Larkspan 將於下次啟動時使用新版本。</translation>
    </message>
    <message>
        <source>The update could not be installed</source>
        <translation>無法安裝更新</translation>
    </message>
</context>
</TS>
