#include "CAboutDialog.h"

#include "AboutText.h"
#include "HyperlinkStatic.h"
#include "ui_CAboutDialog.h"

#include <QPixmap>
#include <QPushButton>
#include <QVersionNumber>

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::CAboutDialog)
{
    ui->setupUi(this);
    m_webLink = ui->webLink;
    m_mailLink = ui->mailLink;
    setWindowTitle(AboutText::Caption);
    ui->icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(32, 32));
    ui->version->setText(AboutText::Version.arg(versionText()));
    ui->homePageLabel->setText(AboutText::HomePageLabel);
    ui->mailLabel->setText(AboutText::MailLabel);
    m_webLink->setText(AboutText::WebLink);
    m_mailLink->setText(AboutText::MailAddress);
    QPushButton* ok = ui->buttons->button(QDialogButtonBox::Ok);
    ok->setText(AboutText::Ok);
    ok->setDefault(true);
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    OnInitDialog();
}

CAboutDialog::~CAboutDialog() = default;

QString CAboutDialog::versionText()
{
    return versionText(QStringLiteral(VOK_VERSION));
}

QString CAboutDialog::versionText(const QString& text)
{
    const QVersionNumber version = QVersionNumber::fromString(text);
    if (version.segmentCount() > 2 && version.microVersion() != 0)
        return version.toString();
    return QStringLiteral("%1.%2").arg(version.majorVersion()).arg(version.minorVersion());
}

QCursor CAboutDialog::handCursor()
{
    // Our own pointing hand (IDC_HAND), its finger tip the hot spot.
    const QPixmap picture(QStringLiteral(":/cursors/hand.svg"));
    if (picture.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(picture, HandHotSpotX, HandHotSpotY);
}

void CAboutDialog::OnInitDialog()
{
    const QCursor hand = handCursor();
    for (HyperlinkStatic* link : {m_webLink, m_mailLink})
        link->SetClickable(true)
            .SetLinkColor(QColor(0, 0, 255))
            .SetUnderline(true)
            .SetHoverCursor(hand);
    m_mailLink->mailLink = true;
    ui->buttons->button(QDialogButtonBox::Ok)->setFocus();
}
