#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// "Info über Pelko": program, version, operating system; "INI" opens the data folder.
class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent);
    // "logo.bmp" of the program folder, its white surroundings made transparent; null when missing.
    static QPixmap Logo();

    QLabel* systemLine;
    QPushButton* iniButton;

private:
    void OpenDataFolder();
};
