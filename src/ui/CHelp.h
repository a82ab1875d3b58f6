#pragma once

#include <QDialog>

class QTextBrowser;

// The German help pages beside the program, shown in a help window at a context number:
// 100 overview, 10002 step 1, 10005 step 2, 10006 step 3, 131206 the DATEV parameters.
class CHelp : public QDialog {
    Q_OBJECT
public:
    // Shows the page of the context; the window stays open beside the one that asked.
    static void Show(int context, QWidget* parent);
    // The help window now open, if any.
    static CHelp* Current();
    // File name of the page of a context number (the overview for an unknown number).
    static QString PageOf(int context);

    QTextBrowser* browser;

private:
    explicit CHelp(QWidget* parent);
};
