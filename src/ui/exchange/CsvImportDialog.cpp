#include "CsvImportDialog.h"

#include "ImportExportText.h"
#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/exchange/ExchangeText.h"
#include "ui_CsvImportDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <algorithm>

namespace {

using Encoding = ForeignCsv::Encoding;

constexpr std::size_t kExampleRows = 5;

QString utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), ImportExportText::LineBreakMark);
    text.replace(u'\n', ImportExportText::LineBreakMark);
    return text;
}

} // namespace

CsvImportDialog::CsvImportDialog(const std::string& bytes, const QString& fileName,
                                 const QStringList& groups, std::vector<std::string> knownGroups,
                                 QWidget* parent)
    : QDialog(parent), ui(new Ui::CsvImportDialog), m_bytes(bytes), m_groups(groups),
      m_known(std::move(knownGroups)), m_choices(CsvColumn::choices())
{
    ui->setupUi(this);
    setWindowTitle(ImportExportText::CsvTitle.arg(QFileInfo(fileName).fileName()));
    ui->encodingLabel->setText(ImportExportText::CsvEncoding);
    ui->headerCheck->setText(ImportExportText::CsvHeader);
    ui->groupLabel->setText(ImportExportText::CsvGroup);
    ui->columnsLabel->setText(ImportExportText::CsvColumns);
    ui->importButton->setText(ImportExportText::CsvImport);
    ui->cancelButton->setText(ImportExportText::Cancel);
    ui->columnTable->setColumnCount(3);
    ui->columnTable->setHorizontalHeaderLabels({ImportExportText::CsvColumnName,
                                                ImportExportText::CsvColumnExample,
                                                ImportExportText::CsvColumnTarget});

    const ForeignCsv::Plan guessed = ForeignCsv::guessPlan(m_bytes);
    const std::pair<Encoding, QString> encodings[] = {
        {Encoding::Cp932, ImportExportText::CsvCp932},
        {Encoding::Utf8, ImportExportText::CsvUtf8},
        {Encoding::Utf8Bom, ImportExportText::CsvUtf8Bom},
        {Encoding::Utf16, ImportExportText::CsvUtf16}};
    for (const auto& [encoding, name] : encodings) {
        // UTF-16 only reads with its byte-order mark, so it is offered only for such a file.
        if (encoding != Encoding::Utf16 || guessed.encoding == Encoding::Utf16)
            ui->encodingCombo->addItem(name, int(encoding));
    }
    takePlan(guessed);

    connect(ui->encodingCombo, &QComboBox::activated, this, &CsvImportDialog::onEncodingChosen);
    connect(ui->headerCheck, &QCheckBox::toggled, this, &CsvImportDialog::onHeaderToggled);
    connect(ui->groupCombo, &QComboBox::activated, this, &CsvImportDialog::showSample);
    connect(ui->importButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CsvImportDialog::~CsvImportDialog() = default;

void CsvImportDialog::takePlan(const ForeignCsv::Plan& plan)
{
    m_plan = plan;
    ui->encodingCombo->setCurrentIndex(ui->encodingCombo->findData(int(plan.encoding)));
    const QSignalBlocker quiet(ui->headerCheck);
    ui->headerCheck->setChecked(plan.hasHeader);
    fillColumns();
    fillGroups();
    showSample();
}

void CsvImportDialog::onEncodingChosen()
{
    // Header names read differently in another encoding: guess the columns again.
    takePlan(ForeignCsv::guessPlan(
        m_bytes, static_cast<Encoding>(ui->encodingCombo->currentData().toInt())));
}

void CsvImportDialog::onHeaderToggled(bool on)
{
    m_plan.hasHeader = on;
    fillColumns();
    showSample();
}

void CsvImportDialog::onColumnChosen(int column, int choice)
{
    if (column < 0 || std::size_t(column) >= m_plan.columns.size() || choice < 0 ||
        std::size_t(choice) >= m_choices.size())
        return;
    m_plan.columns[std::size_t(column)] = m_choices[std::size_t(choice)];
    fillGroups();
    showSample();
}

int CsvImportDialog::choiceIndex(const CsvColumn& column) const
{
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        if (m_choices[i].field == column.field && m_choices[i].part == column.part)
            return int(i);
    }
    return 0;
}

void CsvImportDialog::fillColumns()
{
    const ForeignCsv::Table top = ForeignCsv::rows(m_bytes, m_plan.encoding, m_plan.delimiter, 1);
    const std::vector<std::string> header =
        m_plan.hasHeader && !top.rows.empty() ? top.rows.front() : std::vector<std::string>();
    const ForeignCsv::Table rows = ForeignCsv::preview(m_bytes, m_plan, kExampleRows);
    std::size_t count = std::max(m_plan.columns.size(), top.rows.empty() ? 0 : top.rows[0].size());
    for (const auto& row : rows.rows)
        count = std::max(count, row.size());
    m_plan.columns.resize(count);

    QTableWidget* table = ui->columnTable;
    table->setRowCount(int(count));
    for (std::size_t c = 0; c < count; ++c) {
        const int row = int(c);
        const QString name = c < header.size() && !header[c].empty()
                                 ? utf8(header[c])
                                 : ImportExportText::CsvNumberedColumn.arg(c + 1);
        QString example;
        for (const auto& cells : rows.rows) {
            if (c < cells.size() && !cells[c].empty()) {
                example = oneLine(utf8(cells[c]));
                break;
            }
        }
        table->setItem(row, 0, new QTableWidgetItem(name));
        table->setItem(row, 1, new QTableWidgetItem(example));
        auto* combo = qobject_cast<QComboBox*>(table->cellWidget(row, 2));
        if (!combo) {
            combo = new QComboBox(table);
            for (const CsvColumn& choice : m_choices)
                combo->addItem(QString::fromStdString(choice.label()));
            combo->setMaxVisibleItems(20);
            connect(combo, &QComboBox::activated, this,
                    [this, row](int choice) { onColumnChosen(row, choice); });
            table->setCellWidget(row, 2, combo);
        }
        combo->setCurrentIndex(choiceIndex(m_plan.columns[c]));
    }
    table->resizeColumnToContents(0);
    table->setColumnWidth(1, std::min(table->columnWidth(0) * 2 + 120, 320));
}

bool CsvImportDialog::hasGroupColumn() const
{
    return std::any_of(m_plan.columns.begin(), m_plan.columns.end(),
                       [](const CsvColumn& c) { return c.field == AddressRecord::Group; });
}

void CsvImportDialog::fillGroups()
{
    QComboBox* combo = ui->groupCombo;
    const bool had = combo->count() > 0 && combo->itemData(0).toString().isEmpty();
    const bool has = hasGroupColumn();
    QString chosen = combo->currentData().toString();
    if (has && !had)
        chosen.clear(); // a group column, guessed or just chosen, is what the file means
    else if (!has && chosen.isEmpty())
        chosen = CVOK_AddressDoc::OtherGroup;
    combo->clear();
    if (has)
        combo->addItem(ImportExportText::CsvGroupColumn, QString());
    for (const QString& group : m_groups)
        combo->addItem(group, group);
    combo->setCurrentIndex(std::max(combo->findData(chosen), 0));
}

ForeignCsv::Plan CsvImportDialog::plan() const
{
    ForeignCsv::Plan chosen = m_plan;
    const QString group = ui->groupCombo->currentData().toString();
    if (group.isEmpty()) {
        chosen.targetGroup = Text::toCp932Lossy(CVOK_AddressDoc::OtherGroup);
        return chosen;
    }
    // A group chosen here holds every contact, whatever a group column says.
    chosen.targetGroup = Text::toCp932(group).value_or(std::string());
    for (CsvColumn& column : chosen.columns) {
        if (column.field == AddressRecord::Group)
            column = CsvColumn();
    }
    return chosen;
}

QComboBox* CsvImportDialog::columnCombo(int column) const
{
    return qobject_cast<QComboBox*>(ui->columnTable->cellWidget(column, 2));
}

void CsvImportDialog::showSample()
{
    const ImportResult sample = ForeignCsv::apply(m_bytes, plan(), m_known, SampleRows);
    constexpr int readingColumn = AddressRecord::FieldCount;
    // The name, and whatever else the first contacts fill.
    std::vector<int> shown;
    for (int f = 0; f < readingColumn; ++f) {
        if (f == AddressRecord::Name ||
            std::any_of(sample.records.begin(), sample.records.end(),
                        [f](const auto& r) { return !r->field(f).empty(); }))
            shown.push_back(f);
    }
    if (std::any_of(sample.readings.begin(), sample.readings.end(),
                    [](const std::string& s) { return !s.empty(); }))
        shown.push_back(readingColumn);
    QTableWidget* table = ui->sampleTable;
    table->clear();
    table->setColumnCount(int(shown.size()));
    table->setRowCount(int(sample.records.size()));
    QStringList headers;
    for (int f : shown)
        headers << utf8(f == readingColumn ? ExchangeText::Reading
                                           : ExchangeText::FieldNames[std::size_t(f)]);
    table->setHorizontalHeaderLabels(headers);
    for (std::size_t r = 0; r < sample.records.size(); ++r) {
        for (std::size_t c = 0; c < shown.size(); ++c) {
            const int f = shown[c];
            const QString value = f == readingColumn ? utf8(sample.readings[r])
                                                     : Text::fromCp932(sample.records[r]->field(f));
            table->setItem(int(r), int(c), new QTableWidgetItem(oneLine(value)));
        }
    }
    table->resizeColumnsToContents();
    for (int c = 0; c < table->columnCount(); ++c)
        table->setColumnWidth(c, std::min(table->columnWidth(c), 240));
    ui->sampleLabel->setText(sample.records.empty()
                                 ? ImportExportText::CsvNoSample
                                 : ImportExportText::CsvSample.arg(sample.records.size()));
}
