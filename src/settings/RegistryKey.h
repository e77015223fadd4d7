#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

// The one way settings are read and written: a short-lived handle on one key of the per-user
// store ($XDG_CONFIG_HOME/VOK System/VOK_Address.conf). Paths and value names are those of
// SettingsKeys.
// Every operation returns 0 on success and a non-zero status otherwise.
class RegistryKey
{
public:
    enum Status : long
    {
        Success = 0,
        NotFound = 2,
        AccessDenied = 5,
        InvalidHandle = 6,
        MoreData = 234,
        NoMoreItems = 259,
    };

    RegistryKey();
    virtual ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    long Open(const QString& path);
    void Close();
    long ReadDword(const QString& name, quint32& value) const;
    // Any length: what was stored reads back whole.
    long ReadString(const QString& name, QString& value) const;
    long WriteDword(const QString& name, quint32 value);
    long WriteString(const QString& name, const QString& value);
    // A list of strings in one value, each read back whole (the registry's REG_MULTI_SZ).
    long ReadMultiString(const QString& name, QStringList& values) const;
    long WriteMultiString(const QString& name, const QStringList& values);
    // Registry key names ignore case: "TreeView\abc" deletes the key stored as "ABC".
    long DeleteKey(const QString& path);
    // Deletes the key stored under exactly this name, and no other.
    static long DeleteExactKey(const QString& path);
    // Many keys at once, with one write of the store: creates them as Open does, or deletes
    // those stored under exactly these names.
    static long CreateKeys(const QStringList& paths);
    static long DeleteExactKeys(const QStringList& paths);
    // The user's groups: the subkeys of the TreeView key, appended in alphabetical order without
    // regard to case, as the registry lists them. Ends with NoMoreItems, as the registry does.
    static long EnumGroupKeys(QStringList& names);

    bool isOpen() const { return m_settings != nullptr; }
    const QString& path() const { return m_path; }

    // Path of the settings file; kept readable by its owner alone (it holds the POP3 password).
    static QString storePath();
    // The store as QSettings, for the window state that Qt saves itself.
    static std::unique_ptr<QSettings> openStore();

private:
    QString valueKey(const QString& name) const;

    std::unique_ptr<QSettings> m_settings;
    QString m_path;
    QString m_group;
};
