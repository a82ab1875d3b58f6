#pragma once

#include <QObject>

// "DATEV-Angaben" and the CSV column dialogs through their widgets.
class CDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void DatevDialogRefusesBadFields_data();
    void DatevDialogRefusesBadFields();
    void DatevDialogFollowsItsSwitches();
    void ImportDialogAssignsByDragAndDrop();
    void ExportDialogProfileRoundTrip();
    void CrashOfLastUseOfferedAtStart();
};
