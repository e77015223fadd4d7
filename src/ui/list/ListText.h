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

inline const QString MenuEdit = QStringLiteral("管理情報の編集(&E)\tCtrl+E");
inline const QString MenuDelete = QStringLiteral("管理情報の削除(&D)\tDelete");
inline const QString MenuClipboard = QStringLiteral("クリップボードへ転送(&M)");
inline const QString MenuCopyMail = QStringLiteral("メールアドレス(&M)");
inline const QString MenuCopyOfficeMail = QStringLiteral("会社メールアドレス(&B)");
inline const QString MenuCopyPersonal = QStringLiteral("個人情報(&P)");
inline const QString MenuCopyOffice = QStringLiteral("会社情報(&O)");
inline const QString MenuNewMail = QStringLiteral("新規メール(&N)");
inline const QString MenuPrint = QStringLiteral("宛名印刷(&A)...\tCtrl+Shift+P");

} // namespace ListText
