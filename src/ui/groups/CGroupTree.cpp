#include "CGroupTree.h"

#include "GroupLabelDelegate.h"
#include "GroupText.h"
#include "core/CVOK_AddressDoc.h"
#include "resource.h"
#include "ui/common/CommandMenu.h"
#include "ui/common/CommandTable.h"
#include "ui/common/MessageBox.h"
#include "ui/common/SelectionPalette.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>

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

} // namespace

CGroupTree::CGroupTree(CVOK_AddressDoc* doc, CommandTable* commands, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc), m_commands(commands),
      m_rootIcon(QStringLiteral(":/icons/tree_book.svg")),
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

    build();
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CGroupTree::onSelectionChanged);
    connect(m_doc, &CVOK_AddressDoc::groupAdded, this, &CGroupTree::onGroupAdded);
    connect(m_doc, &CVOK_AddressDoc::groupRenamed, this, &CGroupTree::onGroupRenamed);
    connect(m_doc, &CVOK_AddressDoc::groupRemoved, this, &CGroupTree::onGroupRemoved);
}

CGroupTree::~CGroupTree()
{
    // Tearing down the items changes the selection; nobody may hear of it any more.
    blockSignals(true);
}

QTreeWidgetItem* CGroupTree::appendGroup(const QString& name, Kind kind, int place)
{
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setIcon(0, kind == UserKind ? m_userIcon : m_fixedIcon);
    item->setData(0, Qt::UserRole, static_cast<int>(kind));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
    QTreeWidgetItem* root = rootItem();
    if (place < 0 || place > root->childCount())
        root->addChild(item);
    else
        root->insertChild(place, item);
    return item;
}

void CGroupTree::build()
{
    auto* root = new QTreeWidgetItem(QStringList{CVOK_AddressDoc::RootName});
    root->setIcon(0, m_rootIcon);
    root->setData(0, Qt::UserRole, static_cast<int>(RootKind));
    root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    addTopLevelItem(root);
    for (const QString& name : CVOK_AddressDoc::FixedGroups)
        appendGroup(name, FixedKind);
    for (const QString& name : m_doc->userGroups())
        appendGroup(name, UserKind);
    root->setExpanded(true);
}

void CGroupTree::ReloadGroups()
{
    QStringList shown;
    ListGroupNames(shown);
    const QStringList wanted = CVOK_AddressDoc::FixedGroups + m_doc->userGroups();
    QTreeWidgetItem* root = rootItem();
    if (shown == wanted || !root)
        return;
    // Items of groups that stay are kept (a selection, an open editor on them stay valid);
    // groups the book brought are put in at their places.
    const QSignalBlocker quiet(this);
    QTreeWidgetItem* selected = selectedItem();
    for (int i = root->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = root->child(i);
        if (kindOf(item) != UserKind || wanted.contains(item->text(0)))
            continue;
        if (item == m_contextItem)
            m_contextItem = nullptr;
        if (item == selected)
            selected = nullptr;
        delete root->takeChild(i);
    }
    for (int place = 0; place < wanted.size(); ++place) {
        QTreeWidgetItem* item = groupItem(wanted[place]);
        if (!item)
            appendGroup(wanted[place], UserKind, place);
        else if (root->indexOfChild(item) != place)
            root->insertChild(place, root->takeChild(root->indexOfChild(item)));
    }
    setCurrentItem(selected ? selected : root);
}

void CGroupTree::ShowPictureGroups(const QStringList& names)
{
    const QSignalBlocker quiet(this);
    for (const QString& name : names) {
        if (!name.isEmpty() && !groupItem(name))
            appendGroup(name, UserKind);
    }
}

int CGroupTree::kindOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

QTreeWidgetItem* CGroupTree::rootItem() const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->text(0) == CVOK_AddressDoc::RootName)
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
    return m_contextItem ? m_contextItem : selectedItem();
}

QTreeWidgetItem* CGroupTree::groupItem(const QString& name) const
{
    const QTreeWidgetItem* root = rootItem();
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == name)
            return root->child(i);
    }
    return nullptr;
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

void CGroupTree::onSelectionChanged()
{
    m_contextItem = nullptr;
    const QTreeWidgetItem* item = selectedItem();
    emit currentGroupChanged(item ? item->text(0) : QString());
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
    QMenu* menu = CommandMenu::create(parent);
    CommandMenu::add(menu, m_commands, GroupText::MenuNewContact, ID_NEW_CONTACT);
    CommandMenu::add(menu, m_commands, GroupText::MenuCreateGroup, ID_CREATE_GROUP);
    CommandMenu::add(menu, m_commands, GroupText::MenuDeleteGroup, ID_DELETE_GROUP);
    CommandMenu::add(menu, m_commands, GroupText::MenuRenameGroup, ID_RENAME_GROUP);
    menu->addSeparator();
    CommandMenu::add(menu, m_commands, GroupText::MenuExport, ID_EXPORT);
    CommandMenu::add(menu, m_commands, GroupText::MenuImport, ID_IMPORT);
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
    m_contextItem = item;
    // The item the menu speaks for stands out while the menu is open.
    setDropHighlight(item);
    QMenu* menu = createContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
    if (m_dropItem == item)
        setDropHighlight(nullptr);
    // Without a command the menu leaves nothing behind; after one, the handler has run and
    // cleared it already (or deleted the item, which clears it too).
    m_contextItem = nullptr;
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

bool CGroupTree::endOpenEdit()
{
    if (!m_editItem)
        return true;
    QWidget* editor = indexWidget(indexFromItem(m_editItem));
    if (!editor) {
        AbandonLabelEdit();
        return true;
    }
    // As a click elsewhere ends it: the name is accepted, or refused with its message.
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
    return m_pendingEditItem == nullptr;
}

void CGroupTree::CreateGroup()
{
    // A second edit never crosses one still open.
    if (!endOpenEdit())
        return;
    if (m_pendingEditItem) {
        startLabelEdit(m_pendingEditItem);
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
    if (!endOpenEdit())
        return;
    QTreeWidgetItem* item = currentGroupItem();
    if (!item)
        return;
    m_renameOldName = item->text(0);
    m_renaming = true;
    startLabelEdit(item);
}

void CGroupTree::refuseName(QTreeWidgetItem* item, const QString& message)
{
    m_pendingEditItem = item;
    MessageBox::information(this, message);
    if (m_commands && m_commands->contains(ID_CREATE_GROUP))
        m_commands->post(ID_CREATE_GROUP);
    else
        QMetaObject::invokeMethod(this, &CGroupTree::CreateGroup, Qt::QueuedConnection);
}

void CGroupTree::endLabelEdit(QTreeWidgetItem* item, bool cancelled, const QString& text)
{
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (cancelled) {
        if (!m_renaming) {
            if (m_contextItem == item)
                m_contextItem = nullptr;
            delete item;
        }
        m_renaming = false;
        m_pendingEditItem = nullptr;
        return;
    }
    if (text.isEmpty()) {
        refuseName(item, GroupText::NoName);
        return;
    }
    if (m_doc->GroupNameStored(text)) {
        refuseName(item, GroupText::SameName);
        return;
    }
    const bool renamed = m_renaming && !m_renameOldName.isEmpty();
    m_pendingEditItem = nullptr;
    m_renaming = false;
    if (renamed) {
        m_doc->RenameGroup(m_renameOldName, text); // the item follows in onGroupRenamed
        return;
    }
    item->setText(0, text);
    m_namedItem = item;
    m_doc->CreateGroup(text);
    m_namedItem = nullptr;
}

void CGroupTree::DeleteGroup()
{
    QTreeWidgetItem* item = currentGroupItem();
    if (!item || kindOf(item) <= 1)
        return;
    const QString name = item->text(0);
    if (m_doc->CountGroupRecords(name) != 0 &&
        MessageBox::question(this, GroupText::HasContacts) != MessageBox::Yes)
        return;
    m_doc->DeleteGroup(name); // the item goes in onGroupRemoved
}

void CGroupTree::onGroupAdded(const QString& name)
{
    // No search among the items: an import may add thousands of groups one after another.
    if (m_namedItem && m_namedItem->text(0) == name)
        return; // the tree's own new item, named already
    // Where the book keeps it: a deleted group comes back at its old place.
    const qsizetype place = m_doc->userGroups().indexOf(name);
    appendGroup(name, UserKind,
                place < 0 ? -1 : static_cast<int>(CVOK_AddressDoc::FixedGroups.size() + place));
    rootItem()->setExpanded(true);
}

void CGroupTree::onGroupRenamed(const QString& oldName, const QString& newName)
{
    if (QTreeWidgetItem* item = groupItem(oldName))
        item->setText(0, newName);
}

void CGroupTree::onGroupRemoved(const QString& name)
{
    QTreeWidgetItem* item = groupItem(name);
    if (!item || kindOf(item) != UserKind)
        return;
    const bool wasSelected = item->isSelected();
    QTreeWidgetItem* parentItem = item->parent();
    QTreeWidgetItem* previous = nullptr;
    if (parentItem) {
        const int at = parentItem->indexOfChild(item);
        if (at > 0)
            previous = parentItem->child(at - 1);
    }
    if (m_contextItem == item)
        m_contextItem = nullptr;
    if (m_pendingEditItem == item)
        m_pendingEditItem = nullptr;
    if (m_dropItem == item)
        m_dropItem = nullptr;
    delete item;
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

bool CGroupTree::containsGlobalPoint(const QPoint& globalPos) const
{
    return QRect(mapToGlobal(QPoint(0, 0)), size()).contains(globalPos);
}

int CGroupTree::HitTestDropTarget(const QPoint& globalPos, bool highlight)
{
    m_dropTargetGroup.clear();
    QTreeWidgetItem* item = labelItemAt(viewport()->mapFromGlobal(globalPos));
    if (!item) {
        setDropHighlight(nullptr);
        return NoGroup;
    }
    if (highlight)
        setDropHighlight(item);
    if (CVOK_AddressDoc::isRootName(item->text(0)))
        return Root;
    m_dropTargetGroup = item->text(0);
    return Group;
}

void CGroupTree::ClearDropTarget()
{
    m_dropTargetGroup.clear();
    setDropHighlight(nullptr);
}
