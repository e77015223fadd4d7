#include "SyncLogDialog.h"

#include "AppText.h"
#include "SyncLog.h"
#include "ui_SyncLogDialog.h"

#include <QPushButton>

SyncLogDialog::SyncLogDialog(const SyncLog& log, QWidget* parent)
    : QDialog(parent), ui(new Ui::SyncLogDialog)
{
    ui->setupUi(this);
    setWindowTitle(AppText::SyncLogTitle);
    ui->buttonBox->button(QDialogButtonBox::Close)->setText(AppText::ButtonClose);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const QStringList runs = log.runs();
    ui->logText->setPlainText(runs.isEmpty() ? AppText::SyncLogEmpty
                                             : runs.join(QLatin1Char('\n')));
    ui->logText->moveCursor(QTextCursor::Start);
    ui->logText->setFocus();
}

SyncLogDialog::~SyncLogDialog() = default;

QString SyncLogDialog::text() const
{
    return ui->logText->toPlainText();
}
