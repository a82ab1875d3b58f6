#pragma once

#include "core/CDlgErrorWin.h"

#include <QDialog>

class CFrontEnd;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The window "Meldungen": the findings of a run or a long error text, kept in "protokoll.txt".
class CMessageWindow : public QDialog {
    Q_OBJECT
public:
    CMessageWindow(CFrontEnd& frontEnd, QWidget* parent);
    // Writes the protocol file and fills the controls.
    void Open(const std::string& caption, const std::string& text);

    QLabel* captionLabel;
    QPlainTextEdit* textBox;
    QPushButton* okButton;
    QPushButton* saveButton;

private:
    CFrontEnd& frontEnd;
    CDlgErrorWin logic;
};
