#include "CMainFrame.h"

#include "AppText.h"
#include "CommandTable.h"
#include "DataLocation.h"
#include "model/AddressFile.h"
#include "ui/common/MessageBox.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QSplitter>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    m_commands = new CommandTable(this);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->addWidget(new CGroupTree(this, m_splitter));
    m_splitter->addWidget(new CAddressList(this, m_splitter));
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 600});
    setCentralWidget(m_splitter);
    setWindowTitle(AppText::Title);
    LoadAddressFile();
}

CMainFrame::~CMainFrame()
{
    SaveAddressFile();
    DeleteAllRecords();
}

AddressRecord* CMainFrame::AppendRecord(std::unique_ptr<AddressRecord> record)
{
    return m_records.AppendRecord(std::move(record));
}

bool CMainFrame::RemoveRecord(const AddressRecord* record)
{
    return m_records.RemoveRecord(record);
}

std::size_t CMainFrame::CountGroupRecords(std::string_view group) const
{
    return m_records.CountGroupRecords(group);
}

std::size_t CMainFrame::RemoveGroupRecords(std::string_view group)
{
    return m_records.RemoveGroupRecords(group);
}

std::size_t CMainFrame::RenameGroup(std::string_view oldName, std::string_view newName)
{
    return m_records.RenameGroup(oldName, newName);
}

void CMainFrame::DeleteAllRecords()
{
    m_records.DeleteAllRecords();
}

bool CMainFrame::LoadAddressFile()
{
    m_addressFilePath = DataLocation::addressFilePath();
    const auto status =
        AddressFile::Load(QFile::encodeName(m_addressFilePath).toStdString(), m_records);
    if (status == AddressFile::Status::ReadError) {
        m_loadFailed = true;
        MessageBox::information(this, AppText::LoadFailed);
        return false;
    }
    return true;
}

bool CMainFrame::SaveAddressFile()
{
    if (m_addressFilePath.isEmpty())
        return false;
    bool ok = !m_loadFailed; // never replace a file we could not read
    if (ok) {
        QDir().mkpath(QFileInfo(m_addressFilePath).absolutePath());
        ok = AddressFile::Save(QFile::encodeName(m_addressFilePath).toStdString(), m_records) ==
             AddressFile::Status::Ok;
    }
    if (!ok)
        MessageBox::information(this, AppText::SaveFailed);
    return ok;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    SaveAddressFile();
    event->accept();
}
