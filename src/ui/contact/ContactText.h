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

// The 宛名 page: the 敬称 offered (any other short text may be typed), the 年賀状 of a year.
inline const QStringList Honorifics = {QStringLiteral("様"),   QStringLiteral("殿"),
                                       QStringLiteral("先生"), QStringLiteral("御中"),
                                       QStringLiteral("各位"), QStringLiteral("なし")};
inline const QString NengaTitle = QStringLiteral("%1年の年賀状");
inline const QStringList NengaSend = {QStringLiteral("未定"), QStringLiteral("送る"),
                                      QStringLiteral("送らない")};

} // namespace ContactText
