#include "ContactExtras.h"

#include "model/text/Cp932.h"
#include "model/text/Utf8.h"

#include <algorithm>

bool ContactExtras::empty() const
{
    return honorific.empty() && jointNames.empty() && title.empty() && department.empty() &&
           nenga.empty() && fullText.empty() && foreignUid.empty() && notDuplicates.empty() &&
           unknown.empty();
}

std::string_view ContactExtras::printedHonorific() const
{
    return printedHonorific(honorific);
}

std::string_view ContactExtras::printedHonorific(std::string_view stored)
{
    if (stored.empty())
        return DefaultHonorific;
    if (stored == NoHonorific)
        return {};
    return stored;
}

const ContactExtras::Nenga* ContactExtras::nengaOf(int year) const
{
    const auto it =
        std::find_if(nenga.begin(), nenga.end(), [year](const Nenga& n) { return n.year == year; });
    return it == nenga.end() ? nullptr : &*it;
}

void ContactExtras::setNenga(const Nenga& marks)
{
    auto it = std::lower_bound(nenga.begin(), nenga.end(), marks.year,
                               [](const Nenga& n, int year) { return n.year < year; });
    const bool there = it != nenga.end() && it->year == marks.year;
    if (marks.empty()) {
        if (there)
            nenga.erase(it);
    } else if (there) {
        *it = marks;
    } else {
        nenga.insert(it, marks);
    }
}

std::string_view ContactExtras::fullTextOf(int field, std::string_view cp932) const
{
    const auto it = fullText.find(field);
    if (it == fullText.end())
        return {};
    std::vector<std::string> replaced;
    if (Cp932::fromUtf8Replacing(it->second, replaced) != cp932)
        return {};
    return it->second;
}

std::string ContactExtras::setFieldText(int field, std::string_view utf8)
{
    std::vector<std::string> replaced;
    std::string bytes = Cp932::fromUtf8Replacing(utf8, replaced);
    if (replaced.empty())
        fullText.erase(field);
    else
        fullText[field] = std::string(utf8);
    return bytes;
}

std::string ContactExtras::Nenga::markWords(char separator) const
{
    std::string words;
    const auto add = [&words, separator](std::string_view word) {
        if (!words.empty())
            words += separator;
        words += word;
    };
    if (send == Send::Send)
        add("send");
    if (send == Send::DontSend)
        add("nosend");
    if (mourning)
        add("mourning");
    if (sent)
        add("sent");
    if (received)
        add("received");
    return words;
}

void ContactExtras::Nenga::addMarkWord(std::string_view word)
{
    if (Utf8::equalsNoCase(word, "send"))
        send = Send::Send;
    else if (Utf8::equalsNoCase(word, "nosend"))
        send = Send::DontSend;
    else if (Utf8::equalsNoCase(word, "mourning"))
        mourning = true;
    else if (Utf8::equalsNoCase(word, "sent"))
        sent = true;
    else if (Utf8::equalsNoCase(word, "received"))
        received = true;
}
