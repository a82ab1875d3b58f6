#pragma once

#include <QDialog>

#include <memory>

class CDialogLogic;

// The widget that shows a dialog's logic, or none for a dialog this version has no widget for.
// A new dialog is one more line here.
std::unique_ptr<QDialog> CreateDialogWidget(CDialogLogic& logic, QWidget* parent);
