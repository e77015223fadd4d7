#pragma once

// Shared by the pane tests: a real main frame with its two panes, an empty store and data
// folder for each test, and contacts made from UTF-8 literals.

#include "TestEnv.h"
#include "app/CMainFrame.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"
#include "resource.h"
#include "settings/GroupStore.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsKeys.h"
#include "ui/common/CommandTable.h"
#include "ui/common/MessageBox.h"
#include "ui/groups/CGroupTree.h"
#include "ui/list/AddressListModel.h"
#include "ui/list/CAddressList.h"

#include <QFile>
#include <QHash>
#include <QTest>
#include <memory>

namespace PaneTest {

inline std::string cp(const char* utf8)
{
    return Cp932::fromUtf8(utf8).bytes;
}

struct Contact
{
    const char* name = "";
    const char* email = "";
    const char* group = "";
    const char* phone = "";
    const char* company = "";
};

inline std::unique_ptr<AddressRecord> makeRecord(const Contact& c)
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, cp(c.name));
    r->setField(AddressRecord::Email, cp(c.email));
    r->setField(AddressRecord::Group, cp(c.group));
    r->setField(AddressRecord::Phone, cp(c.phone));
    r->setField(AddressRecord::Company, cp(c.company));
    return r;
}

inline void clearStore()
{
    GroupStore::waitForWrites(); // a write of the last test would bring its groups back
    QFile::remove(RegistryKey::storePath());
    TestEnv::removeBook(DataLocation::addressFilePath());
}

// Each pane test starts from an empty store and no message box recorded (a MessageBoxGuard of
// the test answers them).
inline void startPaneTest()
{
    clearStore();
    MessageBox::shownTexts().clear();
}

inline void storeGroup(const QString& name)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(SettingsKeys::TreeViewKey) + u'\\' + name);
}

inline void storeDword(const char* keyPath, const QString& name, quint32 value)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(keyPath));
    key.WriteDword(name, value);
}

inline bool readDword(const char* keyPath, const QString& name, quint32& value)
{
    RegistryKey key;
    key.Open(QString::fromLatin1(keyPath));
    return key.ReadDword(name, value) == RegistryKey::Success;
}

// A shown main frame; commands the frame does not offer yet are added with the panes'
// handlers, and every execution is counted.
class Frame
{
public:
    Frame()
    {
        frame = std::make_unique<CMainFrame>();
        frame->WaitForBook(); // the tests work on the book as it stands on disk
        tree = frame->groupTree();
        list = frame->addressList();
        CommandTable* c = frame->commands();
        auto ensure = [&](int id, CommandTable::Handler h, CommandTable::Rule rule = {}) {
            if (!c->contains(id))
                c->add(id, std::move(h), std::move(rule));
        };
        CGroupTree* t = tree;
        CAddressList* l = list;
        ensure(ID_CREATE_GROUP, [t] {
            t->CreateGroup();
            t->SetContextItem(nullptr);
        });
        ensure(
            ID_DELETE_GROUP,
            [t] {
                t->DeleteGroup();
                t->SetContextItem(nullptr);
            },
            [t] { return t->IsCurrentUserGroup(); });
        ensure(
            ID_RENAME_GROUP,
            [t] {
                t->StartRenameGroup();
                t->SetContextItem(nullptr);
            },
            [t] { return t->IsCurrentUserGroup(); });
        ensure(
            ID_EDIT_CONTACT, [] {}, [l] { return l->GetSelectedCount() == 1; });
        ensure(
            ID_NEW_MAIL, [] {}, [l] { return l->GetSelectedCount() > 0; });
        ensure(ID_NEW_CONTACT, [] {});
        ensure(
            ID_DELETE, [l] { l->DeleteSelectedRecords(); },
            [l] { return l->GetSelectedCount() > 0; });
        // The list only posts these; what they open (the contact sheet, the mail program) is
        // not for a pane test to start. The frame's rules stay.
        c->setHandler(ID_EDIT_CONTACT, [] {});
        c->setHandler(ID_NEW_MAIL, [] {});
        QObject::connect(c, &CommandTable::executed, c, [this](int id) { ++executed[id]; });
        frame->resize(1000, 600);
        frame->show();
        exposed = QTest::qWaitForWindowExposed(frame.get());
    }

    AddressRecord* add(const Contact& c) { return frame->document()->AddRecord(makeRecord(c)); }

    QTreeWidgetItem* group(const QString& label) const
    {
        QTreeWidgetItem* root = tree->rootItem();
        if (root->text(0) == label)
            return root;
        for (int i = 0; i < root->childCount(); ++i) {
            if (root->child(i)->text(0) == label)
                return root->child(i);
        }
        return nullptr;
    }

    // Selects the group (the root for "VOK_Address"), which fills the list.
    void show(const QString& label)
    {
        tree->clearSelection();
        tree->setCurrentItem(group(label));
    }

    QString cell(int row, int column) const
    {
        return list->model()->index(row, column).data().toString();
    }

    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }

    std::unique_ptr<CMainFrame> frame;
    CGroupTree* tree = nullptr;
    CAddressList* list = nullptr;
    QHash<int, int> executed;
    bool exposed = false;
};

} // namespace PaneTest
