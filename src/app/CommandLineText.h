#pragma once

#include <QString>

// Every text of the command-line modes. Scripts and their users may read either language, so
// the help is in both.
namespace CommandLineText {

inline const QString Usage = QStringLiteral(
    "使い方 / Usage:\n"
    "  VOK_Address                 アドレス帳を開く / open the address book\n"
    "  VOK_Address --help          この説明 / this help\n"
    "  VOK_Address --print-pdf FILE --layout postcard|label12|label24\n"
    "              [--group NAME] [--address home|office]\n"
    "                              宛名をはがき・ラベルの形でPDFに書く（既定は全員・自宅の住所）\n"
    "                              / print addresses as postcards or labels to a PDF file\n"
    "                              (everyone and home addresses unless told otherwise)\n"
    "  VOK_Address --query TEXT    TEXT の語をすべて含む管理情報のメールアドレスを、mutt・aerc の\n"
    "                              問い合わせの形（アドレス<TAB>名前<TAB>グループ）で書く\n"
    "                              / e-mail addresses of the contacts holding every word of TEXT,\n"
    "                              as mutt's query_command and aerc read them\n");

// --query: each message after QueryPrefix.
inline const QString QueryPrefix = QStringLiteral("VOK_Address --query: ");
inline const QString QueryMissingText =
    QStringLiteral("探す文字列がありません / the text to look for is missing\n");

inline const QString UnknownOption =
    QStringLiteral("VOK_Address: 不明なオプションです / unknown option: %1\n");

// --print-pdf: each message after PrintPrefix.
inline const QString PrintPrefix = QStringLiteral("VOK_Address --print-pdf: ");
inline const QString PrintMissingFile =
    QStringLiteral("PDFファイル名がありません / the PDF file is missing\n");
inline const QString PrintMissingValue = QStringLiteral("%1 の値がありません / %1 needs a value\n");
inline const QString PrintUnknownOption =
    QStringLiteral("不明なオプションです / unknown option: %1\n");
inline const QString PrintBadLayout =
    QStringLiteral("--layout は postcard, label12, label24 のどれかです"
                   " / --layout must be postcard, label12 or label24: %1\n");
inline const QString PrintBadAddress = QStringLiteral("--address は home か office です"
                                                      " / --address must be home or office: %1\n");
inline const QString BookUnreadable =
    QStringLiteral("アドレスデータを読めません / cannot read the address book: %1\n");
inline const QString PrintNoGroup =
    QStringLiteral("グループ「%1」はありません / no group named %1\n");
inline const QString PrintNothing =
    QStringLiteral("印刷できる宛先がありません / no addresses to print\n");
inline const QString PrintSkipped = QStringLiteral("住所も郵便番号もない %1 件を除きました"
                                                   " / left out %1 contacts without an address\n");
inline const QString PrintFailed =
    QStringLiteral("PDFファイルを書けません / cannot write the PDF file: %1\n");
inline const QString PrintDone =
    QStringLiteral("%1: 宛名 %2 件、%3 ページ / %2 addresses, %3 page(s)\n");

} // namespace CommandLineText
