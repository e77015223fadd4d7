#pragma once

#include <QString>

// Every text the mail check shows.
namespace MailText {

inline const QString AccountMissing = QStringLiteral(
    "メールチェックを行うための情報が設定されていません。\n環境設定を行ってください。");
inline const QString NoticeTitle = QStringLiteral("メールチェック");
inline const QString NoticeText = QStringLiteral(
    "ダイアルアップ接続の場合は、メールチェック終了（ビープ音）後、手動で切断してください。");
inline const QString NoticeNoShow = QStringLiteral("次回からこのメッセージを表示しない");

inline const QString Checking = QStringLiteral("VOK_Address: Mail checking...");
// %1: the number of waiting messages; one blank follows it.
inline const QString Count = QStringLiteral("VOK_Address: You have Mail = %1 ");
inline const QString NoConnect = QStringLiteral("VOK_Address: POP server cannot be connected ...");
inline const QString Failed =
    QStringLiteral("VOK_Address: Mail information cannot be retrieved ...");
inline const QString IdleTip = QStringLiteral("VOK_Address");

// Writing a message, or starting the mail program, when the desktop names none or it fails.
inline const QString NoMailProgram = QStringLiteral(
    "メールのプログラムが設定されていません。\n"
    "デスクトップの設定の「既定のアプリケーション」でメールのプログラムを選んでから、"
    "もう一度お試し下さい。\n端末からは次のように選べます:\n"
    "xdg-settings set default-url-scheme-handler mailto プログラム名.desktop");
inline const QString MailProgramNotStarted = QStringLiteral(
    "メールのプログラムを起動できませんでした。デスクトップの設定の「既定のアプリケーション」で、"
    "メールのプログラムを確かめて下さい。");

} // namespace MailText
