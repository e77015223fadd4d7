#include "GroupStore.h"

#include "RegistryKey.h"
#include "SettingsKeys.h"
#include "SettingsValue.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"

#include <QSet>
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

} // namespace

namespace GroupStore {

QStringList load()
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
    {
        RegistryKey key;
        key.Open(keyPath(name));
    }
    names.removeAll(name);
    if (place < 0 || place > names.size())
        place = names.size();
    names.insert(place, name);
    saveOrder(names);
}

void addAll(const QStringList& names)
{
    QStringList order = load();
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names) {
        paths << keyPath(name);
        if (!order.contains(name))
            order.append(name);
    }
    RegistryKey::CreateKeys(paths);
    saveOrder(order);
}

void removeAll(const QStringList& names)
{
    std::unordered_map<std::string, QString> stored;
    for (const QString& name : load())
        stored.emplace(matchKey(name), name);
    QStringList paths;
    for (const QString& name : names) {
        const auto it = stored.find(matchKey(name));
        if (it != stored.end())
            paths << keyPath(it->second);
    }
    if (!paths.isEmpty()) {
        RegistryKey::DeleteExactKeys(paths);
        saveOrder(load()); // the order forgets the names whose keys are gone
    }
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
    const bool removed = RegistryKey::DeleteExactKey(keyPath(stored)) == RegistryKey::Success;
    if (removed) {
        QStringList names = load();
        names.removeAll(stored);
        saveOrder(names);
    }
    return removed;
}

void rename(const QString& from, const QString& to)
{
    QStringList names = load();
    const QString stored = find(from);
    const qsizetype place = stored.isEmpty() ? -1 : names.indexOf(stored);
    if (!stored.isEmpty())
        RegistryKey::DeleteExactKey(keyPath(stored));
    add(to, place);
}

} // namespace GroupStore
