#pragma once

#include <QLabel>

class QLayout;

// The line that tells why a plugged-in wheel can not be used, above the disconnected
// state's buttons; made in code so that the window's form stays as it is.
class AccessProblemLine : public QLabel
{
public:
    AccessProblemLine(const QString &accessibleName, QWidget *parent);
    // Empty hides it. The window takes its minimum size, which knows nothing of wrapping: the
    // line gets the height it needs at the width the rest of `layout` sets.
    void showText(const QString &text, QLayout *layout);
};
