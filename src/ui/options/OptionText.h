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
// Under the tray option on a desktop without a notification area.
inline const QString TasktrayNoTray = QStringLiteral(
    "このデスクトップには通知領域（タスクトレイ）がないため、この設定は働きません。");

inline const QString Page2Title = QStringLiteral("メールチェック");
inline const QString UserName = QStringLiteral("ユーザ名");
inline const QString Password = QStringLiteral("パスワード");
inline const QString PopServer = QStringLiteral("POPサーバー");
inline const QString PasswordInSettingsFile =
    QStringLiteral("パスワードを保管するキーリングが応答しないため、パスワードは設定ファイル\n"
                   "%1\n"
                   "に保存しました（このファイルを読み書きできるのは、あなただけです）。");

inline const QString SenderPageTitle = QStringLiteral("差出人");
inline const QString SenderGroup = QStringLiteral("はがきの左下に印刷する差出人");
inline const QString SenderNameLabel = QStringLiteral("名前");
inline const QString SenderPostalCodeLabel = QStringLiteral("郵便番号");
inline const QString SenderAddressLabel = QStringLiteral("住所");
inline const QString LetteringGroup = QStringLiteral("宛名印刷の文字");
inline const QString FontLabel = QStringLiteral("フォント");
inline const QString NumeralsLabel = QStringLiteral("住所の数字（縦書き）");
// In the order of the stored numbers: 十, 一〇, upright digits.
inline const QString NumeralChoices[] = {
    QStringLiteral("住所の書き方　二十三番地・一二〇五号室・五階"),
    QStringLiteral("漢数字　二三番地・一〇番"), QStringLiteral("算用数字　２３番地・１０番")};
inline const QString NumeralsHelp = QStringLiteral(
    "住所の書き方: 丁目・番地・号など 1～2 桁の数は十を使い（二十三）、3 桁以上は一字ずつ"
    "（一二〇五号室）、5F は五階。サンシャイン60・第2ビルのように建物や地名の中の数は書いたまま"
    "立てて置きます。");
inline const QString TateChuYoko = QStringLiteral("2 桁の数字を 1 字分に横に並べる（縦中横）(&T)");
inline const QString FontMissing =
    QStringLiteral("フォント「%1」が見つかりません。印刷にはほかのフォントが使われます。");

inline const QString SyncPageTitle = QStringLiteral("同期");
inline const QString SyncServer = QStringLiteral("サーバー(&S)");
inline const QString SyncServerHint = QStringLiteral("https://example.jp/dav/ またはホスト名");
inline const QString SyncUser = QStringLiteral("ユーザー名(&U)");
inline const QString SyncPassword = QStringLiteral("パスワード(&P)");
inline const QString SyncBook = QStringLiteral("アドレス帳(&A)");
inline const QString SyncFindBooks = QStringLiteral("アドレス帳を探す(&F)");
inline const QString SyncInterval = QStringLiteral("同期の間隔(&I)");
inline const QString SyncIntervalSuffix = QStringLiteral(" 分");
inline const QString SyncIntervalNever = QStringLiteral("自動では同期しない");
inline const QString SyncGroupMode = QStringLiteral("グループ(&G)");
inline const QString SyncGroupAuto = QStringLiteral("自動");
inline const QString SyncGroupCategories = QStringLiteral("CATEGORIES");
inline const QString SyncGroupCards = QStringLiteral("グループカード");
inline const QString SyncSearching = QStringLiteral("サーバーにアドレス帳を問い合わせています…");
inline const QString SyncFound = QStringLiteral("アドレス帳が %1 件見つかりました。");
inline const QString SyncNeedsFields =
    QStringLiteral("サーバー、ユーザー名、パスワードを入力してください。");
inline const QString SyncFingerprint = QStringLiteral("証明書の指紋 (SHA-256): %1");
inline const QString SyncTrustCert =
    QStringLiteral("この証明書を信頼する（指紋を確かめてから）(&T)");

// The question before a first sync merges a book and a server that both hold contacts.
inline const QString FirstSyncTitle = QStringLiteral("初めての同期");
inline const QString FirstSyncIntro =
    QStringLiteral("この住所録とサーバーのアドレス帳の両方に連絡先があります。同じ人は1件にまとめ、"
                   "ほかはそれぞれ相手側に追加します。");
inline const QString FirstSyncServer = QStringLiteral("サーバー:");
inline const QString FirstSyncBook = QStringLiteral("この住所録:");
inline const QString FirstSyncSame = QStringLiteral("同じ人:");
inline const QString FirstSyncCount = QStringLiteral("%1 件");
inline const QString FirstSyncResult = QStringLiteral("統合後は %1 件になります。");
inline const QString FirstSyncMerge = QStringLiteral("統合する(&M)");
inline const QString FirstSyncCancel = QStringLiteral("キャンセル");

// The autostart entry that starts the program hidden at log-on.
inline const QString AutostartName = QStringLiteral("VOK_Address");
inline const QString AutostartComment = QStringLiteral("VOK_Address_Shortcut");

} // namespace OptionText
