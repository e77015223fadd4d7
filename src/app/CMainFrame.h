#pragma once

#include "core/CVOK_AddressDoc.h"
#include "mail/MailLauncher.h"

#include <QItemSelectionModel>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class AutoSave;
class CAddressList;
class CGroupTree;
class CommandTable;
class MailCheck;
class MainStatusBar;
class NormalPlacement;
class QLabel;
class QSplitter;
class QTimer;
class QToolBar;
class SearchField;
class SyncController;
class SyncEngine;
class TrayIcon;

// The main window: lays out the two panes, connects them to the address book and to each
// other, and routes every command to whoever carries it out.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVOK_AddressDoc* document() { return &m_doc; }
    CommandTable* commands() const { return m_commands; }
    CGroupTree* groupTree() const { return m_tree; }
    CAddressList* addressList() const { return m_list; }
    TrayIcon* tray() const { return m_tray; }
    AutoSave* autoSave() const { return m_autoSave.get(); }

    // The data file, with the failures shown in a message box. An existing file that could
    // not be read is never overwritten during this run: the window shows a bar that says so,
    // offers to read it again, and takes no changes meanwhile. Saving writes at once what
    // changed since the last save (changes are saved in the background anyway, shortly after).
    bool LoadAddressFile();
    // Takes in a book still being read behind the window, waiting for it; for a caller that
    // needs the book now (a request handed over by a second start).
    void WaitForBook();
    bool SaveAddressFile();
    // The bar's button: reads the book again, once the user has set the file right.
    void RetryLoad();
    QWidget* readOnlyBar() const { return m_readOnlyBar; }
    // Changes to the book can be saved (it was read, or there was none yet).
    bool BookWritable() const;
    // Writable, or being read: a command given meanwhile waits for the book.
    bool BookWritableOnceIn() const;

    // Contacts an earlier run was typing when it ended, offered once the window shows: at once
    // when it is shown, else when it is first brought forward.
    void OfferDraftsWhenShown();

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
    void OnFindDuplicates();          // 32814
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
    void OnPrintAddresses();          // 32795
    void OnSync();                    // 32815
    void OnSyncLog();                 // 32816
    void OnAppAbout();                // 57664
    void OnAppExit();                 // 57665
    // The end asked for from outside (SIGTERM, SIGINT): as the exit command, once no dialog
    // is open.
    void RequestExit();
    void OnViewToolBar();   // 59392
    void OnViewStatusBar(); // 59393
    void OnEditUndo();      // 57643
    void OnEditRedo();      // 57644
    void OnEditFind();      // 57636
    void OnViewReading();   // 32810
    void OnViewAddressee(); // 32813
    void OnMoveToGroup();   // 32811, the group as the command's argument
    void OnCopyToGroup();   // 32812

    // Enable rules that depend on the focus and the list's selection.
    bool ListHasFocus() const;
    bool TreeHasFocus() const;
    bool OnUpdateEditContact() const;
    bool OnUpdateDelete() const;
    bool OnUpdateCopyMailAddresses() const;
    bool OnUpdateCopyInfo() const;
    bool OnUpdateToGroup() const;
    bool OnUpdateExport() const;
    bool OnUpdateGroupCommand() const;
    bool OnUpdateNewMail() const;
    bool OnUpdateAppExit() const;
    bool NoDialogOpen() const;
    bool OnUpdatePrintAddresses() const;
    bool OnUpdateEditUndo() const;
    bool OnUpdateEditRedo() const;
    bool OnUpdateNewContact() const;

    // Starts the desktop's default mail program; a desktop without one is reported.
    void LaunchMailClient();
    // Tells the user when the mail program could not be found or started.
    void reportMailLaunch(MailLauncher::Outcome outcome);

    // The status bar's mail pane (ID_INDICATOR_MAIL), repainted at once.
    void SetMailPaneText(const QString& text);
    QString mailPaneText() const;
    // The sync behind command 32815 (made on first use).
    SyncEngine* syncEngine();
    SyncController* syncController() const { return m_sync; }
    // The mail check behind command 32782.
    MailCheck* mailCheck() const { return m_mailCheck; }

    // Shows the window from the tray or for a second start, and brings it forward.
    // activationToken: the desktop's token of a second start (Wayland), or empty.
    void ShowMainWindow(const QByteArray& activationToken = {});
    // Said once, at the first start on a desktop without a notification area: closing the
    // window ends the program, and where the mail count is shown.
    void ExplainNoTray();
    QToolBar* toolBar() const { return m_toolBar; }
    SearchField* searchField() const { return m_searchField; }

    // Whether the desktop has a notification area (TrayIcon decides, tests may too).
    bool hasTray() const;

    bool isExiting() const { return m_exiting; }
    // The book could not be written on the way out.
    bool finalSaveFailed() const { return m_finalSaveFailed; }

signals:
    // The exit command has done its work: the program may end.
    void exitFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createCommands();
    void connectPanes();
    void connectRefresh();
    void connectListSelection();
    QWidget* commandFocus() const;
    void endRun();
    void shutDown();
    void createAutoSave();
    void createSync();
    void reportCompanion();
    bool bookArrived();
    // What the load found, told once nothing waits for the book any more.
    void reportLoad();
    bool showStartPicture();
    void keepStartPicture();
    void showMailCountInTitle(int count);
    bool textFieldHasFocus() const;
    void createReadOnlyBar();
    void offerDrafts();

    CVOK_AddressDoc m_doc;
    std::unique_ptr<AutoSave> m_autoSave; // goes before the book it saves
    CommandTable* m_commands = nullptr;
    CGroupTree* m_tree = nullptr;
    CAddressList* m_list = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    SearchField* m_searchField = nullptr;
    TrayIcon* m_tray = nullptr;
    MailCheck* m_mailCheck = nullptr;
    SyncController* m_sync = nullptr;
    QPointer<QItemSelectionModel> m_listSelection;
    // The last widget with the focus that was neither the menu bar nor a menu.
    QPointer<QWidget> m_paneFocus;
    NormalPlacement* m_placement = nullptr;
    std::unique_ptr<MainStatusBar> m_statusBar;
    QWidget* m_readOnlyBar = nullptr;
    QLabel* m_readOnlyText = nullptr;
    bool m_exiting = false;
    bool m_shutDown = false;
    bool m_endRequested = false;
    bool m_finalSaveFailed = false;
    bool m_offerDrafts = false;
    bool m_loadReportDue = false;
    // The last command given while the book was read, run when it is in.
    int m_commandAfterLoad = 0;
};
