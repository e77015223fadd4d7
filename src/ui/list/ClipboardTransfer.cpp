#include "ClipboardTransfer.h"

#include "core/Text.h"

#include <QClipboard>
#include <QGuiApplication>

void ClipboardTransfer::CopyMailAddresses(const std::string& joined)
{
    SetClipboardText(joined);
}

void ClipboardTransfer::CopyContactInfo(const std::string& info)
{
    if (info.empty())
        return;
    SetClipboardText(info);
}

void ClipboardTransfer::SetClipboardText(const std::string& cp932)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(Text::fromCp932(cp932));
}
