#include "ui/CDbColumnDialog.h"

#include "db/CDlgModulMdbExport.h"
#include "db/CDlgModulMdbImport.h"
#include "ui/CCsvColumnDialog.h"
#include "ui/CQtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDbColumnDialog::CDbColumnDialog(CDlgModulMdb& logicRef, QWidget* parent)
    : QDialog(parent), databaseType(new QComboBox), connectionString(new QLineEdit), logic(logicRef),
      exporting(dynamic_cast<CDlgModulMdbExport*>(&logicRef)),
      importing(dynamic_cast<CDlgModulMdbImport*>(&logicRef)) {
    setWindowTitle(ToQt(logic.GetTitle()));
    tree = new CColumnTree(importing != nullptr);
    confirm = new QPushButton(ToQt(logic.GetConfirmCaption()));
    confirm->setDefault(true);
    connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("Abbrechen");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* database = new QFormLayout;
    database->addRow("Datenbanktyp:", databaseType);
    database->addRow(importing ? "(Init:)" : "(Init.:)", connectionString);

    auto* left = new QVBoxLayout;
    left->addLayout(database);
    left->addLayout(importing ? ImportControls() : ExportControls());
    left->addWidget(new QLabel(importing ? " [Programm-Zuordnung] <-- [Spalte aus Datenbank]"
                                         : " [Name im Programm] --> [Spaltenname in Datenbank]"));
    left->addWidget(tree, 1);
    if (exporting) {
        auto* rename = new QFormLayout;
        rename->addRow("Neuer Spaltenname:", newColumnName);
        left->addLayout(rename);
        left->addWidget(dropTable);
        left->addWidget(updateTable);
    }

    auto* selection = new QGroupBox("Selektion:");
    auto* selectionRow = new QHBoxLayout(selection);
    selectionRow->addWidget(Button("alle", &CDbColumnDialog::SelectAll));
    selectionRow->addWidget(Button("keine", &CDbColumnDialog::SelectNone));
    selectionRow->addWidget(Button("invertieren", &CDbColumnDialog::Invert));
    auto* profile = new QGroupBox("Profil:");
    auto* profileRow = new QHBoxLayout(profile);
    profileRow->addWidget(Button("speichern", &CDbColumnDialog::SaveProfile));
    profileRow->addWidget(Button("laden", &CDbColumnDialog::LoadProfile));

    auto* right = new QVBoxLayout;
    right->addWidget(selection);
    if (importing) {
        auto* move = new QGroupBox("Position ändern");
        auto* moveRow = new QHBoxLayout(move);
        moveRow->addWidget(Button("hoch", &CDbColumnDialog::MoveUp));
        moveRow->addWidget(Button("runter", &CDbColumnDialog::MoveDown));
        right->addWidget(move);
    }
    right->addWidget(profile);
    right->addStretch();
    right->addWidget(confirm);
    right->addWidget(cancel);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(databaseType, &QComboBox::activated, this, &CDbColumnDialog::ChangeType);
    connect(tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        int row = tree->indexOfTopLevelItem(item);
        if ((item->checkState(0) == Qt::Checked) != logic.IsTicked(row)) logic.ToggleItem(row);
        if (exporting) tree->setCurrentItem(item); // the export takes the clicked item for renaming
        ShowColumnName();
    });
    connect(tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        logic.SelectItem(tree->indexOfTopLevelItem(item));
        ShowColumnName();
    });
    connect(tree, &CColumnTree::Dropped, this, [this](int source, int target) {
        importing->DropOn(source, target);
        ShowItems();
    });
    ShowValues();
    ShowItems();
    resize(760, 560);
}

QLayout* CDbColumnDialog::ExportControls() {
    tableName = new QLineEdit;
    newColumnName = new QLineEdit;
    dropTable = new QCheckBox("Bestehende Tabelle vorher löschen");
    updateTable = new QCheckBox("Tabelle ändern");
    connect(newColumnName, &QLineEdit::textEdited, this, &CDbColumnDialog::Rename);
    auto* controls = new QFormLayout;
    controls->addRow("Tabellenname:", tableName);
    return controls;
}

QLayout* CDbColumnDialog::ImportControls() {
    tables = new QComboBox;
    tables->setEditable(true);
    auto* controls = new QVBoxLayout;
    controls->addWidget(Button("Alle Tabellen auslesen", &CDbColumnDialog::ReadTables));
    auto* table = new QFormLayout;
    table->addRow("Tabelle:", tables);
    controls->addLayout(table);
    auto* columns = new QHBoxLayout;
    columns->addWidget(Button("Spalten der Tabelle auslesen", &CDbColumnDialog::ReadColumns));
    columns->addWidget(Button("Spalten automatisch zuordnen", &CDbColumnDialog::AutoAssign));
    controls->addLayout(columns);
    return controls;
}

QPushButton* CDbColumnDialog::Button(const char* text, void (CDbColumnDialog::*action)()) {
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

void CDbColumnDialog::TakeControls() {
    logic.databaseType = databaseType->currentIndex() < 0 ? 0 : databaseType->currentIndex();
    logic.connectionString = FromQt(connectionString->text());
    logic.tableName = FromQt(importing ? tables->currentText() : tableName->text());
    if (!exporting) return;
    exporting->newColumnName = FromQt(newColumnName->text());
    exporting->dropTable = dropTable->isChecked() ? 1 : 0;
    exporting->updateTable = updateTable->isChecked() ? 1 : 0;
}

void CDbColumnDialog::ShowValues() {
    databaseType->clear();
    for (const std::string& entry : logic.TypeEntries())
        databaseType->addItem(ToQt(entry));
    databaseType->setCurrentIndex(logic.databaseType < databaseType->count() ? logic.databaseType : -1);
    connectionString->setText(ToQt(logic.connectionString));
    if (importing) {
        tables->clear();
        for (const std::string& table : importing->tables)
            tables->addItem(ToQt(table));
        tables->setCurrentText(ToQt(logic.tableName));
        return;
    }
    tableName->setText(ToQt(logic.tableName));
    newColumnName->setText(ToQt(exporting->newColumnName));
    dropTable->setChecked(exporting->dropTable != 0);
    updateTable->setChecked(exporting->updateTable != 0);
}

void CDbColumnDialog::ShowItems() {
    tree->ShowItems(logic);
}

// Export: a click on an item shows its column name for renaming.
void CDbColumnDialog::ShowColumnName() {
    if (!exporting || logic.GetSelectedItem() < 0) return;
    exporting->ShowColumnName(logic.GetSelectedItem());
    newColumnName->setText(ToQt(exporting->newColumnName));
}

void CDbColumnDialog::accept() {
    TakeControls();
    QDialog::accept();
}

void CDbColumnDialog::ChangeType(int type) {
    TakeControls();
    logic.ChangeDatabaseType(type);
    ShowValues();
}

void CDbColumnDialog::Rename(const QString& name) {
    exporting->RenameColumn(FromQt(name));
    ShowItems();
}

void CDbColumnDialog::SelectAll() {
    logic.SelectAll();
    ShowItems();
}

void CDbColumnDialog::SelectNone() {
    logic.SelectNone();
    ShowItems();
}

void CDbColumnDialog::Invert() {
    logic.InvertSelection();
    ShowItems();
}

// The buttons that reach the database are disabled while they wait for it.
void CDbColumnDialog::ReadTables() {
    auto* button = qobject_cast<QPushButton*>(sender());
    if (button) button->setEnabled(false);
    TakeControls();
    importing->ReadTables();
    ShowValues();
    if (button) button->setEnabled(true);
}

void CDbColumnDialog::ReadColumns() {
    auto* button = qobject_cast<QPushButton*>(sender());
    if (button) button->setEnabled(false);
    TakeControls();
    importing->ReadColumns();
    ShowItems();
    if (button) button->setEnabled(true);
}

void CDbColumnDialog::AutoAssign() {
    importing->AutoAssign();
    ShowItems();
}

void CDbColumnDialog::MoveUp() {
    importing->MoveUp();
    ShowItems();
}

void CDbColumnDialog::MoveDown() {
    importing->MoveDown();
    ShowItems();
}

void CDbColumnDialog::SaveProfile() {
    TakeControls();
    logic.SaveProfile();
}

void CDbColumnDialog::LoadProfile() {
    TakeControls(); // a cancelled load keeps what the user set
    logic.LoadProfile();
    ShowValues();
    ShowItems();
}
