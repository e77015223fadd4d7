#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The user's own groups: one empty key per group under the TreeView key. Names are matched
// with the group comparison of the records (GroupName::equals), never a looser one, so that
// "ΑΒ" and "αβ", which are two groups, are two keys.
namespace GroupStore {

// In the order the store lists them: alphabetical without regard to case.
QStringList load();
// The stored name equal to this one under the group comparison, or an empty text.
QString find(const QString& name);
bool contains(const QString& name);
void add(const QString& name);
// Removes the key stored under exactly this group's name; false when there was none.
bool remove(const QString& name);
// Many groups with one write of the settings (an import may name thousands).
void addAll(const QStringList& names);
void removeAll(const QStringList& names);
// A key that equal names share (the group comparison), for matching many names at once.
std::string matchKey(const QString& name);

} // namespace GroupStore
