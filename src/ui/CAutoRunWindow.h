#pragma once

#include <QDialog>
#include <QTimer>

#include <string>

class CQtFrontEnd;
class QLabel;
class QProgressBar;
class QPushButton;

// The small window of an automatic run: the run's progress and status line, then its summary
// for about three seconds, after which the window closes and the program ends with the run's status.
class CAutoRunWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTicks = 101;
    static constexpr int kTickMs = 30;

    CAutoRunWindow(CQtFrontEnd& frontEnd, std::string commandLine, QWidget* parent = nullptr);
    ~CAutoRunWindow() override;

    // Starts the run on a worker thread.
    void Start();
    void reject() override;
    bool IsRunning() const { return worker != nullptr; }
    int ExitStatus() const { return exitStatus; }

    QProgressBar* progress;
    QLabel* status;
    QPushButton* cancel;

signals:
    void RunFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Tick();

    CQtFrontEnd& frontEnd;
    std::string commandLine;
    QThread* worker = nullptr;
    QTimer timer;
    int ticks = 0;
    int exitStatus = 1;
};
