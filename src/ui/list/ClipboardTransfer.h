#pragma once

#include "ClipboardText.h"

#include <string>

// The clipboard texts about the selected contacts. Texts are CP932 bytes; the clipboard gets
// them decoded. Every failure is silent.
class ClipboardTransfer
{
public:
    using Format = ClipboardText::Format;
    static constexpr Format Personal = ClipboardText::Personal;
    static constexpr Format Office = ClipboardText::Office;

    // Commands 1003 and 32777: the clipboard is replaced even by an empty text.
    static void CopyMailAddresses(const std::string& joined);
    // Commands 32774 and 32775: an empty text leaves the clipboard as it was.
    static void CopyContactInfo(const std::string& info);

    static void SetClipboardText(const std::string& cp932);
};
