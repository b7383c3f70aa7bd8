#pragma once

#include <QString>
#include <QTemporaryDir>

// Points HOME and the XDG folders at a fresh temporary folder for the whole test process,
// so no test touches a real user's settings and tests can run in parallel. Must run
// before the first QSettings or QStandardPaths use (QSettings caches its paths).
class TestHome
{
public:
    TestHome();
    QString path() const { return _dir.path(); }
    QString configHome() const;
    QString dataHome() const;

private:
    QTemporaryDir _dir;
};

// Like QTEST_MAIN / QTEST_GUILESS_MAIN, with a private HOME set up first and the
// program's organisation and application names, so settings and data land where the
// program keeps them.
#define LARKSPAN_TEST_MAIN(TestObject, AppClass)                  \
    int main(int argc, char* argv[])                              \
    {                                                             \
        TestHome home;                                            \
        AppClass app(argc, argv);                                 \
        app.setAttribute(Qt::AA_Use96Dpi, true);                  \
        AppClass::setOrganizationName(QStringLiteral("Corvane")); \
        AppClass::setApplicationName(QStringLiteral("Larkspan")); \
        TestObject tc;                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                \
        return QTest::qExec(&tc, argc, argv);                     \
    }
