#pragma once

#include <QString>
#include <QStringList>

// Every text of the import and export commands, the CSV preview and the import summary.
namespace ImportExportText {

inline const QString ImportTitle = QStringLiteral("Import VOK_Address");
inline const QString ExportTitle = QStringLiteral("Export VOK_Address");
// The content decides how a file is read; the types only narrow what the dialog lists.
inline const QStringList ImportFilters = {
    QStringLiteral("アドレス帳のファイル (*.vcf *.csv *.txt)"), QStringLiteral("vCard (*.vcf)"),
    QStringLiteral("CSV (*.csv)"), QStringLiteral("VOK_Address file(*.txt)"),
    QStringLiteral("すべてのファイル (*)")};
// In the order of ExportFormat::Format.
inline const QStringList ExportFilters = {
    QStringLiteral("VOK_Address file(*.txt)"),
    QStringLiteral("UTF-8 CSV 見出し行付き・表計算ソフト用 (*.csv)"),
    QStringLiteral("vCard 3.0 (*.vcf)"), QStringLiteral("vCard 4.0 (*.vcf)")};
inline const QStringList ExportSuffixes = {QStringLiteral("txt"), QStringLiteral("csv"),
                                           QStringLiteral("vcf"), QStringLiteral("vcf")};
inline const QString ImportFailed =
    QStringLiteral("Importに失敗しました。管理者に連絡して下さい。");
inline const QString NotAddressBook =
    QStringLiteral("このファイルはvCardでもCSVでもないため、Importできません。");
inline const QString ExportFailed =
    QStringLiteral("Exportに失敗しました。管理者に連絡して下さい。");
inline const QString Reading = QStringLiteral("ファイルを読み込んでいます...");
// %1: the file chosen.
inline const QString ExportOntoBook = QStringLiteral(
    "%1 はアドレスデータ（またはそのバックアップ）のファイルのため、Exportできません。"
    "別のファイル名を指定して下さい。");
inline const QString Importing = QStringLiteral("Importしています...");
inline const QString Exporting = QStringLiteral("Exportしています...");

// The preview of a CSV file from another program.
inline const QString CsvTitle = QStringLiteral("CSVファイルのImport - %1");
inline const QString CsvEncoding = QStringLiteral("文字コード(&E):");
inline const QString CsvCp932 = QStringLiteral("シフトJIS (CP932)");
inline const QString CsvUtf8 = QStringLiteral("UTF-8");
inline const QString CsvUtf8Bom = QStringLiteral("UTF-8 (BOM付き)");
inline const QString CsvUtf16 = QStringLiteral("UTF-16");
inline const QString CsvHeader = QStringLiteral("1行目は項目名の見出し（取り込まない）(&H)");
inline const QString CsvGroup = QStringLiteral("取り込み先グループ(&G):");
inline const QString CsvGroupColumn = QStringLiteral("（グループの列に従う）");
inline const QString CsvColumns = QStringLiteral("列の割り当て(&M)");
inline const QString CsvColumnName = QStringLiteral("列");
inline const QString CsvColumnExample = QStringLiteral("内容の例");
inline const QString CsvColumnTarget = QStringLiteral("取り込み先");
inline const QString CsvNumberedColumn = QStringLiteral("%1列目");
inline const QString CsvSample = QStringLiteral("取り込まれる内容（最初の%1件）");
inline const QString CsvNoSample = QStringLiteral("取り込まれる管理情報がありません。");
inline const QString CsvImport = QStringLiteral("Import");
inline const QString Cancel = QStringLiteral("キャンセル");
// A line break inside a value, as the sample table shows it.
inline const QString LineBreakMark = QStringLiteral(" ↵ ");

// The summary after an import.
inline const QString SummaryTitle = QStringLiteral("Importの結果");
inline const QString SummaryCount = QStringLiteral("%1件の管理情報をImportしました。");
inline const QString SummaryReplaced =
    QStringLiteral("シフトJIS (CP932) で保存できない文字を〓に置き換えました（%1か所）:");
// The character, and its code for a screen without a glyph for it.
inline const QString SummaryReplacedItem = QStringLiteral("  %1（%2）: %3 (U+%4)");
inline const QString SummaryCut =
    QStringLiteral("長すぎる内容を項目に入る長さで切り詰めました（%1か所）:");
inline const QString SummaryCutItem = QStringLiteral("  %1（%2）");
inline const QString SummaryRefused = QStringLiteral("取り込めなかった行があります（%1か所）:");
inline const QString SummaryRefusedItem = QStringLiteral("  %1行目: %2");
inline const QString SummaryMore = QStringLiteral("  ほか%1か所");
inline const QString SummaryUnread =
    QStringLiteral("vCardの項目として読めない行がありました（%1行）:");
inline const QString SummaryUnreadItem = QStringLiteral("  %1行目: 「%2」");
inline const QString SummaryUnreadJoined =
    QStringLiteral("  %1行目: 「%2」（前のメモの続きとして取り込みました）");
inline const QString SummaryInMemo =
    QStringLiteral("項目に入らない内容をメモに入れました（%1件の管理情報）:");
// %1: the contact, %2: the memo's lines it got.
inline const QString SummaryInMemoItem = QStringLiteral("  %1: %2");
inline const QString SummaryInMemoSeparator = QStringLiteral(" / ");
inline const QString SummaryPhotos = QStringLiteral("写真%1枚は取り込みませんでした。");
inline const QString SummaryGroups = QStringLiteral("ファイルにあるグループ");
inline const QString SummaryGroupsNote =
    QStringLiteral("チェックしたグループを作成して、その管理情報を移します。"
                   "ほかの管理情報は「Other」に入ります。");
inline const QString SummaryOk = QStringLiteral("OK");
// %1: contacts that seemed to be in the book; then what became of them.
inline const QString SummaryFound =
    QStringLiteral("すでにアドレス帳にあるとみられる管理情報: %1件（統合%2件、更新%3件、"
                   "取り込まない%4件）");
inline const QString SummaryUnchanged =
    QStringLiteral("%1件はアドレス帳にすべてあるため、何も変えませんでした。");
inline const QString SummaryMergesAdded =
    QStringLiteral("メモに入りきらないため、%1件は統合せずに新しく取り込みました。");

// Contacts of a file that seem to be in the book, before the import.
inline const QString FoundTitle = QStringLiteral("すでにある管理情報");
inline const QString FoundCount = QStringLiteral(
    "このファイルの%1件は、すでにアドレス帳にあるようです。それぞれの扱いを選んで下さい。"
    "統合すると、空の項目を埋め、違う内容はメモに残します。");
inline const QStringList FoundColumns = {QStringLiteral("項目"), QStringLiteral("アドレス帳"),
                                         QStringLiteral("ファイル"), QStringLiteral("理由"),
                                         QStringLiteral("扱い")};
inline const QString FoundName = QStringLiteral("名前");
// In the order of BookImport::Duplicate; a card with the contact's UID is updated.
inline const QStringList FoundActions = {QStringLiteral("取り込まない"), QStringLiteral("統合する"),
                                         QStringLiteral("新規に取り込む")};
inline const QString FoundUpdate = QStringLiteral("更新する");
inline const QString FoundSkipAll = QStringLiteral("すべて取り込まない(&S)");
inline const QString FoundMergeAll = QStringLiteral("すべて統合する(&M)");
inline const QString FoundAddAll = QStringLiteral("すべて新規に取り込む(&N)");
inline const QString FoundImport = QStringLiteral("Import");

// Why two contacts seem to be one person, by ContactMatcher::Reason bit.
inline const QStringList Reasons = {QStringLiteral("同じUID"),
                                    QStringLiteral("同じ名前"),
                                    QStringLiteral("同じフリガナ"),
                                    QStringLiteral("同じ電話番号"),
                                    QStringLiteral("同じメールアドレス"),
                                    QStringLiteral("同じ郵便番号と住所")};
inline const QString ReasonSeparator = QStringLiteral("・");
// By ContactMatcher::Confidence, Possible first.
inline const QStringList Confidences = {QStringLiteral("同一人物かもしれません"),
                                        QStringLiteral("おそらく同一人物"),
                                        QStringLiteral("同一人物")};

// Finding the duplicates of the book.
inline const QString DuplicatesTitle = QStringLiteral("重複の検索");
inline const QString DuplicatesSearching = QStringLiteral("重複を探しています...");
inline const QString DuplicatesNone =
    QStringLiteral("重複しているとみられる管理情報はありません。");
inline const QString DuplicatesCount =
    QStringLiteral("同一人物とみられる組が%1組あります。組を選び、項目ごとに残す内容を選んで"
                   "「統合」を押して下さい。選ばなかった内容はメモに残ります。");
// %1: the first name of a group, %2: how many more, %3: confidence, %4: reasons.
inline const QString DuplicatesGroup = QStringLiteral("%1 ほか%2件 — %3（%4）");
inline const QStringList DuplicatesColumns = {QStringLiteral("項目"), QStringLiteral("残す内容")};
inline const QString DuplicatesEmpty = QStringLiteral("（空）");
inline const QString DuplicatesMerge = QStringLiteral("統合(&M)");
inline const QString DuplicatesNotSame = QStringLiteral("重複ではない(&N)");
inline const QString DuplicatesClose = QStringLiteral("閉じる");
inline const QString DuplicatesTooLong =
    QStringLiteral("選ばなかった内容がメモに入りきらないため、統合できません。"
                   "残す内容を選び直すか、先にメモを短くして下さい。");

} // namespace ImportExportText
