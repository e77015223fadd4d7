#pragma once

#include <QDialog>
#include <memory>
#include <optional>

struct SyncAccount;

namespace Ui {
class SyncPasswordDialog;
}

// Asks for the sync account's password again, after the server refused the stored one.
class SyncPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    SyncPasswordDialog(const SyncAccount& account, QWidget* parent = nullptr);
    ~SyncPasswordDialog() override;

    QString password() const;
    // The new password, or nothing when the user cancelled.
    static std::optional<QString> ask(const SyncAccount& account, QWidget* parent);

private:
    std::unique_ptr<Ui::SyncPasswordDialog> ui;
};
