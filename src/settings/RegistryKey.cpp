#include "RegistryKey.h"

#include "SettingsKeys.h"
#include "model/io/PrivateDir.h"
#include "model/text/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

// Empty groups vanish from an INI file; a group key carries this value so that it survives.
const QString kKeepMarker = QStringLiteral(".keep");

// Key names may hold "/" and "\", which QSettings takes as separators: escape them (and "%").
QString escapeName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'/')
            out += QStringLiteral("%2F");
        else if (c == u'\\')
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

QString unescapeName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'%' && i + 2 < name.size()) {
            const QStringView code = QStringView(name).mid(i + 1, 2);
            if (code == u"25" || code == u"2F" || code == u"5C") {
                out += QChar(code.toUShort(nullptr, 16));
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

// "SOFTWARE\VOK System\VOK_Address\TreeView\My/Group" -> "TreeView/My%2FGroup".
// The path's parts after the application key become groups; registry names ignore case, so
// the application key is matched without regard to it.
QString groupFor(const QString& path)
{
    const QString app = QString::fromLatin1(SettingsKeys::AppKey);
    QString rest = path;
    if (rest.startsWith(app, Qt::CaseInsensitive))
        rest = rest.mid(app.size());
    if (rest.startsWith(u'\\'))
        rest = rest.mid(1);
    if (rest.isEmpty())
        return {};
    // The first part is one of our own keys; anything after it is one name (a group's).
    const qsizetype sep = rest.indexOf(u'\\');
    if (sep < 0)
        return rest;
    return rest.left(sep) + u'/' + escapeName(rest.mid(sep + 1));
}

void makePrivate(const QString& file)
{
    // Missing folders are made for the user alone: the file holds a password.
    PrivateDir::create(QFile::encodeName(QFileInfo(file).absolutePath()).toStdString());
    if (!QFileInfo::exists(file)) {
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.close();
    }
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

RegistryKey::RegistryKey() = default;

RegistryKey::~RegistryKey()
{
    Close();
}

QString RegistryKey::storePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/VOK System/VOK_Address.conf");
}

std::unique_ptr<QSettings> RegistryKey::openStore()
{
    const QString file = storePath();
    // QSettings saves through a temporary file that keeps the old file's mode: create the file
    // with owner-only permissions before anything is written into it.
    makePrivate(file);
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

long RegistryKey::Open(const QString& path)
{
    Close();
    m_path = path;
    m_group = groupFor(path);
    m_settings = openStore();
    // Opening a group's key creates it, as the registry does; other keys need no marker.
    if (m_group.contains(u'/') && !m_settings->contains(valueKey(kKeepMarker)))
        m_settings->setValue(valueKey(kKeepMarker), 1);
    return Success;
}

void RegistryKey::Close()
{
    if (m_settings) {
        m_settings->sync();
        m_settings.reset();
    }
}

QString RegistryKey::valueKey(const QString& name) const
{
    return m_group.isEmpty() ? name : m_group + u'/' + name;
}

long RegistryKey::ReadDword(const QString& name, quint32& value) const
{
    if (!m_settings)
        return InvalidHandle;
    const QVariant v = m_settings->value(valueKey(name));
    if (!v.isValid())
        return NotFound;
    bool ok = false;
    const qulonglong n = v.toULongLong(&ok);
    if (!ok || n > 0xFFFFFFFFull)
        return MoreData;
    value = static_cast<quint32>(n);
    return Success;
}

long RegistryKey::ReadString(const QString& name, QString& value) const
{
    if (!m_settings)
        return InvalidHandle;
    const QVariant v = m_settings->value(valueKey(name));
    if (!v.isValid())
        return NotFound;
    value = v.toString();
    return Success;
}

long RegistryKey::WriteDword(const QString& name, quint32 value)
{
    if (!m_settings)
        return InvalidHandle;
    m_settings->setValue(valueKey(name), value);
    return Success;
}

long RegistryKey::WriteString(const QString& name, const QString& value)
{
    if (!m_settings)
        return InvalidHandle;
    m_settings->setValue(valueKey(name), value);
    return Success;
}

long RegistryKey::ReadMultiString(const QString& name, QStringList& values) const
{
    if (!m_settings)
        return InvalidHandle;
    const QVariant v = m_settings->value(valueKey(name));
    if (!v.isValid())
        return NotFound;
    values = v.toStringList();
    return Success;
}

long RegistryKey::WriteMultiString(const QString& name, const QStringList& values)
{
    if (!m_settings)
        return InvalidHandle;
    m_settings->setValue(valueKey(name), values);
    return Success;
}

namespace {

long deleteKey(const QString& path, Qt::CaseSensitivity cs)
{
    const QString group = groupFor(path);
    if (group.isEmpty())
        return RegistryKey::NotFound;
    const qsizetype sep = group.indexOf(u'/');
    const QString parent = sep < 0 ? QString() : group.left(sep);
    const QString leaf = sep < 0 ? group : group.mid(sep + 1);
    auto settings = RegistryKey::openStore();
    if (!parent.isEmpty())
        settings->beginGroup(parent);
    QString found;
    for (const QString& child : settings->childGroups()) {
        if (child.compare(leaf, cs) == 0) {
            found = child;
            break;
        }
    }
    if (found.isEmpty())
        return RegistryKey::NotFound;
    settings->remove(found);
    if (!parent.isEmpty())
        settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError ? RegistryKey::Success
                                                    : RegistryKey::AccessDenied;
}

} // namespace

long RegistryKey::DeleteKey(const QString& path)
{
    return deleteKey(path, Qt::CaseInsensitive);
}

long RegistryKey::DeleteExactKey(const QString& path)
{
    return deleteKey(path, Qt::CaseSensitive);
}

long RegistryKey::CreateKeys(const QStringList& paths)
{
    auto settings = openStore();
    for (const QString& path : paths) {
        const QString group = groupFor(path);
        if (!group.contains(u'/'))
            continue; // only a group's key needs its marker
        const QString marker = group + u'/' + kKeepMarker;
        if (!settings->contains(marker))
            settings->setValue(marker, 1);
    }
    settings->sync();
    return settings->status() == QSettings::NoError ? Success : AccessDenied;
}

long RegistryKey::DeleteExactKeys(const QStringList& paths)
{
    auto settings = openStore();
    // Children listed once per parent key, not once per name.
    QHash<QString, QSet<QString>> children;
    bool removed = false;
    for (const QString& path : paths) {
        const QString group = groupFor(path);
        const qsizetype sep = group.indexOf(u'/');
        if (sep < 0)
            continue;
        const QString parent = group.left(sep);
        auto it = children.find(parent);
        if (it == children.end()) {
            settings->beginGroup(parent);
            const QStringList listed = settings->childGroups();
            settings->endGroup();
            it = children.insert(parent, QSet<QString>(listed.begin(), listed.end()));
        }
        const QString leaf = group.mid(sep + 1);
        if (it->remove(leaf)) {
            settings->remove(group);
            removed = true;
        }
    }
    if (!removed)
        return NotFound;
    settings->sync();
    return settings->status() == QSettings::NoError ? Success : AccessDenied;
}

long RegistryKey::EnumGroupKeys(QStringList& names)
{
    auto settings = openStore();
    settings->beginGroup(groupFor(QString::fromLatin1(SettingsKeys::TreeViewKey)));
    const QStringList groups = settings->childGroups();
    settings->endGroup();
    QStringList found;
    for (const QString& g : groups)
        found.append(unescapeName(g));
    // The registry lists subkeys alphabetically without regard to case.
    std::stable_sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    names += found;
    return NoMoreItems;
}
