#include "GroupStore.h"

#include "RegistryKey.h"
#include "SettingsKeys.h"
#include "SettingsValue.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"

#include <QSet>
#include <QThreadPool>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace {

QString keyPath(const QString& name)
{
    return QString::fromLatin1(SettingsKeys::TreeViewKey) + u'\\' + name;
}

bool sameGroup(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const Cp932::EncodeResult x = Cp932::fromUtf8(a.toStdString());
    const Cp932::EncodeResult y = Cp932::fromUtf8(b.toStdString());
    return x.ok && y.ok && GroupName::equals(x.bytes, y.bytes);
}

void saveOrder(const QStringList& names)
{
    SettingsValue::write(SettingsKeys::GroupOrder, names);
}

// The settings file is flushed to disk at each write, which takes the window tens of
// milliseconds: the groups are written on a thread of their own and answered from here until
// that is done. A write takes the newest groups, so changes made meanwhile go in one write. The
// book's companion file holds the groups too, so a write lost in a crash costs only what older
// copies read.
struct Writes
{
    std::mutex mutex;
    std::condition_variable idle;
    bool writing = false; // until the settings hold the groups
    bool changed = false; // since the writer last took them
    QStringList groups;
    QStringList gone; // whose keys go, unless among the groups again
};

Writes& writes()
{
    static Writes w;
    return w;
}

QStringList readStored()
{
    QStringList keys;
    RegistryKey::EnumGroupKeys(keys);
    const QSet<QString> present(keys.cbegin(), keys.cend());
    // The keys say which groups exist; the order only where they stand. A name the order keeps
    // without a key was removed by hand or by an older copy.
    QStringList names;
    QSet<QString> placed;
    for (const QString& name : SettingsValue::read(SettingsKeys::GroupOrder)) {
        if (present.contains(name) && !placed.contains(name)) {
            names.append(name);
            placed.insert(name);
        }
    }
    for (const QString& name : keys) {
        if (!placed.contains(name))
            names.append(name);
    }
    return names;
}

void write(const QStringList& groups, const QStringList& gone)
{
    const QSet<QString> kept(groups.cbegin(), groups.cend());
    QStringList deleted;
    for (const QString& name : gone) {
        if (!kept.contains(name))
            deleted << keyPath(name);
    }
    if (!deleted.isEmpty())
        RegistryKey::DeleteExactKeys(deleted);
    QStringList keys;
    RegistryKey::EnumGroupKeys(keys);
    const QSet<QString> present(keys.cbegin(), keys.cend());
    QStringList created;
    for (const QString& name : groups) {
        if (!present.contains(name))
            created << keyPath(name);
    }
    if (!created.isEmpty())
        RegistryKey::CreateKeys(created);
    saveOrder(groups);
}

// The groups become these, in this order; the keys of gone are deleted.
void store(const QStringList& groups, const QStringList& gone)
{
    Writes& w = writes();
    const std::lock_guard<std::mutex> lock(w.mutex);
    w.groups = groups;
    w.gone += gone;
    w.changed = true;
    if (w.writing)
        return; // the running writer takes them next
    w.writing = true;
    // Made after the settings' own statics (load came first), so it waits for its write before
    // they go.
    static QThreadPool writer;
    writer.start([&w] {
        for (;;) {
            QStringList groups;
            QStringList gone;
            {
                const std::lock_guard<std::mutex> lock(w.mutex);
                if (!w.changed) {
                    w.writing = false;
                    w.idle.notify_all();
                    return;
                }
                w.changed = false;
                groups = w.groups;
                gone.swap(w.gone);
            }
            write(groups, gone);
        }
    });
}

} // namespace

namespace GroupStore {

QStringList load()
{
    {
        Writes& w = writes();
        const std::lock_guard<std::mutex> lock(w.mutex);
        if (w.writing)
            return w.groups;
    }
    return readStored();
}

void waitForWrites()
{
    Writes& w = writes();
    std::unique_lock<std::mutex> lock(w.mutex);
    w.idle.wait(lock, [&w] { return !w.writing; });
}

QString find(const QString& name)
{
    for (const QString& stored : load()) {
        if (sameGroup(stored, name))
            return stored;
    }
    return {};
}

bool contains(const QString& name)
{
    return !find(name).isEmpty();
}

void add(const QString& name, qsizetype place)
{
    QStringList names = load();
    names.removeAll(name);
    if (place < 0 || place > names.size())
        place = names.size();
    names.insert(place, name);
    store(names, {});
}

void addAll(const QStringList& names)
{
    QStringList order = load();
    for (const QString& name : names) {
        if (!order.contains(name))
            order.append(name);
    }
    store(order, {});
}

void removeAll(const QStringList& names)
{
    const QStringList groups = load();
    std::unordered_map<std::string, QString> stored;
    for (const QString& name : groups)
        stored.emplace(matchKey(name), name);
    QStringList gone;
    for (const QString& name : names) {
        const auto it = stored.find(matchKey(name));
        if (it != stored.end())
            gone << it->second;
    }
    if (gone.isEmpty())
        return;
    QStringList kept = groups;
    for (const QString& name : gone)
        kept.removeAll(name);
    store(kept, gone);
}

std::string matchKey(const QString& name)
{
    const Cp932::EncodeResult bytes = Cp932::fromUtf8(name.toStdString());
    // A name CP932 cannot hold matches only itself; the marker keeps it apart from the keys.
    return bytes.ok ? GroupName::foldedKey(bytes.bytes) : '\xFF' + name.toStdString();
}

bool remove(const QString& name)
{
    const QString stored = find(name);
    if (stored.isEmpty())
        return false;
    QStringList names = load();
    names.removeAll(stored);
    store(names, {stored});
    return true;
}

void rename(const QString& from, const QString& to)
{
    QStringList names = load();
    const QString stored = find(from);
    qsizetype place = -1;
    if (!stored.isEmpty()) {
        place = names.indexOf(stored);
        names.removeAt(place);
    }
    names.removeAll(to);
    if (place < 0 || place > names.size())
        place = names.size();
    names.insert(place, to);
    store(names, stored.isEmpty() ? QStringList() : QStringList{stored});
}

} // namespace GroupStore
