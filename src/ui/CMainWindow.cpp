#include "ui/CMainWindow.h"

#include "core/CTool.h"
#include "ui/CAboutBox.h"
#include "ui/CHelp.h"
#include "ui/CQtFrontEnd.h"
#include "ui/CQtText.h"
#include "ui/CUiHooks.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

void Fill(QComboBox* combo, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries)
        combo->addItem(ToQt(entry));
}

void Select(QComboBox* combo, int index) {
    QSignalBlocker blocker(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void SetText(QLineEdit* edit, const std::string& text) {
    QSignalBlocker blocker(edit);
    if (edit->text() != ToQt(text)) edit->setText(ToQt(text));
}

} // namespace

CMainWindow::CMainWindow(CQtFrontEnd& frontEndRef, const std::string& commandLine, QWidget* parent)
    : QDialog(parent), frontEnd(frontEndRef), doc(frontEndRef), logic(doc) {
    BuildControls();
    frontEnd.Attach(this, status, progress);
    setWindowTitle(ToQt(CPelkoDlg::WindowTitle()));
    logic.Init(commandLine);
    inputType->clear();
    Fill(inputType, logic.InputTypeNames());
    ShowValues();
    ShowStates();
    Connect();
    QTimer::singleShot(2000, this, [this] {
        if (CUiHooks::startCheck) CUiHooks::startCheck(this);
    });
}

CMainWindow::~CMainWindow() {
    if (worker) worker->wait();
}

void CMainWindow::BuildControls() {
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    titleLine = new QLabel(ToQt(CPelkoDlg::TitleLine()));
    QFont titleFont = titleLine->font();
    titleFont.setBold(true);
    titleFont.setItalic(true);
    titleFont.setPixelSize(static_cast<int>(18 * CTool::GetScaleFactor()));
    titleLine->setFont(titleFont);
    titleLine->setStyleSheet("color: #0000c0;");
    titleLine->setWordWrap(true);
    logo = new QLabel;
    logo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    logo->setMinimumSize(1, 1);
    logoPicture = CAboutBox::Logo();

    inputType = new QComboBox;
    dataType = new QComboBox;
    Fill(dataType, CPelkoDlg::DataTypeNames());
    inputFile = new QLineEdit;
    inputChoose = new QPushButton("Dateiauswahl");
    inputSettings = new QPushButton("Einstellungen");
    outputType = new QComboBox;
    Fill(outputType, CPelkoDlg::OutputTypeNames());
    outputFile = new QLineEdit;
    outputChoose = new QPushButton("Dateiauswahl");
    outputSettings = new QPushButton("Einstellungen");
    hintLine = new QLabel;
    hintLine->setStyleSheet("color: #d00000; font-weight: bold;");
    startButton = new QPushButton("Konvertierung starten");
    progress = new QProgressBar;
    progress->setTextVisible(false);
    status = new QLabel;
    helpButton = new QPushButton("Hilfe");
    infoButton = new QPushButton(QString::fromUtf8("Info über Pelko..."));
    // The update search is not part of this version; its settings keep their values.
    updateButton = new QPushButton("Update?");
    updateButton->hide();
    autoUpdate = new QCheckBox("Autoupdate");
    autoUpdate->hide();
    quitButton = new QPushButton("Programm beenden");
    for (QPushButton* button : {inputChoose, inputSettings, outputChoose, outputSettings, startButton,
                                helpButton, infoButton, quitButton})
        button->setAutoDefault(false);
    startButton->setDefault(true);

    auto* step1 = new QGroupBox("Eingabe-Datei / -Datenbank");
    auto* grid1 = new QGridLayout(step1);
    grid1->addWidget(new QLabel("Typ:"), 0, 0);
    grid1->addWidget(inputType, 0, 1);
    grid1->addWidget(new QLabel("Datentyp:"), 0, 2, Qt::AlignRight);
    grid1->addWidget(dataType, 0, 3, 1, 2);
    grid1->addWidget(new QLabel("Datei:"), 1, 0);
    grid1->addWidget(inputFile, 1, 1, 1, 2);
    grid1->addWidget(inputChoose, 1, 3);
    grid1->addWidget(inputSettings, 1, 4);
    grid1->setColumnStretch(1, 1);
    grid1->setColumnStretch(2, 1);

    auto* step2 = new QGroupBox("Ausgabe-Datei / -Datenbank");
    auto* grid2 = new QGridLayout(step2);
    grid2->addWidget(new QLabel("Typ:"), 0, 0);
    grid2->addWidget(outputType, 0, 1);
    grid2->addWidget(new QLabel("Datei:"), 1, 0);
    grid2->addWidget(outputFile, 1, 1, 1, 2);
    grid2->addWidget(outputChoose, 1, 3);
    grid2->addWidget(outputSettings, 1, 4);
    grid2->addWidget(hintLine, 2, 1, 1, 4);
    grid2->setColumnStretch(1, 1);
    grid2->setColumnStretch(2, 1);

    auto* step3 = new QGroupBox(QString::fromUtf8("Konvertierung durchführen"));
    auto* grid3 = new QGridLayout(step3);
    grid3->addWidget(startButton, 0, 0);
    grid3->addWidget(progress, 0, 1);
    grid3->addWidget(status, 1, 0, 1, 2);
    grid3->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(titleLine, 1);
    top->addWidget(logo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(helpButton);
    bottom->addWidget(infoButton);
    bottom->addWidget(updateButton);
    bottom->addWidget(autoUpdate);
    bottom->addStretch();
    bottom->addWidget(quitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(step1);
    layout->addWidget(step2);
    layout->addWidget(step3);
    layout->addStretch(1);
    layout->addLayout(bottom);
    resize(760, sizeHint().height());
}

void CMainWindow::Connect() {
    connect(inputType, &QComboBox::currentIndexChanged, this, [this](int index) {
        doc.inputType = index;
        logic.OnInputTypeChanged();
        ShowStates();
    });
    connect(dataType, &QComboBox::currentIndexChanged, this, [this](int index) { doc.dataType = index; });
    connect(inputFile, &QLineEdit::textChanged, this,
            [this](const QString& text) { doc.inputFile = FromQt(text); });
    connect(outputType, &QComboBox::currentIndexChanged, this, [this](int index) {
        doc.outputType = index;
        logic.OnOutputChanged();
        ShowStates();
    });
    connect(outputFile, &QLineEdit::textChanged, this, [this](const QString& text) {
        doc.outputFile = FromQt(text);
        logic.OnOutputChanged();
        ShowStates();
    });
    connect(inputChoose, &QPushButton::clicked, this, [this] {
        if (logic.ChooseInputFile()) ShowValues();
    });
    connect(outputChoose, &QPushButton::clicked, this, [this] {
        if (logic.ChooseOutputFile()) ShowValues();
        ShowStates();
    });
    connect(inputSettings, &QPushButton::clicked, this, [this] { logic.EditInputSettings(); });
    connect(outputSettings, &QPushButton::clicked, this, [this] { logic.EditOutputSettings(); });
    connect(startButton, &QPushButton::clicked, this, &CMainWindow::StartConversion);
    connect(quitButton, &QPushButton::clicked, this, &QDialog::close);
    connect(infoButton, &QPushButton::clicked, this, &CMainWindow::ShowAbout);
    connect(helpButton, &QPushButton::clicked, this, [this] { CHelp::Show(100, this); });
    new QShortcut(QKeySequence::HelpContents, this, [this] { CHelp::Show(HelpContext(), this); });
    new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F3), this, [this] { RequestServiceMenu(); });
}

void CMainWindow::ShowValues() {
    Select(inputType, doc.inputType);
    Select(dataType, doc.dataType);
    Select(outputType, doc.outputType);
    SetText(inputFile, doc.inputFile);
    SetText(outputFile, doc.outputFile);
}

void CMainWindow::ShowStates() {
    for (QComboBox* list : {inputType, dataType, outputType})
        list->setEnabled(logic.typeListsEnabled);
    inputSettings->setVisible(logic.settingsButtonsVisible);
    outputSettings->setVisible(logic.settingsButtonsVisible);
    inputSettings->setEnabled(logic.inputSettingsEnabled);
    outputSettings->setEnabled(logic.outputSettingsEnabled);
    inputFile->setEnabled(logic.inputFileEnabled);
    inputChoose->setEnabled(logic.inputFileEnabled);
    outputFile->setEnabled(logic.outputFileEnabled);
    outputChoose->setEnabled(logic.outputFileEnabled);
    hintLine->setText(ToQt(logic.hint));
}

bool CMainWindow::TakeFiles() {
    for (QLineEdit* edit : {inputFile, outputFile}) {
        std::string path;
        if (ToAnsiPath(edit->text(), path)) continue;
        frontEnd.MessageBox(
            Ansi("Der Pfad '") + path +
            Ansi("' enthält Zeichen, die Pelko nicht verarbeiten kann. Bitte wählen Sie einen "
                 "anderen Ordner oder Dateinamen."));
        edit->setFocus();
        return false;
    }
    doc.inputFile = FromQt(inputFile->text());
    doc.outputFile = FromQt(outputFile->text());
    return true;
}

void CMainWindow::SetControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{startButton, quitButton, helpButton, infoButton})
        control->setEnabled(enabled);
    if (enabled) {
        ShowStates();
        return;
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{inputType, dataType, outputType, inputFile, outputFile, inputChoose,
                                         outputChoose, inputSettings, outputSettings})
        control->setEnabled(false);
}

void CMainWindow::StartConversion() {
    if (worker || !TakeFiles()) return;
    SetControlsEnabled(false);
    worker = QThread::create([this] { doc.RunInteractive(); });
    connect(worker, &QThread::finished, this, [this] {
        worker->deleteLater();
        worker = nullptr;
        SetControlsEnabled(true);
        emit ConversionFinished();
    });
    worker->start();
}

int CMainWindow::HelpContext() const {
    QWidget* focus = focusWidget();
    if (focus == inputChoose || focus == inputFile) return 10002;
    if (focus == outputChoose || focus == outputFile) return 10005;
    if (focus == startButton) return 10006;
    return 100;
}

QMenu* CMainWindow::RequestServiceMenu() {
    if (!logic.ServiceMenuAllowed()) return nullptr;
    if (!serviceMenu) {
        serviceMenu = new QMenu(QString::fromUtf8("SERVICE-Menü"), this);
        serviceMenu->addSection(QString::fromUtf8("SERVICE-Menü"));
        if (CUiHooks::exceptionTest)
            serviceMenu->addAction("Exception Test", [] { CUiHooks::exceptionTest(); });
    }
    serviceMenu->popup(QCursor::pos());
    return serviceMenu;
}

void CMainWindow::ShowAbout() {
    CAboutBox about(this);
    about.exec();
}

void CMainWindow::reject() {
    close(); // Esc closes like "Programm beenden", settings included
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // A running conversion owns the document; the window waits for its end.
    if (worker) {
        event->ignore();
        return;
    }
    logic.SaveSettings();
    event->accept();
}

void CMainWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ScaleLogo();
}

void CMainWindow::ScaleLogo() {
    if (logoPicture.isNull()) return;
    // The logo keeps its proportions and the height of the title line's row.
    int height = std::max(titleLine->sizeHint().height(), 48);
    qreal ratio = devicePixelRatioF();
    QPixmap scaled = logoPicture.scaledToHeight(static_cast<int>(height * ratio), Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    logo->setPixmap(scaled);
}
