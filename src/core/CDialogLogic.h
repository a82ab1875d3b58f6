#pragma once

#include <string>

// Base of every dialog's logic (state and operations). A front end shows the dialog bound to it;
// the logic itself never touches a widget, so it is tested without one.
class CDialogLogic {
public:
    virtual ~CDialogLogic() = default;
    // Caption of the dialog, e.g. "DATEV-Angaben" (Windows-1252).
    virtual std::string GetTitle() const = 0;
};
