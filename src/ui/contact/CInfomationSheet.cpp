#include "CInfomationSheet.h"

#include "AddresseePage.h"
#include "COfficePage.h"
#include "CPrivatePage.h"
#include "ContactText.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "ui/common/MessageBox.h"
#include "ui/common/SheetHeader.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <array>

namespace {

QWidget* firstField(QWidget* page)
{
    for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(page))
            return w;
    }
    return nullptr;
}

QMargins frameMargins(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

} // namespace

CInfomationSheet::CInfomationSheet(QWidget* parent)
    : QDialog(parent), m_privatePage(new CPrivatePage), m_officePage(new COfficePage),
      m_addresseePage(new AddresseePage), m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(ContactText::SheetTitle);
    m_tabs->addTab(m_privatePage, m_privatePage->windowTitle());
    m_tabs->addTab(m_officePage, m_officePage->windowTitle());
    m_tabs->addTab(m_addresseePage, m_addresseePage->windowTitle());
    const QDate today = QDate::currentDate();
    m_addresseePage->m_nYear = ContactExtras::nengaYear(today.year(), today.month());
    m_tabs->setCurrentIndex(0);

    QWidget* row = SheetHeader::buttonRow(m_buttons, this);
    m_header = row->findChild<SheetHeader*>();
    m_header->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(row);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &CInfomationSheet::OnOK);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CInfomationSheet::SetHeaderText(const QString& text)
{
    m_header->setVisible(!text.isEmpty());
}

void CInfomationSheet::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        m_privatePage->OnInitDialog();
        m_officePage->OnInitDialog();
        m_addresseePage->OnInitDialog();
        // Else the tab bar, first in the chain, takes the focus and typing goes nowhere.
        if (QWidget* first = firstField(m_tabs->currentWidget()))
            first->setFocus();
    }
    QDialog::showEvent(event); // centres the sheet over its parent
    if (!event->spontaneous()) {
        keepOnScreen();
        // The window manager's frame has its real size only once the window is on screen.
        if (QWindow* window = windowHandle())
            window->installEventFilter(this);
    }
}

void CInfomationSheet::closeEvent(QCloseEvent* event)
{
    // The window manager's close button is the user's; a close() of the program's is its end.
    if (!event->spontaneous())
        m_closedFromOutside = true;
    QDialog::closeEvent(event);
}

bool CInfomationSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        keepOnScreen();
    }
    return QDialog::eventFilter(watched, event);
}

void CInfomationSheet::keepOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    QMargins frame = frameMargins(this);
    // Before it is mapped the sheet has no frame yet: it will get one like its parent's.
    if (frame.isNull() && parentWidget())
        frame = frameMargins(parentWidget()->window());
    const QRect outer = geometry().marginsAdded(frame);
    const QRect area = screen->availableGeometry();
    QPoint shift;
    if (outer.right() > area.right())
        shift.setX(area.right() - outer.right());
    if (outer.left() + shift.x() < area.left())
        shift.setX(area.left() - outer.left());
    if (outer.bottom() > area.bottom())
        shift.setY(area.bottom() - outer.bottom());
    if (outer.top() + shift.y() < area.top())
        shift.setY(area.top() - outer.top());
    if (shift.isNull())
        return;
    const bool placedByUser = testAttribute(Qt::WA_Moved);
    move(pos() + shift);
    setAttribute(Qt::WA_Moved, placedByUser);
}

void CInfomationSheet::LoadRecord(const AddressRecord& record)
{
    CPrivatePage& p = *m_privatePage;
    COfficePage& o = *m_officePage;
    p.m_strName = record.name();
    p.m_strEmail = record.email();
    p.m_strPostalCode = record.postalCode();
    p.m_strAddress = record.address();
    p.m_strPhone = record.phone();
    p.m_strMobilePhone = record.mobilePhone();
    p.m_strFax = record.fax();
    p.m_strMemo = record.memo();
    o.m_strCompany = record.company();
    o.m_strOfficeEmail = record.officeEmail();
    o.m_strOfficePostalCode = record.officePostalCode();
    o.m_strOfficeAddress = record.officeAddress();
    o.m_strOfficePhone = record.officePhone();
    o.m_strOfficeFax = record.officeFax();
    o.m_strOfficeMemo = record.officeMemo();
    p.m_strGroup = Text::fromCp932(record.group());
    for (const int f : {AddressRecord::Name, AddressRecord::Address, AddressRecord::Memo}) {
        const std::string_view whole = RecordText::fullText(record, f);
        p.m_strWhole[f] = QString::fromUtf8(whole.data(), qsizetype(whole.size()));
    }
    for (const int f :
         {AddressRecord::Company, AddressRecord::OfficeAddress, AddressRecord::OfficeMemo}) {
        const std::string_view whole = RecordText::fullText(record, f);
        o.m_strWhole[f] = QString::fromUtf8(whole.data(), qsizetype(whole.size()));
    }
    m_addresseePage->m_extras = record.extras() ? *record.extras() : ContactExtras();
}

void CInfomationSheet::StoreRecord(AddressRecord& record) const
{
    const CPrivatePage& p = *m_privatePage;
    const COfficePage& o = *m_officePage;
    const std::string group = Text::toCp932Lossy(p.m_strGroup);
    record.assign(std::array<std::string_view, 16>{
        p.m_strName, p.m_strEmail, p.m_strPostalCode, p.m_strAddress, p.m_strPhone,
        p.m_strMobilePhone, p.m_strFax, p.m_strMemo, o.m_strCompany, o.m_strOfficeEmail,
        o.m_strOfficePostalCode, o.m_strOfficeAddress, o.m_strOfficePhone, o.m_strOfficeFax,
        o.m_strOfficeMemo, group});
    // The 宛名 page holds the extras it was given, changed where the user changed them.
    ContactExtras extras = m_addresseePage->m_extras;
    extras.fullText.clear();
    for (const auto* whole : {&p.m_strWhole, &o.m_strWhole}) {
        for (const auto& [field, text] : *whole) {
            if (!text.isEmpty())
                extras.fullText[field] = text.toStdString();
        }
    }
    record.setExtras(extras);
}

void CInfomationSheet::StoreDraft(AddressRecord& record)
{
    // Before the sheet was first shown its controls hold nothing yet; the members hold it all.
    if (m_initialised) {
        m_privatePage->StoreDraft();
        m_officePage->StoreDraft();
    }
    StoreRecord(record);
}

void CInfomationSheet::OnOK()
{
    QWidget* failedField = nullptr;
    QString message;
    m_tabs->setCurrentIndex(0);
    bool ok = m_privatePage->UpdateData(failedField, message);
    if (ok) {
        m_tabs->setCurrentIndex(1);
        ok = m_officePage->UpdateData(failedField, message);
    }
    if (ok) {
        m_tabs->setCurrentIndex(2);
        ok = m_addresseePage->UpdateData(failedField, message);
    }
    if (!ok) {
        // The user can shorten the value; closing would store it cut or lose the edit.
        MessageBox::information(this, message);
        failedField->setFocus();
        return;
    }
    m_privatePage->m_strGroup = m_privatePage->groupCombo()->currentText();
    accept();
}
