#pragma once

#include <vector>

class AddressRecord;
class CAddressList;
class CVOK_AddressDoc;
class QWidget;

// The command "宛名印刷": the print dialog, then the preview (from which the user prints to a
// printer or a PDF file) or a PDF file straight away. The sender and the lettering come from the
// options, the dialog's choices are remembered for the next time.
class AddressPrint
{
public:
    // What the command prints: the selected contacts when the list has the focus and a
    // selection, otherwise every contact the list shows (the whole book for the root).
    // A run for a 年賀状 year may then mark the printed contacts as sent in the book.
    static void OnPrintAddresses(QWidget* parent, CVOK_AddressDoc* doc, const CAddressList& list,
                                 bool listHasFocus);
    // Whether the command has anything to print.
    static bool CanPrint(const CAddressList& list);
};
