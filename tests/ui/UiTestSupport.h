#pragma once

#include "core/CCodePage.h"
#include "core/CCommandLine.h"
#include "ui/CQtFrontEnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// The Qt front end with the test answering its file dialogs and message boxes; windows, dialogs
// and "Meldungen" are the real ones.
class CScriptedFrontEnd : public CQtFrontEnd {
public:
    std::vector<CFileRequest> fileRequests;
    std::vector<std::string> nextFiles; // UTF-8 paths, answers of the next file dialogs in order
    std::vector<std::string> boxes;     // texts of the message boxes shown (Windows-1252)

protected:
    EAnswer AskUser(const std::string& text, EIcon, EButtons) override {
        boxes.push_back(text);
        return EAnswer::Ok;
    }
    bool AskFile(const CFileRequest& request, std::string& chosen) override {
        fileRequests.push_back(request);
        if (nextFiles.empty()) return false;
        chosen = CCodePage::Utf8ToAnsi(nextFiles.front());
        nextFiles.erase(nextFiles.begin());
        return true;
    }
};

// The command line of "pelko" with these arguments (UTF-8), quoted as the program does it.
inline std::string CommandLine(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "pelko");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    return CCommandLine::FromArgv(static_cast<int>(argv.size()), argv.data());
}

// Runs action on the next modal window that opens other than the one open now (checked every
// 20 ms; after 20 s the action runs with none, so that a test fails instead of hanging).
inline void OnNextModal(std::function<void(QWidget*)> action) {
    QWidget* before = QApplication::activeModalWidget();
    auto* timer = new QTimer;
    int rounds = 0;
    QObject::connect(timer, &QTimer::timeout, [=]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if ((!modal || modal == before) && ++rounds < 1000) return;
        timer->stop();
        timer->deleteLater();
        action(modal == before ? nullptr : modal);
    });
    timer->start(20);
}

// The button of a window with this text (UTF-8).
inline QAbstractButton* ButtonNamed(QWidget* window, const char* text) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == QString::fromUtf8(text)) return button;
    return nullptr;
}
