#pragma once

#include "CommandLine.h"

// VOK_Address --print-pdf FILE --layout postcard|label12|label24 [--group NAME]
//             [--address home|office]
// Prints the stored book's contacts (everyone, or one group) as postcards or labels into a PDF
// file, with the sender and lettering of the options.
namespace PrintPdfMode {

// `options` are the arguments after "--print-pdf".
CommandLine::Result run(const QStringList& options);

} // namespace PrintPdfMode
