#pragma once

#include <QString>

// Every text of the about box, and the two addresses its links open.
namespace AboutText {

inline const QString Caption = QStringLiteral("VOK_Addressのﾊﾞｰｼﾞｮﾝ情報");
// %1: the version, major and minor ("1.0").
inline const QString Version = QStringLiteral("VOK_Address Version %1");
inline const QString HomePageLabel = QStringLiteral("ホームページ：");
inline const QString MailLabel = QStringLiteral("メール：");
inline const QString Ok = QStringLiteral("OK");

inline const QString WebLink = QStringLiteral("https://vok-address.example.org/");
inline const QString MailAddress = QStringLiteral("support@vok-address.example.org");
// A click on the mail link opens this prefix followed by the address.
inline const QString MailtoPrefix = QStringLiteral("MAILTO:");

} // namespace AboutText
