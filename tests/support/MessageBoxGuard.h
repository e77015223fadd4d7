#pragma once

#include "ui/common/MessageBox.h"

// While it lives, message boxes are answered from the test (MessageBox::queueAnswer) and
// recorded instead of shown; it starts with no box recorded and leaves none behind.
class MessageBoxGuard
{
public:
    MessageBoxGuard()
    {
        MessageBox::setTestMode(true);
        MessageBox::shownTexts().clear();
    }
    ~MessageBoxGuard()
    {
        MessageBox::setTestMode(false);
        MessageBox::shownTexts().clear();
    }
    MessageBoxGuard(const MessageBoxGuard&) = delete;
    MessageBoxGuard& operator=(const MessageBoxGuard&) = delete;

    QStringList& shown() { return MessageBox::shownTexts(); }
};
