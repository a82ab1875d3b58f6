#pragma once

#include <QObject>

// The window of an automatic run on a desktop.
class CAutoRunWindowTest : public QObject {
    Q_OBJECT
private slots:
    void RunShowsItsSummaryAndEndsWithItsStatus_data();
    void RunShowsItsSummaryAndEndsWithItsStatus();
};
