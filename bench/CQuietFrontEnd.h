#pragma once

#include "core/CFrontEnd.h"

#include <cstdio>
#include <string>

// Shows nothing but failures: a display would cost more than the formats being measured.
class CQuietFrontEnd : public CFrontEnd {
public:
    void SetStatus(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    EAnswer MessageBox(const std::string& text, EIcon, EButtons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return EAnswer::Ok;
    }
    void ShowMessages(const std::string&, const std::string&) override {}
    bool RunDialog(CDialogLogic&) override { return false; }
    bool ChooseFile(bool, const std::string&, const std::string&, const std::string&, std::string&) override {
        return false;
    }
};
