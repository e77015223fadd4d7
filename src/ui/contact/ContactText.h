#pragma once

#include <QString>
#include <QStringList>

// Every text of the contact editor.
namespace ContactText {

inline const QString SheetTitle = QStringLiteral("管理情報");
inline const QString HeaderText = QStringLiteral("VOK System");
inline const QString OtherGroup = QStringLiteral("Other");
inline const QString RootName = QStringLiteral("VOK_Address");

// Refusals at OK, for values that came from outside the editor.
inline const QString TooLong = QStringLiteral("%1バイト以内で入力してください。");
inline const QString Unmappable = QStringLiteral("この欄には保存できない文字が含まれています。");

} // namespace ContactText
