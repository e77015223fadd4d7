#include "DuplicateFinderDialog.h"

#include "ImportExportText.h"
#include "MatchReasons.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "core/Text.h"
#include "model/book/ContactExtras.h"
#include "model/exchange/ExchangeText.h"
#include "model/match/ContactMerge.h"
#include "model/match/DuplicateScan.h"
#include "ui/common/MessageBox.h"
#include "ui_DuplicateFinderDialog.h"

#include <QComboBox>
#include <QHeaderView>
#include <algorithm>

namespace {

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), ImportExportText::LineBreakMark);
    text.replace(u'\n', ImportExportText::LineBreakMark);
    return text;
}

} // namespace

// What the worker reads and writes: a copy of the book's contacts, so that the book may change
// meanwhile.
struct DuplicateFinderDialog::Scan
{
    std::vector<AddressRecord*> records; // the book's, only compared on this thread
    std::vector<AddressRecord> copies;
    std::vector<std::string> readings;
    std::vector<DuplicateScan::Group> groups;
};

DuplicateFinderDialog::DuplicateFinderDialog(CVOK_AddressDoc& doc, QWidget* parent)
    : QDialog(parent), ui(new Ui::DuplicateFinderDialog), m_doc(doc)
{
    ui->setupUi(this);
    setWindowTitle(ImportExportText::DuplicatesTitle);
    ui->fieldTable->setHorizontalHeaderLabels(ImportExportText::DuplicatesColumns);
    ui->fieldTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui->mergeButton->setText(ImportExportText::DuplicatesMerge);
    ui->notSameButton->setText(ImportExportText::DuplicatesNotSame);
    ui->closeButton->setText(ImportExportText::DuplicatesClose);
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->mergeButton, &QPushButton::clicked, this, &DuplicateFinderDialog::mergeCurrent);
    connect(ui->notSameButton, &QPushButton::clicked, this, &DuplicateFinderDialog::notSameCurrent);
    connect(ui->groupList, &QListWidget::currentRowChanged, this,
            &DuplicateFinderDialog::showGroup);
    // A contact taken out of the book meanwhile leaves its groups.
    connect(&doc, &CVOK_AddressDoc::recordsRemoving, this, [this] {
        QMetaObject::invokeMethod(this, &DuplicateFinderDialog::refreshList, Qt::QueuedConnection);
    });
    startScan();
}

DuplicateFinderDialog::~DuplicateFinderDialog()
{
    if (m_worker.joinable())
        m_worker.join();
}

void DuplicateFinderDialog::startScan()
{
    ui->countLabel->setText(ImportExportText::DuplicatesSearching);
    ui->busyBar->show();
    ui->mergeButton->setEnabled(false);
    ui->notSameButton->setEnabled(false);
    auto scan = std::make_shared<Scan>();
    const RecordList& records = m_doc.records();
    scan->records.reserve(records.size());
    scan->copies.reserve(records.size());
    scan->readings.reserve(records.size());
    const ContactFinder& finder = m_doc.finder();
    for (const auto& r : records) {
        scan->records.push_back(r.get());
        scan->copies.push_back(*r);
        scan->copies.back().setUid(r->uid());
        scan->readings.emplace_back(finder.readingOf(r->name()).text);
    }
    m_done = false;
    m_worker = std::thread([this, scan] {
        ContactMatcher matcher;
        matcher.reserve(scan->copies.size());
        for (std::size_t i = 0; i < scan->copies.size(); ++i)
            matcher.add(ContactMatcher::keysOf(scan->copies[i], scan->readings[i]));
        scan->groups = DuplicateScan::groups(matcher);
        QMetaObject::invokeMethod(
            this, [this, scan] { showResult(scan); }, Qt::QueuedConnection);
    });
}

void DuplicateFinderDialog::showResult(const std::shared_ptr<Scan>& scan)
{
    if (m_worker.joinable())
        m_worker.join();
    m_done = true;
    ui->busyBar->hide();
    m_groups.clear();
    for (const DuplicateScan::Group& g : scan->groups) {
        Group group{{}, int(g.confidence), g.reasons};
        for (std::size_t i : g.members)
            group.members.push_back(scan->records[i]);
        m_groups.push_back(std::move(group));
    }
    refreshList();
    emit scanFinished();
}

bool DuplicateFinderDialog::groupStillThere(const Group& group) const
{
    return std::count_if(group.members.begin(), group.members.end(),
                         [this](AddressRecord* r) { return m_doc.contains(r); }) >= 2;
}

void DuplicateFinderDialog::refreshList()
{
    if (!m_done)
        return;
    for (Group& g : m_groups)
        std::erase_if(g.members, [this](AddressRecord* r) { return !m_doc.contains(r); });
    std::erase_if(m_groups, [](const Group& g) { return g.members.size() < 2; });
    const int current = std::max(ui->groupList->currentRow(), 0);
    const QSignalBlocker block(ui->groupList);
    ui->groupList->clear();
    for (const Group& g : m_groups)
        ui->groupList->addItem(
            ImportExportText::DuplicatesGroup.arg(Text::fromCp932(g.members.front()->name()))
                .arg(g.members.size() - 1)
                .arg(MatchReasons::confidence(g.confidence), MatchReasons::text(g.reasons)));
    ui->countLabel->setText(m_groups.empty()
                                ? ImportExportText::DuplicatesNone
                                : ImportExportText::DuplicatesCount.arg(m_groups.size()));
    const bool any = !m_groups.empty();
    ui->mergeButton->setEnabled(any);
    ui->notSameButton->setEnabled(any);
    if (any) {
        ui->groupList->setCurrentRow(std::min(current, int(m_groups.size()) - 1));
        showGroup(ui->groupList->currentRow());
        ui->groupList->setFocus();
    } else {
        showGroup(-1);
        ui->closeButton->setFocus();
    }
}

void DuplicateFinderDialog::showGroup(int row)
{
    ui->fieldTable->setRowCount(0);
    m_choices.clear();
    m_rowField.clear();
    if (row < 0 || row >= int(m_groups.size()))
        return;
    const Group& g = m_groups[std::size_t(row)];
    for (int f = 0; f < AddressRecord::FieldCount; ++f) {
        auto* box = new QComboBox;
        QStringList seen;
        for (std::size_t i = 0; i < g.members.size(); ++i) {
            const QString value = Text::fromCp932(g.members[i]->field(f));
            if (value.isEmpty() || seen.contains(value))
                continue;
            seen << value;
            box->addItem(oneLine(value), int(i));
        }
        if (seen.isEmpty()) {
            delete box;
            continue;
        }
        const int at = ui->fieldTable->rowCount();
        ui->fieldTable->insertRow(at);
        const std::string_view name = ExchangeText::FieldNames[std::size_t(f)];
        auto* label = new QTableWidgetItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
        label->setFlags(Qt::ItemIsEnabled);
        ui->fieldTable->setItem(at, 0, label);
        ui->fieldTable->setCellWidget(at, 1, box);
        // Memos are joined whole; nothing to choose there.
        box->setEnabled(f != AddressRecord::Memo && f != AddressRecord::OfficeMemo);
        m_choices << box;
        m_rowField.push_back(f);
    }
}

void DuplicateFinderDialog::mergeCurrent()
{
    const int row = ui->groupList->currentRow();
    if (row < 0 || row >= int(m_groups.size()) || !groupStillThere(m_groups[std::size_t(row)]))
        return;
    const Group& g = m_groups[std::size_t(row)];
    ContactMerge::Choice choice = ContactMerge::firstValues();
    for (qsizetype i = 0; i < m_choices.size(); ++i)
        choice[std::size_t(m_rowField[std::size_t(i)])] = m_choices[i]->currentData().toInt();
    const std::vector<const AddressRecord*> members(g.members.begin(), g.members.end());
    AddressRecord merged;
    if (!ContactMerge::merge(members, choice, merged)) {
        MessageBox::information(this, ImportExportText::DuplicatesTooLong);
        return;
    }
    // The first contact stays (its identity with it); the others leave, in one step.
    AddressRecord* kept = g.members.front();
    const std::vector<const AddressRecord*> others(members.begin() + 1, members.end());
    m_doc.MergeRecords(kept, merged, others);
    m_groups.erase(m_groups.begin() + row);
    refreshList();
}

void DuplicateFinderDialog::notSameCurrent()
{
    const int row = ui->groupList->currentRow();
    if (row < 0 || row >= int(m_groups.size()))
        return;
    const Group g = m_groups[std::size_t(row)];
    // Each contact remembers the others, so that no later search proposes them again.
    bool join = false;
    for (AddressRecord* r : g.members) {
        if (!m_doc.contains(r))
            continue;
        ContactExtras x = r->extras() ? *r->extras() : ContactExtras();
        for (const AddressRecord* other : g.members) {
            const std::string uid = other->uid().toString();
            if (other != r && std::find(x.notDuplicates.begin(), x.notDuplicates.end(), uid) ==
                                  x.notDuplicates.end())
                x.notDuplicates.push_back(uid);
        }
        AddressRecord value(*r);
        value.setExtras(x);
        m_doc.JoinChanges(join);
        join = m_doc.ChangeRecord(r, value) || join;
    }
    m_doc.JoinChanges(false);
    m_groups.erase(m_groups.begin() + row);
    refreshList();
}
