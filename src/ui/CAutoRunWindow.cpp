#include "ui/CAutoRunWindow.h"

#include "core/CAutoRun.h"
#include "ui/CQtFrontEnd.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

CAutoRunWindow::CAutoRunWindow(CQtFrontEnd& frontEndRef, std::string line, QWidget* parent)
    : QDialog(parent), progress(new QProgressBar), status(new QLabel), cancel(new QPushButton("Abbrechen")),
      frontEnd(frontEndRef), commandLine(std::move(line)) {
    setWindowTitle("Pelko");
    frontEnd.SetUnattended(true);
    progress->setTextVisible(false);
    // The run cannot be stopped half-way without damaging its target; the button stays hidden.
    cancel->setEnabled(false);
    cancel->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progress);
    layout->addWidget(status);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    resize(460, sizeHint().height());
    frontEnd.Attach(this, status, progress);
    timer.setInterval(kTickMs);
    connect(&timer, &QTimer::timeout, this, &CAutoRunWindow::Tick);
}

CAutoRunWindow::~CAutoRunWindow() {
    if (worker) worker->wait();
}

void CAutoRunWindow::Start() {
    worker = QThread::create([this] { exitStatus = CAutoRun(frontEnd).Execute(commandLine); });
    connect(worker, &QThread::finished, this, [this] {
        worker->deleteLater();
        worker = nullptr;
        ticks = 0;
        progress->setRange(0, 100);
        progress->setValue(0);
        timer.start();
        emit RunFinished();
    });
    worker->start();
}

void CAutoRunWindow::Tick() {
    progress->setValue(++ticks);
    if (ticks < kTicks) return;
    timer.stop();
    close();
}

void CAutoRunWindow::reject() {
    if (!worker) QDialog::reject(); // the run ends first; its status is the program's
}

void CAutoRunWindow::closeEvent(QCloseEvent* event) {
    if (worker)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
