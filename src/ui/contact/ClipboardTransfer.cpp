#include "ClipboardTransfer.h"

#include "ui/common/Text.h"
#include "ui/list/CAddressList.h"

#include <QClipboard>
#include <QGuiApplication>

void ClipboardTransfer::CopyMailAddresses(CAddressList* list, bool office)
{
    SetClipboardText(list->JoinSelectedMailAddresses(office));
}

void ClipboardTransfer::CopyContactInfo(CAddressList* list, Format format)
{
    const std::string text = list->FormatSelectedInfo(format);
    if (text.empty())
        return;
    SetClipboardText(text);
}

void ClipboardTransfer::SetClipboardText(const std::string& cp932)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(Text::fromCp932(cp932));
}
