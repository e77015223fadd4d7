#include "DuplicateImportDialog.h"

#include "FoundActionDelegate.h"
#include "ImportExportText.h"
#include "MatchReasons.h"
#include "core/BookImport.h"
#include "ui_DuplicateImportDialog.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace {

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), ImportExportText::LineBreakMark);
    text.replace(u'\n', ImportExportText::LineBreakMark);
    return text;
}

constexpr int FittedRows = 200;
constexpr int SliceMs = 8;

enum Column
{
    FieldColumn,
    BookColumn,
    FileColumn,
    ReasonColumn,
    ActionColumn,
};

} // namespace

DuplicateImportDialog::DuplicateImportDialog(BookImport& import, QWidget* parent,
                                             const std::function<void()>& waiting)
    : QDialog(parent), ui(new Ui::DuplicateImportDialog), m_import(import)
{
    ui->setupUi(this);
    setWindowTitle(ImportExportText::FoundTitle);
    ui->countLabel->setText(ImportExportText::FoundCount.arg(import.found().size()));
    ui->foundTree->setHeaderLabels(ImportExportText::FoundColumns);
    ui->skipAllButton->setText(ImportExportText::FoundSkipAll);
    ui->mergeAllButton->setText(ImportExportText::FoundMergeAll);
    ui->addAllButton->setText(ImportExportText::FoundAddAll);
    ui->importButton->setText(ImportExportText::FoundImport);
    ui->cancelButton->setText(ImportExportText::Cancel);

    // Thousands of rows are built apart and handed over at once.
    QStringList actions = ImportExportText::FoundActions;
    QStringList updates = actions;
    updates[int(BookImport::Duplicate::Merge)] = ImportExportText::FoundUpdate;
    QList<QTreeWidgetItem*> items;
    items.reserve(import.found().size());
    QElapsedTimer slice;
    slice.start();
    for (const BookImport::Found& f : import.found()) {
        if (waiting && items.size() % 32 == 0 && slice.elapsed() >= SliceMs) {
            waiting();
            slice.restart();
        }
        auto* item = new QTreeWidgetItem;
        item->setText(FieldColumn, ImportExportText::FoundName);
        item->setText(BookColumn, f.bookName);
        item->setText(FileColumn, f.name);
        item->setText(ReasonColumn, MatchReasons::text(f.reasons));
        const QStringList& choices = f.sameUid ? updates : actions;
        item->setText(ActionColumn, choices.value(int(f.action)));
        item->setData(ActionColumn, FoundActionDelegate::ActionRole, int(f.action));
        item->setData(ActionColumn, FoundActionDelegate::ChoicesRole, choices);
        QList<QTreeWidgetItem*> rows;
        rows.reserve(f.differences.size());
        for (const BookImport::Difference& d : f.differences) {
            auto* row = new QTreeWidgetItem;
            row->setText(FieldColumn, d.field);
            row->setText(BookColumn, oneLine(d.book));
            row->setText(FileColumn, oneLine(d.file));
            rows << row;
        }
        item->addChildren(rows);
        items << item;
    }
    ui->foundTree->setItemDelegateForColumn(ActionColumn, new FoundActionDelegate(ui->foundTree));
    ui->foundTree->addTopLevelItems(items);
    ui->foundTree->expandAll();
    // The box to choose with is on the current contact's row; F2 or Space reach it.
    connect(ui->foundTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                if (previous && contactOf(previous) != contactOf(current))
                    ui->foundTree->closePersistentEditor(contactOf(previous), ActionColumn);
                if (current)
                    ui->foundTree->openPersistentEditor(contactOf(current), ActionColumn);
            });
    ui->foundTree->installEventFilter(this);
    // Sized once to what the first rows show: fitting every row of thousands anew at each
    // layout would hold the window up, and the user may widen a column.
    QHeaderView* header = ui->foundTree->header();
    header->setResizeContentsPrecision(FittedRows);
    for (int c = FieldColumn; c <= ActionColumn; ++c)
        ui->foundTree->resizeColumnToContents(c);

    connect(ui->skipAllButton, &QPushButton::clicked, this,
            [this] { setAll(int(BookImport::Duplicate::Skip)); });
    connect(ui->mergeAllButton, &QPushButton::clicked, this,
            [this] { setAll(int(BookImport::Duplicate::Merge)); });
    connect(ui->addAllButton, &QPushButton::clicked, this,
            [this] { setAll(int(BookImport::Duplicate::AddNew)); });
    connect(ui->importButton, &QPushButton::clicked, this, [this] {
        apply();
        accept();
    });
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    if (ui->foundTree->topLevelItemCount() > 0)
        ui->foundTree->setCurrentItem(ui->foundTree->topLevelItem(0));
    ui->importButton->setFocus();
}

DuplicateImportDialog::~DuplicateImportDialog() = default;

QTreeWidgetItem* DuplicateImportDialog::contactOf(QTreeWidgetItem* item)
{
    while (item && item->parent())
        item = item->parent();
    return item;
}

bool DuplicateImportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->foundTree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Space) {
            QTreeWidgetItem* contact = contactOf(ui->foundTree->currentItem());
            if (QWidget* box =
                    contact ? ui->foundTree->itemWidget(contact, ActionColumn) : nullptr) {
                box->setFocus(Qt::ShortcutFocusReason);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DuplicateImportDialog::setAll(int action)
{
    {
        // Told row by row, the tree measures every row's place anew: thousands hold the window
        // up. It repaints once instead, and the box on the current row is told alone.
        const QSignalBlocker quiet(ui->foundTree->model());
        for (int i = 0; i < ui->foundTree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = ui->foundTree->topLevelItem(i);
            item->setData(ActionColumn, FoundActionDelegate::ActionRole, action);
            item->setText(ActionColumn, item->data(ActionColumn, FoundActionDelegate::ChoicesRole)
                                            .toStringList()
                                            .value(action));
        }
    }
    ui->foundTree->viewport()->update();
    QTreeWidgetItem* current = contactOf(ui->foundTree->currentItem());
    if (QWidget* box = current ? ui->foundTree->itemWidget(current, ActionColumn) : nullptr) {
        const QModelIndex index = ui->foundTree->model()->index(
            ui->foundTree->indexOfTopLevelItem(current), ActionColumn);
        ui->foundTree->itemDelegateForColumn(ActionColumn)->setEditorData(box, index);
    }
}

void DuplicateImportDialog::apply()
{
    for (int i = 0; i < ui->foundTree->topLevelItemCount(); ++i)
        m_import.setAction(
            i, BookImport::Duplicate(ui->foundTree->topLevelItem(i)
                                         ->data(ActionColumn, FoundActionDelegate::ActionRole)
                                         .toInt()));
}
