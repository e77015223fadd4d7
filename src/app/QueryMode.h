#pragma once

#include "CommandLine.h"

// VOK_Address --query TEXT
// Answers a mail program's address completion (mutt's query_command, aerc's address-book-cmd):
// the stored book's contacts that hold every word of TEXT, as the search field finds them, one
// "address<TAB>name<TAB>group" line per e-mail address after a first line of text. Exit
// status 1 when no contact with an address matches.
namespace QueryMode {

// `options` are the arguments after "--query"; several are taken as one text.
CommandLine::Result run(const QStringList& options);

} // namespace QueryMode
