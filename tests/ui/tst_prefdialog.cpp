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
    return window.findChild<T*>(QLatin1String(name));
}

QVariant stored(QLatin1String key)
{
    return QSettings().value(key);
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
        QTest::newRow("separators") << QStringLiteral("alpha, beta\n\n  gamma ,  ") << QStringList {"alpha", "beta", "gamma"};
        QTest::newRow("blanks kept") << QStringLiteral("  two words ,x  ") << QStringList {"  two words", "x  "};
        QTest::newRow("empty entries") << QStringLiteral(",a,,\n,b\n") << QStringList {"a", "b"};
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
            QTest::keyClicks(apps, QStringLiteral("  game ,  "));
            QCOMPARE(stored(Keys::excludedAppNames).toStringList(), (QStringList {"chat", "mail", "game"}));
            // Escape reaches the dialog's filter and does not close it.
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(dialog.isVisible());

            // Pasted with the mouse: no key or click reaches the dialog before it is closed.
            child<QTextEdit>(dialog, "txtWinTitles")->setPlainText(QStringLiteral("Payroll\nDiary"));
            dialog.close();
            QCOMPARE(stored(Keys::excludedWinTitles).toStringList(), (QStringList {"Payroll", "Diary"}));
        }
        PrefDialog again(nullptr, nullptr);
        QCOMPARE(child<QTextEdit>(again, "txtAppNames")->toPlainText(), QStringLiteral("chat, mail, game"));
    }

    void frequencyAndChannelReachSettingsAndUpdater()
    {
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        auto* box = child<QComboBox>(dialog, "comboBoxUpdate");
        QVERIFY(!box->isEnabled());
        child<QCheckBox>(dialog, "checkBoxUpdate")->click();
        QVERIFY(box->isEnabled());
        box->setCurrentIndex(box->findText(QStringLiteral("Monthly")));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 2629800);
        QCOMPARE(updater.intervals, QList<int> {2629800});

        auto* beta = child<QCheckBox>(dialog, "checkBoxBetaChannel");
        beta->click();
        beta->click();
        const bool is64 = AppUtils::isCompiledWith64bit();
        QCOMPARE(updater.urls, (QStringList {AppConstants::appcastUrl(true, is64), AppConstants::appcastUrl(false, is64)}));
        QVERIFY(updater.urls.first().contains(QLatin1String("/beta/appcast-linux-x")));
        QCOMPARE(stored(Keys::updateBetaChannel), QVariant(false));
    }

    void languageSwitchRetranslatesWithoutWriting()
    {
        QSettings().setValue(Keys::updateInterval, 7200);
        RecordingUpdater updater;
        PrefDialog dialog(nullptr, &updater);
        auto* box = child<QComboBox>(dialog, "comboBoxUpdate");
        auto* version = child<QLabel>(dialog, "labelVersion");
        // An interval not on the list shows "Hourly" and is kept.
        QCOMPARE(box->currentText(), QStringLiteral("Hourly"));
        const QString build = AppUtils::readFileToString(QStringLiteral(":/build_number")).trimmed();
        QVERIFY2(!build.isEmpty(), "the program's resources are not linked");
        QVERIFY(version->text().startsWith(QStringLiteral("Version 2.8 (build: %1, arch: ").arg(build)));

        QSignalSpy changed(AppSignals::instance(), &AppSignals::languageChanged);
        child<QComboBox>(dialog, "comboLanguage")->setCurrentIndex(1);
        QCOMPARE(stored(Keys::language).toString(), QStringLiteral("de_DE"));
        QCOMPARE(changed.count(), 1);

        ShoutingTranslator shouting;
        qApp->installTranslator(&shouting); // posts the language change to every window
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->currentText(), QStringLiteral("HOURLY"));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 7200);
        QVERIFY(updater.intervals.isEmpty());
        QVERIFY(version->text().startsWith(QLatin1String("VERSION 2.8")));
        // A translated choice still stores the untranslated frequency.
        box->setCurrentIndex(box->findText(QStringLiteral("WEEKLY")));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 604800);
        qApp->removeTranslator(&shouting);
    }
};

LARKSPAN_TEST_MAIN(TestPrefDialog, QApplication)
#include "tst_prefdialog.moc"
