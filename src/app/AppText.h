#pragma once

#include <QString>

// Every user-visible text of the application shell.
namespace AppText {

inline const QString Title = QStringLiteral("VOK_Address - VOK System");
inline const QString AppName = QStringLiteral("VOK_Address");
inline const QString LoadFailed =
    QStringLiteral("アドレスデータの読み込みに失敗しました。管理者に連絡して下さい。");
inline const QString SaveFailed =
    QStringLiteral("アドレスデータの保存に失敗しました。管理者に連絡して下さい。");
inline const QString NoDisplay = QStringLiteral(
    "VOK_Address needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are "
    "unset).\nStart it from a desktop session, or under a virtual display: xvfb-run -a %1\n");

// Main window
inline const QString ToolBarCaption = QStringLiteral("VOK_Address ToolBar");
inline const QString Ready = QStringLiteral("ﾚﾃﾞｨ");
inline const QString TrayTip = QStringLiteral("VOK_Address "); // the blank belongs to it

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
    {1000, u"管理情報(&N)...", u"管理情報の作成を行う", u"作成"},
    {32771, u"グループ作成(&G)", u"管理情報をグループ化するためのグループ作成を行う",
     u"グループ作成"},
    {1003, u"メールアドレスの転送(&M)", u"メールアドレスをクリップボードにコピーする", u"転送"},
    {1005, u"管理情報のExport(&P)...", u"管理情報をCSV形式でExportする", u"Export"},
    {1004, u"管理情報のImport(&I)...", u"CSV形式の管理情報をImportする", u"Import"},
    {32779, u"環境設定...", u"各環境についての設定を行う", u"環境設定"},
    {1001, u"管理情報の編集(&E)", u"管理情報の編集を行う", u"編集"},
    {1002, u"管理情報の削除(&D)", u"管理情報を削除する", u"削除"},
    {32776, u"グループ削除(&G)", u"グループの削除を行う", u"グループ削除"},
    {59392, u"ﾂｰﾙ ﾊﾞｰ(&T)", u"ﾂｰﾙ ﾊﾞｰの 表示/非表示", u"ﾂｰﾙ ﾊﾞｰの表示切り替え"},
    {59393, u"ｽﾃｰﾀｽ ﾊﾞｰ(&S)", u"ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示", u"ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {32784, u"新規メール(&N)", u"新しいメールメッセージを作成します。", u"メッセージの作成"},
    {32782, u"メールチェック(&M)", u"POPサーバーに接続して未読メールのチェックを行う。",
     u"メールチェック"},
    {57664, u"VOK_Address のﾊﾞｰｼﾞｮﾝ情報(&A)...", u"ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示",
     u"ﾊﾞｰｼﾞｮﾝ情報"},
    {32778, u"", u"グループ名の変更を行う", u"グループ名の変更"},
    {32774, u"", u"個人情報をクリップボードにコピーする", u""},
    {32775, u"", u"会社情報をクリップボードにコピーする", u""},
    {32777, u"", u"会社メールアドレスをクリップボードにコピーする", u"転送"},
    {32786, u"", u"アドレス帳を開く", u"アドレス帳を開く"},
    {57665, u"", u"ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", u"終了"},
};

// The tray menu's own item texts.
inline const QString TaskOpen = QStringLiteral("アドレス帳を開く");
inline const QString TaskOptions = QStringLiteral("環境設定...");
inline const QString TaskNewContact = QStringLiteral("管理情報...");
inline const QString TaskMailCheck = QStringLiteral("メールチェック");
inline const QString TaskExit = QStringLiteral("終了");

} // namespace AppText
