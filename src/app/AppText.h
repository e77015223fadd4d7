#pragma once

#include "resource.h"

#include <QString>

// Every user-visible text of the application shell.
namespace AppText {

inline const QString Title = QStringLiteral("VOK_Address - VOK System");
inline const QString AppName = QStringLiteral("VOK_Address");
inline const QString LoadFailed =
    QStringLiteral("アドレスデータの読み込みに失敗しました。管理者に連絡して下さい。");
inline const QString SaveFailed =
    QStringLiteral("アドレスデータの保存に失敗しました。管理者に連絡して下さい。");
// %1: the backup's file name.
inline const QString LoadDamaged =
    QStringLiteral("アドレスデータの末尾が壊れていたため、読み込めた管理情報だけを表示します。"
                   "元のファイルは %1 として残します。管理者に連絡して下さい。");
// Added when a backup from an earlier run is there: the damaged file must not take its place.
inline const QString LoadDamagedOlderBackup =
    QStringLiteral("\nそれまでのバックアップは %1 として残します。");
// The companion file beside the book: %1 its name, %2 the backup's.
inline const QString CompanionDamaged = QStringLiteral(
    "敬称・連名などを保存しているファイル %1 が壊れているか、このプログラムのものではありません。"
    "読み込めた分だけを使い、元のファイルは次の保存で %2 として残します。");
// %1: how many; %2: the file's name; then one line each.
inline const QString CompanionSetAside = QStringLiteral(
    "アドレスデータがほかのプログラムで変更されていたため、敬称・連名などの情報%1件を"
    "どの管理情報のものか決められませんでした。誤った相手に付けないよう、%2 に保管しています。"
    "必要なら管理情報を開いて入力し直して下さい。");
inline const QString CompanionSetAsideMore = QStringLiteral("  ほか%1件");
// %1: the file, %2: why (one of the Reason texts).
inline const QString LoadUnreadable = QStringLiteral(
    "アドレスデータ %1 を読み込めません（%2）。\n"
    "このファイルは書き換えずに残し、管理情報の追加や変更はできないようにします。"
    "ファイルを直してから「再読み込み」を押すか、VOK_Address を起動し直して下さい。");
// The bar over the window while the book could not be read; %1: the file, %2: why.
inline const QString ReadOnlyBar =
    QStringLiteral("アドレスデータ %1 を読み込めないため（%2）、保存できません。"
                   "管理情報の追加や変更はできません。");
inline const QString ReadOnlyRetry = QStringLiteral("再読み込み(&R)");
// %1: the file, %2: how many records, %3: the backup's file name.
inline const QString LoadNotABook = QStringLiteral(
    "アドレスデータ %1 は管理情報のファイルに見えません（%2 件とも管理情報の形をしていません）。"
    "中身は表示しません。元のファイルは %3 として残します。管理者に連絡して下さい。");
// %1: odd records, %2: all records, %3: the backup's file name.
inline const QString LoadOddRecords = QStringLiteral(
    "アドレスデータの %2 件のうち %1 件が管理情報の形をしていません。ファイルが壊れている"
    "おそれがあります。読み込んだものをすべて表示します。元のファイルは %3 として残します。"
    "管理者に連絡して下さい。");
// %1: the file, %2: why.
inline const QString ReadingsUnreadable =
    QStringLiteral("フリガナのファイル %1 を読み込めません（%2）。\nこのファイルは書き換えずに"
                   "残します。今回入力したフリガナは保存されません。");
// %1: the lock file, %2: why.
inline const QString LockRefused =
    QStringLiteral("アドレスデータの場所にロックファイル %1 を作れません（%2）。\n"
                   "同時に起動した VOK_Address どうしがデータを上書きしないよう、起動を中止します。"
                   "フォルダーの権限を確かめて下さい。");
inline const QString ReasonNoPermission = QStringLiteral("アクセスの権限がありません");
inline const QString ReasonFolder = QStringLiteral("ファイルではなくフォルダーです");
inline const QString ReasonNotAFile =
    QStringLiteral("通常のファイルではありません（FIFO やデバイスなど）");
inline const QString ReasonFileForFolder =
    QStringLiteral("フォルダーのあるべき場所にファイルがあります");
inline const QString ReasonReadOnly = QStringLiteral("書き込みのできない場所です");
inline const QString ReasonNoLocks = QStringLiteral("この場所ではファイルをロックできません");
inline const QString ReasonDisk = QStringLiteral("ディスクの読み書きでエラーが起きました");
inline const QString ReasonFull = QStringLiteral("ディスクに空きがありません");
inline const QString ReasonTooLarge = QStringLiteral("ファイルが大きすぎます");
inline const QString NoAnswer = QStringLiteral(
    "VOK_Address は既に起動していますが、応答がありません。起動中の VOK_Address を終了させてから、"
    "もう一度起動して下さい。");
inline const QString NoDisplay = QStringLiteral(
    "VOK_Address needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are "
    "unset).\nStart it from a desktop session, or under a virtual display: xvfb-run -a %1\n");
inline const QString NoWindowSystem = QStringLiteral(
    "VOK_Address could not open a window: neither the X server (DISPLAY, XWayland included) nor "
    "the Wayland compositor (WAYLAND_DISPLAY) answered, or Qt's support for it is missing "
    "(Debian packages libqt6gui6 and qt6-wayland).\n");

// Main window
inline const QString ToolBarCaption = QStringLiteral("VOK_Address ToolBar");
inline const QString Ready = QStringLiteral("ﾚﾃﾞｨ");
inline const QString TrayTip = QStringLiteral("VOK_Address "); // the blank belongs to it
// Without a tray, after a mail check; %1: the number of waiting messages.
inline const QString TitleWithMail = QStringLiteral("VOK_Address - VOK System - メール %1 通");
inline const QString NoTrayExplained = QStringLiteral(
    "このデスクトップには通知領域（タスクトレイ）がありません。\n"
    "ウィンドウを閉じると VOK_Address は終了します（アドレスデータは保存されます）。\n"
    "メールチェックの結果は、ステータスバーとウィンドウのタイトルに表示されます。");

// Main menu
inline const QString MenuFile = QStringLiteral("ﾌｧｲﾙ(&F)");
inline const QString MenuEdit = QStringLiteral("編集(&E)");
inline const QString MenuView = QStringLiteral("表示(&V)");
inline const QString MenuTools = QStringLiteral("ツール(&T)");
inline const QString MenuHelp = QStringLiteral("ﾍﾙﾌﾟ(&H)");
inline const QString MenuTask = QStringLiteral("TASK");

// Each command: menu item text, prompt (status tip), tool tip.
struct CommandText
{
    int id;
    const char16_t* item;
    const char16_t* prompt;
    const char16_t* tip;
};

inline constexpr CommandText Commands[] = {
    {ID_NEW_CONTACT, u"管理情報(&N)...", u"管理情報の作成を行う", u"作成"},
    {ID_CREATE_GROUP, u"グループ作成(&G)", u"管理情報をグループ化するためのグループ作成を行う",
     u"グループ作成"},
    {ID_COPY_MAIL, u"メールアドレスの転送(&M)", u"メールアドレスをクリップボードにコピーする",
     u"転送"},
    {ID_EXPORT, u"管理情報のExport(&P)...", u"管理情報をCSVやvCardのファイルにExportする",
     u"Export"},
    {ID_IMPORT, u"管理情報のImport(&I)...", u"CSVやvCardのファイルから管理情報をImportする",
     u"Import"},
    {ID_OPTIONS, u"環境設定...", u"各環境についての設定を行う", u"環境設定"},
    {ID_EDIT_CONTACT, u"管理情報の編集(&E)", u"管理情報の編集を行う", u"編集"},
    {ID_DELETE, u"管理情報の削除(&D)", u"管理情報を削除する", u"削除"},
    {ID_DELETE_GROUP, u"グループ削除(&G)", u"グループの削除を行う", u"グループ削除"},
    {ID_VIEW_TOOLBAR, u"ﾂｰﾙ ﾊﾞｰ(&T)", u"ﾂｰﾙ ﾊﾞｰの 表示/非表示", u"ﾂｰﾙ ﾊﾞｰの表示切り替え"},
    {ID_VIEW_STATUS_BAR, u"ｽﾃｰﾀｽ ﾊﾞｰ(&S)", u"ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示", u"ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {ID_NEW_MAIL, u"新規メール(&N)", u"新しいメールメッセージを作成します。", u"メッセージの作成"},
    {ID_MAIL_CHECK, u"メールチェック(&M)", u"POPサーバーに接続して未読メールのチェックを行う。",
     u"メールチェック"},
    {ID_APP_ABOUT, u"VOK_Address のﾊﾞｰｼﾞｮﾝ情報(&A)...", u"ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示",
     u"ﾊﾞｰｼﾞｮﾝ情報"},
    {ID_RENAME_GROUP, u"", u"グループ名の変更を行う", u"グループ名の変更"},
    {ID_COPY_PERSONAL_INFO, u"", u"個人情報をクリップボードにコピーする", u""},
    {ID_COPY_OFFICE_INFO, u"", u"会社情報をクリップボードにコピーする", u""},
    {ID_COPY_OFFICE_MAIL, u"", u"会社メールアドレスをクリップボードにコピーする", u"転送"},
    {ID_OPEN_ADDRESS_BOOK, u"", u"アドレス帳を開く", u"アドレス帳を開く"},
    {ID_APP_EXIT, u"", u"ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", u"終了"},
    {ID_EDIT_UNDO, u"元に戻す(&U)", u"直前の操作を取り消す", u"元に戻す"},
    {ID_EDIT_REDO, u"やり直し(&R)", u"取り消した操作をやり直す", u"やり直し"},
    {ID_SYNC, u"同期(&S)", u"CardDAVサーバーのアドレス帳と同期する", u"同期"},
    {ID_SYNC_LOG, u"同期ログ(&L)...", u"これまでの同期の結果を表示する", u"同期ログ"},
    {ID_EDIT_FIND, u"検索(&F)", u"名前や読み、住所、電話番号などで管理情報を絞り込む", u"検索"},
    {ID_FIND_DUPLICATES, u"重複の検索(&K)...", u"同一人物とみられる管理情報を探して統合する",
     u"重複の検索"},
    {ID_VIEW_ADDRESSEE, u"宛名の列(&A)", u"敬称・連名・役職・部署・年賀の列の 表示/非表示",
     u"宛名の列の表示切り替え"},
    {ID_VIEW_READING, u"フリガナ列(&R)", u"名前の読み（フリガナ）の列の 表示/非表示",
     u"フリガナ列の表示切り替え"},
    {ID_MOVE_TO_GROUP, u"グループへ移動(&V)", u"選択した管理情報を、選んだグループへ移動する",
     u"グループへ移動"},
    {ID_COPY_TO_GROUP, u"グループへコピー(&C)", u"選択した管理情報を、選んだグループへコピーする",
     u"グループへコピー"},
    {ID_PRINT_ADDRESSES, u"宛名印刷(&A)...",
     u"選択した管理情報か表示中のグループの宛名を、はがきやラベルに印刷する", u"宛名印刷"},
};

// The tray menu's own item texts.
inline const QString TaskOpen = QStringLiteral("アドレス帳を開く");
inline const QString TaskOptions = QStringLiteral("環境設定...");
inline const QString TaskNewContact = QStringLiteral("管理情報...");
inline const QString TaskMailCheck = QStringLiteral("メールチェック");
inline const QString TaskSync = QStringLiteral("同期");
inline const QString SyncGoOn = QStringLiteral("\n\n削除して続けますか？");
inline const QString TaskExit = QStringLiteral("終了");

// Sync: the log, its dialog and the password asked again.
inline const QString SyncLogTitle = QStringLiteral("同期ログ");
inline const QString SyncLogEmpty = QStringLiteral("まだ同期していません。");
inline const QString SyncLogOk = QStringLiteral("完了");
inline const QString SyncLogFailed = QStringLiteral("失敗");
inline const QString SyncLogNeedsDecision = QStringLiteral("確認待ち");
inline const QString SyncLogAuthFailed = QStringLiteral("認証エラー");
inline const QString SyncLogOffline = QStringLiteral("接続できません");
inline const QString SyncRetryLater = QStringLiteral("（%1分後に再試行します）");
inline const QString SyncPasswordTitle = QStringLiteral("同期のパスワード");
inline const QString SyncPasswordPrompt =
    QStringLiteral("サーバーがパスワードを受け付けませんでした。%2 のユーザー %1 "
                   "のパスワードを入力してください。");
inline const QString SyncPasswordLabel = QStringLiteral("パスワード(&P):");
inline const QString ButtonOk = QStringLiteral("OK");
inline const QString ButtonCancel = QStringLiteral("キャンセル");
inline const QString ButtonClose = QStringLiteral("閉じる");

} // namespace AppText
