#include "WindowPlacement.h"

#include <QRect>
#include <QSize>
#include <QtTest>

// Where the tray menu opens, for the panels people put their tray in. A menu placed as if
// every tray sat at the bottom right opens above a top panel, off the screen.
class TestWindowPlacement : public QObject
{
    Q_OBJECT
private slots:
    void trayMenuStaysOnScreen_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QSize>("menu");
        QTest::addColumn<QPoint>("expected");
        const QSize menu(260, 392);
        const QPoint nowhere(800, 500);
        // The menu's bottom-right corner at the icon's centre (1581, 987), where there is room.
        QTest::newRow("panel at the bottom right") << QRect(1570, 976, 24, 24) << nowhere << menu << QPoint(1321, 595);
        // No room above: the menu hangs below the icon.
        QTest::newRow("panel at the top right") << QRect(1570, 0, 24, 24) << nowhere << menu << QPoint(1321, 24);
        // No room above or to the left: below and to the right of the icon.
        QTest::newRow("panel at the top left") << QRect(0, 0, 24, 24) << nowhere << menu << QPoint(24, 24);
        // A status notifier host reports no icon geometry: the menu opens at the pointer,
        // flipped to above and left of it in the screen's corner.
        QTest::newRow("no icon, pointer in the middle") << QRect() << QPoint(300, 200) << menu << QPoint(300, 200);
        QTest::newRow("no icon, pointer in the corner") << QRect() << QPoint(1595, 995) << menu << QPoint(1335, 603);
        // A menu taller than the screen starts at its top rather than above it.
        QTest::newRow("menu taller than the screen")
            << QRect(1570, 976, 24, 24) << nowhere << QSize(260, 1200) << QPoint(1321, 0);
    }

    void trayMenuStaysOnScreen()
    {
        QFETCH(QRect, icon);
        QFETCH(QPoint, pointer);
        QFETCH(QSize, menu);
        QFETCH(QPoint, expected);
        const QRect area(0, 0, 1600, 1000);
        const QPoint topLeft = WindowPlacement::trayMenuTopLeft(menu, icon, pointer, area);
        QCOMPARE(topLeft, expected);
        if (menu.height() <= area.height())
            QVERIFY(area.contains(QRect(topLeft, menu)));
    }

    // The console (1280x650 with its frame) on a netbook: the whole frame, title bar and
    // buttons included, on the free area below a 24-pixel panel.
    void windowsFitTheFreeArea()
    {
        const QRect netbook(0, 24, 1024, 576);
        const QMargins frame(4, 32, 4, 4);
        const QSize room = WindowPlacement::roomOnArea(netbook, frame);
        QCOMPARE(room, QSize(1016, 540));
        const QSize console = QSize(1280, 650).boundedTo(room);
        const QRect placed = WindowPlacement::frameOnArea(console.grownBy(frame), netbook);
        QCOMPARE(placed, netbook);
        // A small window stays its size, in the middle.
        QCOMPARE(WindowPlacement::frameOnArea(QSize(400, 180), netbook), QRect(312, 222, 400, 180));
    }

    // Without a notification service the tray draws the balloon itself, pointing at the
    // icon; an icon the tray has not taken in yet sits in the screen's top-left corner.
    void balloonGoesToTheTray()
    {
        QVERIFY(!WindowPlacement::isIconPlaced(QRect(0, 0, 22, 22)));
        QVERIFY(!WindowPlacement::isIconPlaced(QRect()));
        QVERIFY(WindowPlacement::isIconPlaced(QRect(1576, 1, 22, 22)));

        const QRect screen(0, 0, 1600, 1000);
        const QSize balloon(300, 90);
        // A panel along the top: the balloon under its right end.
        const QPoint top = WindowPlacement::trayEdgeCorner(screen, QRect(0, 24, 1600, 976));
        QCOMPARE(WindowPlacement::balloonTopLeft(balloon, top, QRect(0, 24, 1600, 976)), QPoint(1300, 24));
        // A panel along the bottom, or none that takes room: the bottom-right corner.
        const QRect aboveBottomPanel(0, 0, 1600, 970);
        const QPoint bottom = WindowPlacement::trayEdgeCorner(screen, aboveBottomPanel);
        QCOMPARE(WindowPlacement::balloonTopLeft(balloon, bottom, aboveBottomPanel), QPoint(1300, 880));
        QCOMPARE(WindowPlacement::trayEdgeCorner(screen, screen), screen.bottomRight());
        // A panel on the left: its bottom end.
        const QRect besideLeftPanel(48, 0, 1552, 1000);
        const QPoint left = WindowPlacement::trayEdgeCorner(screen, besideLeftPanel);
        QCOMPARE(WindowPlacement::balloonTopLeft(balloon, left, besideLeftPanel), QPoint(48, 910));

        // A placed icon: the balloon hangs off the icon's inner side, clear of it and of
        // the panel, with its edge in line with the icon's outer edge.
        const QRect topPanelIcon(1570, 1, 22, 22);
        const QPoint underIcon = WindowPlacement::balloonAnchor(topPanelIcon, QRect(0, 24, 1600, 976));
        QCOMPARE(WindowPlacement::balloonTopLeft(balloon, underIcon, QRect(0, 24, 1600, 976)), QPoint(1292, 24));
        const QRect bottomLeftIcon(4, 975, 22, 22);
        const QPoint aboveIcon = WindowPlacement::balloonAnchor(bottomLeftIcon, aboveBottomPanel);
        QCOMPARE(WindowPlacement::balloonTopLeft(balloon, aboveIcon, aboveBottomPanel), QPoint(4, 880));
    }
};

QTEST_APPLESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
