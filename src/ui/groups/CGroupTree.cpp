#include "CGroupTree.h"

#include "GroupLabelDelegate.h"
#include "GroupText.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "app/RegistryKey.h"
#include "model/GroupName.h"
#include "resource.h"
#include "ui/common/MessageBox.h"
#include "ui/common/SelectionPalette.h"
#include "ui/common/Text.h"
#include "ui/contact/CsvExchange.h"
#include "ui/list/CAddressList.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <vector>

namespace {

QIcon folderIcon(const QString& closed, const QString& open)
{
    QIcon icon;
    icon.addFile(closed, QSize(16, 16), QIcon::Normal);
    icon.addFile(closed, QSize(16, 16), QIcon::Active);
    // The view paints a selected item in the Selected mode: the folder shows open.
    icon.addFile(open, QSize(16, 16), QIcon::Selected);
    return icon;
}

QString groupKeyPath(const QString& name)
{
    return QString::fromLatin1(RegistryKey::TreeViewKey) + u'\\' + name;
}

} // namespace

CGroupTree::CGroupTree(CMainFrame* frame, QWidget* parent)
    : QTreeWidget(parent), m_frame(frame), m_rootIcon(QStringLiteral(":/icons/tree_book.svg")),
      m_fixedIcon(folderIcon(QStringLiteral(":/icons/tree_folder_blue.svg"),
                             QStringLiteral(":/icons/tree_folder_blue_open.svg"))),
      m_userIcon(folderIcon(QStringLiteral(":/icons/tree_folder_yellow.svg"),
                            QStringLiteral(":/icons/tree_folder_yellow_open.svg")))
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new GroupLabelDelegate(this));
    SelectionPalette::keepSelectionVisible(this);

    m_frame->document()->groupTree = this;
    build();
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CGroupTree::fillAddressList);
}

CGroupTree::~CGroupTree()
{
    // Tearing down the items changes the selection; the list and the records may be gone.
    blockSignals(true);
}

QTreeWidgetItem* CGroupTree::appendGroup(const QString& name, Kind kind)
{
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setIcon(0, kind == UserKind ? m_userIcon : m_fixedIcon);
    item->setData(0, Qt::UserRole, static_cast<int>(kind));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
    rootItem()->addChild(item);
    return item;
}

void CGroupTree::build()
{
    auto* root = new QTreeWidgetItem(QStringList{GroupText::Root});
    root->setIcon(0, m_rootIcon);
    root->setData(0, Qt::UserRole, static_cast<int>(RootKind));
    root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    addTopLevelItem(root);
    for (const QString& name : {GroupText::Private, GroupText::Business, GroupText::Other})
        appendGroup(name, FixedKind);
    RegistryKey key;
    key.Open(QString::fromLatin1(RegistryKey::TreeViewKey));
    key.Close();
    QStringList names;
    RegistryKey::EnumGroupKeys(names);
    for (const QString& name : names)
        appendGroup(name, UserKind);
    root->setExpanded(true);
}

int CGroupTree::kindOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

QTreeWidgetItem* CGroupTree::rootItem() const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == GroupText::Root)
            return topLevelItem(i);
    }
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

QTreeWidgetItem* CGroupTree::selectedItem() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

QTreeWidgetItem* CGroupTree::currentGroupItem() const
{
    return contextItem ? contextItem : selectedItem();
}

QString CGroupTree::GetCurrentGroupName() const
{
    const QTreeWidgetItem* item = currentGroupItem();
    return item ? item->text(0) : QString();
}

void CGroupTree::ListGroupNames(QStringList& names) const
{
    const QTreeWidgetItem* root = rootItem();
    if (!root)
        return;
    for (int i = 0; i < root->childCount(); ++i)
        names.append(root->child(i)->text(0));
}

bool CGroupTree::IsCurrentUserGroup() const
{
    return kindOf(currentGroupItem()) > 1;
}

void CGroupTree::selectRootIfNone()
{
    if (!selectedItem() && rootItem())
        setCurrentItem(rootItem());
}

void CGroupTree::focusInEvent(QFocusEvent* event)
{
    selectRootIfNone();
    QTreeWidget::focusInEvent(event);
}

void CGroupTree::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    // The program starts with the root selected and every contact listed, also when the window
    // first shows without giving the tree the focus.
    selectRootIfNone();
}

void CGroupTree::fillAddressList()
{
    contextItem = nullptr;
    CAddressList* list = m_frame->document()->addressList;
    if (!list)
        return;
    list->DeleteAllRows();
    const QTreeWidgetItem* item = selectedItem();
    if (!item)
        return;
    const QString label = item->text(0);
    const bool all = label.compare(GroupText::Root, Qt::CaseInsensitive) == 0;
    const std::string group = Text::toCp932(label).value_or(std::string());
    std::vector<AddressRecord*> records;
    const RecordList& list0 = m_frame->records();
    records.reserve(all ? list0.size() : 0);
    for (const auto& record : list0) {
        if (all || GroupName::equals(group, record->group()))
            records.push_back(record.get());
    }
    list->AddRecordRows(records);
    list->ApplyColumnWidths();
    list->SortByColumn(99);
}

QTreeWidgetItem* CGroupTree::labelItemAt(const QPoint& viewportPos) const
{
    QTreeWidgetItem* item = itemAt(viewportPos);
    if (!item)
        return nullptr;
    const QModelIndex index = indexFromItem(item);
    QRect rect = visualRect(index);
    rect.setWidth(std::min(rect.width(), sizeHintForIndex(index).width()));
    return rect.contains(viewportPos) ? item : nullptr;
}

QMenu* CGroupTree::createContextMenu(QWidget* parent)
{
    CommandTable* commands = m_frame->commands();
    auto* menu = new QMenu(parent);
    auto add = [menu, commands](const QString& text, int id) {
        QAction* a = menu->addAction(text);
        a->setData(id);
        a->setEnabled(commands && commands->contains(id) && commands->isEnabled(id));
        // Through the guard: the rule is asked again when the entry is chosen.
        QObject::connect(a, &QAction::triggered, commands,
                         [commands, id] { commands->execute(id); });
    };
    add(GroupText::MenuNewContact, ID_NEW_CONTACT);
    add(GroupText::MenuCreateGroup, ID_CREATE_GROUP);
    add(GroupText::MenuDeleteGroup, ID_DELETE_GROUP);
    add(GroupText::MenuRenameGroup, ID_RENAME_GROUP);
    menu->addSeparator();
    add(GroupText::MenuExport, ID_EXPORT);
    add(GroupText::MenuImport, ID_IMPORT);
    return menu;
}

void CGroupTree::mousePressEvent(QMouseEvent* event)
{
    // A right press neither selects nor moves the current item; the menu follows.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    // Some group is always shown: a press on blank space or a Ctrl+press on the selected item
    // would leave the tree without a selection.
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    const bool expander = item && event->position().x() < visualItemRect(item).left();
    if (!expander &&
        (!item || (item->isSelected() && (event->modifiers() & Qt::ControlModifier)))) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CGroupTree::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    QTreeWidgetItem* item = nullptr;
    if (event->reason() == QContextMenuEvent::Mouse) {
        item = labelItemAt(event->pos());
        if (!item)
            return;
    } else {
        item = selectedItem();
    }
    if (!item)
        return;
    contextItem = item;
    // The item the menu speaks for stands out while the menu is open.
    setDropHighlight(item);
    QMenu* menu = createContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
    if (m_dropItem == item)
        setDropHighlight(nullptr);
    // Without a command the menu leaves nothing behind; after one, the handler has run and
    // cleared it already (or deleted the item, which clears it too).
    contextItem = nullptr;
}

void CGroupTree::startLabelEdit(QTreeWidgetItem* item)
{
    if (!item)
        return;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_editItem = item;
    m_committed = false;
    m_committedText.clear();
    scrollToItem(item);
    editItem(item, 0);
}

void CGroupTree::AbandonLabelEdit()
{
    m_editItem = nullptr;
    m_committed = false;
    m_committedText.clear();
}

void CGroupTree::commitData(QWidget* editor)
{
    // The label is not written here: the end of the edit accepts or refuses it.
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        m_committed = true;
        m_committedText = edit->text();
    }
}

void CGroupTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidgetItem* item = m_editItem;
    const bool cancelled = !m_committed || hint == QAbstractItemDelegate::RevertModelCache;
    const QString text = m_committedText;
    m_editItem = nullptr;
    m_committed = false;
    m_committedText.clear();
    QTreeWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (item)
        endLabelEdit(item, cancelled, text);
}

void CGroupTree::CreateGroup()
{
    if (pendingEditItem) {
        startLabelEdit(pendingEditItem);
        return;
    }
    QTreeWidgetItem* root = rootItem();
    if (!root)
        return;
    QTreeWidgetItem* item = appendGroup(GroupText::NewGroup, UserKind);
    root->setExpanded(true);
    startLabelEdit(item);
}

void CGroupTree::StartRenameGroup()
{
    QTreeWidgetItem* item = currentGroupItem();
    if (!item)
        return;
    renameOldName = item->text(0);
    renaming = true;
    startLabelEdit(item);
}

bool CGroupTree::GroupNameStored(const QString& name) const
{
    const auto bytes = Text::toCp932(name);
    QStringList names;
    RegistryKey::EnumGroupKeys(names);
    for (const QString& stored : names) {
        if (stored == name)
            return true;
        const auto storedBytes = Text::toCp932(stored);
        if (bytes && storedBytes && GroupName::equals(*bytes, *storedBytes))
            return true;
    }
    return false;
}

void CGroupTree::refuseName(QTreeWidgetItem* item, const QString& message)
{
    pendingEditItem = item;
    MessageBox::information(this, message);
    CommandTable* commands = m_frame->commands();
    if (commands && commands->contains(ID_CREATE_GROUP))
        commands->post(ID_CREATE_GROUP);
    else
        QMetaObject::invokeMethod(this, &CGroupTree::CreateGroup, Qt::QueuedConnection);
}

void CGroupTree::endLabelEdit(QTreeWidgetItem* item, bool cancelled, const QString& text)
{
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (cancelled) {
        if (!renaming) {
            if (contextItem == item)
                contextItem = nullptr;
            delete item;
        }
        renaming = false;
        pendingEditItem = nullptr;
        return;
    }
    if (text.isEmpty()) {
        refuseName(item, GroupText::NoName);
        return;
    }
    if (GroupNameStored(text)) {
        refuseName(item, GroupText::SameName);
        return;
    }
    const bool renamed = renaming && !renameOldName.isEmpty();
    if (renamed) {
        RegistryKey().DeleteKey(groupKeyPath(renameOldName));
        const auto oldBytes = Text::toCp932(renameOldName);
        const auto newBytes = Text::toCp932(text);
        if (oldBytes && newBytes)
            m_frame->RenameGroup(*oldBytes, *newBytes);
    }
    {
        RegistryKey key;
        key.Open(groupKeyPath(text));
        key.Close();
    }
    if (CAddressList* list = m_frame->document()->addressList; list && renamed) {
        if (item == selectedItem())
            list->SetGroupColumnText(text);
        else if (selectedItem() == rootItem())
            list->RefreshGroupColumn(); // the renamed contacts are among the rows
    }
    pendingEditItem = nullptr;
    renaming = false;
    item->setText(0, text);
}

void CGroupTree::DeleteGroup()
{
    QTreeWidgetItem* item = currentGroupItem();
    if (!item || kindOf(item) <= 1)
        return;
    const QString name = item->text(0);
    CAddressList* list = m_frame->document()->addressList;
    if (list && list->CountRecordsInGroup(name) != 0 &&
        MessageBox::question(this, GroupText::HasContacts) != MessageBox::Yes)
        return;
    const bool wasSelected = !contextItem || contextItem == selectedItem();
    QTreeWidgetItem* parentItem = item->parent();
    QTreeWidgetItem* previous = nullptr;
    if (parentItem) {
        const int at = parentItem->indexOfChild(item);
        if (at > 0)
            previous = parentItem->child(at - 1);
    }
    if (contextItem == item)
        contextItem = nullptr;
    if (pendingEditItem == item)
        pendingEditItem = nullptr;
    if (m_dropItem == item)
        m_dropItem = nullptr;
    delete item;
    RegistryKey().DeleteKey(groupKeyPath(name));
    if (const auto bytes = Text::toCp932(name))
        m_frame->RemoveGroupRecords(*bytes);
    if (wasSelected && previous)
        setCurrentItem(previous);
}

void CGroupTree::setDropHighlight(QTreeWidgetItem* item)
{
    if (m_dropItem == item)
        return;
    if (m_dropItem) {
        m_dropItem->setData(0, Qt::BackgroundRole, QVariant());
        m_dropItem->setData(0, Qt::ForegroundRole, QVariant());
    }
    m_dropItem = item;
    if (m_dropItem) {
        m_dropItem->setData(0, Qt::BackgroundRole, palette().brush(QPalette::Highlight));
        m_dropItem->setData(0, Qt::ForegroundRole, palette().brush(QPalette::HighlightedText));
    }
}

int CGroupTree::HitTestDropTarget(const QPoint& globalPos, bool highlight)
{
    dropTargetGroup.clear();
    QTreeWidgetItem* item = labelItemAt(viewport()->mapFromGlobal(globalPos));
    if (!item) {
        setDropHighlight(nullptr);
        return 0;
    }
    if (highlight)
        setDropHighlight(item);
    if (item->text(0).compare(GroupText::Root, Qt::CaseInsensitive) == 0)
        return 2;
    dropTargetGroup = item->text(0);
    return 1;
}

void CGroupTree::ClearDropTarget()
{
    dropTargetGroup.clear();
    setDropHighlight(nullptr);
}

bool CGroupTree::ExportGroupCsv(const QString& path)
{
    return CsvExchange::ExportGroup(m_frame, m_frame->records(), GetCurrentGroupName(), path);
}
