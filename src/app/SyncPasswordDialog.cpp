#include "SyncPasswordDialog.h"

#include "AppText.h"
#include "settings/SyncAccount.h"
#include "ui_SyncPasswordDialog.h"

#include <QPushButton>
#include <QUrl>

SyncPasswordDialog::SyncPasswordDialog(const SyncAccount& account, QWidget* parent)
    : QDialog(parent), ui(new Ui::SyncPasswordDialog)
{
    ui->setupUi(this);
    setWindowTitle(AppText::SyncPasswordTitle);
    ui->promptLabel->setText(
        AppText::SyncPasswordPrompt.arg(account.user, QUrl(account.addressBook).host()));
    ui->passwordLabel->setText(AppText::SyncPasswordLabel);
    QPushButton* ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setText(AppText::ButtonOk);
    ok->setEnabled(false);
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(AppText::ButtonCancel);
    // An empty password would only be refused again.
    connect(ui->passwordEdit, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->passwordEdit->setFocus();
}

SyncPasswordDialog::~SyncPasswordDialog() = default;

QString SyncPasswordDialog::password() const
{
    return ui->passwordEdit->text();
}

std::optional<QString> SyncPasswordDialog::ask(const SyncAccount& account, QWidget* parent)
{
    SyncPasswordDialog dialog(account, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.password().isEmpty())
        return std::nullopt;
    return dialog.password();
}
