#pragma once

#include <QDialog>
#include <QTreeWidget>

#include "ui/CQtText.h"

class CDlgModulCsv;
class CDlgModulCsvImport;
class QCheckBox;
class QMimeData;
class QComboBox;
class QPushButton;

// The column list of the column dialogs. On import an item dropped onto another hands the drop
// to the dialog (the two swap their file fields); the items themselves never move.
class CColumnTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit CColumnTree(bool dragAndDrop);
    // What a drag of one item carries: this list and the item's row, so that only drags out of
    // this very list are taken.
    QMimeData* DragData(int row) const;
    // Rebuilds the items from a dialog logic (item texts, ticks, the current item).
    template <class Logic> void ShowItems(const Logic& logic);

signals:
    void Dropped(int source, int target);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The row a drag of this list carries, or -1 for any other drag.
    int SourceRow(const QMimeData* data) const;
    // The item under the mouse when it may take the drop, else none.
    QTreeWidgetItem* DropTarget(const QDropEvent* event) const;
    void AddItem(const QString& text, bool ticked);
    void ShowCurrent(int row);

    bool dragAndDrop;
};

template <class Logic> void CColumnTree::ShowItems(const Logic& logic) {
    QSignalBlocker blocker(this);
    clear();
    for (int item = 0; item < logic.GetItemCount(); ++item)
        AddItem(ToQt(logic.GetItemText(item)), logic.IsTicked(item));
    ShowCurrent(logic.GetSelectedItem());
}

// The export and import column dialogs bound to their logic: every control calls one operation
// of the logic and then shows its state again.
class CCsvColumnDialog : public QDialog {
    Q_OBJECT
public:
    CCsvColumnDialog(CDlgModulCsv& logic, QWidget* parent);

    CColumnTree* tree;
    QComboBox* separator;
    QComboBox* charset;
    QComboBox* decimal = nullptr; // export only
    QCheckBox* quoteAll;
    QCheckBox* noHeading;
    QPushButton* confirm;

    void accept() override;

private:
    QPushButton* Button(const char* text, void (CCsvColumnDialog::*action)());
    void TakeControls();
    void ShowOptions();
    void ShowItems();
    void SelectAll();
    void SelectNone();
    void Invert();
    void AutoAssign();
    void MoveUp();
    void MoveDown();
    void SaveProfile();
    void LoadProfile();

    CDlgModulCsv& logic;
    CDlgModulCsvImport* import; // the import logic, or none for the export dialog
};
