#include "ui/CDialogWidgets.h"

#include "datev/CDatevDialog.h"
#include "text/CDlgModulCsv.h"
#include "ui/CCsvColumnDialog.h"
#include "ui/CDatevAngabenDialog.h"

std::unique_ptr<QDialog> CreateDialogWidget(CDialogLogic& logic, QWidget* parent) {
    if (auto* datev = dynamic_cast<CDatevDialog*>(&logic))
        return std::make_unique<CDatevAngabenDialog>(*datev, parent);
    if (auto* columns = dynamic_cast<CDlgModulCsv*>(&logic))
        return std::make_unique<CCsvColumnDialog>(*columns, parent);
    return nullptr;
}
