#pragma once

#include <QDialog>
#include <QTreeWidget>

class CDlgModulCsv;
class CDlgModulCsvImport;
class QCheckBox;
class QComboBox;
class QPushButton;

// The column list of the column dialogs. On import an item dropped onto another hands the drop
// to the dialog (the two swap their file fields); the items themselves never move.
class CColumnTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit CColumnTree(bool dragAndDrop);

signals:
    void Dropped(int source, int target);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The item under the mouse when it may take a drop, else none.
    QTreeWidgetItem* DropTarget(const QPoint& position) const;
};

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
