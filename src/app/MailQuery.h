#pragma once

#include <span>
#include <string>

class AddressRecord;

// The answer to `VOK_Address --query TEXT` in the form mutt, neomutt and aerc read from a query
// command (query_command, address-book-cmd): a first line of free text, then one line
// "address<TAB>name<TAB>group" for every e-mail address of the matching contacts, personal
// then office, in UTF-8. A field holding several addresses (separated by commas, semicolons
// or spaces) gives one line each; tabs and line breaks inside a value become spaces, so that
// no contact can add a line or a column. Exit status is the caller's: 1 when nothing matched.
//
//     const std::vector<AddressRecord*> found = index.filter(SearchQuery(text), all);
//     std::fputs(MailQuery::format(found).c_str(), stdout);
//     return found.empty() ? 1 : 0;
namespace MailQuery {

std::string format(std::span<AddressRecord* const> matches);

} // namespace MailQuery
