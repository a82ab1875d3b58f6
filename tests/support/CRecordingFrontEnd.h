#pragma once

#include "core/CDialogLogic.h"
#include "core/CFrontEnd.h"

#include <functional>
#include <string>
#include <vector>

// A front end for tests: records everything the core shows and answers as the test says.
class CRecordingFrontEnd : public CFrontEnd {
public:
    struct CBox {
        std::string text;
        EIcon icon;
        EButtons buttons;
    };

    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgressRange(int low, int high) override {
        rangeLow = low;
        rangeHigh = high;
    }
    void SetProgressPos(int position) override { positions.push_back(position); }
    EAnswer MessageBox(const std::string& text, EIcon icon, EButtons buttons) override {
        boxes.push_back({text, icon, buttons});
        return boxAnswer;
    }
    void ShowMessages(const std::string& caption, const std::string& text) override {
        messageCaption = caption;
        messageTexts.push_back(text);
    }
    bool RunDialog(CDialogLogic& dialog) override {
        dialogs.push_back(dialog.GetTitle());
        return onDialog ? onDialog(dialog) : dialogAnswer;
    }
    bool ChooseFile(bool save, const std::string& title, const std::string&, const std::string& folder,
                    std::string& chosen) override {
        fileRequests.push_back({save, title, folder});
        if (nextFiles.empty()) return false;
        chosen = nextFiles.front();
        nextFiles.erase(nextFiles.begin());
        return true;
    }

    struct CFileRequest {
        bool save;
        std::string title;
        std::string folder;
    };

    std::vector<std::string> statuses;
    std::vector<int> positions;
    int rangeLow = 0;
    int rangeHigh = 0;
    std::vector<CBox> boxes;
    EAnswer boxAnswer = EAnswer::Ok;
    std::string messageCaption;
    std::vector<std::string> messageTexts;
    std::vector<std::string> dialogs;
    bool dialogAnswer = true;
    std::function<bool(CDialogLogic&)> onDialog;
    std::vector<CFileRequest> fileRequests;
    std::vector<std::string> nextFiles; // answers of the next file dialogs, in order
};
