#include "AppSignals.h"
#include "AppUtils.h"
#include "AutoUpdater.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "TestHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTextEdit>
#include <QTranslator>
#include <QtTest>

namespace {

class RecordingUpdater : public AutoUpdater
{
public:
    void checkForUpdatesWithUI() override {}
    void checkForUpdatesInBackground() override {}
    void setUpdateCheckInterval(int seconds) override { intervals << seconds; }
    void setUpdateUrl(const QString& appcastUrl) override { urls << appcastUrl; }

    QList<int> intervals;
    QStringList urls;
};

// Stands in for a real translation: every text comes back in capitals.
class ShoutingTranslator : public QTranslator
{
public:
    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return QString::fromUtf8(sourceText).toUpper();
    }
    bool isEmpty() const override { return false; }
};

template <typename T>
T* child(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QVariant stored(QLatin1String key)
{
    return QSettings().value(key);
}

QStringList itemTexts(QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestPrefDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppSignals::init(qApp); }
    void init() { QSettings().clear(); }

    void exclusionListSplitting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("comma, line breaks, trailing comma")
            << QStringLiteral("alpha, beta\n\n  gamma ,  ") << QStringList {"alpha", "beta", "gamma"};
        QTest::newRow("inner and outer blanks kept")
            << QStringLiteral("  two words ,x  ") << QStringList {"  two words", "x  "};
        QTest::newRow("empty entries dropped") << QStringLiteral(",a,,\n,b\n") << QStringList {"a", "b"};
        QTest::newRow("nothing") << QString() << QStringList();
    }

    void exclusionListSplitting()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QCOMPARE(PrefDialog::splitExclusionList(text), entries);
    }

    void typedAndPastedExclusionListsAreKept()
    {
        {
            PrefDialog dialog(nullptr, nullptr);
            dialog.show();
            auto* apps = child<QTextEdit>(dialog, "txtAppNames");
            apps->setFocus();
            QTest::keyClicks(apps, QStringLiteral("chat, mail"));
            QTest::keyClick(apps, Qt::Key_Return);
            QTest::keyClick(apps, Qt::Key_Return);
            QTest::keyClicks(apps, QStringLiteral("  game ,  "));
            QCOMPARE(stored(Keys::excludedAppNames).toStringList(), (QStringList {"chat", "mail", "game"}));

            // Pasted with the mouse: no key or click reaches the dialog before it is closed.
            child<QTextEdit>(dialog, "txtWinTitles")->setPlainText(QStringLiteral("Payroll\nDiary"));
            dialog.close();
            QVERIFY(dialog.isHidden());
            QCOMPARE(stored(Keys::excludedWinTitles).toStringList(), (QStringList {"Payroll", "Diary"}));
        }
        PrefDialog again(nullptr, nullptr);
        QCOMPARE(child<QTextEdit>(again, "txtAppNames")->toPlainText(), QStringLiteral("chat, mail, game"));
        QCOMPARE(child<QTextEdit>(again, "txtWinTitles")->toPlainText(), QStringLiteral("Payroll, Diary"));
    }

    void chosenFrequencyReachesSettingsAndUpdater()
    {
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        auto* box = child<QComboBox>(dialog, "comboBoxUpdate");
        QVERIFY(!box->isEnabled());
        child<QCheckBox>(dialog, "checkBoxUpdate")->click();
        QVERIFY(box->isEnabled());
        QCOMPARE(stored(Keys::updateEnabled), QVariant(true));

        box->setCurrentIndex(box->findText(QStringLiteral("Monthly")));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 2629800);
        QCOMPARE(updater.intervals, QList<int> {2629800});
    }

    void unknownStoredFrequencyShowsHourlyAndStays()
    {
        QSettings().setValue(Keys::updateInterval, 7200);
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        QCOMPARE(child<QComboBox>(dialog, "comboBoxUpdate")->currentText(), QStringLiteral("Hourly"));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 7200);
        QVERIFY(updater.intervals.isEmpty());
    }

    void languageSwitchRetranslatesWithoutWriting()
    {
        QSettings().setValue(Keys::updateInterval, 7200);
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        auto* box = child<QComboBox>(dialog, "comboBoxUpdate");

        ShoutingTranslator shouting;
        qApp->installTranslator(&shouting); // posts the language change to every window
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(itemTexts(box), (QStringList {"HOURLY", "DAILY", "WEEKLY", "MONTHLY"}));
        QCOMPARE(box->currentText(), QStringLiteral("HOURLY"));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 7200);
        QVERIFY(updater.intervals.isEmpty());
        // The version is code-made text; it must survive the form's retranslation.
        QVERIFY2(child<QLabel>(dialog, "labelVersion")->text().startsWith(QLatin1String("VERSION 2.8 (BUILD: ")),
                 qPrintable(child<QLabel>(dialog, "labelVersion")->text()));

        // A translated choice still stores the untranslated frequency.
        box->setCurrentIndex(box->findText(QStringLiteral("WEEKLY")));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 604800);
        qApp->removeTranslator(&shouting);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    }

    void betaChannelPicksTheAppcast()
    {
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        auto* beta = child<QCheckBox>(dialog, "checkBoxBetaChannel");
        beta->click();
        beta->click();
        const bool is64 = AppUtils::isCompiledWith64bit();
        QCOMPARE(updater.urls, (QStringList {AppConstants::appcastUrl(true, is64), AppConstants::appcastUrl(false, is64)}));
        QVERIFY(updater.urls.first().endsWith(is64 ? QLatin1String("/beta/appcast-windows-x64.xml")
                                                   : QLatin1String("/beta/appcast-windows-x86.xml")));
        QCOMPARE(stored(Keys::updateBetaChannel), QVariant(false));
    }

    void languageListAndChoice()
    {
        QSettings().setValue(Keys::language, QStringLiteral("ko_KR"));
        PrefDialog dialog(nullptr, nullptr);
        auto* languages = child<QComboBox>(dialog, "comboLanguage");
        QCOMPARE(languages->count(), 5);
        QCOMPARE(languages->currentData().toString(), QStringLiteral("ko_KR"));
        QCOMPARE(languages->itemText(1), QStringLiteral("Deutsch"));
        QCOMPARE(languages->itemData(4).toString(), QStringLiteral("zh_TW"));

        QSignalSpy changed(AppSignals::instance(), &AppSignals::languageChanged);
        languages->setCurrentIndex(1);
        QCOMPARE(stored(Keys::language).toString(), QStringLiteral("de_DE"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), QStringLiteral("de_DE"));
    }

    void versionShowsTheBuildNumberAndEscapeKeepsTheDialog()
    {
        PrefDialog dialog(nullptr, nullptr);
        const QString build = AppUtils::readFileToString(QStringLiteral(":/build_number")).trimmed();
        QVERIFY2(!build.isEmpty(), "the program's resources are not linked");
        QCOMPARE(child<QLabel>(dialog, "labelVersion")->text(),
                 QStringLiteral("Version 2.8 (build: %1, arch: %2)").arg(build, QSysInfo::buildCpuArchitecture()));

        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
    }
};

LARKSPAN_TEST_MAIN(TestPrefDialog, QApplication)
#include "tst_prefdialog.moc"
