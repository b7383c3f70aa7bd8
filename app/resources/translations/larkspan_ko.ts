<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>HttpClient</name>
    <message>
        <source>Larkspan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transient network error occurred</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Diagnostics sent successfully - thank you.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HttpClientWorker</name>
    <message>
        <source>Compressing logs...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending feedback report...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoginPrompt</name>
    <message>
        <source>Please Login to Larkspan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Don&apos;t see the Larkspan login screen? We&apos;ll help you launch the login screen in your default web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login to Larkspan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No browser? Open this address in one:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan is now running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click on the Larkspan icon in system tray to &apos;Open My Console&apos; and view your activity summary.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open My Console</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Active</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause for 30 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause for 2 hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause indefinitely</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Diagnostics...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logout &amp;&amp; Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Larkspan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan needs your login details. We&apos;ve opened a login screen for you.&lt;br&gt;&lt;br&gt;Don’t see the Larkspan login screen? Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan needs your login details. Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logged in successfully.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last synced: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last synced: checking...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QThread</name>
    <message>
        <source>Larkspan is now active.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TimeLogUploader</name>
    <message>
        <source>Cannot upload</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan time sync has been delayed (server unavailable).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
