<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AutoUpdaterWinSparkle</name>
    <message>
        <source>the update feed is not valid: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The announced size of %1 bytes is larger than any Larkspan package.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download was stopped: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download failed: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The package&apos;s size (%1 bytes) differs from the announced size (%2 bytes).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The package&apos;s signature is not valid: %1. It was not published by Larkspan, or it was changed on the way.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BoundedDownload</name>
    <message>
        <source>the server stopped answering</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a secure (https) address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server sent more than the expected %1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>redirected to %1, which is not a secure (https) address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConsoleWindow</name>
    <message>
        <source>Larkspan Review Console</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading... (%1%)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EventManager</name>
    <message>
        <source>Tracked time cannot be saved: the disk may be full or the data folder read-only. Larkspan keeps it and saves it as soon as it can.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tracked time is saved again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FeedbackDialog</name>
    <message>
        <source>Send Diagnostics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The best way for us to improve Larkspan is to listen to your feedback.  Please tell us about any suggestions for improvement or issues you&apos;ve faced in the text box below.  Your feedback report includes diagnostic information to assist our team in responding to you.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your comments:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <message>
        <source>Login address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No browser opened? Open this address in any browser to log in.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OfflineWindow</name>
    <message>
        <source>Larkspan Manual Time Prompt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Welcome Back!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What have you been doing since 8:00 AM?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(Total Time Elapsed: 00:06:20)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Videocall</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Phonecall</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Meeting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thinking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paperwork</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add an Activity Note to your Timeline (%1 - %2)?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(Total Time Elapsed: %1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>Larkspan&apos;s built-in signing key is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is malformed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it cannot be checked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it does not match Larkspan&apos;s signing key</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrefDialog</name>
    <message>
        <source>Larkspan Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show manual time prompt after</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>minutes away from the computer/device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Review console</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use default browser to open review console</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use embedded browser to open review console</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Outlook</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detect subject of selected email in Outlook automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose language:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browser Privacy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allow URLs to be sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excluded App Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If app names contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excluded Window Titles</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If window titles contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update check frequency:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable beta channel for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>color: grey; font-size: 10px;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright © Corvane. All rights reserved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hourly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Daily</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1 (build: %2, arch: %3)</source>
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
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>The package could not be saved to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The system&apos;s installer (%1) could not be started. The verified package is saved at %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>Software Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Release notes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan %1 is the newest version available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan could not check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please try again later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No release notes were published for this version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new version of Larkspan is available!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan %1 is now available; you have %2. Would you like to install it now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Larkspan %1 is being downloaded. It is checked before anything is installed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update was refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The downloaded update failed its safety check and was deleted. Nothing was installed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update was downloaded, verified and handed to your system&apos;s software installer. Follow its steps to finish; Larkspan uses the new version from its next start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update could not be installed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
