<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AutoUpdaterWinSparkle</name>
    <message>
        <source>the update feed is not valid: %1</source>
        <translation>der Update-Feed ist ungültig: %1</translation>
    </message>
    <message>
        <source>The announced size of %1 bytes is larger than any Larkspan package.</source>
        <translation>Die angekündigte Größe von %1 Bytes ist größer als jedes Larkspan-Paket.</translation>
    </message>
    <message>
        <source>The download was stopped: %1.</source>
        <translation>Der Download wurde abgebrochen: %1.</translation>
    </message>
    <message>
        <source>The download failed: %1.</source>
        <translation>Der Download ist fehlgeschlagen: %1.</translation>
    </message>
    <message>
        <source>The package&apos;s size (%1 bytes) differs from the announced size (%2 bytes).</source>
        <translation>Die Größe des Pakets (%1 Bytes) weicht von der angekündigten Größe (%2 Bytes) ab.</translation>
    </message>
    <message>
        <source>The package&apos;s signature is not valid: %1. It was not published by Larkspan, or it was changed on the way.</source>
        <translation>Die Signatur des Pakets ist ungültig: %1. Das Paket stammt nicht von Larkspan oder wurde unterwegs verändert.</translation>
    </message>
    <message>
        <source>The package&apos;s own version could not be read.</source>
        <translation>Die eigene Version des Pakets konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The package holds version %1, not the offered version %2.</source>
        <translation>Das Paket enthält Version %1, nicht die angebotene Version %2.</translation>
    </message>
</context>
<context>
    <name>BoundedDownload</name>
    <message>
        <source>the server stopped answering</source>
        <translation>der Server antwortet nicht mehr</translation>
    </message>
    <message>
        <source>%1 is not a secure (https) address</source>
        <translation>%1 ist keine sichere (https-)Adresse</translation>
    </message>
    <message>
        <source>the server sent more than the expected %1 bytes</source>
        <translation>der Server hat mehr als die erwarteten %1 Bytes gesendet</translation>
    </message>
    <message>
        <source>redirected to %1, which is not a secure (https) address</source>
        <translation>weitergeleitet an %1, keine sichere (https-)Adresse</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>der Server antwortete mit %1</translation>
    </message>
</context>
<context>
    <name>CaptureAssembly</name>
    <message>
        <source>This desktop does not tell Larkspan which window is in front and when you work (missing: %1), so no time is tracked.</source>
        <translation>Diese Arbeitsumgebung teilt Larkspan nicht mit, welches Fenster vorne ist und wann Sie arbeiten (es fehlt: %1). Daher wird keine Zeit erfasst.</translation>
    </message>
    <message>
        <source>Larkspan cannot see which window is in front: its GNOME Shell extension is not enabled, so your time is recorded under an unknown window. Enable it with:
%1</source>
        <translation>Larkspan kann nicht erkennen, welches Fenster vorne ist: Seine GNOME-Shell-Erweiterung ist nicht aktiviert, daher wird Ihre Zeit unter einem unbekannten Fenster erfasst. Aktivieren Sie sie mit:
%1</translation>
    </message>
</context>
<context>
    <name>ConsoleWindow</name>
    <message>
        <source>Larkspan Review Console</source>
        <translation>Larkspan-Auswertungskonsole</translation>
    </message>
    <message>
        <source>Loading...</source>
        <translation>Wird geladen...</translation>
    </message>
    <message>
        <source>Loading... (%1%)</source>
        <translation>Wird geladen... (%1 %)</translation>
    </message>
</context>
<context>
    <name>EventManager</name>
    <message>
        <source>Tracked time cannot be saved: the disk may be full or the data folder read-only. Larkspan keeps it and saves it as soon as it can.</source>
        <translation>Die erfasste Zeit kann nicht gespeichert werden: Der Datenträger ist vielleicht voll oder der Datenordner schreibgeschützt. Larkspan behält sie und speichert sie, sobald es wieder geht.</translation>
    </message>
    <message>
        <source>Tracked time is saved again.</source>
        <translation>Die erfasste Zeit wird wieder gespeichert.</translation>
    </message>
</context>
<context>
    <name>FeedbackDialog</name>
    <message>
        <source>Send Diagnostics</source>
        <translation>Diagnosedaten senden</translation>
    </message>
    <message>
        <source>The best way for us to improve Larkspan is to listen to your feedback.  Please tell us about any suggestions for improvement or issues you&apos;ve faced in the text box below.  Your feedback report includes diagnostic information to assist our team in responding to you.</source>
        <translation>Am besten können wir Larkspan verbessern, indem wir auf Ihr Feedback hören. Bitte schildern Sie uns im Textfeld unten Ihre Verbesserungsvorschläge oder die Probleme, auf die Sie gestoßen sind. Ihr Feedback-Bericht enthält Diagnosedaten, die unserem Team helfen, Ihnen zu antworten.</translation>
    </message>
    <message>
        <source>Your comments:</source>
        <translation>Ihre Anmerkungen:</translation>
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
        <translation>Vorübergehender Netzwerkfehler</translation>
    </message>
    <message>
        <source>Diagnostics sent successfully - thank you.</source>
        <translation>Diagnosedaten erfolgreich gesendet – vielen Dank.</translation>
    </message>
    <message>
        <source>Invalid status returned</source>
        <translation>Ungültiger Status empfangen</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Invalid status returned</source>
        <translation>Diagnosedaten konnten nicht gesendet werden: ungültiger Status empfangen</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Unexpected status %1</source>
        <translation>Diagnosedaten konnten nicht gesendet werden: unerwarteter Status %1</translation>
    </message>
    <message>
        <source>Failed to send diagnostics: Server error</source>
        <translation>Diagnosedaten konnten nicht gesendet werden: Serverfehler</translation>
    </message>
</context>
<context>
    <name>HttpClientWorker</name>
    <message>
        <source>Compressing logs...</source>
        <translation>Protokolle werden komprimiert...</translation>
    </message>
    <message>
        <source>Sending feedback report...</source>
        <translation>Feedback-Bericht wird gesendet...</translation>
    </message>
</context>
<context>
    <name>LoginPrompt</name>
    <message>
        <source>Please Login to Larkspan</source>
        <translation>Bitte bei Larkspan anmelden</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>Larkspan</source>
        <translation>Larkspan</translation>
    </message>
    <message>
        <source>Don&apos;t see the Larkspan login screen? We&apos;ll help you launch the login screen in your default web browser.</source>
        <translation>Sie sehen die Larkspan-Anmeldeseite nicht? Wir helfen Ihnen, sie in Ihrem Standardbrowser zu öffnen.</translation>
    </message>
    <message>
        <source>Login to Larkspan</source>
        <translation>Bei Larkspan anmelden</translation>
    </message>
    <message>
        <source>Larkspan is now running</source>
        <translation>Larkspan läuft jetzt</translation>
    </message>
    <message>
        <source>Click on the Larkspan icon in system tray to &apos;Open My Console&apos; and view your activity summary.</source>
        <translation>Klicken Sie auf das Larkspan-Symbol im Infobereich und wählen Sie „Meine Konsole öffnen“, um Ihre Aktivitätsübersicht zu sehen.</translation>
    </message>
    <message>
        <source>Open My Console</source>
        <translation>Meine Konsole öffnen</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Pause for 30 minutes</source>
        <translation>30 Minuten pausieren</translation>
    </message>
    <message>
        <source>Pause for 1 hour</source>
        <translation>1 Stunde pausieren</translation>
    </message>
    <message>
        <source>Pause for 2 hours</source>
        <translation>2 Stunden pausieren</translation>
    </message>
    <message>
        <source>Pause until tomorrow</source>
        <translation>Bis morgen pausieren</translation>
    </message>
    <message>
        <source>Pause indefinitely</source>
        <translation>Unbegrenzt pausieren</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Updates suchen...</translation>
    </message>
    <message>
        <source>Send Diagnostics...</source>
        <translation>Diagnosedaten senden...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Logout &amp;&amp; Quit</source>
        <translation>Abmelden &amp;&amp; beenden</translation>
    </message>
    <message>
        <source>Quit Larkspan</source>
        <translation>Larkspan beenden</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. We&apos;ve opened a login screen for you.&lt;br&gt;&lt;br&gt;Don’t see the Larkspan login screen? Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan benötigt Ihre Anmeldedaten. Wir haben eine Anmeldeseite für Sie geöffnet.&lt;br&gt;&lt;br&gt;Sie sehen die Larkspan-Anmeldeseite nicht? Klicken Sie unten auf „Bei Larkspan anmelden“, um sich über Ihren Webbrowser anzumelden.</translation>
    </message>
    <message>
        <source>Larkspan needs your login details. Press &quot;Login to Larkspan&quot; below to login via your web browser.</source>
        <translation>Larkspan benötigt Ihre Anmeldedaten. Klicken Sie unten auf „Bei Larkspan anmelden“, um sich über Ihren Webbrowser anzumelden.</translation>
    </message>
    <message>
        <source>Logged in successfully.</source>
        <translation>Erfolgreich angemeldet.</translation>
    </message>
    <message>
        <source>Your Larkspan login has expired. Please log in again.</source>
        <translation>Ihre Larkspan-Anmeldung ist abgelaufen. Bitte melden Sie sich erneut an.</translation>
    </message>
    <message>
        <source>Last synced: </source>
        <translation>Zuletzt synchronisiert: </translation>
    </message>
    <message>
        <source>Upload disabled</source>
        <translation>Hochladen deaktiviert</translation>
    </message>
    <message>
        <source>Last synced: checking...</source>
        <translation>Zuletzt synchronisiert: wird geprüft...</translation>
    </message>
    <message>
        <source>Login address:</source>
        <translation>Anmeldeadresse:</translation>
    </message>
    <message>
        <source>No browser opened? Open this address in any browser to log in.</source>
        <translation>Kein Browser geöffnet? Öffnen Sie diese Adresse in einem beliebigen Browser, um sich anzumelden.</translation>
    </message>
</context>
<context>
    <name>OfflineWindow</name>
    <message>
        <source>Larkspan Manual Time Prompt</source>
        <translation>Larkspan – Manuelle Zeit eintragen</translation>
    </message>
    <message>
        <source>Welcome Back!</source>
        <translation>Willkommen zurück!</translation>
    </message>
    <message>
        <source>What have you been doing since 8:00 AM?</source>
        <translation>Was haben Sie seit 8:00 Uhr gemacht?</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: 00:06:20)</source>
        <translation>(Vergangene Zeit insgesamt: 00:06:20)</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Eintragen:</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>Videocall</source>
        <translation>Videoanruf</translation>
    </message>
    <message>
        <source>Phonecall</source>
        <translation>Telefonat</translation>
    </message>
    <message>
        <source>Meeting</source>
        <translation>Besprechung</translation>
    </message>
    <message>
        <source>Thinking</source>
        <translation>Nachdenken</translation>
    </message>
    <message>
        <source>Paperwork</source>
        <translation>Schreibarbeit</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Log Time</source>
        <translation>Zeit eintragen</translation>
    </message>
    <message>
        <source>Add an Activity Note to your Timeline (%1 - %2)?</source>
        <translation>Eine Aktivitätsnotiz zu Ihrer Zeitachse hinzufügen (%1 – %2)?</translation>
    </message>
    <message>
        <source>(Total Time Elapsed: %1)</source>
        <translation>(Vergangene Zeit insgesamt: %1)</translation>
    </message>
    <message numerus="yes">
        <source>hours</source>
        <comment>after the number of hours</comment>
        <translation>
            <numerusform>Stunde</numerusform>
            <numerusform>Stunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after the number of minutes</comment>
        <translation>
            <numerusform>Minute</numerusform>
            <numerusform>Minuten</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>Larkspan&apos;s built-in signing key is not valid</source>
        <translation>der eingebaute Signaturschlüssel von Larkspan ist ungültig</translation>
    </message>
    <message>
        <source>it is malformed</source>
        <translation>sie ist fehlerhaft aufgebaut</translation>
    </message>
    <message>
        <source>it cannot be checked</source>
        <translation>sie kann nicht geprüft werden</translation>
    </message>
    <message>
        <source>it does not match Larkspan&apos;s signing key</source>
        <translation>sie passt nicht zum Signaturschlüssel von Larkspan</translation>
    </message>
</context>
<context>
    <name>PrefDialog</name>
    <message>
        <source>Larkspan Preferences</source>
        <translation>Larkspan-Einstellungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Manual time</source>
        <translation>Manuelle Zeit</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Aktivieren</translation>
    </message>
    <message>
        <source>Show manual time prompt after</source>
        <translation>Abfrage für manuelle Zeit nach</translation>
    </message>
    <message>
        <source>minutes away from the computer/device</source>
        <translation>Minuten Abwesenheit vom Computer/Gerät anzeigen</translation>
    </message>
    <message>
        <source>Review console</source>
        <translation>Auswertungskonsole</translation>
    </message>
    <message>
        <source>Use default browser to open review console</source>
        <translation>Auswertungskonsole im Standardbrowser öffnen</translation>
    </message>
    <message>
        <source>Use embedded browser to open review console</source>
        <translation>Auswertungskonsole im integrierten Browser öffnen</translation>
    </message>
    <message>
        <source>Outlook</source>
        <translation>Outlook</translation>
    </message>
    <message>
        <source>Detect subject of selected email in Outlook automatically</source>
        <translation>Betreff der ausgewählten E-Mail in Outlook automatisch erkennen</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Choose language:</source>
        <translation>Sprache wählen:</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Datenschutz</translation>
    </message>
    <message>
        <source>Browser Privacy</source>
        <translation>Datenschutz im Browser</translation>
    </message>
    <message>
        <source>Allow URLs to be sent</source>
        <translation>Senden von URLs erlauben</translation>
    </message>
    <message>
        <source>Excluded App Names</source>
        <translation>Ausgeschlossene Anwendungsnamen</translation>
    </message>
    <message>
        <source>If app names contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>Enthält ein Anwendungsname eines der ausgeschlossenen Wörter, werden die zugehörigen Zeiteinträge sofort gelöscht. (Durch Zeilenumbruch oder Komma getrennt)</translation>
    </message>
    <message>
        <source>Excluded Window Titles</source>
        <translation>Ausgeschlossene Fenstertitel</translation>
    </message>
    <message>
        <source>If window titles contain any of excluded words, time logs will be deleted directly. (separated by line break or comma)</source>
        <translation>Enthält ein Fenstertitel eines der ausgeschlossenen Wörter, werden die zugehörigen Zeiteinträge sofort gelöscht. (Durch Zeilenumbruch oder Komma getrennt)</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Larkspan updates</source>
        <translation>Larkspan-Updates</translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation>Automatisch nach Updates suchen</translation>
    </message>
    <message>
        <source>Update check frequency:</source>
        <translation>Häufigkeit der Update-Suche:</translation>
    </message>
    <message>
        <source>Enable beta channel for updates</source>
        <translation>Beta-Kanal für Updates verwenden</translation>
    </message>
    <message>
        <source>Copyright © Corvane. All rights reserved.</source>
        <translation>Copyright © Corvane. Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>Hourly</source>
        <translation>Stündlich</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Wöchentlich</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Monatlich</translation>
    </message>
    <message>
        <source>Version %1 (build: %2, arch: %3)</source>
        <translation>Version %1 (Build: %2, Architektur: %3)</translation>
    </message>
</context>
<context>
    <name>QThread</name>
    <message>
        <source>Larkspan is now active.</source>
        <translation>Larkspan ist jetzt aktiv.</translation>
    </message>
</context>
<context>
    <name>TimeLogUploader</name>
    <message>
        <source>Cannot upload</source>
        <translation>Hochladen nicht möglich</translation>
    </message>
    <message>
        <source>Larkspan time sync has been delayed (server unavailable).</source>
        <translation>Die Zeitsynchronisierung von Larkspan verzögert sich (Server nicht erreichbar).</translation>
    </message>
</context>
<context>
    <name>UpdateInstaller</name>
    <message>
        <source>The package could not be saved to %1: %2</source>
        <translation>Das Paket konnte nicht unter %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>The system&apos;s installer (%1) could not be started. The verified package is saved at %2.</source>
        <translation>Das Installationsprogramm des Systems (%1) konnte nicht gestartet werden. Das geprüfte Paket liegt unter %2.</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Release notes:</source>
        <translation>Versionshinweise:</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Checking for updates...</source>
        <translation>Suche nach Updates...</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>Sie sind auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>Larkspan %1 is the newest version available.</source>
        <translation>Larkspan %1 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>Larkspan could not check for updates</source>
        <translation>Larkspan konnte nicht nach Updates suchen</translation>
    </message>
    <message>
        <source>Please try again later.</source>
        <translation>Bitte versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
    <message>
        <source>No release notes were published for this version.</source>
        <translation>Für diese Version wurden keine Versionshinweise veröffentlicht.</translation>
    </message>
    <message>
        <source>A new version of Larkspan is available!</source>
        <translation>Eine neue Version von Larkspan ist verfügbar!</translation>
    </message>
    <message>
        <source>Larkspan %1 is now available; you have %2. Would you like to install it now?</source>
        <translation>Larkspan %1 ist jetzt verfügbar, Sie haben Version %2. Möchten Sie die neue Version jetzt installieren?</translation>
    </message>
    <message>
        <source>Downloading update...</source>
        <translation>Update wird heruntergeladen...</translation>
    </message>
    <message>
        <source>Larkspan %1 is being downloaded. It is checked before anything is installed.</source>
        <translation>Larkspan %1 wird heruntergeladen. Das Paket wird vor der Installation geprüft.</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>The update was refused</source>
        <translation>Das Update wurde abgelehnt</translation>
    </message>
    <message>
        <source>The downloaded update failed its safety check and was deleted. Nothing was installed.</source>
        <translation>Das heruntergeladene Update hat die Sicherheitsprüfung nicht bestanden und wurde gelöscht. Es wurde nichts installiert.</translation>
    </message>
    <message>
        <source>Ready to install</source>
        <translation>Bereit zur Installation</translation>
    </message>
    <message>
        <source>The update was downloaded, verified and handed to your system&apos;s software installer. Follow its steps to finish; Larkspan uses the new version from its next start.</source>
        <translation>Das Update wurde heruntergeladen, geprüft und an die Softwareinstallation Ihres Systems übergeben. Folgen Sie deren Schritten, um die Installation abzuschließen; Larkspan verwendet die neue Version ab dem nächsten Start.</translation>
    </message>
    <message>
        <source>The update could not be installed</source>
        <translation>Das Update konnte nicht installiert werden</translation>
    </message>
</context>
</TS>
