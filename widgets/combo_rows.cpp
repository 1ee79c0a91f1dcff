#include "combo_rows.h"

#include <QComboBox>
#include <QListView>
#include <QStandardItemModel>

void setComboRowHidden(QComboBox *combo, int row, bool hidden)
{
    if (!combo || row < 0 || row >= combo->count())
        return;
    // The list relays itself out and repaints on every call, even one that changes nothing.
    if (auto *view = qobject_cast<QListView *>(combo->view())) {
        if (view->isRowHidden(row) != hidden)
            view->setRowHidden(row, hidden);
    }
    // Arrow keys and the mouse wheel step through the model, not the view: a row the list
    // does not offer must not be reachable that way either.
    if (auto *model = qobject_cast<QStandardItemModel *>(combo->model())) {
        QStandardItem *item = model->item(row);
        // Setting the same flags again still notifies the model's views.
        if (item && item->isEnabled() == hidden)
            item->setEnabled(!hidden);
    }
}
