#include "ImportSummaryDialog.h"

#include "ImportExportText.h"
#include "core/BookImport.h"
#include "core/Text.h"
#include "ui_ImportSummaryDialog.h"

#include <QCheckBox>
#include <algorithm>

namespace {

constexpr char kGroupProperty[] = "group";

// A heading and its entries, at most MaxListed of them.
template <typename List, typename Format>
void appendSection(QStringList& lines, const QString& heading, const List& entries, Format format)
{
    if (entries.isEmpty())
        return;
    if (!lines.isEmpty())
        lines << QString();
    lines << heading.arg(entries.size());
    const qsizetype listed = std::min<qsizetype>(entries.size(), ImportSummaryDialog::MaxListed);
    for (qsizetype i = 0; i < listed; ++i)
        lines << format(entries[i]);
    if (entries.size() > listed)
        lines << ImportExportText::SummaryMore.arg(entries.size() - listed);
}

} // namespace

ImportSummaryDialog::ImportSummaryDialog(const BookImport& import, QWidget* parent)
    : QDialog(parent), ui(new Ui::ImportSummaryDialog)
{
    ui->setupUi(this);
    setWindowTitle(ImportExportText::SummaryTitle);
    ui->countLabel->setText(ImportExportText::SummaryCount.arg(import.added()));
    ui->okButton->setText(ImportExportText::SummaryOk);
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);

    using Note = BookImport::FieldNote;
    QStringList lines;
    appendSection(lines, ImportExportText::SummaryReplaced, import.replaced(), [](const Note& n) {
        const QList<uint> code = n.detail.toUcs4();
        return ImportExportText::SummaryReplacedItem.arg(
            n.contact, n.field, Text::visible(n.detail),
            QString::number(code.value(0), 16).toUpper().rightJustified(4, u'0'));
    });
    appendSection(lines, ImportExportText::SummaryCut, import.cut(), [](const Note& n) {
        return ImportExportText::SummaryCutItem.arg(n.contact, n.field);
    });
    appendSection(lines, ImportExportText::SummaryUnread, import.unread(),
                  [](const BookImport::UnreadNote& n) {
                      return (n.joined ? ImportExportText::SummaryUnreadJoined
                                       : ImportExportText::SummaryUnreadItem)
                          .arg(n.line)
                          .arg(n.text);
                  });
    appendSection(lines, ImportExportText::SummaryInMemo, import.inMemo(), [](const Note& n) {
        return ImportExportText::SummaryInMemoItem.arg(
            n.contact, QString(n.detail).replace(u'\n', ImportExportText::SummaryInMemoSeparator));
    });
    appendSection(lines, ImportExportText::SummaryRefused, import.refused(),
                  [](const BookImport::LineNote& n) {
                      return ImportExportText::SummaryRefusedItem.arg(n.line).arg(n.reason);
                  });
    const auto note = [&lines](const QString& text) {
        if (!lines.isEmpty())
            lines << QString();
        lines << text;
    };
    if (!import.found().isEmpty())
        note(ImportExportText::SummaryFound.arg(import.found().size())
                 .arg(import.merged())
                 .arg(import.updated())
                 .arg(import.skipped()));
    if (import.mergesAdded() > 0)
        note(ImportExportText::SummaryMergesAdded.arg(import.mergesAdded()));
    if (import.unchanged() > 0)
        note(ImportExportText::SummaryUnchanged.arg(import.unchanged()));
    if (import.photosSkipped() > 0) {
        if (!lines.isEmpty())
            lines << QString();
        lines << ImportExportText::SummaryPhotos.arg(import.photosSkipped());
    }
    ui->detailsText->setPlainText(lines.join(u'\n'));
    ui->detailsText->setVisible(!lines.isEmpty());

    const QStringList groups = import.missingGroups();
    ui->groupsBox->setTitle(ImportExportText::SummaryGroups);
    ui->groupsNote->setText(ImportExportText::SummaryGroupsNote);
    for (const QString& group : groups) {
        // "&" in a name is shown, not taken as a shortcut mark.
        auto* box =
            new QCheckBox(QString(group).replace(u'&', QStringLiteral("&&")), ui->groupsList);
        box->setProperty(kGroupProperty, group);
        box->setChecked(true);
        ui->groupsListLayout->addWidget(box);
        m_groupBoxes << box;
    }
    ui->groupsListLayout->addStretch();
    ui->groupsBox->setVisible(!groups.isEmpty());

    // As tall as what there is to show, up to a screenful; the user may make it taller.
    const int line = fontMetrics().lineSpacing();
    ui->detailsText->setMinimumHeight(line * int(std::min<qsizetype>(lines.size() + 2, 16)));
    if (!m_groupBoxes.isEmpty()) {
        const QMargins margins = ui->groupsListLayout->contentsMargins();
        const int row = m_groupBoxes.first()->sizeHint().height() +
                        std::max(ui->groupsListLayout->spacing(), 0);
        ui->groupsArea->setMinimumHeight(row * int(std::min<qsizetype>(groups.size(), 6)) +
                                         margins.top() + margins.bottom() +
                                         2 * ui->groupsArea->frameWidth());
    }
    // The note wraps: its height follows the width.
    resize(width(), std::max(minimumSizeHint().height(), layout()->totalHeightForWidth(width())));
    ui->okButton->setFocus();
}

ImportSummaryDialog::~ImportSummaryDialog() = default;

QStringList ImportSummaryDialog::chosenGroups() const
{
    QStringList chosen;
    for (const QCheckBox* box : m_groupBoxes) {
        if (box->isChecked())
            chosen << box->property(kGroupProperty).toString();
    }
    return chosen;
}

QString ImportSummaryDialog::details() const
{
    return ui->detailsText->toPlainText();
}
