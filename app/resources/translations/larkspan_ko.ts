<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AutoUpdaterWinSparkle</name>
    <message>
        <source>the update feed is not valid: %1</source>
        <translation>업데이트 피드가 올바르지 않습니다: %1</translation>
    </message>
    <message>
        <source>The announced size of %1 bytes is larger than any Larkspan package.</source>
        <translation>공지된 크기(%1바이트)가 어떤 Larkspan 패키지보다도 큽니다.</translation>
    </message>
    <message>
        <source>The download was stopped: %1.</source>
        <translation>다운로드가 중단되었습니다: %1.</translation>
    </message>
    <message>
        <source>The download failed: %1.</source>
        <translation>다운로드에 실패했습니다: %1.</translation>
    </message>
    <message>
        <source>The package&apos;s size (%1 bytes) differs from the announced size (%2 bytes).</source>
        <translation>패키지 크기(%1바이트)가 공지된 크기(%2바이트)와 다릅니다.</translation>
    </message>
    <message>
        <source>The package&apos;s signature is not valid: %1. It was not published by Larkspan, or it was changed on the way.</source>
        <translation>패키지 서명이 올바르지 않습니다: %1. Larkspan에서 배포한 패키지가 아니거나 전송 중에 변경되었습니다.</translation>
    </message>
    <message>
        <source>The package&apos;s own version could not be read.</source>
        <translation>패키지 자체의 버전을 읽을 수 없습니다.</translation>
    </message>
    <message>
        <source>The package holds version %1, not the offered version %2.</source>
        <translation>패키지에 들어 있는 버전은 %1이며, 제공된 버전 %2이(가) 아닙니다.</translation>
    </message>
</context>
<context>
    <name>BoundedDownload</name>
    <message>
        <source>the server stopped answering</source>
        <translation>서버가 더 이상 응답하지 않습니다</translation>
    </message>
    <message>
        <source>%1 is not a secure (https) address</source>
        <translation>%1은(는) 보안(https) 주소가 아닙니다</translation>
    </message>
    <message>
        <source>the server sent more than the expected %1 bytes</source>
        <translation>서버가 예상한 %1바이트보다 많은 데이터를 보냈습니다</translation>
    </message>
    <message>
        <source>redirected to %1, which is not a secure (https) address</source>
        <translation>보안(https) 주소가 아닌 %1(으)로 리디렉션되었습니다</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>서버 응답: %1</translation>
    </message>
</context>
<context>
    <name>CaptureAssembly</name>
    <message>
        <source>This desktop does not tell Larkspan which window is in front and when you work (missing: %1), so no time is tracked.</source>
        <translation>이 데스크톱은 어떤 창이 앞에 있는지와 언제 작업하는지를 Larkspan에 알려 주지 않습니다(없음: %1). 따라서 시간이 기록되지 않습니다.</translation>
    </message>
    <message>
        <source>Larkspan cannot see which window is in front: its GNOME Shell extension is not enabled, so your time is recorded under an unknown window. Enable it with:
%1</source>
        <translation>Larkspan이 앞에 있는 창을 알 수 없습니다. GNOME Shell 확장이 활성화되어 있지 않아 시간이 알 수 없는 창으로 기록됩니다. 다음 명령으로 활성화하세요:
%1</translation>
    </message>
</context>
<context>
    <name>ConsoleWindow</name>
    <message>
        <source>Larkspan Review Console</source>
        <translation>Larkspan 검토 콘솔</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>불러오는 중...</translation>
    </message>
    <message>
        <source>Loading... (%1%)</source>
        <translation>불러오는 중... (%1%)</translation>
    </message>
</context>
<context>
    <name>EventManager</name>
    <message>
        <source>Tracked time cannot be saved: the disk may be full or the data folder read-only. Larkspan keeps it and saves it as soon as it can.</source>
        <translation>추적한 시간을 저장할 수 없습니다. 디스크가 가득 찼거나 데이터 폴더가 읽기 전용일 수 있습니다. Larkspan이 시간을 보관하고 가능해지면 바로 저장합니다.</translation>
    </message>
    <message>
        <source>Tracked time is saved again.</source>
        <translation>추적한 시간이 다시 저장됩니다.</translation>
    </message>
</context>
<context>
    <name>FeedbackDialog</name>
    <message>
        <source>Send Diagnostics</source>
        <translation>진단 정보 보내기</translation>
    </message>
    <message>
        <source>The best way for us to improve Larkspan is to listen to your feedback.  Please tell us about any suggestions for improvement or issues you&apos;ve faced in the text box below.  Your feedback report includes diagnostic information to assist our team in responding to you.</source>
        <translation>Larkspan을 개선하는 가장 좋은 방법은 사용자 여러분의 의견을 듣는 것입니다. 개선을 위한 제안이나 겪으신 문제를 아래 입력란에 알려 주세요. 보내 주신 피드백 보고서에는 저희 팀이 답변하는 데 도움이 되는 진단 정보가 포함됩니다.</translation>
    </message>
    <message>
        <source>Your comments:</source>
        <translation>의견:</translation>
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
        <translation>일시적인 네트워크 오류가 발생했습니다</translation>
    </message>
    <message>
        <source>Diagnostics sent successfully - thank you.</source>
        <translation>진단 정보를 보냈습니다. 감사합니다.</translation>
    </message>
    <message>
        <source>Invalid status returned</source>
        <translation>잘못된 상태 코드를 받았습니다</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Invalid status returned</source>
        <translation>진단 정보를 보내지 못했습니다: 잘못된 상태 코드를 받았습니다</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Unexpected status %1</source>
        <translation>진단 정보를 보내지 못했습니다: 예상하지 못한 상태 %1</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Server error</source>
        <translation>진단 정보를 보내지 못했습니다: 서버 오류</translation>
    </message>
</context>
<context>
    <name>HttpClientWorker</name>
    <message>
        <source>Compressing logs...</source>
        <translation>로그 압축 중...</translation>
    </message>
    <message>
        <source>Sending feedback report...</source>
        <translation>피드백 보고서 보내는 중...</translation>
    </message>
</context>
<context>
    <name>LoginPrompt</name>
    <message>
        <source>Please Login to Larkspan</source>
        <translation>Larkspan에 로그인하세요</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>로고</translation>
    </message>
    <message>
        <source>Larkspan</source>
        <translation>Larkspan</translation>
    </message>
    <message>
        <source>Don&apos;t see the Larkspan login screen? We&apos;ll help you launch the login screen in your default web browser.</source>
        <translation>Larkspan 로그인 화면이 보이지 않나요? 기본 웹 브라우저에서 로그인 화면을 열 수 있도록 도와드리겠습니다.</translation>
    </message>
    <message>
        <source>Login to Larkspan</source>
        <translation>Larkspan에 로그인</translation>
    </message>
    <message>
        <source>Larkspan is now running</source>
        <translation>Larkspan이 실행 중입니다</translation>
    </message>
    <message>
        <source>Click on the Larkspan icon in system tray to &apos;Open My Console&apos; and view your activity summary.</source>
        <translation>시스템 트레이의 Larkspan 아이콘을 클릭하고 ‘내 콘솔 열기’를 선택하면 활동 요약을 볼 수 있습니다.</translation>
    </message>
    <message>
        <source>Open My Console</source>
        <translation>내 콘솔 열기</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>추적 중</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>다시 시작</translation>
    </message>
    <message>
        <source>Pause for 30 minutes</source>
        <translation>30분 동안 일시 중지</translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation>1시간 동안 일시 중지</translation>
    </message>
    <message>
        <source>Pause for 2 hours</source>
        <translation>2시간 동안 일시 중지</translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation>내일까지 일시 중지</translation>
    </message>
    <message>
        <source>Pause indefinitely</source>
        <translation>무기한 일시 중지</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>환경설정...</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>업데이트 확인...</translation>
    </message>
    <message>
        <source>Send Diagnostics...</source>
        <translation>진단 정보 보내기...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>도움말</translation>
    </message>
    <message>
        <source>Logout &amp;&amp; Quit</source>
        <translation>로그아웃 및 종료</translation>
    </message>
    <message>
        <source>Quit Larkspan</source>
        <translation>Larkspan 종료</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>일시 중지됨</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. We&apos;ve opened a login screen for you.&lt;br&gt;&lt;br&gt;Don’t see the Larkspan login screen? Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan에 로그인 정보가 필요합니다. 로그인 화면을 열어 두었습니다.&lt;br&gt;&lt;br&gt;Larkspan 로그인 화면이 보이지 않나요? 아래의 ‘Larkspan에 로그인’을 눌러 웹 브라우저에서 로그인하세요.</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan에 로그인 정보가 필요합니다. 아래의 ‘Larkspan에 로그인’을 눌러 웹 브라우저에서 로그인하세요.</translation>
    </message>
    <message>
        <source>Logged in successfully.</source>
        <translation>로그인했습니다.</translation>
    </message>
    <message>
        <source>Your Larkspan login has expired. Please log in again.</source>
        <translation>Larkspan 로그인이 만료되었습니다. 다시 로그인해 주세요.</translation>
    </message>
    <message>
        <source>Last synced: </source>
        <translation>마지막 동기화: </translation>
    </message>
    <message>
        <source>Upload disabled</source>
        <translation>업로드 사용 안 함</translation>
    </message>
    <message>
        <source>Last synced: checking...</source>
        <translation>마지막 동기화: 확인 중...</translation>
    </message>
    <message>
        <source>Login address:</source>
        <translation>로그인 주소:</translation>
    </message>
    <message>
        <source>No browser opened? Open this address in any browser to log in.</source>
        <translation>브라우저가 열리지 않았나요? 아무 브라우저에서나 이 주소를 열어 로그인하세요.</translation>
    </message>
</context>
<context>
    <name>OfflineWindow</name>
    <message>
        <source>Larkspan Manual Time Prompt</source>
        <translation>Larkspan 수동 시간 입력</translation>
    </message>
    <message>
        <source>Welcome Back!</source>
        <translation>다시 오신 것을 환영합니다!</translation>
    </message>
    <message>
        <source>What have you been doing since 8:00 AM?</source>
        <translation>오전 8:00부터 무엇을 하셨나요?</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: 00:06:20)</source>
        <translation>(총 경과 시간: 00:06:20)</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>기록:</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>시간</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>분</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>읽기</translation>
    </message>
    <message>
        <source>Videocall</source>
        <translation>화상 통화</translation>
    </message>
    <message>
        <source>Phonecall</source>
        <translation>전화 통화</translation>
    </message>
    <message>
        <source>Meeting</source>
        <translation>회의</translation>
    </message>
    <message>
        <source>Thinking</source>
        <translation>생각 정리</translation>
    </message>
    <message>
        <source>Paperwork</source>
        <translation>서류 작업</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>기타</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Log Time</source>
        <translation>시간 기록</translation>
    </message>
    <message>
        <source>Add an Activity Note to your Timeline (%1 - %2)?</source>
        <translation>타임라인에 활동 메모를 추가하시겠습니까 (%1 - %2)?</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: %1)</source>
        <translation>(총 경과 시간: %1)</translation>
    </message>
    <message numerus="yes">
        <source>hours</source>
        <comment>after the number of hours</comment>
        <translation>
            <numerusform>시간</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after the number of minutes</comment>
        <translation>
            <numerusform>분</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>Larkspan&apos;s built-in signing key is not valid</source>
        <translation>Larkspan에 내장된 서명 키가 올바르지 않습니다</translation>
    </message>
    <message>
        <source>it is malformed</source>
        <translation>서명 형식이 잘못되었습니다</translation>
    </message>
    <message>
        <source>it cannot be checked</source>
        <translation>서명을 확인할 수 없습니다</translation>
    </message>
    <message>
        <source>it does not match Larkspan&apos;s signing key</source>
        <translation>Larkspan 서명 키와 일치하지 않습니다</translation>
    </message>
</context>
<context>
    <name>PrefDialog</name>
    <message>
        <source>Larkspan Preferences</source>
        <translation>Larkspan 환경설정</translation>
    </message>
    <message>
        <source>General</source>
        <translation>일반</translation>
    </message>
    <message>
        <source>Manual time</source>
        <translation>수동 시간 입력</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>사용</translation>
    </message>
    <message>
        <source>Show manual time prompt after</source>
        <translation>컴퓨터/기기에서</translation>
    </message>
    <message>
        <source>minutes away from the computer/device</source>
        <translation>분 이상 떨어져 있으면 수동 시간 입력 창 표시</translation>
    </message>
    <message>
        <source>Review console</source>
        <translation>검토 콘솔</translation>
    </message>
    <message>
        <source>Use default browser to open review console</source>
        <translation>기본 브라우저에서 검토 콘솔 열기</translation>
    </message>
    <message>
        <source>Use embedded browser to open review console</source>
        <translation>내장 브라우저에서 검토 콘솔 열기</translation>
    </message>
    <message>
        <source>Outlook</source>
        <translation>Outlook</translation>
    </message>
    <message>
        <source>Detect subject of selected email in Outlook automatically</source>
        <translation>Outlook에서 선택한 이메일의 제목을 자동으로 감지</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>언어</translation>
    </message>
    <message>
        <source>Choose language:</source>
        <translation>언어 선택:</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>개인정보 보호</translation>
    </message>
    <message>
        <source>Browser Privacy</source>
        <translation>브라우저 개인정보 보호</translation>
    </message>
    <message>
        <source>Allow URLs to be sent</source>
        <translation>URL 전송 허용</translation>
    </message>
    <message>
        <source>Excluded App Names</source>
        <translation>제외할 앱 이름</translation>
    </message>
    <message>
        <source>If app names contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>앱 이름에 제외 단어가 하나라도 포함되면 해당 시간 기록이 바로 삭제됩니다. (줄바꿈 또는 쉼표로 구분)</translation>
    </message>
    <message>
        <source>Excluded Window Titles</source>
        <translation>제외할 창 제목</translation>
    </message>
    <message>
        <source>If window titles contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>창 제목에 제외 단어가 하나라도 포함되면 해당 시간 기록이 바로 삭제됩니다. (줄바꿈 또는 쉼표로 구분)</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>업데이트</translation>
    </message>
    <message>
        <source>Larkspan updates</source>
        <translation>Larkspan 업데이트</translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation>자동으로 업데이트 확인</translation>
    </message>
    <message>
        <source>Update check frequency:</source>
        <translation>업데이트 확인 주기:</translation>
    </message>
    <message>
        <source>Enable beta channel for updates</source>
        <translation>업데이트에 베타 채널 사용</translation>
    </message>
    <message>
        <source>Copyright © Corvane. All rights reserved.</source>
        <translation>Copyright © Corvane. 모든 권리 보유.</translation>
    </message>
    <message>
        <source>Hourly</source>
        <translation>매시간</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>매일</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>매주</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>매월</translation>
    </message>
    <message>
        <source>Version %1 (build: %2, arch: %3)</source>
        <translation>버전 %1 (빌드: %2, 아키텍처: %3)</translation>
    </message>
</context>
<context>
    <name>QThread</name>
    <message>
        <source>Larkspan is now active.</source>
        <translation>Larkspan이 다시 활성화되었습니다.</translation>
    </message>
</context>
<context>
    <name>TimeLogUploader</name>
    <message>
        <source>Cannot upload</source>
        <translation>업로드할 수 없음</translation>
    </message>
    <message>
        <source>Larkspan time sync has been delayed (server unavailable).</source>
        <translation>Larkspan 시간 동기화가 지연되고 있습니다(서버에 연결할 수 없음).</translation>
    </message>
</context>
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>The package could not be saved to %1: %2</source>
        <translation>패키지를 %1에 저장할 수 없습니다: %2</translation>
    </message>
    <message>
        <source>The system&apos;s installer (%1) could not be started. The verified package is saved at %2.</source>
        <translation>시스템 설치 프로그램(%1)을 시작할 수 없습니다. 검증된 패키지는 %2에 저장되어 있습니다.</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>Software Update</source>
        <translation>소프트웨어 업데이트</translation>
    </message>
    <message>
        <source>Release notes:</source>
        <translation>릴리스 노트:</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>이 버전 건너뛰기</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>나중에 알림</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>설치</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>업데이트 확인 중...</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>최신 버전을 사용 중입니다!</translation>
    </message>
    <message>
        <source>Larkspan %1 is the newest version available.</source>
        <translation>Larkspan %1이(가) 최신 버전입니다.</translation>
    </message>
    <message>
        <source>Larkspan could not check for updates</source>
        <translation>Larkspan이 업데이트를 확인하지 못했습니다</translation>
    </message>
    <message>
        <source>Please try again later.</source>
        <translation>나중에 다시 시도하세요.</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>원인: %1</translation>
    </message>
    <message>
        <source>No release notes were published for this version.</source>
        <translation>이 버전에 대한 릴리스 노트가 없습니다.</translation>
    </message>
    <message>
        <source>A new version of Larkspan is available!</source>
        <translation>새 버전의 Larkspan을 사용할 수 있습니다!</translation>
    </message>
    <message>
        <source>Larkspan %1 is now available; you have %2. Would you like to install it now?</source>
        <translation>Larkspan %1을(를) 사용할 수 있습니다. 현재 버전은 %2입니다. 지금 설치하시겠습니까?</translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation>업데이트 다운로드 중...</translation>
    </message>
    <message>
        <source>Larkspan %1 is being downloaded. It is checked before anything is installed.</source>
        <translation>Larkspan %1을(를) 다운로드하는 중입니다. 설치하기 전에 먼저 검증합니다.</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>The update was refused</source>
        <translation>업데이트가 거부되었습니다</translation>
    </message>
    <message>
        <source>The downloaded update failed its safety check and was deleted. Nothing was installed.</source>
        <translation>다운로드한 업데이트가 안전 검사를 통과하지 못해 삭제되었습니다. 아무것도 설치되지 않았습니다.</translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation>설치 준비 완료</translation>
    </message>
    <message>
        <source>The update was downloaded, verified and handed to your system&apos;s software installer. Follow its steps to finish; Larkspan uses the new version from its next start.</source>
        <translation>업데이트를 다운로드하고 검증한 뒤 시스템의 소프트웨어 설치 프로그램에 넘겼습니다. 설치 프로그램의 안내에 따라 설치를 마치세요. Larkspan은 다음에 시작할 때부터 새 버전을 사용합니다.</translation>
    </message>
    <message>
        <source>The update could not be installed</source>
        <translation>업데이트를 설치할 수 없습니다</translation>
    </message>
</context>
</TS>
