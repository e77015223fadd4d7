#pragma once

#include <vector>

class AddressRecord;
class CAddressList;
class QWidget;

// The command "宛名印刷": the print dialog, then the preview (from which the user prints to a
// printer or a PDF file) or a PDF file straight away. The sender and the lettering come from the
// options, the dialog's choices are remembered for the next time.
class AddressPrint
{
public:
    // What the command prints: the selected contacts when the list has the focus and a
    // selection, otherwise every contact the list shows (the whole book for the root).
    static void OnPrintAddresses(QWidget* parent, const CAddressList& list, bool listHasFocus);
    // Whether the command has anything to print.
    static bool CanPrint(const CAddressList& list);
};
