#pragma once

#include <string>
#include <vector>

class AddressRecord;
class CAddressList;

// The clipboard texts about the selected contacts and their transfer. Texts are CP932 bytes;
// the clipboard gets them decoded. Every failure is silent.
class ClipboardTransfer
{
public:
    enum Format
    {
        Personal = 2,
        Office = 3
    };

    // Addresses joined by ";" in the given order; empty ones before the first are skipped.
    static std::string JoinMailAddresses(const std::vector<const AddressRecord*>& records,
                                         bool office);
    // One line of the nine personal or the seven office fields, separated by commas, as stored.
    static std::string FormatInfo(const AddressRecord& record, Format format);

    // Commands 1003 and 32777: the clipboard is replaced even by an empty text.
    static void CopyMailAddresses(CAddressList* list, bool office);
    // Commands 32774 and 32775: an empty text leaves the clipboard as it was.
    static void CopyContactInfo(CAddressList* list, Format format);

    static void SetClipboardText(const std::string& cp932);
};
