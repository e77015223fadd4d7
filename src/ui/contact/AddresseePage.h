#pragma once

#include "ContactField.h"
#include "model/book/ContactExtras.h"

#include <QWidget>
#include <array>
#include <memory>

class QComboBox;
namespace Ui {
class AddresseePage;
}

// How a contact is addressed on postcards and labels (the page "宛名"): 敬称, 役職, 部署, up
// to three more names at the same address (連名), and the 年賀状 marks of the coming new year.
// The rest of the contact's extras pass through untouched.
class AddresseePage : public QWidget
{
    Q_OBJECT
public:
    explicit AddresseePage(QWidget* parent = nullptr);
    ~AddresseePage() override;

    // Members to controls: once, before the page shows.
    void OnInitDialog();
    // Controls to members; on a refused value names the field and the reason.
    bool UpdateData(QWidget*& failedField, QString& message);

    ContactExtras m_extras;
    int m_nYear = 0;

    QComboBox* honorificCombo() const;
    QComboBox* nengaSendCombo() const;

private:
    struct Joint
    {
        ContactField name, reading;
        QComboBox* honorific;
    };
    static void loadHonorific(QComboBox* combo, const std::string& stored);
    static std::string storedHonorific(const QComboBox* combo);

    std::unique_ptr<Ui::AddresseePage> m_ui;
    ContactField m_title, m_department;
    std::vector<Joint> m_joints;
};
