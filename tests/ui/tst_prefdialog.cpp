#include "AppSignals.h"
#include "AppUtils.h"
#include "AutoUpdater.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "Translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTabWidget>
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

template <typename T> T* child(QWidget& window, const char* name)
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
        QTest::newRow("separators") << QStringLiteral("alpha, beta\n\n  gamma ,  ")
                                    << QStringList {"alpha", "beta", "gamma"};
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
        // A fresh profile checks for updates at start, and the box says so.
        auto* automatic = child<QCheckBox>(dialog, "checkBoxUpdate");
        QVERIFY(automatic->isChecked());
        QVERIFY(box->isEnabled());
        automatic->click();
        QVERIFY(!box->isEnabled());
        QCOMPARE(stored(Keys::updateEnabled), QVariant(false));
        automatic->click();
        QVERIFY(box->isEnabled());
        box->setCurrentIndex(box->findText(QStringLiteral("Monthly")));
        QCOMPARE(stored(Keys::updateInterval).toInt(), 2629800);
        QCOMPARE(updater.intervals, QList<int> {2629800});

        auto* beta = child<QCheckBox>(dialog, "checkBoxBetaChannel");
        beta->click();
        beta->click();
        const bool is64 = AppUtils::isCompiledWith64bit();
        QCOMPARE(updater.urls,
                 (QStringList {AppConstants::appcastUrl(true, is64), AppConstants::appcastUrl(false, is64)}));
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

    // The two Chinese entries differ, and every entry reads in Latin letters too, for a
    // system without a font for Korean and Chinese; a stored choice selects its own entry.
    void languagesCanBeToldApart()
    {
        QSettings().setValue(Keys::language, QStringLiteral("zh_TW"));
        PrefDialog dialog(nullptr, nullptr);
        auto* languages = child<QComboBox>(dialog, "comboLanguage");
        QStringList latin;
        for (int i = 0; i < languages->count(); ++i) {
            QString text;
            for (const QChar c : languages->itemText(i)) {
                if (c.script() == QChar::Script_Latin || c.isSpace())
                    text += c;
            }
            latin << text.simplified();
        }
        QCOMPARE(latin,
                 (QStringList {"American English", "Deutsch German", "Korean", "Chinese China", "Chinese Taiwan"}));
        QVERIFY(languages->itemText(3).startsWith(QLocale(QStringLiteral("zh_CN")).nativeLanguageName()));
        QCOMPARE(languages->currentData().toString(), QStringLiteral("zh_TW"));
        // A stored locale without an entry of its own takes its language's.
        QSettings().setValue(Keys::language, QStringLiteral("zh_HK"));
        QCOMPARE(child<QComboBox>(*std::make_unique<PrefDialog>(nullptr, nullptr), "comboLanguage")
                     ->currentData()
                     .toString(),
                 QStringLiteral("zh_TW"));
    }

    // Switched to German while open, the boxes widen for their longer texts; the form's
    // 550x518 is where the dialog starts, not a size it cannot go below.
    void sizesFollowTheTexts()
    {
        PrefDialog dialog(nullptr, nullptr);
        QCOMPARE(dialog.size(), QSize(550, 518));
        {
            // With small type the content needs less room, and the user may take it back.
            PrefDialog small(nullptr, nullptr);
            QFont font = small.font();
            font.setPointSize(6);
            small.setFont(font);
            small.show();
            const QSize content = small.minimumSizeHint();
            QVERIFY2(content.width() < 550 && content.height() < 518,
                     qPrintable(QStringLiteral("%1x%2").arg(content.width()).arg(content.height())));
            small.resize(content);
            QVERIFY(small.width() < 550 && small.height() < 518);
        }
        dialog.show();
        child<QTabWidget>(dialog, "tabWidget")->setCurrentIndex(2);
        QCoreApplication::processEvents();

        QTranslator german;
        QVERIFY(Translations::load(german, QLocale(QStringLiteral("de_DE"))));
        qApp->installTranslator(&german);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (const char* name : {"comboBoxUpdate", "comboLanguage"}) {
            auto* box = child<QComboBox>(dialog, name);
            QStyleOptionComboBox option;
            option.initFrom(box);
            for (int i = 0; i < box->count(); ++i) {
                const QSize text(box->fontMetrics().horizontalAdvance(box->itemText(i)), box->fontMetrics().height());
                // A few pixels of the frame's padding may go (the toolkit's own measure of a
                // text set in a fallback font comes out a little short).
                const int needed = box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, box).width() - 4;
                QVERIFY2(box->width() >= needed,
                         qPrintable(QStringLiteral("%1 \"%2\": %3 for %4")
                                        .arg(QLatin1String(name), box->itemText(i))
                                        .arg(box->width())
                                        .arg(needed)));
            }
        }
        QVERIFY(child<QComboBox>(dialog, "comboBoxUpdate")->itemText(0) != QLatin1String("Hourly"));
        qApp->removeTranslator(&german);
    }
};

LARKSPAN_TEST_MAIN(TestPrefDialog, QApplication)
#include "tst_prefdialog.moc"
