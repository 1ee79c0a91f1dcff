#include "access_problem_line.h"

#include <QLayout>

AccessProblemLine::AccessProblemLine(const QString &accessibleName, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("access_problem"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAccessibleName(accessibleName);
}

void AccessProblemLine::showText(const QString &text, QLayout *layout)
{
    setText(text);
    setAccessibleDescription(text);
    setVisible(!text.isEmpty());
    const QMargins margins = layout->contentsMargins();
    setMinimumHeight(0);
    const int width = layout->minimumSize().width() - margins.left() - margins.right();
    setMinimumHeight(text.isEmpty() ? 0 : heightForWidth(width));
}
