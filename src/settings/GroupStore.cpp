#include "GroupStore.h"

#include "RegistryKey.h"
#include "SettingsKeys.h"
#include "SettingsValue.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"

#include <QSet>

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
