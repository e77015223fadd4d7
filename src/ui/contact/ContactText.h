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
// A sheet the end of an earlier run interrupted. %1: the name typed.
inline const QString DraftOffer =
    QStringLiteral("前回の終了の時に入力中だった管理情報「%1」が残っています。");
inline const QString DraftNoName = QStringLiteral("名前なし");
inline const QString DraftOriginalGone =
    QStringLiteral("\n編集していた管理情報が見つからないため、新しい管理情報として開きます。");
inline const QString DraftOfferChoice =
    QStringLiteral("\n続きを入力しますか？\n"
                   "（「いいえ」なら次の起動の時にもう一度お尋ねします。"
                   "不要なら、開いてから「キャンセル」を押して下さい）");

} // namespace ContactText
