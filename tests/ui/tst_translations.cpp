#include "AppSignals.h"
#include "FeedbackDialog.h"
#include "GraphicsSetup.h"
#include "LoginPrompt.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "Translations.h"
#include "UpdateWindow.h"
#include "XvfbSession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
    QString translation; // plural forms joined by "|"
    QString type; // "unfinished", "vanished", "obsolete" or empty
    QStringList forms; // the plural forms of a text with a number
};

QVector<Message> readCatalogue(const QString& path)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    bool numerus = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            message = Message {context, {}, {}, {}, {}, {}};
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (xml.name() == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("comment")) {
            message.comment = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            if (!numerus)
                message.translation = xml.readElementText();
            messages.append(message);
        } else if (xml.name() == QLatin1String("numerusform")) {
            messages.last().forms << xml.readElementText();
            messages.last().translation = messages.last().forms.join(QLatin1Char('|'));
        }
    }
    return messages;
}

QString cataloguePath(const QString& locale)
{
    return qEnvironmentVariable("LARKSPAN_SOURCE_DIR")
        + QStringLiteral("/app/resources/translations/larkspan_%1.ts").arg(locale);
}

// What must come through translation unchanged: placeholders, markup, the product's name,
// and the number of menu mnemonics (a lone "&" would swallow the letter after it).
QStringList keptParts(const QString& text)
{
    QStringList parts;
    static const QRegularExpression kept(QStringLiteral("%\\d|<[^>]+>|Larkspan|&&|&"));
    for (auto it = kept.globalMatch(text); it.hasNext();) {
        const QString part = it.next().captured();
        if (part != QLatin1String("&&"))
            parts << part;
    }
    parts.sort();
    return parts;
}

const QStringList kLocales {QStringLiteral("de"), QStringLiteral("ko"), QStringLiteral("zh_CN"),
                            QStringLiteral("zh_TW")};

// Texts that do not fit where they are shown: a label or button smaller than its text, or
// lying partly outside its window. Buttons draw a few pixels of padding around their text,
// which their layout may take (the toolkit measures a Chinese text once before its font is
// found, a little short).
QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    const QRect inside = window->rect();
    const auto check = [&](QWidget* widget, const QString& text, const QSize& needed) {
        if (!widget->isVisible() || text.isEmpty())
            return;
        const QRect place(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (widget->width() < needed.width() || widget->height() < needed.height() || !inside.contains(place))
            clipped << QStringLiteral("%1 \"%2\": %3x%4 for %5x%6")
                           .arg(widget->objectName(), text.left(40))
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(needed.width())
                           .arg(needed.height());
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const QSize needed =
            label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->minimumSizeHint();
        check(label, label->text(), needed);
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        check(button, button->text(), button->minimumSizeHint() - QSize(4, 4));
    return clipped;
}

} // namespace

// Stands in for the browser the login window would open.
class BrowserStandIn : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl&) {}
};

// What a translator or a developer adding a text can break: texts left untranslated or
// missing from the catalogues, placeholders and markup lost in translation, a catalogue the
// program does not find for its locale, and translations too long for their windows.
class TestTranslations : public QObject
{
    Q_OBJECT
    BrowserStandIn browser;

private slots:
    void initTestCase()
    {
        AppSignals::init(qApp);
        // A long service address, as a deployment may have.
        qputenv("LARKSPAN_SERVER_URL", "https://time-tracking.larkspan-service.example.com");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    }

    void cataloguesAreCompleteAndCurrent()
    {
        // The texts in the code today, gathered as scripts/lupdate.sh does.
        QTemporaryDir dir;
        const QString source = qEnvironmentVariable("LARKSPAN_SOURCE_DIR");
        const QString current = dir.filePath(QStringLiteral("current.ts"));
        QCOMPARE(QProcess::execute(QStringLiteral(LARKSPAN_LUPDATE),
                                   {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                                    QStringLiteral("-extensions"), QStringLiteral("cpp,h,ui"),
                                    source + QStringLiteral("/app"), source + QStringLiteral("/libs/brindle"),
                                    QStringLiteral("-ts"), current}),
                 0);
        QSet<QString> inCode;
        for (const Message& m : readCatalogue(current))
            inCode << m.context + QLatin1Char('|') + m.source;
        QVERIFY(inCode.size() > 100);

        for (const QString& locale : kLocales) {
            QStringList faults;
            QSet<QString> inCatalogue;
            for (const Message& m : readCatalogue(cataloguePath(locale))) {
                const QString key = m.context + QLatin1Char('|') + m.source;
                inCatalogue << key;
                if (!m.type.isEmpty() || m.translation.isEmpty())
                    faults << QStringLiteral("%1 (%2)").arg(key, m.type.isEmpty() ? QStringLiteral("empty") : m.type);
                else if (keptParts(m.source) != keptParts(m.translation))
                    faults << QStringLiteral("%1: %2 became %3")
                                  .arg(key, keptParts(m.source).join(QLatin1Char(' ')),
                                       keptParts(m.translation).join(QLatin1Char(' ')));
            }
            for (const QString& key : inCode - inCatalogue)
                faults << key + QStringLiteral(" (missing: run scripts/lupdate.sh and translate it)");
            QVERIFY2(faults.isEmpty(), qPrintable(locale + QStringLiteral(":\n") + faults.join(QLatin1Char('\n'))));
        }
    }

    void eachLocaleFindsItsOwnCatalogue_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("catalogue");
        // As the preferences store them, and as a system locale may name them.
        for (const QString& locale : {QStringLiteral("de_DE"), QStringLiteral("de_AT"), QStringLiteral("ko_KR")})
            QTest::newRow(qPrintable(locale)) << locale << locale.left(2);
        QTest::newRow("en_GB") << "en_GB"
                               << "en";
        QTest::newRow("zh_CN") << "zh_CN"
                               << "zh_CN";
        QTest::newRow("zh_SG") << "zh_SG"
                               << "zh_CN";
        QTest::newRow("zh_TW") << "zh_TW"
                               << "zh_TW";
        QTest::newRow("zh_HK") << "zh_HK"
                               << "zh_TW";
    }

    void eachLocaleFindsItsOwnCatalogue()
    {
        QFETCH(QString, locale);
        QFETCH(QString, catalogue);
        QTranslator translator;
        QVERIFY2(Translations::load(translator, QLocale(locale)), "no compiled catalogue found");
        QStringList wrong;
        for (const Message& m : readCatalogue(cataloguePath(catalogue))) {
            const QByteArray context = m.context.toUtf8();
            const QByteArray source = m.source.toUtf8();
            const QByteArray comment = m.comment.toUtf8();
            // A text with a number: one, then many (Korean and Chinese have one form).
            const QString got = m.forms.isEmpty()
                ? translator.translate(context.constData(), source.constData(), comment.constData())
                : QStringList {translator.translate(context.constData(), source.constData(), comment.constData(), 1),
                               translator.translate(context.constData(), source.constData(), comment.constData(), 5)}
                      .mid(0, m.forms.size())
                      .join(QLatin1Char('|'));
            if (got != m.translation)
                wrong << m.context + QLatin1Char('|') + m.source + QStringLiteral(" -> ") + got;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void windowsHoldTheirTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("en") << "en";
        for (const QString& locale : kLocales)
            QTest::newRow(qPrintable(locale)) << locale;
    }

    void windowsHoldTheirTexts()
    {
        QFETCH(QString, locale);
        QSettings().setValue(Keys::language, locale);
        QStringList clipped;
        const auto collect = [&clipped](QWidget* window, const QString& state) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
            for (const QString& text : clippedTexts(window))
                clipped << window->objectName() + QLatin1Char('/') + state + QStringLiteral(": ") + text;
        };
        {
            // The tray controller installs the language for the windows built after it.
            LoginPrompt prompt(nullptr, nullptr);
            prompt.showLoginWindow(true);
            collect(&prompt, QStringLiteral("page opened"));
            prompt.showLoginWindow(false);
            collect(&prompt, QStringLiteral("asked again"));

            const QDateTime end = QDateTime::currentDateTime();
            OfflineWindow manualTime(end.addSecs(-(2 * 3600 + 7 * 60)), end);
            manualTime.askForComment();
            collect(&manualTime, QStringLiteral("two hours away"));

            PrefDialog preferences(nullptr, nullptr);
            preferences.adjustSize();
            preferences.show();
            auto* tabs = preferences.findChild<QTabWidget*>();
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                collect(&preferences, tabs->tabText(i));
            }

            FeedbackDialog diagnostics;
            diagnostics.showDialog();
            collect(&diagnostics, QStringLiteral("opened"));
            diagnostics.onFeedbackError(
                QCoreApplication::translate("HttpClient", "Failed to send diagnostics: Unexpected status %1").arg(503));
            collect(&diagnostics, QStringLiteral("failed"));
            // A network failure arrives as the toolkit's own text, with the address in it.
            diagnostics.onFeedbackError(
                QStringLiteral("Error transferring https://time-tracking.larkspan-service.example.com/v2/feedback"
                               " - server replied: Bad Gateway"));
            collect(&diagnostics, QStringLiteral("network failure"));

            UpdateWindow update;
            update.showAvailable(QStringLiteral("2.10.1"), QStringLiteral("2.8"), QStringLiteral("Fixes."));
            update.present();
            collect(&update, QStringLiteral("available"));
            update.showHandedOver();
            collect(&update, QStringLiteral("handed over"));
        }
        QSettings().remove(Keys::language);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

// On a real X server, with the fonts and metrics the program has on a desktop.
int main(int argc, char* argv[])
{
    TestHome home;
    XvfbSession xvfb;
    if (!xvfb.isRunning()) {
        qWarning("SKIP: no X server: %s", qPrintable(xvfb.errorString()));
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    GraphicsSetup::configureBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    TestTranslations tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_translations.moc"
