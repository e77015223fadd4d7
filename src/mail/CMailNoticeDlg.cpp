#include "CMailNoticeDlg.h"

#include "MailCheck.h"
#include "MailText.h"
#include "resource.h"
#include "ui_CMailNoticeDlg.h"

CMailNoticeDlg::CMailNoticeDlg(QWidget* parent) : QDialog(parent), ui(new Ui::CMailNoticeDlg)
{
    ui->setupUi(this);
    setWindowTitle(MailText::NoticeTitle);
    ui->icon->setPixmap(MailCheck::icon(IDI_ANIMATION).pixmap(32, 32));
    ui->message->setText(MailText::NoticeText);
    ui->noShow->setText(MailText::NoticeNoShow);
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

CMailNoticeDlg::~CMailNoticeDlg() = default;

void CMailNoticeDlg::accept()
{
    m_bNoShow = ui->noShow->isChecked();
    QDialog::accept();
}
