#pragma once

#include "print/Addressee.h"
#include "print/PrintOptions.h"
#include "print/PrintRun.h"
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

// The lines that tell the user who is left out and why, and which cards to look at.
QStringList notes(const PrintRun& run);
// Whether the font is installed; a stored font that is not would be replaced silently.
bool fontInstalled(const QString& family);

} // namespace PrintSetup
