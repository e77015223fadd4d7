#pragma once

#include <QString>
#include <QStringList>

// Every text of the print dialog and the preview.
namespace PrintUiText {

inline const QString DialogTitle = QStringLiteral("宛名印刷");
inline const QString PreviewTitle = QStringLiteral("宛名印刷 - プレビュー");

inline const QString WhatSelected = QStringLiteral("選択した管理情報 %1 件");
inline const QString WhatGroup = QStringLiteral("グループ「%1」の管理情報 %2 件");
inline const QString WhatEveryone = QStringLiteral("すべての管理情報 %1 件");
inline const QString LeftOutCount = QStringLiteral("印刷しない宛先が %1 件あります:");
inline const QString WarningCount = QStringLiteral("確かめてほしい宛先が %1 件あります:");
inline const QString NoteLine = QStringLiteral("%1 — %2");
inline const QString TooSmall = QStringLiteral("住所の文字が %1 mm より小さくなる");
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

inline const QString NengaGroup = QStringLiteral("宛先と敬称");
inline const QString FilterLabel = QStringLiteral("宛先(&A)");
inline const QString FilterEveryone = QStringLiteral("すべて（年賀の印を見ない）");
inline const QString FilterNenga = QStringLiteral("年賀状を送る人（喪中・送らない人を除く）");
inline const QString FilterOnlySend = QStringLiteral("年賀状を送る印のある人だけ");
inline const QString FilterReturns = QStringLiteral("返礼（届いたのにまだ出していない人）");
inline const QString YearLabel = QStringLiteral("年(&Y)");
inline const QString YearSuffix = QStringLiteral(" 年");
inline const QString HonorificLabel = QStringLiteral("敬称(&E)");
inline const QString HonorificEach = QStringLiteral("宛先ごと");
inline const QString HonorificNone = QStringLiteral("なし");
inline const QStringList HonorificChoices = {QStringLiteral("様"), QStringLiteral("殿"),
                                             QStringLiteral("先生"), QStringLiteral("御中"),
                                             QStringLiteral("各位")};

inline const QString OffsetGroup = QStringLiteral("位置の調整 (mm、右と下へ)");
inline const QString OffsetX = QStringLiteral("横(&X)");
inline const QString OffsetY = QStringLiteral("縦(&Z)");
inline const QString Calibrate = QStringLiteral("試し印刷(&T)...");

inline const QString MarkSentTitle = QStringLiteral("年賀状を出した印");
inline const QString MarkSent =
    QStringLiteral("印刷した %1 件に「%2年の年賀状を出した」印を付けますか？");
inline const QString FontMissing =
    QStringLiteral("フォント「%1」が見つかりません。ほかのフォントで印刷されます。");

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
