#include "CMainFrame.h"

#include "AppText.h"
#include "FileProblem.h"
#include "MainMenus.h"
#include "MainStatusBar.h"
#include "NormalPlacement.h"
#include "SyncController.h"
#include "SyncLogDialog.h"
#include "TrayIcon.h"
#include "WindowState.h"
#include "core/AutoSave.h"
#include "core/BookExport.h"
#include "core/ContactFinder.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "mail/MailCheck.h"
#include "mail/MailLauncher.h"
#include "mail/MailText.h"
#include "model/book/ContactExtras.h"
#include "model/book/ExtrasText.h"
#include "model/storage/StartPicture.h"
#include "resource.h"
#include "settings/OptionSettings.h"
#include "sync/SyncEngine.h"
#include "ui/about/CAboutDialog.h"
#include "ui/common/CommandTable.h"
#include "ui/common/LongWork.h"
#include "ui/common/MessageBox.h"
#include "ui/contact/ContactEditor.h"
#include "ui/exchange/ExchangeCommands.h"
#include "ui/exchange/FileDropImport.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/list/ClipboardTransfer.h"
#include "ui/list/SearchField.h"
#include "ui/options/COptionSheet.h"
#include "ui/print/AddressPrint.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>

namespace {

// The longest the book's reader waits for the start picture to be painted.
constexpr int kReaderHeldMs = 300;

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(TrayIcon::iconForId(IDR_MAINFRAME));
    resize(760, 520);
    m_commands = new CommandTable(this);

    // The panes first, then the title, the icon, the placement and the options.
    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new CGroupTree(&m_doc, m_commands, m_splitter);
    m_list = new CAddressList(&m_doc, m_commands, m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 560});
    // The bar that says the book cannot be saved sits over the panes, hidden until needed.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    createReadOnlyBar();
    column->addWidget(m_readOnlyBar);
    column->addWidget(m_splitter, 1);
    setCentralWidget(central);
    setWindowTitle(AppText::Title);
    connectPanes();

    createCommands();
    m_tray = new TrayIcon(m_commands, this);
    connect(m_tray, &TrayIcon::doubleClicked, this, [this] {
        if (m_bTasktray)
            LaunchMailClient();
        else
            ShowMainWindow();
    });
    m_tray->AddTrayIcon(IDI_TRAY);
    WindowState::restorePlacement(*this);
    m_placement = new NormalPlacement(this);
    ReadOptions();

    // Then the bars, the data file and the bars' saved state.
    m_searchField = new SearchField(m_list, this);
    m_toolBar = MainMenus::createToolBar(*m_commands, *this, m_searchField);
    MainMenus::createMenus(*m_commands, *this, m_toolBar,
                           [this](QMenu* menu) { m_list->addGroupMenus(menu); });
    m_statusBar = std::make_unique<MainStatusBar>(*this, m_list->model());
    m_mailCheck = new MailCheck(this);
    connect(m_mailCheck, &MailCheck::trayIconChanged, m_tray, &TrayIcon::SetTrayIcon);
    connect(m_mailCheck, &MailCheck::trayTipChanged, m_tray, &TrayIcon::SetTrayTip);
    connect(m_mailCheck, &MailCheck::mailPaneTextChanged, this, &CMainFrame::SetMailPaneText);
    connect(m_mailCheck, &MailCheck::mailCountChanged, this, &CMainFrame::showMailCountInTitle);
    m_doc.finder().setGuessCache(QFile::encodeName(DataLocation::guessCachePath()).toStdString());
    // The window shows before the book is read; the rows follow when it is in.
    connect(&m_doc, &CVOK_AddressDoc::bookLoaded, this, &CMainFrame::bookArrived);
    m_doc.LoadInBackground({}, true);
    m_statusBar->showPendingCount(-1);
    if (showStartPicture()) {
        // The window's first picture comes sooner when the reader does not share the processor
        // with it; a window that is not painted soon (hidden, minimised) waits for nothing.
        connect(m_list, &CAddressList::picturePainted, &m_doc, &CVOK_AddressDoc::ReleaseLoad);
        QTimer::singleShot(kReaderHeldMs, &m_doc, &CVOK_AddressDoc::ReleaseLoad);
    } else {
        m_doc.ReleaseLoad();
    }
    createAutoSave();
    createSync();
    // A guess for a contact typed later needs the dictionaries: read aside once the window is
    // up and the book's own guesses are in.
    QTimer::singleShot(2000, this, [this] { m_doc.finder().preloadDictionary(); });
    WindowState::restoreBars(*this);
    m_commands->action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
    m_commands->action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    m_commands->action(ID_VIEW_READING)->setChecked(m_list->readingColumnShown());
    m_commands->action(ID_VIEW_ADDRESSEE)->setChecked(m_list->addresseeColumnsShown());

    connectRefresh();
    m_commands->refresh();
}

CMainFrame::~CMainFrame()
{
    if (!m_shutDown)
        shutDown();
    // The window and the panes go after this body; their focus and selection changes must no
    // longer reach the rules of a frame that is half gone.
    disconnect(qApp, nullptr, this, nullptr);
    if (m_listSelection)
        disconnect(m_listSelection, nullptr, m_commands, nullptr);
    disconnect(m_tree, nullptr, m_commands, nullptr);
    disconnect(m_list->model(), nullptr, m_commands, nullptr);
    disconnect(&m_doc, nullptr, nullptr, nullptr);
    m_autoSave.reset();
}

void CMainFrame::connectPanes()
{
    // The panes know the book, not each other: the tree says which group, the list shows it.
    connect(m_tree, &CGroupTree::currentGroupChanged, m_list, &CAddressList::ShowGroup);
    m_list->setDropTarget(m_tree);
    FileDropImport::install(this, m_doc);
}

void CMainFrame::createCommands()
{
    auto add = [this](int id, void (CMainFrame::*handler)(), bool (CMainFrame::*rule)() const) {
        CommandTable::Rule r;
        if (rule)
            r = [this, rule] { return (this->*rule)(); };
        // Given while the book is still read behind the window, a command that changes the
        // book runs once it is in, as typing into the search field waits for it.
        const bool waits =
            rule == &CMainFrame::BookWritableOnceIn || rule == &CMainFrame::OnUpdateNewContact;
        return m_commands->add(
            id,
            [this, id, handler, waits] {
                if (waits && m_doc.loading()) {
                    m_commandAfterLoad = id;
                    return;
                }
                (this->*handler)();
            },
            r);
    };
    add(ID_NEW_CONTACT, &CMainFrame::OnNewContact, &CMainFrame::OnUpdateNewContact);
    add(ID_EDIT_CONTACT, &CMainFrame::OnEditContact, &CMainFrame::OnUpdateEditContact);
    add(ID_DELETE, &CMainFrame::OnDelete, &CMainFrame::OnUpdateDelete);
    add(ID_COPY_MAIL, &CMainFrame::OnCopyMailAddresses, &CMainFrame::OnUpdateCopyMailAddresses);
    add(ID_IMPORT, &CMainFrame::OnImport, &CMainFrame::BookWritableOnceIn);
    add(ID_FIND_DUPLICATES, &CMainFrame::OnFindDuplicates, &CMainFrame::BookWritableOnceIn);
    add(ID_EXPORT, &CMainFrame::OnExport, &CMainFrame::OnUpdateExport);
    add(ID_CREATE_GROUP, &CMainFrame::OnCreateGroup, &CMainFrame::BookWritableOnceIn);
    add(ID_COPY_PERSONAL_INFO, &CMainFrame::OnCopyPersonalInfo, &CMainFrame::OnUpdateCopyInfo);
    add(ID_COPY_OFFICE_INFO, &CMainFrame::OnCopyOfficeInfo, &CMainFrame::OnUpdateCopyInfo);
    add(ID_DELETE_GROUP, &CMainFrame::OnDeleteGroup, &CMainFrame::OnUpdateGroupCommand);
    add(ID_COPY_OFFICE_MAIL, &CMainFrame::OnCopyOfficeMailAddresses,
        &CMainFrame::OnUpdateCopyMailAddresses);
    add(ID_RENAME_GROUP, &CMainFrame::OnRenameGroup, &CMainFrame::OnUpdateGroupCommand);
    add(ID_OPTIONS, &CMainFrame::OnOptions, &CMainFrame::NoDialogOpen);
    add(ID_MAIL_CHECK, &CMainFrame::OnMailCheck, &CMainFrame::NoDialogOpen);
    add(ID_SYNC, &CMainFrame::OnSync, &CMainFrame::BookWritableOnceIn);
    add(ID_SYNC_LOG, &CMainFrame::OnSyncLog, &CMainFrame::NoDialogOpen);
    add(ID_NEW_MAIL, &CMainFrame::OnNewMail, &CMainFrame::OnUpdateNewMail);
    add(ID_OPEN_ADDRESS_BOOK, &CMainFrame::OnOpenAddressBook, nullptr);
    add(ID_APP_ABOUT, &CMainFrame::OnAppAbout, nullptr);
    add(ID_APP_EXIT, &CMainFrame::OnAppExit, &CMainFrame::OnUpdateAppExit);
    add(ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar, nullptr);
    add(ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar, nullptr);
    add(ID_PRINT_ADDRESSES, &CMainFrame::OnPrintAddresses, &CMainFrame::OnUpdatePrintAddresses);
    add(ID_EDIT_UNDO, &CMainFrame::OnEditUndo, &CMainFrame::OnUpdateEditUndo);
    add(ID_EDIT_REDO, &CMainFrame::OnEditRedo, &CMainFrame::OnUpdateEditRedo);
    add(ID_EDIT_FIND, &CMainFrame::OnEditFind, nullptr);
    add(ID_VIEW_READING, &CMainFrame::OnViewReading, nullptr);
    add(ID_VIEW_ADDRESSEE, &CMainFrame::OnViewAddressee, nullptr);
    add(ID_MOVE_TO_GROUP, &CMainFrame::OnMoveToGroup, &CMainFrame::OnUpdateToGroup);
    add(ID_COPY_TO_GROUP, &CMainFrame::OnCopyToGroup, &CMainFrame::OnUpdateToGroup);
    MainMenus::applyCommandTexts(*m_commands, *this);
}

void CMainFrame::connectRefresh()
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != menuBar() && !qobject_cast<QMenu*>(now))
            m_paneFocus = now;
        connectListSelection();
        m_commands->refresh();
    });
    m_paneFocus = QApplication::focusWidget();
    connectListSelection();
    // From the selection itself: a mouse press moves the current item before the selection.
    connect(m_tree, &QTreeWidget::itemSelectionChanged, m_commands, &CommandTable::refresh);
    // Printing needs rows to print: contacts that come or go change its rule.
    for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_list->model(), rowsChanged, m_commands, &CommandTable::refresh);
    connect(m_list->model(), &QAbstractItemModel::modelReset, m_commands, &CommandTable::refresh);
    connect(&m_doc, &CVOK_AddressDoc::undoStateChanged, m_commands, &CommandTable::refresh);
}

void CMainFrame::connectListSelection()
{
    // The list may set or replace its model after it was built: follow its selection model.
    QItemSelectionModel* model = m_list->selectionModel();
    if (model == m_listSelection)
        return;
    if (m_listSelection)
        disconnect(m_listSelection, nullptr, m_commands, nullptr);
    m_listSelection = model;
    if (!model)
        return;
    connect(model, &QItemSelectionModel::selectionChanged, m_commands, &CommandTable::refresh);
    connect(model, &QItemSelectionModel::currentChanged, m_commands, &CommandTable::refresh);
}

// The widget whose focus the rules judge. A menu opened from the keyboard (Alt, F10, Alt+E)
// takes the focus to the menu bar until it closes; its commands still belong to the pane the
// user was in, as with a menu opened by the mouse.
QWidget* CMainFrame::commandFocus() const
{
    QWidget* focus = QApplication::focusWidget();
    // While the window is not active (a right-click into it from another window, a tray menu)
    // the pane that holds the window's own focus still decides.
    if (!focus)
        focus = focusWidget();
    if (focus && (focus == menuBar() || qobject_cast<QMenu*>(focus)))
        return m_paneFocus;
    return focus;
}

bool CMainFrame::ListHasFocus() const
{
    return commandFocus() == m_list;
}

bool CMainFrame::TreeHasFocus() const
{
    return commandFocus() == m_tree;
}

bool CMainFrame::BookWritable() const
{
    return m_doc.writable();
}

bool CMainFrame::BookWritableOnceIn() const
{
    return m_doc.writable() || m_doc.loading();
}

bool CMainFrame::OnUpdateNewContact() const
{
    return NoDialogOpen() && BookWritableOnceIn();
}

bool CMainFrame::OnUpdateEditContact() const
{
    return BookWritable() && ListHasFocus() && m_list->GetSelectedCount() == 1 &&
           m_list->GetFocusedSelectedRow() >= 0;
}

bool CMainFrame::OnUpdateDelete() const
{
    if (!BookWritable())
        return false;
    if (ListHasFocus())
        return m_list->GetSelectedCount() >= 1;
    if (TreeHasFocus())
        return m_tree->IsCurrentUserGroup();
    return true;
}

bool CMainFrame::OnUpdateCopyMailAddresses() const
{
    return ListHasFocus() && m_list->GetSelectedCount() >= 1;
}

bool CMainFrame::OnUpdateCopyInfo() const
{
    return ListHasFocus() && m_list->GetSelectedCount() == 1;
}

bool CMainFrame::OnUpdateToGroup() const
{
    return ListHasFocus() && m_list->GetSelectedCount() >= 1;
}

bool CMainFrame::OnUpdateExport() const
{
    // From the list: the selected contacts.
    return !m_doc.loading() &&
           (TreeHasFocus() || (ListHasFocus() && m_list->GetSelectedCount() >= 1));
}

bool CMainFrame::OnUpdateGroupCommand() const
{
    return BookWritable() && !ListHasFocus() && m_tree->IsCurrentUserGroup();
}

bool CMainFrame::OnUpdateAppExit() const
{
    // A dialog still open, or long work pumping events, holds records and panes that the exit
    // destroys.
    return QApplication::activeModalWidget() == nullptr && !LongWork::running();
}

bool CMainFrame::NoDialogOpen() const
{
    return QApplication::activeModalWidget() == nullptr;
}

bool CMainFrame::textFieldHasFocus() const
{
    // Text fields (the tree's label editor) take back their own typing with the same keys.
    QWidget* focus = commandFocus();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus);
}

bool CMainFrame::OnUpdateEditUndo() const
{
    return BookWritable() && m_doc.canUndo() && !textFieldHasFocus();
}

bool CMainFrame::OnUpdateEditRedo() const
{
    return BookWritable() && m_doc.canRedo() && !textFieldHasFocus();
}

bool CMainFrame::OnUpdateNewMail() const
{
    return ListHasFocus() && m_list->GetSelectedCount() >= 1 &&
           m_list->GetFocusedSelectedRow() >= 0;
}

bool CMainFrame::OnUpdatePrintAddresses() const
{
    return !m_doc.loading() && AddressPrint::CanPrint(*m_list);
}

void CMainFrame::OnNewContact()
{
    const QString group = m_tree->GetCurrentGroupName();
    m_tree->ClearContextItem();
    ContactEditor::OnNewContact(this, m_doc, group);
}

void CMainFrame::OnEditContact()
{
    ContactEditor::OnEditContact(this, m_doc, m_list->GetSelectedRecord());
}

void CMainFrame::OnDelete()
{
    if (ListHasFocus())
        m_list->DeleteSelectedRecords();
    else if (TreeHasFocus())
        m_tree->DeleteGroup();
}

void CMainFrame::OnCopyMailAddresses()
{
    ClipboardTransfer::CopyMailAddresses(m_list->JoinSelectedMailAddresses(false));
}

void CMainFrame::OnImport()
{
    ExchangeCommands::OnImport(this, m_doc);
    m_tree->ClearContextItem();
}

void CMainFrame::OnFindDuplicates()
{
    ExchangeCommands::OnFindDuplicates(this, m_doc);
}

void CMainFrame::OnExport()
{
    // The tree's context menu exports its group wherever the focus is.
    if (!m_tree->contextItem() && ListHasFocus()) {
        const std::vector<AddressRecord*> chosen = m_list->selectedRecords();
        ExchangeCommands::OnExport(this, m_doc,
                                   std::vector<const AddressRecord*>(chosen.begin(), chosen.end()));
    } else {
        ExchangeCommands::OnExport(this, m_doc,
                                   BookExport::ofGroup(m_doc, m_tree->GetCurrentGroupName()));
    }
    m_tree->ClearContextItem();
}

void CMainFrame::OnCreateGroup()
{
    m_tree->CreateGroup();
    m_tree->ClearContextItem();
}

void CMainFrame::OnCopyPersonalInfo()
{
    ClipboardTransfer::CopyContactInfo(m_list->FormatSelectedInfo(ClipboardTransfer::Personal));
}

void CMainFrame::OnCopyOfficeInfo()
{
    ClipboardTransfer::CopyContactInfo(m_list->FormatSelectedInfo(ClipboardTransfer::Office));
}

void CMainFrame::OnDeleteGroup()
{
    m_tree->DeleteGroup();
    m_tree->ClearContextItem();
}

void CMainFrame::OnCopyOfficeMailAddresses()
{
    ClipboardTransfer::CopyMailAddresses(m_list->JoinSelectedMailAddresses(true));
}

void CMainFrame::OnRenameGroup()
{
    m_tree->StartRenameGroup();
    m_tree->ClearContextItem();
}

void CMainFrame::OnOptions()
{
    if (COptionSheet::Run(this, m_bNewmail, m_bTasktray, hasTray())) {
        m_list->setNewMailOnShiftDoubleClick(m_bNewmail);
        m_sync->accountChanged();
    }
}

void CMainFrame::OnMailCheck()
{
    m_mailCheck->OnMailCheck();
}

SyncEngine* CMainFrame::syncEngine()
{
    return m_sync->engine();
}

void CMainFrame::createSync()
{
    // Shortly after the start, on the account's interval, a little after a save that changed
    // contacts, and on the command; an account set up later in 環境設定 starts the interval.
    m_sync = new SyncController(m_doc, this);
    // The book goes to disk on AutoSave's thread; the sync's state is written after it.
    m_sync->setBackgroundSave(
        [this](std::function<void(bool)> done) { m_autoSave->SaveInBackground(std::move(done)); });
    m_sync->setMayRun([this] { return !m_exiting && m_commands->isEnabled(ID_SYNC); });
    connect(m_sync, &SyncController::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_sync, &SyncController::progressTip, m_tray, &TrayIcon::SetProgressTip);
    connect(m_autoSave.get(), &AutoSave::saveFinished, m_sync, &SyncController::bookSaved);
    m_sync->startSchedule();
}

void CMainFrame::OnSync()
{
    m_sync->runFromCommand();
}

void CMainFrame::OnSyncLog()
{
    SyncLogDialog dialog(m_sync->log(), this);
    dialog.exec();
}

void CMainFrame::OnNewMail()
{
    const std::string joined = m_list->JoinSelectedMailAddresses(false);
    MailLauncher::composeMail(MailLauncher::mailtoFromJoined(Text::fromCp932(joined)),
                              [frame = QPointer<CMainFrame>(this)](MailLauncher::Outcome outcome) {
                                  if (frame)
                                      frame->reportMailLaunch(outcome);
                              });
}

void CMainFrame::reportMailLaunch(MailLauncher::Outcome outcome)
{
    // The desktop says nothing on the screen when it has no mail program: we do.
    if (outcome == MailLauncher::Outcome::NoMailProgram)
        MessageBox::information(this, MailText::NoMailProgram);
    else if (outcome == MailLauncher::Outcome::NotStarted)
        MessageBox::information(this, MailText::MailProgramNotStarted);
}

void CMainFrame::OnOpenAddressBook()
{
    ShowMainWindow();
}

void CMainFrame::OnPrintAddresses()
{
    AddressPrint::OnPrintAddresses(this, &m_doc, *m_list, ListHasFocus());
}

void CMainFrame::OnAppAbout()
{
    CAboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::OnAppExit()
{
    if (m_exiting)
        return;
    WindowState::save(*this, m_placement->lastNormalGeometry());
    m_exiting = true;
    close();
    endRun();
}

void CMainFrame::RequestExit()
{
    // Nobody is there to click: from here on no message box waits (their texts go to standard
    // error), and what an open contact sheet holds is kept as a draft for the next start.
    if (!m_endRequested) {
        m_endRequested = true;
        MessageBox::setUnattended(true);
        ContactEditor::KeepOpenDrafts(true);
    }
    // A signal may arrive while a dialog or a menu runs its own event loop: close it, let its
    // loop unwind, then exit from the top level. Long work (an import) ends first, whole.
    if (LongWork::running()) {
        QTimer::singleShot(50, this, &CMainFrame::RequestExit);
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
    if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, this, &CMainFrame::RequestExit);
        return;
    }
    m_commands->execute(ID_APP_EXIT);
}

void CMainFrame::OnViewToolBar()
{
    m_toolBar->setVisible(m_toolBar->isHidden());
    m_commands->action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
}

void CMainFrame::OnViewStatusBar()
{
    statusBar()->setVisible(statusBar()->isHidden());
    m_commands->action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
}

void CMainFrame::OnEditUndo()
{
    m_doc.Undo();
}

void CMainFrame::OnEditRedo()
{
    m_doc.Redo();
}

void CMainFrame::OnEditFind()
{
    m_searchField->activate();
}

void CMainFrame::OnViewReading()
{
    m_list->setReadingColumnShown(!m_list->readingColumnShown());
    m_commands->action(ID_VIEW_READING)->setChecked(m_list->readingColumnShown());
}

void CMainFrame::OnViewAddressee()
{
    m_list->setAddresseeColumnsShown(!m_list->addresseeColumnsShown());
    m_commands->action(ID_VIEW_ADDRESSEE)->setChecked(m_list->addresseeColumnsShown());
}

void CMainFrame::OnMoveToGroup()
{
    const QString group = m_commands->argument().toString();
    if (!group.isEmpty())
        m_doc.MoveToGroup(m_list->selectedRecords(), group);
}

void CMainFrame::OnCopyToGroup()
{
    const QString group = m_commands->argument().toString();
    const std::vector<AddressRecord*> chosen = m_list->selectedRecords();
    if (!group.isEmpty())
        m_doc.CopyToGroup(std::vector<const AddressRecord*>(chosen.begin(), chosen.end()), group);
}

void CMainFrame::ReadOptions()
{
    const OptionSettings options = OptionSettings::load();
    m_bNewmail = options.newmail;
    m_bTasktray = options.tasktray;
    m_list->setNewMailOnShiftDoubleClick(m_bNewmail);
}

bool CMainFrame::LoadAddressFile()
{
    m_doc.LoadAddressFile();
    return bookArrived();
}

namespace {

StartPicture::Key startPictureKey(const QString& book)
{
    return StartPicture::keyOf(
        QFile::encodeName(book).toStdString(),
        QFile::encodeName(DataLocation::companionFilePath(book)).toStdString());
}

} // namespace

// What the list showed at the last exit, while the same book is read behind it.
bool CMainFrame::showStartPicture()
{
    std::optional<StartPicture> picture =
        StartPicture::Load(QFile::encodeName(DataLocation::startPicturePath()).toStdString());
    if (!picture || picture->key != startPictureKey(m_doc.addressFilePath()))
        return false;
    // What the tree and the status bar take is read before the list takes the picture.
    const qsizetype rows = qsizetype(picture->totalRows);
    QStringList groups;
    for (const std::string& g : picture->groups)
        groups << QString::fromStdString(g);
    if (!m_list->ShowPicture(std::move(*picture)))
        return false;
    m_statusBar->showPendingCount(rows);
    m_tree->ShowPictureGroups(groups);
    return true;
}

// A start shows the whole book (no group, no search): only such a list is kept for it.
void CMainFrame::keepStartPicture()
{
    // Still shown: the rows never came (an exit at once); the file's key tells whether it fits.
    if (m_list->pictureModel())
        return;
    const std::string path = QFile::encodeName(DataLocation::startPicturePath()).toStdString();
    // Kept as it looks once every reading is in: so the next start's rows come. A guesser
    // still at work does not hold the end up (it keeps what it guessed): the rows are kept as
    // they are shown, and the next start shows them until its own are sorted by every reading.
    if (m_doc.finder().endGuessing())
        m_list->FinishReadings();
    const bool fits = !m_finalSaveFailed && m_doc.writable() && !m_list->filling() &&
                      m_list->searchText().isEmpty() &&
                      m_list->shownGroupName() == CVOK_AddressDoc::RootName;
    if (!fits) {
        std::remove(path.c_str());
        return;
    }
    StartPicture picture = m_list->TakePicture();
    picture.key = startPictureKey(m_doc.addressFilePath());
    for (const QString& g : m_doc.userGroups())
        picture.groups.push_back(g.toStdString());
    if (!StartPicture::Save(path, picture))
        std::remove(path.c_str());
}

void CMainFrame::WaitForBook()
{
    m_doc.FinishLoad();
    m_list->FinishFilling();
}

// The book is in, read or not: the panes show it and the start's findings are told.
bool CMainFrame::bookArrived()
{
    const bool loaded = !m_doc.loadFailed();
    // Nothing is shown or told to a window that is going.
    if (m_shutDown)
        return loaded;
    // Guessing first: a row made while nobody guesses would guess its name on the spot, with
    // the dictionaries read here first. The rows do not wait for the guesses.
    m_doc.finder().guessInBackground(m_doc.TakeUnreadNames());
    m_tree->ReloadGroups();
    m_list->ShowGroupInSlices(m_tree->GetCurrentGroupName());
    if (!m_list->filling())
        m_statusBar->showCount(); // else when the rows are in
    m_commands->refresh();
    if (m_commandAfterLoad) {
        m_commands->post(m_commandAfterLoad);
        m_commandAfterLoad = 0;
    }
    m_readOnlyBar->setVisible(!loaded);
    if (!loaded)
        m_readOnlyText->setText(
            AppText::ReadOnlyBar.arg(QDir::toNativeSeparators(m_doc.addressFilePath()),
                                     FileProblem::reason(m_doc.loadError())));
    // When somebody waited for the book (an import, a sync, a dialog's own event loop), a box
    // opened here would run another event loop inside it: told once nothing waits any more.
    if (!m_loadReportDue) {
        m_loadReportDue = true;
        if (m_doc.loadTakenInByItself())
            reportLoad();
        else
            QTimer::singleShot(0, this, &CMainFrame::reportLoad);
    }
    return loaded;
}

void CMainFrame::reportLoad()
{
    if (m_shutDown || m_exiting || m_endRequested) {
        m_loadReportDue = false;
        return;
    }
    if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1 ||
        LongWork::running()) {
        QTimer::singleShot(50, this, &CMainFrame::reportLoad);
        return;
    }
    m_loadReportDue = false;
    const QString file = QDir::toNativeSeparators(m_doc.addressFilePath());
    if (m_doc.loadFailed()) {
        MessageBox::information(
            this, AppText::LoadUnreadable.arg(file, FileProblem::reason(m_doc.loadError())));
        return;
    }
    if (m_doc.loadDamaged()) {
        const QString backup = QFileInfo(m_doc.backupFilePath()).fileName();
        QString text;
        if (m_doc.notAnAddressBook())
            text = AppText::LoadNotABook.arg(file).arg(m_doc.fileRecords()).arg(backup);
        else if (m_doc.oddRecords() != 0)
            text = AppText::LoadOddRecords.arg(m_doc.oddRecords())
                       .arg(m_doc.fileRecords())
                       .arg(backup);
        else
            text = AppText::LoadDamaged.arg(backup);
        if (QFileInfo::exists(m_doc.backupFilePath()))
            text += AppText::LoadDamagedOlderBackup.arg(
                QFileInfo(m_doc.olderBackupFilePath()).fileName());
        MessageBox::information(this, text);
    }
    if (m_doc.readingsUnreadable())
        MessageBox::information(this, AppText::ReadingsUnreadable.arg(
                                          QDir::toNativeSeparators(m_doc.readingsFilePath()),
                                          FileProblem::reason(m_doc.readingsError())));
    reportCompanion();
    // The drafts are offered once what the load found is told.
    if (m_offerDrafts && isVisible())
        QTimer::singleShot(0, this, &CMainFrame::offerDrafts);
}

// Said once, at the start that found it: a damaged companion file, or extras that could not
// be placed on a contact after another program changed the book.
void CMainFrame::reportCompanion()
{
    const CVOK_AddressDoc::CompanionLoad& load = m_doc.companionLoad();
    const QString file = QFileInfo(m_doc.companionFilePath()).fileName();
    if (load.status == CompanionFile::Status::Damaged ||
        load.status == CompanionFile::Status::ReadError)
        MessageBox::information(this, AppText::CompanionDamaged.arg(file, file + ".bak"));
    if (load.setAside.empty())
        return;
    QString text = AppText::CompanionSetAside.arg(load.setAside.size()).arg(file);
    constexpr std::size_t shown = 10;
    for (std::size_t i = 0; i < load.setAside.size() && i < shown; ++i)
        text += QStringLiteral("\n  ") +
                QString::fromStdString(ExtrasText::summary(*load.setAside[i].extras));
    if (load.setAside.size() > shown)
        text +=
            QLatin1Char('\n') + AppText::CompanionSetAsideMore.arg(load.setAside.size() - shown);
    MessageBox::information(this, text);
}

void CMainFrame::createReadOnlyBar()
{
    m_readOnlyBar = new QFrame;
    m_readOnlyBar->setObjectName(QStringLiteral("ReadOnlyBar"));
    m_readOnlyBar->setAutoFillBackground(true);
    QPalette palette = m_readOnlyBar->palette();
    palette.setColor(QPalette::Window, QColor(0xff, 0xf0, 0xb3));
    palette.setColor(QPalette::WindowText, Qt::black);
    m_readOnlyBar->setPalette(palette);
    auto* row = new QHBoxLayout(m_readOnlyBar);
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
    m_readOnlyText = new QLabel;
    m_readOnlyText->setWordWrap(true);
    m_readOnlyText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* retry = new QPushButton(AppText::ReadOnlyRetry);
    retry->setObjectName(QStringLiteral("ReadOnlyRetry"));
    connect(retry, &QPushButton::clicked, this, &CMainFrame::RetryLoad);
    row->addWidget(icon);
    row->addWidget(m_readOnlyText, 1);
    row->addWidget(retry);
    m_readOnlyBar->setVisible(false);
}

void CMainFrame::RetryLoad()
{
    if (BookWritable())
        return;
    // What a read that broke off gave goes first: the book is read again from its start.
    m_doc.DeleteAllRecords();
    LoadAddressFile();
}

void CMainFrame::OfferDraftsWhenShown()
{
    m_offerDrafts = true;
    if (isVisible())
        QTimer::singleShot(0, this, &CMainFrame::offerDrafts);
}

void CMainFrame::offerDrafts()
{
    // Once per run, and only into a book that can take them.
    if (!m_offerDrafts || m_exiting || m_endRequested || !BookWritable())
        return;
    m_offerDrafts = false;
    ContactEditor::OfferDrafts(this, m_doc);
}

void CMainFrame::createAutoSave()
{
    m_autoSave = std::make_unique<AutoSave>(&m_doc);
    // Qt's Wayland client ends the process at once when the compositor goes, with no chance to
    // save: a change waits for no quiet moment there.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        m_autoSave->setDelays(0, 0);
    connect(m_autoSave.get(), &AutoSave::saveFailed, this,
            [this] { MessageBox::information(this, AppText::SaveFailed); });
}

bool CMainFrame::SaveAddressFile()
{
    // What the load makes up (identities, a realigned companion) is saved as after any load.
    WaitForBook();
    if (m_autoSave->SaveNow())
        return true;
    MessageBox::information(this, AppText::SaveFailed);
    return false;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        // The window is blocked by its dialog, yet Qt before 6.7 passes a Wayland compositor's
        // close through: what the dialog holds would be lost.
        event->ignore();
        modal->raise();
        modal->activateWindow();
        return;
    }
    if (LongWork::running()) {
        // An import between two of its slices, before its progress shows: ending now would
        // take the book from under it.
        event->ignore();
        return;
    }
    if (!hasTray()) {
        // Nowhere to hide to: closing ends the program, saving as the exit command does.
        WindowState::save(*this, m_placement->lastNormalGeometry());
        m_exiting = true;
        event->accept();
        endRun();
        return;
    }
    SaveAddressFile();
    event->ignore();
    hide();
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || m_exiting || !hasTray())
        return;
    // Minimising only hides; nothing is written. The window manager must finish first. The
    // minimised state stays until the window is shown again: clearing it here would map the
    // window anew on X11 and leave an empty frame on the screen.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}

void CMainFrame::endRun()
{
    shutDown();
    emit exitFinished();
}

void CMainFrame::shutDown()
{
    m_shutDown = true;
    // A book still being read is taken in first, so that the end saves what it always saved.
    WaitForBook();
    // An open label editor would end its edit while the window is destroyed.
    m_tree->AbandonLabelEdit();
    // Running checks give up first: no result may arrive while the frame goes.
    if (m_mailCheck)
        m_mailCheck->shutdown();
    // A sync holds pointers to records: it ends before they go (the next start syncs again).
    if (m_sync)
        m_sync->shutdown();
    m_finalSaveFailed = !SaveAddressFile();
    keepStartPicture();
    m_tray->DeleteTrayIcon();
    m_list->DeleteAllRows(); // its rows point at the records
    m_doc.DeleteAllRecords();
}

namespace {

// A Wayland compositor lets a window come forward only with a token the desktop gave for it
// (Qt reads it from the environment when it asks); elsewhere the token means nothing.
void activateWith(QWidget* window, const QByteArray& activationToken)
{
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    window->activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

} // namespace

void CMainFrame::ShowMainWindow(const QByteArray& activationToken)
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        activateWith(this, activationToken);
        return;
    }
    activateWindow();
    if (m_offerDrafts)
        QTimer::singleShot(0, this, &CMainFrame::offerDrafts);
    // A dialog the user left open comes forward with the window; the window manager may have
    // iconified it with the window.
    if (modal->isMinimized())
        modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->raise();
    activateWith(modal, activationToken);
}

void CMainFrame::showMailCountInTitle(int count)
{
    // With a tray the icon's tooltip tells it; without one the title is seen in every task list.
    if (hasTray() || count < 0)
        setWindowTitle(AppText::Title);
    else
        setWindowTitle(AppText::TitleWithMail.arg(count));
}

void CMainFrame::ExplainNoTray()
{
    if (hasTray() || m_exiting)
        return;
    OptionSettings options = OptionSettings::load();
    if (options.noTrayExplained)
        return;
    options.noTrayExplained = true;
    options.save();
    MessageBox::information(this, AppText::NoTrayExplained);
}

bool CMainFrame::hasTray() const
{
    return TrayIcon::isAvailable();
}

void CMainFrame::LaunchMailClient()
{
    MailLauncher::launchDefaultMailClient(
        [frame = QPointer<CMainFrame>(this)](MailLauncher::Outcome outcome) {
            if (frame)
                frame->reportMailLaunch(outcome);
        });
}

void CMainFrame::SetMailPaneText(const QString& text)
{
    m_statusBar->setMailPaneText(text);
}

QString CMainFrame::mailPaneText() const
{
    return m_statusBar->mailPaneText();
}
