#include "WindowTitleText.h"

#include <QTextBoundaryFinder>

QString WindowTitleText::bounded(const QString& title)
{
    if (title.size() <= maxLength)
        return title;
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, title);
    boundaries.setPosition(maxLength);
    int length = boundaries.isAtBoundary() ? maxLength : boundaries.toPreviousBoundary();
    if (length <= 0) // one cluster longer than the limit: at least keep pairs whole
        length = title.at(maxLength - 1).isHighSurrogate() ? maxLength - 1 : maxLength;
    return title.left(length);
}
