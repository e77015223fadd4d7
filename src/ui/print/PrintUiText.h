#pragma once

#include <QString>

// Every text of the print dialog and the preview.
namespace PrintUiText {

inline const QString DialogTitle = QStringLiteral("宛名印刷");
inline const QString PreviewTitle = QStringLiteral("宛名印刷 - プレビュー");

inline const QString WhatSelected = QStringLiteral("選択した管理情報 %1 件");
inline const QString WhatGroup = QStringLiteral("グループ「%1」の管理情報 %2 件");
inline const QString WhatEveryone = QStringLiteral("すべての管理情報 %1 件");
inline const QString Skipped = QStringLiteral("住所も郵便番号もない %1 件は印刷しません。");
inline const QString NothingToPrint = QStringLiteral("印刷できる宛先がありません。");
inline const QString Pages = QStringLiteral("%1 件、%2 ページ");

inline const QString PaperGroup = QStringLiteral("用紙");
inline const QString Postcard = QStringLiteral("はがき(&H)");
inline const QString Label12 = QStringLiteral("ラベル 12面(&2)");
inline const QString Label24 = QStringLiteral("ラベル 24面(&4)");
inline const QString AddressGroup = QStringLiteral("住所");
inline const QString Home = QStringLiteral("自宅(&J)");
inline const QString Office = QStringLiteral("勤務先(&K)");
inline const QString Guides =
    QStringLiteral("はがきの枠・ラベルの輪郭も印刷する（普通紙での試し刷り）(&W)");

inline const QString SheetGroup = QStringLiteral("ラベル用紙の位置 (mm)");
inline const QString SheetLeft = QStringLiteral("左余白");
inline const QString SheetTop = QStringLiteral("上余白");
inline const QString SheetWidth = QStringLiteral("ラベルの幅");
inline const QString SheetHeight = QStringLiteral("ラベルの高さ");
inline const QString SheetPitchX = QStringLiteral("横の間隔（左端から次の左端）");
inline const QString SheetPitchY = QStringLiteral("縦の間隔（上端から次の上端）");
inline const QString SheetDefaults = QStringLiteral("標準に戻す(&R)");

inline const QString Preview = QStringLiteral("プレビュー(&V)...");
inline const QString Pdf = QStringLiteral("PDF(&F)...");
inline const QString Cancel = QStringLiteral("キャンセル");

inline const QString PdfTitle = QStringLiteral("PDFファイルに保存");
inline const QString PdfFileName = QStringLiteral("宛名印刷.pdf");
inline const QString PdfFilter = QStringLiteral("PDF (*.pdf)");
inline const QString PdfFailed = QStringLiteral("PDFファイル「%1」を保存できませんでした。");

} // namespace PrintUiText
