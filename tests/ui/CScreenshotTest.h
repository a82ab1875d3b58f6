#pragma once

#include <QObject>
#include <QString>

// One picture of each window, taken on a real X server (Xvfb), kept for a person to look at.
class CScreenshotTest : public QObject {
    Q_OBJECT
public:
    explicit CScreenshotTest(QString folder) : folder(std::move(folder)) {}

private slots:
    void EachWindow();

private:
    QString folder;
};
