#pragma once

// What assistive technology and a keyboard user meet in a window: the interactive
// controls with the names they are announced by, and the order in which Tab visits them.
// Shared by the two programs' accessibility tests.

#include <QAccessible>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

struct AccessibleControl {
    QString id; // object name; "<tab widget> tab <n>" for a tab
    QAccessible::Role role;
    QString name;    // what a screen reader announces it by (never a combo's value)
    QWidget *widget; // the control, or the tab bar that holds the tab
    bool shown;      // on screen now, not on a hidden page or tab
    bool part;       // part of another control (the line edit of an editable combo box)
    bool reported = true; // what assistive technology is told: on screen (not invisible)
};

// Every button, check box, combo box, spin box, slider, line edit and tab in the window
// that assistive technology meets, hidden ones included, but not those of popups.
std::vector<AccessibleControl> accessibleControls(QWidget *window);

// Each label with text that does not name a control as its buddy, but for `notCaptions`
// (object names of labels that are texts of their own, or head a whole row or column).
QStringList untiedCaptions(QWidget *window, const QStringList &notCaptions);

// "name: id, id" for each name that more than one shown control carries (case ignored);
// a part may repeat the name of its control.
QStringList sharedNames(const std::vector<AccessibleControl> &controls);

// Gives `start` the focus and presses Tab until the focus comes back to it (or something
// goes wrong): the controls in the order the keyboard visits them.
QList<QWidget *> tabChain(QWidget *start);

// The reading-order violations of `chain`, and a line naming the tab stops of `window` that
// it misses; empty when Tab visits every stop in reading order.
QStringList tabOrderFaults(QWidget *window, const QList<QWidget *> &chain);

// Each fault a screen reader user would meet in `window`'s names: a control without a name,
// a name that two shown controls share, a caption not tied to its control (but for
// `standAlone`), a group announced by another title.
QStringList nameFaults(QWidget *window, const QStringList &standAlone);

// The rows of a name check: the control, the name it is announced by, the caption tied to
// it (empty for none); and the check of this row's control in `window`.
void addAnnouncedNameColumns();
void verifyAnnouncedName(QWidget *window);

QString describe(const QWidget *widget);
QStringList describe(const QList<QWidget *> &widgets);
