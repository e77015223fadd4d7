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
    "              [--year YEAR [--only-send|--returns]]\n"
    "                              宛名をはがき・ラベルの形でPDFに書く（既定は全員・自宅の住所）\n"
    "                              --year: その年の年賀状（喪中・送らない人を除く）、\n"
    "                              --only-send: 送る印のある人だけ、--returns: 返礼\n"
    "                              / print addresses as postcards or labels to a PDF file\n"
    "                              (everyone and home addresses unless told otherwise;\n"
    "                              --year: that year's New Year cards, without those in\n"
    "                              mourning or marked not to send; --only-send: only those\n"
    "                              marked to send; --returns: cards received, none sent)\n"
    "  VOK_Address --export FILE [--group NAME] [--format vcard3|vcard4|csv|csv-utf8]\n"
    "                              保存したアドレス帳を書き出す（既定は全員）\n"
    "                              形式は拡張子から: .vcf vCard 3.0、.csv 見出し付き\n"
    "                              UTF-8、.txt 従来のCSV\n"
    "                              / write the saved address book (everyone unless told\n"
    "                              otherwise); the format follows the extension: .vcf vCard\n"
    "                              3.0, .csv UTF-8 with a header, .txt the legacy CSV\n"
    "  VOK_Address --import FILE [--group NAME]\n"
    "                              vCardかCSVを取り込む（形式は内容から判断）。起動中の\n"
    "                              VOK_Addressがあればそこへ、なければ保存まで行う\n"
    "                              / import a vCard or CSV file (told apart by its content),\n"
    "                              into the running VOK_Address when there is one, else\n"
    "                              into the saved book\n"
    "  VOK_Address --query TEXT    TEXT の語をすべて含む管理情報のメールアドレスを、mutt・aerc の\n"
    "                              問い合わせの形（アドレス<TAB>名前<TAB>グループ）で書く\n"
    "                              / e-mail addresses of the contacts holding every word of TEXT,\n"
    "                              as mutt's query_command and aerc read them\n"
    "  VOK_Address --sync-setup URL USER [--trust-cert SHA256] [--address-book NAME]\n"
    "                              CardDAVサーバーのアドレス帳を同期先にする（パスワードは\n"
    "                              VOK_SYNC_PASSWORD か標準入力から）\n"
    "                              / choose a CardDAV address book to sync with (the password\n"
    "                              from VOK_SYNC_PASSWORD or standard input)\n"
    "  VOK_Address --sync [--force-delete] [--first-sync-merge]\n"
    "                              同期する。起動中のVOK_Addressがあればそこで。終了コード:\n"
    "                              0 成功、1 失敗、3 確認が必要（多数の削除、初めての統合）、\n"
    "                              4 認証、5 接続\n"
    "                              / sync, in the running VOK_Address when there is one; exit\n"
    "                              status 0 done, 1 failed, 3 needs a decision (many\n"
    "                              deletions, a first merge), 4 authentication, 5 connection or\n"
    "                              certificate\n");

// --query: each message after QueryPrefix.
inline const QString QueryPrefix = QStringLiteral("VOK_Address --query: ");
inline const QString QueryMissingText =
    QStringLiteral("探す文字列がありません / the text to look for is missing\n");

// The window and most modes live in a module beside the executable: %1 its path, %2 why.
inline const QString ModuleUnloadable =
    QStringLiteral("VOK_Address: プログラムの一部 %1 を読み込めません。インストールし直してください"
                   " / cannot load the program's module %1: %2\n");
inline const QString UnknownOption =
    QStringLiteral("VOK_Address: 不明なオプションです / unknown option: %1\n");

// Messages of several modes, each after the mode's prefix.
inline const QString MissingValue = QStringLiteral("%1 の値がありません / %1 needs a value\n");
inline const QString ModeUnknownOption =
    QStringLiteral("不明なオプションです / unknown option: %1\n");
inline const QString BookUnreadable =
    QStringLiteral("アドレスデータを読めません / cannot read the address book: %1\n");
inline const QString NoGroup = QStringLiteral("グループ「%1」はありません / no group named %1\n");

// --print-pdf: each message after PrintPrefix.
inline const QString PrintPrefix = QStringLiteral("VOK_Address --print-pdf: ");
inline const QString PrintMissingFile =
    QStringLiteral("PDFファイル名がありません / the PDF file is missing\n");
inline const QString PrintBadLayout =
    QStringLiteral("--layout は postcard, label12, label24 のどれかです"
                   " / --layout must be postcard, label12 or label24: %1\n");
inline const QString PrintBadAddress = QStringLiteral("--address は home か office です"
                                                      " / --address must be home or office: %1\n");
inline const QString PrintNothing =
    QStringLiteral("印刷できる宛先がありません / no addresses to print\n");
inline const QString PrintLeftOut = QStringLiteral("%1 件を除きました / left out %1 contacts:\n");
inline const QString PrintWarnings =
    QStringLiteral("%1 件を確かめてください / %1 cards to check:\n");
inline const QString PrintNote = QStringLiteral("  %1: %2\n");
inline const QString PrintBadYear = QStringLiteral(
    "--year は 2000 から 2100 の年です / --year must be a year from 2000 to 2100: %1\n");
inline const QString PrintOnlyOneFilter = QStringLiteral(
    "--only-send と --returns は一緒に使えません / --only-send and --returns exclude each other\n");
inline const QString PrintFailed =
    QStringLiteral("PDFファイルを書けません / cannot write the PDF file: %1\n");
inline const QString PrintDone =
    QStringLiteral("%1: 宛名 %2 件、%3 ページ / %2 addresses, %3 page(s)\n");

// --export and --import: each message after their prefix.
inline const QString ExportPrefix = QStringLiteral("VOK_Address --export: ");
// --sync, --sync-setup: each message after SyncPrefix.
inline const QString SyncPrefix = QStringLiteral("VOK_Address --sync: ");
inline const QString SyncSetupMissing =
    QStringLiteral("URL とユーザー名が必要です / the URL and the user name are missing\n");
inline const QString SyncNoPassword =
    QStringLiteral("パスワードがありません / no password given\n");
inline const QString SyncChosen = QStringLiteral("同期先 / address book: %1\n");
inline const QString SyncBookLine = QStringLiteral("%1\t%2\n");
inline const QString SyncNoSuchBook =
    QStringLiteral("そのアドレス帳はありません / no such address book: %1\n");
inline const QString SyncKeyringFallback = QStringLiteral(
    "キーリングが使えないため、パスワードを設定ファイルに保存しました / the password went into "
    "the settings file: no keyring answered\n");
inline const QString SyncNoAnswer =
    QStringLiteral("起動中のVOK_Addressが応答しません / the running VOK_Address does not answer\n");
inline const QString SyncFirstMerge = QStringLiteral(
    "統合するには --first-sync-merge を付けてください / add --first-sync-merge to merge them\n");
inline const QString SyncBusy =
    QStringLiteral("同期はすでに実行中です / a sync is already running\n");

inline const QString ImportPrefix = QStringLiteral("VOK_Address --import: ");
inline const QString MissingFile = QStringLiteral("ファイル名がありません / the file is missing\n");
inline const QString ExportBadFormat =
    QStringLiteral("--format は vcard3, vcard4, csv, csv-utf8 のどれかです"
                   " / --format must be vcard3, vcard4, csv or csv-utf8: %1\n");
inline const QString ExportNoFormat =
    QStringLiteral("拡張子から形式が分かりません。--format を指定してください"
                   " / the extension names no format; give --format: %1\n");
inline const QString ExportFailed =
    QStringLiteral("ファイルを書けません / cannot write the file: %1\n");
inline const QString ExportDone = QStringLiteral("%1: %2 件 / %2 contact(s)\n");
inline const QString ImportUnreadable =
    QStringLiteral("ファイルを読めません / cannot read the file: %1\n");
inline const QString ImportNotAddressBook =
    QStringLiteral("vCardでもCSVでもありません / neither vCard nor CSV: %1\n");
inline const QString ImportBadGroup =
    QStringLiteral("グループ名に使えません / not a usable group name: %1\n");
inline const QString ImportNothing =
    QStringLiteral("取り込める管理情報がありません / no contacts to import\n");
inline const QString ImportDone =
    QStringLiteral("%1: %2 件を取り込みました / imported %2 contact(s)\n");
inline const QString ImportIntoRunning =
    QStringLiteral("起動中のVOK_Addressに取り込みました / imported into the running VOK_Address\n");
inline const QString ImportGroupsCreated =
    QStringLiteral("グループを作りました / created groups: %1\n");
inline const QString ImportReplaced =
    QStringLiteral("〓に置き換えました / replaced by 〓: %1（%2）: %3\n");
inline const QString ImportCut = QStringLiteral("切り詰めました / cut to fit: %1（%2）\n");
inline const QString ImportRefused =
    QStringLiteral("%1行目を取り込めません / line %1 not imported: %2\n");
inline const QString ImportUnread =
    QStringLiteral("%1行目はvCardの項目ではありません / line %1 is no vCard property: %2\n");
inline const QString ImportUnreadJoined =
    QStringLiteral("%1行目を前のメモに続けました / line %1 joined to the note before: %2\n");
inline const QString ImportInMemo =
    QStringLiteral("メモに入れました / put into the memo: %1: %2\n");
// %1 contacts already in the book; %2 of them merged, %3 updated.
inline const QString ImportAlreadyIn = QStringLiteral(
    "%1 件はアドレス帳にありました（統合 %2 件、更新 %3 件） / %1 already in the book (%2 "
    "merged, %3 updated)\n");
inline const QString ImportPhotos =
    QStringLiteral("写真 %1 枚を除きました / left out %1 photo(s)\n");
inline const QString ImportNoAnswer =
    QStringLiteral("起動中のVOK_Addressが応答しません / the running VOK_Address does not answer\n");
inline const QString ImportEnding =
    QStringLiteral("起動中のVOK_Addressは終了するところです / the running VOK_Address is ending\n");
// %1: the lock file, %2: why.
inline const QString LockRefused =
    QStringLiteral("アドレスデータの場所にロックファイルを作れません / cannot lock the address "
                   "book: %1: %2\n");
inline const QString ExportOntoBook =
    QStringLiteral("アドレスデータやそのバックアップには書き出せません / will not export onto the "
                   "address book or its own files: %1\n");
inline const QString ImportNotSaved =
    QStringLiteral("アドレスデータを保存できません / cannot save the address book: %1\n");

} // namespace CommandLineText
