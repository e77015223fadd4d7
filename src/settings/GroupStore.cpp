#include "GroupStore.h"

#include "RegistryKey.h"
#include "SettingsKeys.h"
#include "model/book/GroupName.h"
#include "model/text/Cp932.h"

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

} // namespace

namespace GroupStore {

QStringList load()
{
    QStringList names;
    RegistryKey::EnumGroupKeys(names);
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

void add(const QString& name)
{
    RegistryKey key;
    key.Open(keyPath(name));
}

void addAll(const QStringList& names)
{
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        paths << keyPath(name);
    RegistryKey::CreateKeys(paths);
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
    if (!paths.isEmpty())
        RegistryKey::DeleteExactKeys(paths);
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
    return RegistryKey::DeleteExactKey(keyPath(stored)) == RegistryKey::Success;
}

} // namespace GroupStore
