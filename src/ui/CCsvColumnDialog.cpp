#include "ui/CCsvColumnDialog.h"

#include "text/CDlgModulCsvImport.h"
#include "ui/CQtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void Fill(QComboBox* combo, const std::vector<std::string>& entries, int index) {
    for (const std::string& entry : entries)
        combo->addItem(ToQt(entry));
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

} // namespace

CColumnTree::CColumnTree(bool dragAndDropItems) : dragAndDrop(dragAndDropItems) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    if (!dragAndDrop) return;
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
}

void CColumnTree::AddItem(const QString& text, bool ticked) {
    auto* entry = new QTreeWidgetItem(this, {text});
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                    (dragAndDrop ? Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled : Qt::NoItemFlags));
    entry->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
}

void CColumnTree::ShowCurrent(int row) {
    if (QTreeWidgetItem* selected = topLevelItem(row)) {
        setCurrentItem(selected);
        scrollToItem(selected);
    }
}

const char* const kDragFormat = "application/x-pelko-spalte";

QMimeData* CColumnTree::DragData(int row) const {
    auto* data = new QMimeData;
    data->setData(kDragFormat, QString("%1:%2:%3")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(reinterpret_cast<quintptr>(this))
                                   .arg(row)
                                   .toLatin1());
    return data;
}

int CColumnTree::SourceRow(const QMimeData* data) const {
    QList<QByteArray> parts = data->data(kDragFormat).split(':');
    if (parts.size() != 3 || parts[0].toLongLong() != QCoreApplication::applicationPid() ||
        parts[1].toULongLong() != reinterpret_cast<quintptr>(this))
        return -1;
    return parts[2].toInt();
}

QTreeWidgetItem* CColumnTree::DropTarget(const QDropEvent* event) const {
    int source = SourceRow(event->mimeData());
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    return source >= 0 && target && indexOfTopLevelItem(target) != source ? target : nullptr;
}

void CColumnTree::startDrag(Qt::DropActions) {
    QTreeWidgetItem* source = currentItem();
    if (!source) return;
    // The drag image shows what moves: the file field after "<-- ".
    QString text = source->text(0);
    qsizetype arrow = text.indexOf("<-- ");
    if (arrow >= 0) text = text.mid(arrow + 4);
    QFontMetrics metrics(font());
    QPixmap image(metrics.horizontalAdvance(text) + 8, metrics.height() + 4);
    image.fill(palette().color(QPalette::Highlight));
    QPainter painter(&image);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    auto* drag = new QDrag(this);
    drag->setMimeData(DragData(indexOfTopLevelItem(source)));
    drag->setPixmap(image);
    drag->exec(Qt::MoveAction);
}

void CColumnTree::dragEnterEvent(QDragEnterEvent* event) {
    if (SourceRow(event->mimeData()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void CColumnTree::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event); // scrolls the neighbours into view
    if (DropTarget(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CColumnTree::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* target = DropTarget(event);
    // Nothing here moves an item: the dialog swaps the fields and rebuilds the list.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (target) emit Dropped(SourceRow(event->mimeData()), indexOfTopLevelItem(target));
}

CCsvColumnDialog::CCsvColumnDialog(CDlgModulCsv& logicRef, QWidget* parent)
    : QDialog(parent), separator(new QComboBox), charset(new QComboBox),
      quoteAll(new QCheckBox("Daten in Hochkomma")), noHeading(new QCheckBox("keine Überschriftszeile")),
      logic(logicRef), import(dynamic_cast<CDlgModulCsvImport*>(&logicRef)) {
    setWindowTitle(ToQt(logic.GetTitle()));
    tree = new CColumnTree(import != nullptr);
    confirm = new QPushButton(ToQt(logic.GetConfirmCaption()));
    confirm->setDefault(true);
    connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("Abbrechen");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    if (import)
        left->addWidget(new QLabel(QString::fromUtf8(" [Programm-Zuordnung] <-- [Überschrift aus Datei]")));
    left->addWidget(tree, 1);

    auto* selection = new QGroupBox("Selektion:");
    auto* selectionRow = new QHBoxLayout(selection);
    selectionRow->addWidget(Button("alle", &CCsvColumnDialog::SelectAll));
    selectionRow->addWidget(Button("keine", &CCsvColumnDialog::SelectNone));
    selectionRow->addWidget(Button("invertieren", &CCsvColumnDialog::Invert));
    auto* move = new QGroupBox("Position ändern");
    auto* moveRow = new QHBoxLayout(move);
    moveRow->addWidget(Button("hoch", &CCsvColumnDialog::MoveUp));
    moveRow->addWidget(Button("runter", &CCsvColumnDialog::MoveDown));
    auto* options = new QFormLayout;
    options->addRow("Daten-Trennzeichen:", separator);
    options->addRow("Zeichensatz:", charset);
    if (!import) {
        decimal = new QComboBox;
        options->addRow("Zeichen Nachkommastelle:", decimal);
    }
    options->addRow(quoteAll);
    options->addRow(noHeading);
    auto* profile = new QGroupBox("Profil:");
    auto* profileRow = new QHBoxLayout(profile);
    profileRow->addWidget(Button("speichern", &CCsvColumnDialog::SaveProfile));
    profileRow->addWidget(Button("laden", &CCsvColumnDialog::LoadProfile));

    auto* right = new QVBoxLayout;
    right->addWidget(selection);
    if (import) right->addWidget(Button("automatisch zuordnen", &CCsvColumnDialog::AutoAssign));
    right->addWidget(move);
    right->addLayout(options);
    right->addWidget(profile);
    right->addStretch();
    right->addWidget(confirm);
    right->addWidget(cancel);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        int row = tree->indexOfTopLevelItem(item);
        if ((item->checkState(0) == Qt::Checked) != logic.IsTicked(row)) logic.ToggleItem(row);
    });
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { logic.SelectItem(tree->indexOfTopLevelItem(item)); });
    connect(tree, &CColumnTree::Dropped, this, [this](int source, int target) {
        import->DropOn(source, target);
        ShowItems();
    });
    ShowOptions();
    ShowItems();
    resize(import ? 720 : 600, 520);
}

QPushButton* CCsvColumnDialog::Button(const char* text, void (CCsvColumnDialog::*action)()) {
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

void CCsvColumnDialog::ShowOptions() {
    separator->clear();
    charset->clear();
    Fill(separator, CDlgModulCsv::SeparatorEntries(), logic.separatorIndex);
    Fill(charset, CDlgModulCsv::CharsetEntries(), logic.oemCharset);
    if (decimal) {
        decimal->clear();
        Fill(decimal, CDlgModulCsv::DecimalEntries(), logic.decimalPoint);
    }
    quoteAll->setChecked(logic.quoteAll != 0);
    noHeading->setChecked(logic.noHeading != 0);
}

void CCsvColumnDialog::ShowItems() {
    tree->ShowItems(logic);
}

void CCsvColumnDialog::TakeControls() {
    logic.separatorIndex = separator->currentIndex();
    logic.oemCharset = charset->currentIndex() < 0 ? 0 : charset->currentIndex();
    if (decimal) logic.decimalPoint = decimal->currentIndex() < 0 ? 0 : decimal->currentIndex();
    logic.quoteAll = quoteAll->isChecked() ? 1 : 0;
    logic.noHeading = noHeading->isChecked() ? 1 : 0;
}

void CCsvColumnDialog::accept() {
    TakeControls();
    QDialog::accept();
}

void CCsvColumnDialog::SelectAll() {
    logic.SelectAll();
    ShowItems();
}

void CCsvColumnDialog::SelectNone() {
    logic.SelectNone();
    ShowItems();
}

void CCsvColumnDialog::Invert() {
    logic.InvertSelection();
    ShowItems();
}

void CCsvColumnDialog::AutoAssign() {
    import->AutoAssign();
    ShowItems();
}

void CCsvColumnDialog::MoveUp() {
    logic.MoveUp();
    ShowItems();
}

void CCsvColumnDialog::MoveDown() {
    logic.MoveDown();
    ShowItems();
}

void CCsvColumnDialog::SaveProfile() {
    TakeControls();
    logic.SaveProfile();
}

void CCsvColumnDialog::LoadProfile() {
    TakeControls(); // a cancelled load keeps what the user set
    logic.LoadProfile();
    ShowOptions();
    ShowItems();
}
