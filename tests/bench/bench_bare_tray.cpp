// The smallest tray program the toolkit allows: an icon with a menu of two entries, nothing
// else. bench_program_footprint runs it beside Larkspan as the yardstick for its footprint.

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(QColor(40, 120, 80));
    QMenu menu;
    menu.addAction(QStringLiteral("Status"))->setEnabled(false);
    QObject::connect(menu.addAction(QStringLiteral("Quit")), &QAction::triggered, &app, &QApplication::quit);
    QSystemTrayIcon icon {QIcon(pixmap)};
    icon.setToolTip(QStringLiteral("Bare tray"));
    icon.setContextMenu(&menu);
    icon.show();
    return app.exec();
}
