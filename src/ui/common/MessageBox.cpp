#include "MessageBox.h"

#include <QMessageBox>
#include <cstdio>

namespace {

struct Seam
{
    bool unattended = false;
    bool testMode = false;
    QQueue<MessageBox::Answer> answers;
    QStringList shown;
};

Seam& seam()
{
    static Seam s;
    return s;
}

const QString kTitle = QStringLiteral("VOK_Address");

void toStandardError(const QString& text)
{
    std::fprintf(stderr, "VOK_Address: %s\n", text.toLocal8Bit().constData());
}

} // namespace

void MessageBox::information(QWidget* parent, const QString& text)
{
    Seam& s = seam();
    if (s.unattended) {
        toStandardError(text);
        if (s.testMode)
            s.shown.append(text);
        return;
    }
    if (s.testMode || !s.answers.isEmpty()) {
        s.shown.append(text);
        if (!s.answers.isEmpty())
            s.answers.dequeue();
        return;
    }
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

MessageBox::Answer MessageBox::question(QWidget* parent, const QString& text)
{
    Seam& s = seam();
    if (s.unattended) {
        toStandardError(text);
        if (s.testMode)
            s.shown.append(text);
        return No;
    }
    if (s.testMode || !s.answers.isEmpty()) {
        s.shown.append(text);
        return s.answers.isEmpty() ? No : s.answers.dequeue();
    }
    const auto button = QMessageBox::question(parent, kTitle, text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // A box the program's end closed is no answer of the user's.
    return button == QMessageBox::Yes && !s.unattended ? Yes : No;
}

void MessageBox::setUnattended(bool on)
{
    seam().unattended = on;
}

bool MessageBox::unattended()
{
    return seam().unattended;
}

void MessageBox::queueAnswer(Answer answer)
{
    seam().answers.enqueue(answer);
}

void MessageBox::setTestMode(bool on)
{
    seam().testMode = on;
    if (!on)
        seam().answers.clear();
}

QStringList& MessageBox::shownTexts()
{
    return seam().shown;
}
