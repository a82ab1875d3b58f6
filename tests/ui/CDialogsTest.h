#pragma once

#include <QObject>

// "DATEV-Angaben", the CSV column dialogs and the database dialogs through their widgets.
class CDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void DatevDialogRefusesBadFields_data();
    void DatevDialogRefusesBadFields();
    void DatevDialogFollowsItsSwitches();
    void ImportDialogAssignsByDragAndDrop();
    void ExportDialogProfileRoundTrip();
    void CrashOfLastUseOfferedAtStart();
    void DatabaseImportDialogReadsAndAssigns();
    void DatabaseExportDialogRenamesColumns();
};
