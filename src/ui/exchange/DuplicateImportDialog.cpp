#include "DuplicateImportDialog.h"

#include "ImportExportText.h"
#include "MatchReasons.h"
#include "core/BookImport.h"
#include "core/Text.h"
#include "ui_DuplicateImportDialog.h"

#include <QComboBox>
#include <QHeaderView>

namespace {

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), ImportExportText::LineBreakMark);
    text.replace(u'\n', ImportExportText::LineBreakMark);
    return text;
}

enum Column
{
    FieldColumn,
    BookColumn,
    FileColumn,
    ReasonColumn,
    ActionColumn,
};

} // namespace

DuplicateImportDialog::DuplicateImportDialog(BookImport& import, QWidget* parent)
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

    for (const BookImport::Found& f : import.found()) {
        auto* item = new QTreeWidgetItem(ui->foundTree);
        item->setText(FieldColumn, ImportExportText::FoundName);
        item->setText(BookColumn, Text::fromCp932(f.existing->name()));
        item->setText(FileColumn, f.name);
        item->setText(ReasonColumn, MatchReasons::text(f.reasons));
        for (const BookImport::Difference& d : f.differences) {
            auto* row = new QTreeWidgetItem(item);
            row->setText(FieldColumn, d.field);
            row->setText(BookColumn, oneLine(d.book));
            row->setText(FileColumn, oneLine(d.file));
        }
        auto* action = new QComboBox(ui->foundTree);
        QStringList actions = ImportExportText::FoundActions;
        if (f.sameUid)
            actions[int(BookImport::Duplicate::Merge)] = ImportExportText::FoundUpdate;
        action->addItems(actions);
        action->setCurrentIndex(int(f.action));
        ui->foundTree->setItemWidget(item, ActionColumn, action);
        m_actions << action;
        item->setExpanded(true);
    }
    ui->foundTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

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

void DuplicateImportDialog::setAll(int action)
{
    for (QComboBox* box : m_actions)
        box->setCurrentIndex(action);
}

void DuplicateImportDialog::apply()
{
    for (qsizetype i = 0; i < m_actions.size(); ++i)
        m_import.setAction(i, BookImport::Duplicate(m_actions[i]->currentIndex()));
}
