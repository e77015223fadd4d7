#include "AddresseePage.h"

#include "ContactText.h"
#include "FieldExchange.h"
#include "core/Text.h"
#include "ui_AddresseePage.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// CP932 bytes the fields take, as the other pages count them; what CP932 cannot hold counts
// as the 〓 it would be there.
constexpr int kTitleBytes = 64;
constexpr int kDepartmentBytes = 64;
constexpr int kJointNameBytes = 40;
constexpr int kJointReadingBytes = 60;

Ui::AddresseePage* setUp(QWidget* page)
{
    auto* ui = new Ui::AddresseePage;
    ui->setupUi(page);
    return ui;
}

QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A field's text as UTF-8: its whole text when it holds what CP932 cannot.
std::string utf8Of(const std::string& bytes, const QString& whole)
{
    return (whole.isEmpty() ? Text::fromCp932(bytes) : whole).toStdString();
}

void load(ContactField& field, const std::string& utf8)
{
    const QString text = fromUtf8(utf8);
    field.load(Text::toCp932Replacing(text), text);
}

} // namespace

AddresseePage::AddresseePage(QWidget* parent)
    : QWidget(parent), m_ui(setUp(this)),
      m_title(m_ui->titleEdit, kTitleBytes, ContactField::Input::Japanese),
      m_department(m_ui->departmentEdit, kDepartmentBytes, ContactField::Input::Japanese)
{
    QLineEdit* names[] = {m_ui->joint1NameEdit, m_ui->joint2NameEdit, m_ui->joint3NameEdit};
    QLineEdit* readings[] = {m_ui->joint1ReadingEdit, m_ui->joint2ReadingEdit,
                             m_ui->joint3ReadingEdit};
    QComboBox* honorifics[] = {m_ui->joint1HonorificCombo, m_ui->joint2HonorificCombo,
                               m_ui->joint3HonorificCombo};
    m_joints.reserve(ContactExtras::MaxJointNames);
    for (std::size_t i = 0; i < ContactExtras::MaxJointNames; ++i) {
        m_joints.push_back({ContactField(names[i], kJointNameBytes, ContactField::Input::Japanese),
                            ContactField(readings[i], kJointReadingBytes,
                                         ContactField::Input::Japanese),
                            honorifics[i]});
    }
    for (QComboBox* combo : {m_ui->honorificCombo, m_ui->joint1HonorificCombo,
                             m_ui->joint2HonorificCombo, m_ui->joint3HonorificCombo}) {
        combo->addItems(ContactText::Honorifics);
        combo->lineEdit()->setMaxLength(int(ContactExtras::MaxHonorificChars));
    }
    m_ui->nengaSendCombo->addItems(ContactText::NengaSend);
    FieldExchange::showHints({&m_title, &m_department, &m_joints[0].name, &m_joints[0].reading,
                              &m_joints[1].name, &m_joints[1].reading, &m_joints[2].name,
                              &m_joints[2].reading},
                             m_ui->hintLabel);
}

AddresseePage::~AddresseePage() = default;

QComboBox* AddresseePage::honorificCombo() const
{
    return m_ui->honorificCombo;
}

QComboBox* AddresseePage::nengaSendCombo() const
{
    return m_ui->nengaSendCombo;
}

void AddresseePage::loadHonorific(QComboBox* combo, const std::string& stored)
{
    combo->setCurrentText(stored.empty() ? ContactText::Honorifics.front() : fromUtf8(stored));
}

std::string AddresseePage::storedHonorific(const QComboBox* combo)
{
    const QString text = combo->currentText().trimmed();
    // 様 is what every card gets unless told otherwise: stored as nothing.
    if (text.isEmpty() || text == ContactText::Honorifics.front())
        return {};
    return text.toStdString();
}

void AddresseePage::OnInitDialog()
{
    loadHonorific(m_ui->honorificCombo, m_extras.honorific);
    load(m_title, m_extras.title);
    load(m_department, m_extras.department);
    for (std::size_t i = 0; i < m_joints.size(); ++i) {
        const ContactExtras::JointName joint =
            i < m_extras.jointNames.size() ? m_extras.jointNames[i] : ContactExtras::JointName();
        load(m_joints[i].name, joint.name);
        load(m_joints[i].reading, joint.reading);
        loadHonorific(m_joints[i].honorific, joint.honorific);
    }
    m_ui->nengaBox->setTitle(ContactText::NengaTitle.arg(m_nYear));
    const ContactExtras::Nenga* marks = m_extras.nengaOf(m_nYear);
    const ContactExtras::Nenga n = marks ? *marks : ContactExtras::Nenga{};
    m_ui->nengaSendCombo->setCurrentIndex(int(n.send));
    m_ui->mourningCheck->setChecked(n.mourning);
    m_ui->sentCheck->setChecked(n.sent);
    m_ui->receivedCheck->setChecked(n.received);
}

bool AddresseePage::UpdateData(QWidget*& failedField, QString& message)
{
    std::string title, department;
    QString titleWhole, departmentWhole;
    if (!FieldExchange::store({{&m_title, &title, &titleWhole},
                               {&m_department, &department, &departmentWhole}},
                              failedField, message))
        return false;
    std::vector<ContactExtras::JointName> joints;
    for (const Joint& j : m_joints) {
        std::string name, reading;
        QString nameWhole, readingWhole;
        if (!FieldExchange::store({{&j.name, &name, &nameWhole}, {&j.reading, &reading, &readingWhole}},
                                  failedField, message))
            return false;
        ContactExtras::JointName joint{utf8Of(name, nameWhole), storedHonorific(j.honorific),
                                       utf8Of(reading, readingWhole)};
        if (!joint.name.empty())
            joints.push_back(std::move(joint));
    }
    m_extras.honorific = storedHonorific(m_ui->honorificCombo);
    m_extras.title = utf8Of(title, titleWhole);
    m_extras.department = utf8Of(department, departmentWhole);
    m_extras.jointNames = std::move(joints);
    ContactExtras::Nenga n;
    n.year = m_nYear;
    n.send = ContactExtras::Nenga::Send(m_ui->nengaSendCombo->currentIndex());
    n.mourning = m_ui->mourningCheck->isChecked();
    n.sent = m_ui->sentCheck->isChecked();
    n.received = m_ui->receivedCheck->isChecked();
    m_extras.setNenga(n);
    return true;
}
