#pragma once

#include <QDialog>
#include <memory>

class SyncLog;

namespace Ui {
class SyncLogDialog;
}

// The sync log, newest run first, to read and copy from.
class SyncLogDialog : public QDialog
{
    Q_OBJECT
public:
    SyncLogDialog(const SyncLog& log, QWidget* parent = nullptr);
    ~SyncLogDialog() override;

    QString text() const;

private:
    std::unique_ptr<Ui::SyncLogDialog> ui;
};
