#pragma once

#include "BalloonNotice.h"

#include <QWidget>

// The balloon itself: icon, bold title and the message, on the tooltip colours, in the
// corner of the screen nearest to the notice's anchor. A click anywhere on it takes it away.
class BalloonTip : public QWidget
{
    Q_OBJECT
public:
    explicit BalloonTip(const BalloonNotice& notice);

    // Shows it whole on the free area of the screen holding the anchor.
    void showAtAnchor();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPoint _anchor;
};
