#include "QueryMode.h"

#include "CommandLineText.h"
#include "MailQuery.h"
#include "core/CVOK_AddressDoc.h"
#include "core/ContactFinder.h"
#include "model/search/SearchQuery.h"

#include <algorithm>

namespace {

bool hasAddress(const AddressRecord* record)
{
    constexpr std::string_view kBlank = ",; \t\r\n";
    return record->email().find_first_not_of(kBlank) != std::string_view::npos ||
           record->officeEmail().find_first_not_of(kBlank) != std::string_view::npos;
}

} // namespace

namespace QueryMode {

CommandLine::Result run(const QStringList& options)
{
    const QString text = options.join(u' ');
    if (text.trimmed().isEmpty())
        return {1, {}, (CommandLineText::QueryPrefix + CommandLineText::QueryMissingText).toUtf8()};
    CVOK_AddressDoc book;
    if (!book.LoadAddressFile())
        return {1,
                {},
                (CommandLineText::QueryPrefix +
                 CommandLineText::BookUnreadable.arg(book.addressFilePath()))
                    .toUtf8()};
    std::vector<AddressRecord*> all;
    all.reserve(book.records().size());
    for (const auto& record : book.records())
        all.push_back(record.get());
    // A contact without an address completes nothing.
    std::vector<AddressRecord*> found = book.finder().filter(SearchQuery(text.toStdString()), all);
    std::erase_if(found, [](const AddressRecord* r) { return !hasAddress(r); });
    const std::string answer = MailQuery::format(found);
    return {found.empty() ? 1 : 0, QByteArray(answer.data(), qsizetype(answer.size())), {}};
}

} // namespace QueryMode
