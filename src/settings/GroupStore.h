#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The user's own groups: one empty key per group under the TreeView key, and their order as
// the tree shows it in one value beside. Names are matched with the group comparison of the
// records (GroupName::equals), never a looser one, so that "ΑΒ" and "αβ", which are two
// groups, are two keys. Changes reach the settings file on a thread of their own (it is flushed
// to disk at every write); until then the functions here answer with them.
namespace GroupStore {

// In the order the user left them; groups the order does not name yet (stored by an older
// copy) follow in alphabetical order without regard to case.
QStringList load();
// The stored name equal to this one under the group comparison, or an empty text.
QString find(const QString& name);
bool contains(const QString& name);
// At this place among the groups; at the end when the place is -1 or beyond it.
void add(const QString& name, qsizetype place = -1);
// Removes the key stored under exactly this group's name; false when there was none.
bool remove(const QString& name);
// The group keeps its place under the new name.
void rename(const QString& from, const QString& to);
// Many groups with one write of the settings (an import may name thousands).
void addAll(const QStringList& names);
void removeAll(const QStringList& names);
// Returns once every change made so far is in the settings file.
void waitForWrites();
// A key that equal names share (the group comparison), for matching many names at once.
std::string matchKey(const QString& name);

} // namespace GroupStore
