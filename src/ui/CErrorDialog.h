#pragma once

#include "report/CErrorReport.h"

#include <QDialog>

#include <string>

// The error dialog "FEHLER": number line, error text, hint, "OK" and "Fehlermeldung senden".
class CErrorDialog : public QDialog {
    Q_OBJECT
public:
    CErrorDialog(const CErrorReport& report, QWidget* parent = nullptr);

    // Shows an error with its number modally; afterwards deletes the crash files it found.
    static int ShowError(QWidget* parent, int number, const std::string& text);
    // The main window's start check: offers the report of a crash of the previous use.
    static void StartCheck(QWidget* window);

private:
    void Send();

    const CErrorReport& report;
};
