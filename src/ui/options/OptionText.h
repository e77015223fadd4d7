#pragma once

#include <QString>

// Every text of the options sheet.
namespace OptionText {

inline const QString SheetTitle = QStringLiteral("環境設定");
inline const QString HeaderText = QStringLiteral("VOK System");

inline const QString Page1Title = QStringLiteral("起動");
inline const QString Newmail =
    QStringLiteral("アドレスデータをShift+マウスダブルクリックすることで\nメッセージを作成する");
inline const QString Tasktray =
    QStringLiteral("タスクトレイのアイコンをダブルクリックで標準メールソフトを起動");
inline const QString Startup = QStringLiteral("スタートアップに登録する");

inline const QString Page2Title = QStringLiteral("メールチェック");
inline const QString UserName = QStringLiteral("ユーザ名");
inline const QString Password = QStringLiteral("パスワード");
inline const QString PopServer = QStringLiteral("POPサーバー");

// The autostart entry that starts the program hidden at log-on.
inline const QString AutostartName = QStringLiteral("VOK_Address");
inline const QString AutostartComment = QStringLiteral("VOK_Address_Shortcut");

} // namespace OptionText
