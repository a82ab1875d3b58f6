#pragma once

#include "core/CPelkoDlg.h"
#include "core/CPelkoDoc.h"

#include <QDialog>

class CQtFrontEnd;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

// The main window: steps 1 to 3 of a conversion, bound to the main-window logic. A conversion
// runs on a worker thread, so the window keeps repainting while the controls wait for its end.
class CMainWindow : public QDialog {
    Q_OBJECT
public:
    CMainWindow(CQtFrontEnd& frontEnd, const std::string& commandLine, QWidget* parent = nullptr);
    ~CMainWindow() override;

    bool IsRunning() const { return worker != nullptr; }
    // Help context of F1 for the control that has the focus.
    int HelpContext() const;
    // Alt+F3; the menu opened, or none.
    QMenu* RequestServiceMenu();

    CPelkoDoc& Document() { return doc; }

    QLabel* titleLine;
    QLabel* logo;
    QComboBox* inputType;
    QComboBox* dataType;
    QLineEdit* inputFile;
    QPushButton* inputChoose;
    QPushButton* inputSettings;
    QComboBox* outputType;
    QLineEdit* outputFile;
    QPushButton* outputChoose;
    QPushButton* outputSettings;
    QLabel* hintLine;
    QPushButton* startButton;
    QProgressBar* progress;
    QLabel* status;
    QPushButton* helpButton;
    QPushButton* infoButton;
    QPushButton* updateButton;
    QCheckBox* autoUpdate;
    QPushButton* quitButton;

signals:
    void ConversionFinished();

public slots:
    void StartConversion();
    void ShowAbout();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void Connect();
    void ShowValues();
    void ShowStates();
    // The file edits as paths the core can hold; false after telling the user.
    bool TakeFiles();
    void SetControlsEnabled(bool enabled);
    void ScaleLogo();

    CQtFrontEnd& frontEnd;
    CPelkoDoc doc;
    CPelkoDlg logic;
    QPixmap logoPicture;
    QThread* worker = nullptr;
    QMenu* serviceMenu = nullptr;
};
