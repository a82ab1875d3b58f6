#pragma once

#include "core/CFrontEnd.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <type_traits>

class QLabel;
class QProgressBar;
class QWidget;

// The front end of the windows. A conversion calls it from its worker thread: status and progress
// are posted to the window without waiting (progress coalesced, so a million records cost a few
// repaints), message boxes, dialogs and file dialogs run on the window's thread while the worker
// waits for the answer. Called on the window's thread, everything happens at once.
class CQtFrontEnd : public QObject, public CFrontEnd {
    Q_OBJECT
public:
    CQtFrontEnd() = default;

    // The status line and progress bar that show a run; the window parents boxes and dialogs.
    void Attach(QWidget* window, QLabel* status, QProgressBar* progress);
    QWidget* Window() const { return window; }
    // An automatic run waits for nobody: its findings go to the console instead of "Meldungen".
    void SetUnattended(bool on) { unattended = on; }

    void SetStatus(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    EAnswer MessageBox(const std::string& text, EIcon icon = EIcon::Error,
                       EButtons buttons = EButtons::Ok) override;
    void ShowMessages(const std::string& caption, const std::string& text) override;
    bool RunDialog(CDialogLogic& dialog) override;
    bool ChooseFile(bool save, const std::string& title, const std::string& filter, const std::string& folder,
                    std::string& chosen) override;
    bool RequestFile(const CFileRequest& request, std::string& chosen) override;

    // "Name (*.a)|*.a|Alle (*.*)|*.*|" as the name filters of a file dialog.
    static QStringList NameFilters(const std::string& filter);

protected:
    // The parts that wait for a person, always on the window's thread; tests answer them.
    virtual EAnswer AskUser(const std::string& text, EIcon icon, EButtons buttons);
    virtual bool AskFile(const CFileRequest& request, std::string& chosen);

private:
    // Runs f on the window's thread and returns its result; a worker waits for it.
    template <class F> auto OnGuiThread(F f) -> decltype(f()) {
        if (QThread::currentThread() == thread()) return f();
        if constexpr (std::is_void_v<decltype(f())>) {
            QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
        } else {
            decltype(f()) result{};
            QMetaObject::invokeMethod(
                this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }
    void ShowProgress();

    QPointer<QWidget> window;
    QPointer<QLabel> status;
    QPointer<QProgressBar> progress;
    std::atomic<int> low{0};
    std::atomic<int> high{100};
    std::atomic<int> position{0};
    std::atomic<bool> progressPosted{false};
    bool unattended = false;
};
