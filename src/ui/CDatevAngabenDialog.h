#pragma once

#include "datev/CDatevDialog.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The dialog "DATEV-Angaben" bound to its logic: OK takes the edits into the logic, which checks
// them; a failed check names the field, which gets the focus, and the dialog stays open.
class CDatevAngabenDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 131206;

    CDatevAngabenDialog(CDatevDialog& logic, QWidget* parent);

    // The edit of a field; none for CDatevDialog::None.
    QLineEdit* Edit(CDatevDialog::EField field) const {
        auto found = edits.find(field);
        return found == edits.end() ? nullptr : found->second;
    }
    QCheckBox* kontoErweiterung;
    QComboBox* version;
    QComboBox* festschreibung;

    void accept() override;

private:
    QLineEdit* AddEdit(CDatevDialog::EField field, const std::string& value);
    void ShowEnabled();

    CDatevDialog& logic;
    std::map<CDatevDialog::EField, QLineEdit*> edits;
};
