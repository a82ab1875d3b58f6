#include "ui/CAboutBox.h"

#include "core/CTool.h"
#include "ui/CQtText.h"

#include <QBitmap>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include <cerrno>

CAboutBox::CAboutBox(QWidget* parent)
    : QDialog(parent), systemLine(new QLabel), iniButton(new QPushButton("INI")) {
    setWindowTitle(QString::fromUtf8("Info über Pelko"));
    auto* name = new QLabel(QString("<b>Pelko</b> Version %1").arg(PELKO_VERSION));
    auto* purpose = new QLabel(QString::fromUtf8("Konvertierung von Buchungs- und Stammdaten"));
    systemLine->setText(QString::fromUtf8("Betriebssystem: %1, Kernel %2 (%3)")
                            .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
                                 QSysInfo::currentCpuArchitecture()));
    systemLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ok = new QPushButton("OK");
    ok->setDefault(true);
    iniButton->setAutoDefault(false);
    iniButton->setToolTip(QString::fromUtf8("Öffnet den Ordner mit den Einstellungen"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(iniButton, &QPushButton::clicked, this, &CAboutBox::OpenDataFolder);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(iniButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* logo = new QLabel;
    logo->setPixmap(Logo().scaledToHeight(64, Qt::SmoothTransformation));
    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(purpose);
    text->addWidget(systemLine);
    auto* top = new QHBoxLayout;
    top->addWidget(logo, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

QPixmap CAboutBox::Logo() {
    QPixmap logo(ToQt(CTool::GetProgramDir()) + "/logo.bmp");
    // A bitmap has no transparency: cut the background away from the edges inwards.
    if (!logo.isNull()) logo.setMask(logo.createHeuristicMask());
    return logo;
}

void CAboutBox::OpenDataFolder() {
    const QString folder = ToQt(CTool::GetDataDir(true));
    int error = 0;
    if (!QDir(folder).exists())
        error = ENOENT;
    else if (errno = 0; !QProcess::startDetached("xdg-open", {folder}))
        error = errno ? errno : ENOENT;
    if (error)
        QMessageBox::critical(
            this, "Pelko",
            QString::fromUtf8("FEHLER (%1): INI-Verzeichnis '%2' konnte nicht gefunden werden.")
                .arg(error)
                .arg(folder));
}
