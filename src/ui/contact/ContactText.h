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
