#pragma once

#include "CVOK_AddressDoc.h"
#include "model/RecordList.h"

#include <QItemSelectionModel>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class CommandTable;
class MailCheck;
class QLabel;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QTimer;
class QToolBar;

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

    // Options read when the frame is created and refreshed by the options sheet.
    bool m_bNewmail = false;
    bool m_bTasktray = false;
    void ReadOptions();

    // Command handlers (each command's number is in res/resource.h).
    void OnNewContact();              // 1000
    void OnEditContact();             // 1001
    void OnDelete();                  // 1002
    void OnCopyMailAddresses();       // 1003
    void OnImport();                  // 1004
    void OnExport();                  // 1005
    void OnCreateGroup();             // 32771
    void OnCopyPersonalInfo();        // 32774
    void OnCopyOfficeInfo();          // 32775
    void OnDeleteGroup();             // 32776
    void OnCopyOfficeMailAddresses(); // 32777
    void OnRenameGroup();             // 32778
    void OnOptions();                 // 32779
    void OnMailCheck();               // 32782
    void OnNewMail();                 // 32784
    void OnOpenAddressBook();         // 32786
    void OnAppAbout();                // 57664
    void OnAppExit();                 // 57665
    // The end asked for from outside (SIGTERM, SIGINT): as the exit command, once no dialog
    // is open.
    void RequestExit();
    void OnViewToolBar();   // 59392
    void OnViewStatusBar(); // 59393

    // Enable rules that depend on the focus and the list's selection.
    bool ListHasFocus() const;
    bool TreeHasFocus() const;
    bool OnUpdateEditContact() const;
    bool OnUpdateDelete() const;
    bool OnUpdateCopyMailAddresses() const;
    bool OnUpdateCopyInfo() const;
    bool OnUpdateExport() const;
    bool OnUpdateGroupCommand() const;
    bool OnUpdateNewMail() const;
    bool OnUpdateAppExit() const;

    // The notification icon. The icon ids are those of res/resource.h (IDI_TRAY, IDI_ANIMATION..).
    void AddTrayIcon(int iconId);
    void SetTrayIcon(int iconId);
    void SetTrayTip(const QString& text);
    void DeleteTrayIcon();
    // A tray appeared (again): the icon is added anew.
    void OnTaskbarCreated();
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QMenu* trayMenu() const { return m_trayMenu; }
    static QIcon iconForId(int iconId);
    // Starts the desktop's default mail program; failures are silent.
    void LaunchMailClient();

    // The status bar's mail pane (ID_INDICATOR_MAIL), repainted at once.
    void SetMailPaneText(const QString& text);
    QString mailPaneText() const;
    // The mail check behind command 32782.
    MailCheck* mailCheck() const { return m_mailCheck; }

    // Shows the window from the tray or for a second start, and brings it forward.
    void ShowMainWindow();

    // Placement ("Style" under the Window key) and the bars' state ("ToolBars").
    void SavePlacement();
    void RestorePlacement();
    void SaveBarState();
    void RestoreBarState();
    QToolBar* toolBar() const { return m_toolBar; }

    // Whether the desktop has a notification area; tests may decide it.
    bool hasTray() const;
    static void setTrayAvailableForTesting(std::optional<bool> available);

    bool isExiting() const { return m_exiting; }

signals:
    // The exit command has done its work: the program may end.
    void exitFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createCommands();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createTrayMenu();
    void connectRefresh();
    void connectListSelection();
    void checkTrayAppeared();
    QWidget* commandFocus() const;
    void shutDown();

    CVOK_AddressDoc m_doc;
    RecordList m_records;
    CommandTable* m_commands = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_readyPane = nullptr;
    QLabel* m_mailPane = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QTimer* m_trayWatch = nullptr;
    MailCheck* m_mailCheck = nullptr;
    QPointer<QItemSelectionModel> m_listSelection;
    // The last widget with the focus that was neither the menu bar nor a menu.
    QPointer<QWidget> m_paneFocus;
    bool m_trayWasAvailable = false;
    QString m_addressFilePath;
    bool m_loadFailed = false;
    bool m_exiting = false;
    bool m_shutDown = false;
};
