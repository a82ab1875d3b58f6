#include "ui/CDialogWidgets.h"

#include "datev/CDatevDialog.h"
#include "db/CDlgModulMdb.h"
#include "text/CDlgModulCsv.h"
#include "ui/CCsvColumnDialog.h"
#include "ui/CDatevAngabenDialog.h"
#include "ui/CDbColumnDialog.h"

std::unique_ptr<QDialog> CreateDialogWidget(CDialogLogic& logic, QWidget* parent) {
    if (auto* datev = dynamic_cast<CDatevDialog*>(&logic))
        return std::make_unique<CDatevAngabenDialog>(*datev, parent);
    if (auto* columns = dynamic_cast<CDlgModulCsv*>(&logic))
        return std::make_unique<CCsvColumnDialog>(*columns, parent);
    if (auto* database = dynamic_cast<CDlgModulMdb*>(&logic))
        return std::make_unique<CDbColumnDialog>(*database, parent);
    return nullptr;
}
