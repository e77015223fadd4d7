#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class FirstSyncDialog;
}

// Before a book and a server address book that both hold contacts are first merged: how many
// each side holds and how many are the same person. Merge is the default; cancel writes
// nothing on either side.
class FirstSyncDialog : public QDialog
{
    Q_OBJECT
public:
    FirstSyncDialog(int server, int book, int same, QWidget* parent = nullptr);
    ~FirstSyncDialog() override;

private:
    std::unique_ptr<Ui::FirstSyncDialog> ui;
};
