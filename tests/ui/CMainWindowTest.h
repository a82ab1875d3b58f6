#pragma once

#include <QObject>

// The main window as a person uses it: lists, file dialogs, a whole conversion, settings, help.
class CMainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void ListChangeRules_data();
    void ListChangeRules();
    void CommandLinePresetsTheWindow();
    void ChosenFilesSetTypeFolderAndHint();
    void SettingsAreWrittenOnCloseAndReadOnNextStart();
    void PathWithoutAWindowsFormIsRefused();
    void ConversionMatchesTheAutomaticRunAndShowsMeldungen();
    void VaroloLayoutAndServiceMenu_data();
    void VaroloLayoutAndServiceMenu();
    void HelpOpensAtTheControlsContext_data();
    void HelpOpensAtTheControlsContext();
};
