#include "ExtrasText.h"

#include "ContactExtras.h"

namespace {

void add(std::string& out, std::string_view label, std::string_view value)
{
    if (value.empty())
        return;
    if (!out.empty())
        out += ExtrasText::Separator;
    out += label;
    out += ' ';
    out += value;
}

} // namespace

std::string ExtrasText::nengaWords(const ContactExtras& extras, int year)
{
    const ContactExtras::Nenga* n = extras.nengaOf(year);
    if (!n)
        return {};
    std::string words;
    const auto word = [&words](std::string_view w) {
        if (!words.empty())
            words += ' ';
        words += w;
    };
    if (n->send == ContactExtras::Nenga::Send::Send)
        word(Send);
    if (n->send == ContactExtras::Nenga::Send::DontSend)
        word(DontSend);
    if (n->mourning)
        word(Mourning);
    if (n->sent)
        word(Sent);
    if (n->received)
        word(Received);
    return words;
}

std::string ExtrasText::summary(const ContactExtras& x)
{
    std::string out;
    add(out, Honorific, x.honorific);
    for (const auto& j : x.jointNames) {
        std::string joint = j.name;
        const std::string_view h = ContactExtras::printedHonorific(j.honorific);
        if (!h.empty())
            joint += ' ' + std::string(h);
        add(out, JointNames, joint);
    }
    add(out, Title, x.title);
    add(out, Department, x.department);
    for (const auto& n : x.nenga)
        add(out, Nenga, std::to_string(n.year) + ' ' + nengaWords(x, n.year));
    for (const auto& [field, text] : x.fullText)
        add(out, "", text);
    return out;
}
