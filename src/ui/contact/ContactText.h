#pragma once

#include <QString>

// Every text of the contact editor, the clipboard transfer and the CSV commands.
namespace ContactText {

inline const QString SheetTitle = QStringLiteral("管理情報");
inline const QString HeaderText = QStringLiteral("VOK System");
inline const QString OtherGroup = QStringLiteral("Other");
inline const QString RootName = QStringLiteral("VOK_Address");

// Refusals at OK, for values that came from outside the editor.
inline const QString TooLong = QStringLiteral("%1バイト以内で入力してください。");
inline const QString Unmappable = QStringLiteral("この欄には保存できない文字が含まれています。");

inline const QString ImportTitle = QStringLiteral("Import VOK_Address");
inline const QString ExportTitle = QStringLiteral("Export VOK_Address");
inline const QString CsvFilter = QStringLiteral("VOK_Address file(*.txt)");
inline const QString CsvSuffix = QStringLiteral("txt");
inline const QString ImportFailed =
    QStringLiteral("Importに失敗しました。管理者に連絡して下さい。");
inline const QString FormatError =
    QStringLiteral("データ形式に誤りがあります。管理者に連絡して下さい。");
inline const QString ExportFailed =
    QStringLiteral("Exportに失敗しました。管理者に連絡して下さい。");
inline const QString Importing = QStringLiteral("Importしています...");
inline const QString Exporting = QStringLiteral("Exportしています...");

} // namespace ContactText
