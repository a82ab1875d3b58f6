#include "ui/CDatevAngabenDialog.h"

#include "ui/CHelp.h"
#include "ui/CQtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

QLabel* HelpText(const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

CDatevAngabenDialog::CDatevAngabenDialog(CDatevDialog& logicRef, QWidget* parent)
    : QDialog(parent), kontoErweiterung(new QCheckBox("ja")), version(new QComboBox),
      festschreibung(new QComboBox), logic(logicRef) {
    using F = CDatevDialog;
    setWindowTitle(ToQt(logic.GetTitle()));
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* label, QWidget* control, const char* help) {
        grid->addWidget(new QLabel(QString::fromUtf8(label)), row, 0);
        grid->addWidget(control, row, 1);
        if (help) grid->addWidget(HelpText(help), row, 2);
        ++row;
    };
    addRow("Beraternummer:", AddEdit(F::BeraterNummer, logic.beraterNummer),
           "Nummer des Steuerberaters bei Datev (vom Steuerberater geben lassen). (max 7 Stellen)");
    addRow("Beratername:", AddEdit(F::BeraterName, logic.beraterName),
           "Name des Steuerberaters (max. 9 Stellen)");
    addRow("Mandantennummer:", AddEdit(F::MandantenNummer, logic.mandantenNummer),
           "Nummer unter der Sie beim Steuerberater und der Datev geführt sind. (max 5 Stellen)");
    addRow("Passwort:", AddEdit(F::Passwort, logic.passwort),
           "(Diese Passwort macht keinen Sinn, da es bei Datev als Klartext abgespeichert wird.) (max 4 "
           "Stellen)");
    addRow("DFV-Kennzeichen:", AddEdit(F::DfvKennzeichen, logic.dfvKennzeichen),
           "Zweistelliges Kürzel (z.B. Ihre Initialen)");
    addRow("Datenträgernummer:", AddEdit(F::DatentraegerNummer, logic.datentraegerNummer),
           "Fortlaufende Nummer der Exporte. (max 3 Stellen)");
    addRow("Abrechnungsnummer:", AddEdit(F::AbrechnungsNummer, logic.abrechnungsNummer),
           "Fortlaufende Datev-Abrechnungs-Nr. (max 6 Stellen) Bei Stammdaten mit Buchungsjahr im Format "
           "'nnnnJJ' !");
    kontoErweiterung->setChecked(logic.kontoErweiterung);
    addRow("Kontonr-Erweiterung:", kontoErweiterung,
           "Altes (DE001) oder neues (ED00001) erweitertes DATEV Datei-Format.");
    auto* length = new QHBoxLayout;
    length->setContentsMargins(0, 0, 0, 0);
    length->addWidget(AddEdit(F::KontoLaenge, logic.kontoLaenge));
    length->addWidget(new QLabel("stellig"));
    auto* lengthBox = new QWidget;
    lengthBox->setLayout(length);
    addRow("Kontonummernlänge:", lengthBox, "Stammdaten erhalten automatisch eine Stelle mehr");
    auto* dates = new QHBoxLayout;
    dates->setContentsMargins(0, 0, 0, 0);
    dates->addWidget(AddEdit(F::DatumVon, logic.datumVon));
    dates->addWidget(new QLabel("bis"));
    dates->addWidget(AddEdit(F::DatumBis, logic.datumBis));
    auto* datesBox = new QWidget;
    datesBox->setLayout(dates);
    addRow("Buchungen:     vom", datesBox, nullptr);

    auto* pro = new QGroupBox("DATEV PRO:");
    auto* proGrid = new QGridLayout(pro);
    version->addItems({"V3.0", "V5.1", "V7.0"});
    version->setCurrentIndex(logic.versionIndex);
    festschreibung->addItems({"0 = keine Festschreibung", "1 = Festschreibung"});
    festschreibung->setCurrentIndex(logic.festschreibungIndex);
    proGrid->addWidget(new QLabel("DatevPro Version:"), 0, 0);
    proGrid->addWidget(version, 0, 1);
    proGrid->addWidget(new QLabel("Beginn des Wirtschaftsjahres.:"), 1, 0);
    proGrid->addWidget(AddEdit(F::Wirtschaftsjahr, logic.wirtschaftsjahr), 1, 1);
    proGrid->addWidget(HelpText("(Format: 'TT.MM.JJJJ')"), 1, 2);
    proGrid->addWidget(new QLabel("Festschreibekennz.:"), 2, 0);
    proGrid->addWidget(festschreibung, 2, 1);
    proGrid->addWidget(HelpText("Erst ab Version V5.1"), 2, 2);
    proGrid->setColumnStretch(2, 1);
    grid->addWidget(pro, row++, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton("OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("Abbrechen", QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton("Hilfe", QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { CHelp::Show(kHelpContext, this); });
    new QShortcut(QKeySequence::HelpContents, this, [this] { CHelp::Show(kHelpContext, this); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1); // room the wrapped help texts leave goes below the fields, not between them
    layout->addWidget(buttons);

    connect(kontoErweiterung, &QCheckBox::toggled, this, [this](bool checked) {
        logic.OnKontoErweiterung(checked);
        ShowEnabled();
    });
    connect(version, &QComboBox::currentIndexChanged, this, [this](int index) {
        logic.OnVersion(index);
        ShowEnabled();
    });
    ShowEnabled();
    // Wrapped help texts need less height at the final width than the size hint assumes.
    resize(760, layout->hasHeightForWidth() ? layout->totalHeightForWidth(760) : sizeHint().height());
}

QLineEdit* CDatevAngabenDialog::AddEdit(CDatevDialog::EField field, const std::string& value) {
    auto* edit = new QLineEdit(ToQt(value));
    // Wide enough for the longest value (a date), so the help texts keep their room.
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance("00.00.00000") + 16);
    edits[field] = edit;
    return edit;
}

void CDatevAngabenDialog::ShowEnabled() {
    using F = CDatevDialog;
    kontoErweiterung->setEnabled(logic.kontoErweiterungEnabled);
    Edit(F::DatentraegerNummer)->setEnabled(logic.datentraegerEnabled);
    Edit(F::KontoLaenge)->setEnabled(logic.kontoLaengeEnabled);
    Edit(F::DatumVon)->setEnabled(logic.datumEnabled);
    Edit(F::DatumBis)->setEnabled(logic.datumEnabled);
    version->setEnabled(logic.versionEnabled);
    Edit(F::Wirtschaftsjahr)->setEnabled(logic.wirtschaftsjahrEnabled);
    festschreibung->setEnabled(logic.festschreibungEnabled);
}

void CDatevAngabenDialog::accept() {
    using F = CDatevDialog;
    auto text = [this](F::EField field) { return FromQt(Edit(field)->text()); };
    logic.beraterNummer = text(F::BeraterNummer);
    logic.beraterName = text(F::BeraterName);
    logic.mandantenNummer = text(F::MandantenNummer);
    logic.passwort = text(F::Passwort);
    logic.dfvKennzeichen = text(F::DfvKennzeichen);
    logic.datentraegerNummer = text(F::DatentraegerNummer);
    logic.abrechnungsNummer = text(F::AbrechnungsNummer);
    logic.kontoErweiterung = kontoErweiterung->isChecked();
    logic.kontoLaenge = text(F::KontoLaenge);
    logic.datumVon = text(F::DatumVon);
    logic.datumBis = text(F::DatumBis);
    logic.wirtschaftsjahr = text(F::Wirtschaftsjahr);
    logic.festschreibungIndex = festschreibung->currentIndex();
    if (!logic.OnOk()) {
        QMessageBox::warning(this, windowTitle(), ToQt(logic.error));
        if (QLineEdit* edit = Edit(logic.errorField)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    QDialog::accept();
}
