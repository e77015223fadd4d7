#pragma once

#include "print/Addressee.h"
#include "print/PrintOptions.h"
#include "print/Sender.h"

#include <QList>
#include <vector>

class AddressRecord;
struct PrintSettings;
struct SenderSettings;

// The stored print settings as printing takes them, and the contacts as addressees.
namespace PrintSetup {

// What a label position may be, in millimetres: the spin boxes' ranges, and what a stored value
// is held to (a hand-edited store must not draw labels off the sheet or of no size).
inline constexpr double MaxMarginMm = 100.0;
inline constexpr double MinLabelMm = 10.0;
inline constexpr double MaxLabelMm = 210.0;

PrintLayout layout(int stored);
PrintOptions options(const PrintSettings& settings);
Sender sender(const SenderSettings& settings);

// The contacts' addresses of the kind, in their order; a contact without a postal code and
// without an address of that kind has nothing to print and is left out (counted in skipped).
QList<Addressee> addressees(const std::vector<const AddressRecord*>& records, AddressKind kind,
                            int* skipped = nullptr);

} // namespace PrintSetup
