#include "CMainFrame.h"

#include "AppText.h"
#include "CommandTable.h"
#include "DataLocation.h"
#include "RegistryKey.h"
#include "WindowPlacement.h"
#include "mail/MailCheck.h"
#include "mail/MailLauncher.h"
#include "model/AddressFile.h"
#include "resource.h"
#include "ui/about/CAboutDialog.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Text.h"
#include "ui/contact/ClipboardTransfer.h"
#include "ui/contact/ContactEditor.h"
#include "ui/contact/CsvExchange.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/CAddressList.h"
#include "ui/options/COptionSheet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolBar>

namespace {

std::optional<bool>& trayOverride()
{
    static std::optional<bool> value;
    return value;
}

const QString kBarSection = QStringLiteral("ToolBars");

// The tool bar's places, left to right; 0 is a separator.
constexpr int kToolBarPlaces[] = {ID_NEW_CONTACT,
                                  ID_CREATE_GROUP,
                                  ID_COPY_MAIL,
                                  ID_EXPORT,
                                  ID_IMPORT,
                                  ID_OPTIONS,
                                  0,
                                  ID_EDIT_CONTACT,
                                  ID_DELETE,
                                  0,
                                  ID_NEW_MAIL,
                                  ID_MAIL_CHECK,
                                  0,
                                  ID_APP_ABOUT};

// The key as Qt reads it, and its name as the menu shows it after a tab: Qt's own name for
// the Delete key is "Del".
struct CommandKey
{
    int id;
    const char* shortcut;
    const char* shown;
    const char* icon;
};

constexpr CommandKey kCommandKeys[] = {
    {ID_NEW_CONTACT, "Ctrl+N", "Ctrl+N", "tb_new_contact.svg"},
    {ID_CREATE_GROUP, "Ctrl+G", "Ctrl+G", "tb_create_group.svg"},
    {ID_COPY_MAIL, "Ctrl+M", "Ctrl+M", "tb_copy_mail.svg"},
    {ID_EXPORT, "Ctrl+P", "Ctrl+P", "tb_export.svg"},
    {ID_IMPORT, "Ctrl+I", "Ctrl+I", "tb_import.svg"},
    {ID_OPTIONS, "", "", "tb_options.svg"},
    {ID_EDIT_CONTACT, "Ctrl+E", "Ctrl+E", "tb_edit_contact.svg"},
    {ID_DELETE, "Del", "Delete", "tb_delete.svg"},
    {ID_DELETE_GROUP, "Ctrl+D", "Ctrl+D", ""},
    {ID_RENAME_GROUP, "F2", "F2", ""},
    {ID_NEW_MAIL, "", "", "tb_new_mail.svg"},
    {ID_MAIL_CHECK, "", "", "tb_mail_check.svg"},
    {ID_APP_ABOUT, "", "", "tb_about.svg"},
};

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(iconForId(IDR_MAINFRAME));
    resize(760, 520);

    // The panes first, then the title, the icon, the placement and the options.
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(new CGroupTree(this, m_splitter));
    m_splitter->addWidget(new CAddressList(this, m_splitter));
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 560});
    setCentralWidget(m_splitter);
    setWindowTitle(AppText::Title);

    m_commands = new CommandTable(this);
    createCommands();
    createTrayMenu();
    AddTrayIcon(IDI_TRAY);
    RestorePlacement();
    ReadOptions();

    // Then the bars, the data file and the bars' saved state.
    createMenus();
    createToolBar();
    createStatusBar();
    m_mailCheck = new MailCheck(this);
    connect(m_mailCheck, &MailCheck::trayIconChanged, this, &CMainFrame::SetTrayIcon);
    connect(m_mailCheck, &MailCheck::trayTipChanged, this, &CMainFrame::SetTrayTip);
    connect(m_mailCheck, &MailCheck::mailPaneTextChanged, this, &CMainFrame::SetMailPaneText);
    LoadAddressFile();
    RestoreBarState();

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
    if (m_doc.groupTree)
        disconnect(m_doc.groupTree, nullptr, m_commands, nullptr);
}

// ---- commands ----------------------------------------------------------------------------

void CMainFrame::createCommands()
{
    auto add = [this](int id, void (CMainFrame::*handler)(), bool (CMainFrame::*rule)() const) {
        CommandTable::Rule r;
        if (rule)
            r = [this, rule] { return (this->*rule)(); };
        return m_commands->add(
            id, [this, handler] { (this->*handler)(); }, r);
    };
    add(ID_NEW_CONTACT, &CMainFrame::OnNewContact, nullptr);
    add(ID_EDIT_CONTACT, &CMainFrame::OnEditContact, &CMainFrame::OnUpdateEditContact);
    add(ID_DELETE, &CMainFrame::OnDelete, &CMainFrame::OnUpdateDelete);
    add(ID_COPY_MAIL, &CMainFrame::OnCopyMailAddresses, &CMainFrame::OnUpdateCopyMailAddresses);
    add(ID_IMPORT, &CMainFrame::OnImport, nullptr);
    add(ID_EXPORT, &CMainFrame::OnExport, &CMainFrame::OnUpdateExport);
    add(ID_CREATE_GROUP, &CMainFrame::OnCreateGroup, nullptr);
    add(ID_COPY_PERSONAL_INFO, &CMainFrame::OnCopyPersonalInfo, &CMainFrame::OnUpdateCopyInfo);
    add(ID_COPY_OFFICE_INFO, &CMainFrame::OnCopyOfficeInfo, &CMainFrame::OnUpdateCopyInfo);
    add(ID_DELETE_GROUP, &CMainFrame::OnDeleteGroup, &CMainFrame::OnUpdateGroupCommand);
    add(ID_COPY_OFFICE_MAIL, &CMainFrame::OnCopyOfficeMailAddresses,
        &CMainFrame::OnUpdateCopyMailAddresses);
    add(ID_RENAME_GROUP, &CMainFrame::OnRenameGroup, &CMainFrame::OnUpdateGroupCommand);
    add(ID_OPTIONS, &CMainFrame::OnOptions, nullptr);
    add(ID_MAIL_CHECK, &CMainFrame::OnMailCheck, nullptr);
    add(ID_NEW_MAIL, &CMainFrame::OnNewMail, &CMainFrame::OnUpdateNewMail);
    add(ID_OPEN_ADDRESS_BOOK, &CMainFrame::OnOpenAddressBook, nullptr);
    add(ID_APP_ABOUT, &CMainFrame::OnAppAbout, nullptr);
    add(ID_APP_EXIT, &CMainFrame::OnAppExit, &CMainFrame::OnUpdateAppExit);
    add(ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar, nullptr);
    add(ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar, nullptr);

    for (const auto& text : AppText::Commands) {
        QAction* action = m_commands->action(text.id);
        if (!action)
            continue;
        action->setText(QString::fromUtf16(text.item));
        action->setStatusTip(QString::fromUtf16(text.prompt));
        action->setToolTip(QString::fromUtf16(text.tip));
        action->setIconVisibleInMenu(false);
    }
    m_commands->action(ID_OPEN_ADDRESS_BOOK)->setText(AppText::TaskOpen);
    m_commands->action(ID_APP_EXIT)->setText(AppText::TaskExit);
    m_commands->action(ID_VIEW_TOOLBAR)->setCheckable(true);
    m_commands->action(ID_VIEW_STATUS_BAR)->setCheckable(true);

    for (const auto& key : kCommandKeys) {
        QAction* action = m_commands->action(key.id);
        if (*key.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(key.shortcut)));
            // A menu shows the text after a tab as it stands, in place of the shortcut's own
            // name; the key itself stays bound to the action. Only menus see the tab.
            if (!action->text().isEmpty()) {
                action->setIconText(action->iconText());
                action->setText(action->text() + u'\t' + QString::fromLatin1(key.shown));
            }
        }
        if (*key.icon)
            action->setIcon(QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(key.icon)));
        // Accelerators work whether or not a menu shows the command.
        addAction(action);
    }
}

void CMainFrame::createMenus()
{
    auto* bar = menuBar();
    auto refreshing = [this](QMenu* menu) {
        connect(menu, &QMenu::aboutToShow, m_commands, &CommandTable::refresh);
        return menu;
    };
    QMenu* file = refreshing(bar->addMenu(AppText::MenuFile));
    file->addAction(m_commands->action(ID_NEW_CONTACT));
    file->addAction(m_commands->action(ID_CREATE_GROUP));
    file->addSeparator();
    file->addAction(m_commands->action(ID_COPY_MAIL));
    file->addSeparator();
    file->addAction(m_commands->action(ID_EXPORT));
    file->addAction(m_commands->action(ID_IMPORT));
    file->addSeparator();
    file->addAction(m_commands->action(ID_OPTIONS));

    QMenu* edit = refreshing(bar->addMenu(AppText::MenuEdit));
    edit->addAction(m_commands->action(ID_EDIT_CONTACT));
    edit->addAction(m_commands->action(ID_DELETE));
    edit->addSeparator();
    edit->addAction(m_commands->action(ID_DELETE_GROUP));

    QMenu* view = refreshing(bar->addMenu(AppText::MenuView));
    view->addAction(m_commands->action(ID_VIEW_TOOLBAR));
    view->addAction(m_commands->action(ID_VIEW_STATUS_BAR));
    connect(view, &QMenu::aboutToShow, this, [this] {
        m_commands->action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
        m_commands->action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    });

    QMenu* tools = refreshing(bar->addMenu(AppText::MenuTools));
    tools->addAction(m_commands->action(ID_NEW_MAIL));
    tools->addAction(m_commands->action(ID_MAIL_CHECK));

    QMenu* help = refreshing(bar->addMenu(AppText::MenuHelp));
    help->addAction(m_commands->action(ID_APP_ABOUT));
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(AppText::ToolBarCaption, this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolBarPlaces) {
        if (id == 0)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(m_commands->action(id));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // Prompts are temporary messages that cover this pane; when they go, "ﾚﾃﾞｨ" is back.
    m_readyPane = new QLabel(AppText::Ready, bar);
    bar->addWidget(m_readyPane, 1);
    m_mailPane = new QLabel(bar);
    m_mailPane->setObjectName(QStringLiteral("MailPane"));
    m_mailPane->setFrameShape(QFrame::Panel);
    m_mailPane->setFrameShadow(QFrame::Sunken);
    m_mailPane->setMinimumWidth(
        m_mailPane->fontMetrics().horizontalAdvance(QString(IDS_INDICATOR_MAIL_WIDTH, u' ')));
    bar->addPermanentWidget(m_mailPane);
}

void CMainFrame::createTrayMenu()
{
    m_trayMenu = new QMenu(AppText::MenuTask, this);
    // Items whose text differs from the main menu's get their own action, run through the
    // same guard.
    auto proxy = [this](int id, const QString& text) {
        auto* action = new QAction(text, m_trayMenu);
        action->setData(id);
        connect(action, &QAction::triggered, m_commands, [this, id] { m_commands->execute(id); });
        return action;
    };
    m_trayMenu->addAction(m_commands->action(ID_OPEN_ADDRESS_BOOK));
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_commands->action(ID_OPTIONS));
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(proxy(ID_NEW_CONTACT, AppText::TaskNewContact));
    m_trayMenu->addAction(proxy(ID_MAIL_CHECK, AppText::TaskMailCheck));
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_commands->action(ID_APP_EXIT));
    connect(m_trayMenu, &QMenu::aboutToShow, this, [this] {
        m_commands->refresh();
        for (QAction* action : m_trayMenu->actions()) {
            if (action->parent() == m_trayMenu)
                action->setEnabled(m_commands->isEnabled(action->data().toInt()));
        }
    });
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
    if (auto* tree = m_doc.groupTree)
        connect(tree, &QTreeWidget::currentItemChanged, m_commands, &CommandTable::refresh);
}

void CMainFrame::connectListSelection()
{
    // The list may set or replace its model after it was built: follow its selection model.
    QItemSelectionModel* model = m_doc.addressList ? m_doc.addressList->selectionModel() : nullptr;
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

// ---- enable rules ------------------------------------------------------------------------

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
    QWidget* focus = commandFocus();
    return focus && focus == m_doc.addressList;
}

bool CMainFrame::TreeHasFocus() const
{
    QWidget* focus = commandFocus();
    return focus && focus == m_doc.groupTree;
}

bool CMainFrame::OnUpdateEditContact() const
{
    return ListHasFocus() && m_doc.addressList->GetSelectedCount() == 1 &&
           m_doc.addressList->GetFocusedSelectedRow() >= 0;
}

bool CMainFrame::OnUpdateDelete() const
{
    if (ListHasFocus())
        return m_doc.addressList->GetSelectedCount() >= 1;
    if (TreeHasFocus())
        return m_doc.groupTree->IsCurrentUserGroup();
    return true;
}

bool CMainFrame::OnUpdateCopyMailAddresses() const
{
    return ListHasFocus() && m_doc.addressList->GetSelectedCount() >= 1;
}

bool CMainFrame::OnUpdateCopyInfo() const
{
    return ListHasFocus() && m_doc.addressList->GetSelectedCount() == 1;
}

bool CMainFrame::OnUpdateExport() const
{
    return TreeHasFocus();
}

bool CMainFrame::OnUpdateGroupCommand() const
{
    return !ListHasFocus() && m_doc.groupTree && m_doc.groupTree->IsCurrentUserGroup();
}

bool CMainFrame::OnUpdateAppExit() const
{
    // A dialog still open holds records and panes that the exit destroys.
    return QApplication::activeModalWidget() == nullptr;
}

bool CMainFrame::OnUpdateNewMail() const
{
    return ListHasFocus() && m_doc.addressList->GetSelectedCount() >= 1 &&
           m_doc.addressList->GetFocusedSelectedRow() >= 0;
}

// ---- handlers ----------------------------------------------------------------------------

void CMainFrame::OnNewContact()
{
    ContactEditor::OnNewContact(this, m_doc.groupTree, m_doc.addressList);
}

void CMainFrame::OnEditContact()
{
    ContactEditor::OnEditContact(this, m_doc.groupTree, m_doc.addressList);
}

void CMainFrame::OnDelete()
{
    if (ListHasFocus())
        m_doc.addressList->DeleteSelectedRecords();
    else if (TreeHasFocus())
        m_doc.groupTree->DeleteGroup();
}

void CMainFrame::OnCopyMailAddresses()
{
    ClipboardTransfer::CopyMailAddresses(m_doc.addressList, false);
}

void CMainFrame::OnImport()
{
    CsvExchange::OnImport(this, m_doc.groupTree, m_doc.addressList);
}

void CMainFrame::OnExport()
{
    CsvExchange::OnExport(this, m_doc.groupTree);
}

void CMainFrame::OnCreateGroup()
{
    if (!m_doc.groupTree)
        return;
    m_doc.groupTree->CreateGroup();
    m_doc.groupTree->contextItem = nullptr;
}

void CMainFrame::OnCopyPersonalInfo()
{
    ClipboardTransfer::CopyContactInfo(m_doc.addressList, ClipboardTransfer::Personal);
}

void CMainFrame::OnCopyOfficeInfo()
{
    ClipboardTransfer::CopyContactInfo(m_doc.addressList, ClipboardTransfer::Office);
}

void CMainFrame::OnDeleteGroup()
{
    if (!m_doc.groupTree)
        return;
    m_doc.groupTree->DeleteGroup();
    m_doc.groupTree->contextItem = nullptr;
}

void CMainFrame::OnCopyOfficeMailAddresses()
{
    ClipboardTransfer::CopyMailAddresses(m_doc.addressList, true);
}

void CMainFrame::OnRenameGroup()
{
    if (!m_doc.groupTree)
        return;
    m_doc.groupTree->StartRenameGroup();
    m_doc.groupTree->contextItem = nullptr;
}

void CMainFrame::OnOptions()
{
    COptionSheet::Run(this, m_bNewmail, m_bTasktray);
}

void CMainFrame::OnMailCheck()
{
    m_mailCheck->OnMailCheck();
}

void CMainFrame::OnNewMail()
{
    const std::string joined = m_doc.addressList->JoinSelectedMailAddresses(false);
    MailLauncher::openMailto(MailLauncher::mailtoFromJoined(Text::fromCp932(joined)));
}

void CMainFrame::OnOpenAddressBook()
{
    ShowMainWindow();
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
    SaveBarState();
    SavePlacement();
    m_exiting = true;
    close();
    shutDown();
    emit exitFinished();
}

void CMainFrame::RequestExit()
{
    // A signal may arrive while a dialog runs its own event loop: close the dialog, let its
    // loop unwind, then exit from the top level.
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

void CMainFrame::ReadOptions()
{
    RegistryKey key;
    key.Open(QString::fromLatin1(RegistryKey::OptionKey));
    quint32 value = 0;
    m_bNewmail = key.ReadDword(QStringLiteral("Newmail"), value) == RegistryKey::Success && value;
    value = 0;
    m_bTasktray = key.ReadDword(QStringLiteral("Tasktray"), value) == RegistryKey::Success && value;
}

// ---- record list and data file -----------------------------------------------------------

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

// ---- closing -----------------------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    if (!hasTray()) {
        // Nowhere to hide to: closing ends the program, saving as the exit command does.
        SaveBarState();
        SavePlacement();
        m_exiting = true;
        event->accept();
        shutDown();
        emit exitFinished();
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
    // Minimising only hides; nothing is written. The window manager must finish first.
    QTimer::singleShot(0, this, [this] {
        if (!isMinimized())
            return;
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    });
}

void CMainFrame::shutDown()
{
    m_shutDown = true;
    // An open label editor would end its edit while the window is destroyed.
    if (m_doc.groupTree)
        m_doc.groupTree->AbandonLabelEdit();
    // Running checks give up first: no result may arrive while the frame goes.
    if (m_mailCheck)
        m_mailCheck->shutdown();
    SaveAddressFile();
    DeleteTrayIcon();
    if (m_doc.addressList)
        m_doc.addressList->DeleteAllRows(); // its rows point at the records
    DeleteAllRecords();
}

void CMainFrame::ShowMainWindow()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// ---- placement and bar state -------------------------------------------------------------

void CMainFrame::SavePlacement()
{
    WindowPlacement placement = WindowPlacement::fromNormalRect(normalGeometry());
    placement.showCmd = 9;
    RegistryKey key;
    key.Open(QString::fromLatin1(RegistryKey::WindowKey));
    key.WriteString(QStringLiteral("Style"), placement.format());
}

void CMainFrame::RestorePlacement()
{
    RegistryKey key;
    key.Open(QString::fromLatin1(RegistryKey::WindowKey));
    QString style;
    if (key.ReadString(QStringLiteral("Style"), style) != RegistryKey::Success || style.isEmpty())
        return;
    const auto placement = WindowPlacement::parse(style);
    if (!placement)
        return;
    const QRect rect = placement->normalRect();
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // A placement on a screen that is no longer there would leave the window unreachable.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->geometry().intersects(rect);
    if (!onScreen)
        return;
    setGeometry(rect);
}

void CMainFrame::SaveBarState()
{
    auto store = RegistryKey::openStore();
    store->beginGroup(kBarSection);
    store->setValue(QStringLiteral("State"), saveState());
    store->setValue(QStringLiteral("StatusBar"), !statusBar()->isHidden());
    store->endGroup();
    store->sync();
}

void CMainFrame::RestoreBarState()
{
    auto store = RegistryKey::openStore();
    store->beginGroup(kBarSection);
    const QByteArray state = store->value(QStringLiteral("State")).toByteArray();
    if (!state.isEmpty())
        restoreState(state);
    statusBar()->setVisible(store->value(QStringLiteral("StatusBar"), true).toBool());
    store->endGroup();
    m_commands->action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
    m_commands->action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
}

// ---- notification icon -------------------------------------------------------------------

bool CMainFrame::hasTray() const
{
    if (trayOverride())
        return *trayOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CMainFrame::setTrayAvailableForTesting(std::optional<bool> available)
{
    trayOverride() = available;
}

QIcon CMainFrame::iconForId(int iconId)
{
    QString name;
    switch (iconId) {
    case IDI_ANIMATION:
        name = QStringLiteral("tray_check1.svg");
        break;
    case IDI_ANIMATION_2:
        name = QStringLiteral("tray_check2.svg");
        break;
    case IDI_ANIMATION_3:
        name = QStringLiteral("tray_check3.svg");
        break;
    case IDI_ANIMATION_4:
        name = QStringLiteral("tray_check4.svg");
        break;
    default:
        name = QStringLiteral("app.svg");
        break; // 128 and 134 are the same picture
    }
    const QString path = QStringLiteral(":/icons/") + name;
    return QIcon(QFile::exists(path) ? path : QStringLiteral(":/icons/app.svg"));
}

void CMainFrame::AddTrayIcon(int iconId)
{
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_trayMenu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](auto reason) {
            if (reason != QSystemTrayIcon::DoubleClick)
                return;
            if (m_bTasktray)
                LaunchMailClient();
            else
                ShowMainWindow();
        });
        // Qt puts the icon back when a tray restarts; a tray that first appears after us
        // needs a new show().
        m_trayWasAvailable = QSystemTrayIcon::isSystemTrayAvailable();
        m_trayWatch = new QTimer(this);
        m_trayWatch->setInterval(2000);
        connect(m_trayWatch, &QTimer::timeout, this, &CMainFrame::checkTrayAppeared);
        m_trayWatch->start();
    }
    m_tray->setIcon(iconForId(iconId));
    m_tray->setToolTip(AppText::TrayTip);
    m_tray->show();
}

void CMainFrame::checkTrayAppeared()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !m_trayWasAvailable && m_tray && m_tray->isVisible())
        OnTaskbarCreated();
    m_trayWasAvailable = available;
}

void CMainFrame::OnTaskbarCreated()
{
    // A new tray gets the icon as at the start: the normal picture and the first tooltip,
    // whatever the old tray showed. A running check animates it again at its next tick.
    if (m_tray)
        m_tray->hide();
    AddTrayIcon(IDI_TRAY);
}

void CMainFrame::SetTrayIcon(int iconId)
{
    if (m_tray)
        m_tray->setIcon(iconForId(iconId));
}

void CMainFrame::SetTrayTip(const QString& text)
{
    if (m_tray)
        m_tray->setToolTip(text.left(63));
}

void CMainFrame::DeleteTrayIcon()
{
    if (m_trayWatch)
        m_trayWatch->stop();
    if (m_tray)
        m_tray->hide();
}

void CMainFrame::LaunchMailClient()
{
    MailLauncher::launchDefaultMailClient();
}

void CMainFrame::SetMailPaneText(const QString& text)
{
    m_mailPane->setText(text);
    m_mailPane->repaint();
}

QString CMainFrame::mailPaneText() const
{
    return m_mailPane->text();
}
