#include "FirstSyncDialog.h"

#include "OptionText.h"
#include "ui_FirstSyncDialog.h"

FirstSyncDialog::FirstSyncDialog(int server, int book, int same, QWidget* parent)
    : QDialog(parent), ui(new Ui::FirstSyncDialog)
{
    ui->setupUi(this);
    setWindowTitle(OptionText::FirstSyncTitle);
    ui->introLabel->setText(OptionText::FirstSyncIntro);
    ui->serverLabel->setText(OptionText::FirstSyncServer);
    ui->bookLabel->setText(OptionText::FirstSyncBook);
    ui->sameLabel->setText(OptionText::FirstSyncSame);
    ui->serverCount->setText(OptionText::FirstSyncCount.arg(server));
    ui->bookCount->setText(OptionText::FirstSyncCount.arg(book));
    ui->sameCount->setText(OptionText::FirstSyncCount.arg(same));
    // After the merge: the book's contacts and the server's, the same person once.
    ui->resultLabel->setText(OptionText::FirstSyncResult.arg(server + book - same));
    ui->mergeButton->setText(OptionText::FirstSyncMerge);
    ui->cancelButton->setText(OptionText::FirstSyncCancel);
    connect(ui->mergeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ui->mergeButton->setFocus();
}

FirstSyncDialog::~FirstSyncDialog() = default;
