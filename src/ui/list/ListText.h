#pragma once

#include <QString>

// Every text the address list shows.
namespace ListText {

inline const QString Header0 = QStringLiteral("名前");
inline const QString Header1 = QStringLiteral("メールアドレス");
inline const QString Header2 = QStringLiteral("電話番号");
inline const QString Header3 = QStringLiteral("会社名");
inline const QString Header4 = QStringLiteral("勤務先電話番号");
inline const QString Header5 = QStringLiteral("グループ");
inline const QString Header6 = QStringLiteral("フリガナ");
// The 宛名 columns: 敬称, 連名, 役職, 部署, and this year's 年賀 marks (%1: the year).
inline const QString Header7 = QStringLiteral("敬称");
inline const QString Header8 = QStringLiteral("連名");
inline const QString Header9 = QStringLiteral("役職");
inline const QString Header10 = QStringLiteral("部署");
inline const QString Header11 = QStringLiteral("%1年賀");
inline const QString JointSeparator = QStringLiteral("・");
// %1: a reading guessed from the name dictionaries, not given by the user.
inline const QString GuessedReadingTip = QStringLiteral("%1（名前の辞書から推測した読み）");

// The search field in the tool bar, and the number of contacts shown in the status bar.
inline const QString SearchPlaceholder = QStringLiteral("検索 (Ctrl+F)");
inline const QString SearchTip =
    QStringLiteral("名前・読み・住所・電話番号などで絞り込みます（空白で区切った語をすべて含む"
                   "管理情報）。Escで解除");
inline const QString ShownCount = QStringLiteral("%1件");

inline const QString MenuEdit = QStringLiteral("管理情報の編集(&E)\tCtrl+E");
inline const QString MenuDelete = QStringLiteral("管理情報の削除(&D)\tDelete");
inline const QString MenuClipboard = QStringLiteral("クリップボードへ転送(&M)");
inline const QString MenuCopyMail = QStringLiteral("メールアドレス(&M)");
inline const QString MenuCopyOfficeMail = QStringLiteral("会社メールアドレス(&B)");
inline const QString MenuCopyPersonal = QStringLiteral("個人情報(&P)");
inline const QString MenuCopyOffice = QStringLiteral("会社情報(&O)");
inline const QString MenuNewMail = QStringLiteral("新規メール(&N)");
inline const QString MenuMoveToGroup = QStringLiteral("グループへ移動(&V)");
inline const QString MenuCopyToGroup = QStringLiteral("グループへコピー(&C)");
inline const QString MenuPrint = QStringLiteral("宛名印刷(&A)...\tCtrl+Shift+P");

} // namespace ListText
