#pragma once

#include <QString>

// Every text the group tree shows.
namespace GroupText {

inline const QString NewGroup = QStringLiteral("新しいグループ");

inline const QString NoName =
    QStringLiteral("グループ名が指定されていません。再度入力してください。");
inline const QString SameName =
    QStringLiteral("同名のグループが存在します。再度入力してください。");
inline const QString HasContacts =
    QStringLiteral("アドレスデータが登録されています。削除しますか？");

inline const QString MenuNewContact = QStringLiteral("管理情報(&N)...\tCtrl+N");
inline const QString MenuCreateGroup = QStringLiteral("グループ作成(&G)\tCtrl+G");
inline const QString MenuDeleteGroup = QStringLiteral("グループ削除(&D)\tCtrl+D");
inline const QString MenuRenameGroup = QStringLiteral("グループ名の変更(&R)\tF2");
inline const QString MenuExport = QStringLiteral("管理情報のExport(&E)...\tCtrl+P");
inline const QString MenuImport = QStringLiteral("管理情報のImport(&I)...\tCtrl+I");

} // namespace GroupText
