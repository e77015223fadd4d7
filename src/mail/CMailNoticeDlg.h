#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CMailNoticeDlg;
}

// The notice shown before a mail check: hang up a dial-up line by hand after the beeps.
class CMailNoticeDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CMailNoticeDlg(QWidget* parent = nullptr);
    ~CMailNoticeDlg() override;

    // "Do not show this again": taken from the check box only when the box closes with OK.
    bool m_bNoShow = false;

    void accept() override;

private:
    std::unique_ptr<Ui::CMailNoticeDlg> ui;
};
