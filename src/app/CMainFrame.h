#pragma once

#include "CVOK_AddressDoc.h"
#include "model/RecordList.h"

#include <QMainWindow>
#include <memory>

class CommandTable;
class QSplitter;

// The main window: owns the address book in memory and its file, lays out the two panes and
// receives every command.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    RecordList& records() { return m_records; }
    CVOK_AddressDoc* document() { return &m_doc; }
    CommandTable* commands() const { return m_commands; }

    // Record-list operations, for the panes and dialogs.
    AddressRecord* AppendRecord(std::unique_ptr<AddressRecord> record);
    bool RemoveRecord(const AddressRecord* record);
    std::size_t CountGroupRecords(std::string_view group) const;
    std::size_t RemoveGroupRecords(std::string_view group);
    std::size_t RenameGroup(std::string_view oldName, std::string_view newName);
    void DeleteAllRecords();

    // The data file. Failures are shown in a message box; an existing file that could not be
    // read is never overwritten during this run.
    bool LoadAddressFile();
    bool SaveAddressFile();
    QString addressFilePath() const { return m_addressFilePath; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CVOK_AddressDoc m_doc;
    RecordList m_records;
    CommandTable* m_commands = nullptr;
    QSplitter* m_splitter = nullptr;
    QString m_addressFilePath;
    bool m_loadFailed = false;
};
