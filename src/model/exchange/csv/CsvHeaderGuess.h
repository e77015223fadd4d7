#pragma once

#include "CsvColumn.h"

#include <string>
#include <string_view>
#include <vector>

// Guesses where the columns of a foreign CSV file go, from their header names (Japanese and
// English; the exports of Google Contacts, Outlook and Thunderbird; this program's spreadsheet
// CSV) or, without a header, from what the cells hold.
namespace CsvHeaderGuess {

// The header name with letter case, full-width Latin forms, spaces, underscores and middle dots
// folded away: "E-mail Address" and "Ｅ－ｍａｉｌ　ａｄｄｒｅｓｓ" both give "e-mailaddress".
std::string normalize(std::string_view header);

// The target of one header name on its own (numbered groups are not recognised here).
CsvColumn guess(std::string_view header);

// The targets of a whole header row: numbered groups ("Phone 1 - Value" with its "Phone 1 -
// Type" as the label column, "Address 2 - City" in set 2), and a second whole name or
// formatted address beside its parts left out.
std::vector<CsvColumn> guessAll(const std::vector<std::string>& header);

// True when the row reads as column names rather than a contact: some cells name a target and
// none looks like data (an e-mail address, a number of six digits or more).
bool looksLikeHeader(const std::vector<std::string>& row);

// True when the first row is a header even though no name in it is known here: sixteen or more
// names (empty cells at its end aside) with no data among them, above whole rows that have data
// or leave a column empty. A contact that fills so many columns has an e-mail address or a
// number among them.
bool looksLikeWideHeader(const std::vector<std::vector<std::string>>& rows);

// Targets for a file without a header, from the first rows: e-mail addresses, postal codes,
// phone numbers (mobile when they start 070, 080 or 090), the first text column as the name,
// other text columns into the memo.
std::vector<CsvColumn> guessFromContent(const std::vector<std::vector<std::string>>& rows);

} // namespace CsvHeaderGuess
