#pragma once

#include <QString>

// Every user-visible text of the sync layer.
namespace SyncMessages {

inline const QString Summary = QStringLiteral("下り %1 / 上り %2 / 削除 %3 / 競合 %4");
inline const QString NothingChanged = QStringLiteral("変更なし");
inline const QString Offline = QStringLiteral("サーバーに接続できません: %1");
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
