#pragma once

#include "model/ClipboardText.h"

#include <string>

class CAddressList;

// The clipboard texts about the selected contacts and their transfer. Texts are CP932 bytes;
// the clipboard gets them decoded. Every failure is silent.
class ClipboardTransfer
{
public:
    using Format = ClipboardText::Format;
    static constexpr Format Personal = ClipboardText::Personal;
    static constexpr Format Office = ClipboardText::Office;

    // Commands 1003 and 32777: the clipboard is replaced even by an empty text.
    static void CopyMailAddresses(CAddressList* list, bool office);
    // Commands 32774 and 32775: an empty text leaves the clipboard as it was.
    static void CopyContactInfo(CAddressList* list, Format format);

    static void SetClipboardText(const std::string& cp932);
};
