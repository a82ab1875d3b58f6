#pragma once

#include <QDialog>

class CColumnTree;
class CDlgModulMdb;
class CDlgModulMdbExport;
class CDlgModulMdbImport;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The database export and import dialogs bound to their logic: every control calls one operation
// of the logic and then shows its state again.
class CDbColumnDialog : public QDialog {
    Q_OBJECT
public:
    CDbColumnDialog(CDlgModulMdb& logic, QWidget* parent);

    QComboBox* databaseType;
    QLineEdit* connectionString;
    QLineEdit* tableName = nullptr; // export
    QComboBox* tables = nullptr;    // import: "Tabelle:"
    QLineEdit* newColumnName = nullptr;
    QCheckBox* dropTable = nullptr;
    QCheckBox* updateTable = nullptr;
    CColumnTree* tree;
    QPushButton* confirm;

    void accept() override;

private:
    QPushButton* Button(const char* text, void (CDbColumnDialog::*action)());
    QLayout* ExportControls();
    QLayout* ImportControls();
    void TakeControls();
    void ShowValues();
    void ShowItems();
    void ShowColumnName();
    void ChangeType(int type);
    void Rename(const QString& name);
    void SelectAll();
    void SelectNone();
    void Invert();
    void ReadTables();
    void ReadColumns();
    void AutoAssign();
    void MoveUp();
    void MoveDown();
    void SaveProfile();
    void LoadProfile();

    CDlgModulMdb& logic;
    CDlgModulMdbExport* exporting; // the export logic, or none
    CDlgModulMdbImport* importing; // the import logic, or none
};
