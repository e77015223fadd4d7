#pragma once

#include <QString>
#include <iterator>

// Every user-visible text of the sync layer.
namespace SyncMessages {

inline const QString Summary = QStringLiteral("下り %1 / 上り %2 / 削除 %3 / 競合 %4");
inline const QString NothingChanged = QStringLiteral("変更なし");
inline const QString Offline = QStringLiteral("サーバーに接続できません: %1");
// Why the server could not be reached, by DavClient::Failure (after None).
inline const QString NetworkReasons[] = {
    QStringLiteral("サーバーが接続を拒否しました (サーバーが止まっているか、ポート番号が違います)"),
    QStringLiteral("サーバーが見つかりません (アドレスとネットワークの接続を確かめてください)"),
    QStringLiteral("サーバーが時間内に応答しません"),
    QStringLiteral("安全な接続 (TLS) を確立できません"),
    QStringLiteral("サーバーが接続を切りました"),
    QStringLiteral("通信のエラーです"),
};
inline QString networkReason(int failure)
{
    constexpr int count = int(std::size(NetworkReasons));
    return NetworkReasons[failure >= 1 && failure <= count ? failure - 1 : count - 1];
}
// The technical text of a failed connection, for the 同期ログ.
inline const QString NetworkDetail = QStringLiteral("通信の詳細: %1");
inline const QString TlsRefused = QStringLiteral(
    "サーバーの証明書を確認できません。信頼する場合は指紋 (SHA-256) を登録してください: %1");
inline const QString AuthFailed =
    QStringLiteral("サーバーがユーザー名またはパスワードを受け付けません。");
inline const QString ServerError = QStringLiteral("サーバーがエラーを返しました: %1 %2");
inline const QString BadAnswer = QStringLiteral("サーバーの応答を読めません: %1");
inline const QString TooManyDeletes = QStringLiteral(
    "この同期では 本 %1件・サーバー %2件 の連絡先が削除されます。続けるには確認が必要です。");
inline const QString FirstSync = QStringLiteral("初めての同期です: サーバー %1件 / この住所録 %2件 "
                                                "/ 同じ人 %3件。統合するには確認が必要です。");
inline const QString NotSaved = QStringLiteral("住所録を保存できません。同期を中止しました。");
inline const QString StateNotSaved = QStringLiteral("同期の状態を保存できません: %1");
inline const QString CardRefused = QStringLiteral("サーバーが連絡先を受け付けません (%1): %2");
inline const QString NoAddressBook = QStringLiteral("このサーバーにアドレス帳が見つかりません: %1");
inline const QString NoAccount =
    QStringLiteral("同期の設定がありません。--sync-setup URL USER で設定してください。");
inline const QString Unplaced = QStringLiteral("競合 (メモに入りきらない値): %1");
inline const QString Running = QStringLiteral("同期中 %1/%2");

} // namespace SyncMessages
