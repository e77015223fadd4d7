#include "MessageBox.h"

#include <QMessageBox>

namespace {

struct Seam
{
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

} // namespace

void MessageBox::information(QWidget* parent, const QString& text)
{
    Seam& s = seam();
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
    if (s.testMode || !s.answers.isEmpty()) {
        s.shown.append(text);
        return s.answers.isEmpty() ? No : s.answers.dequeue();
    }
    const auto button = QMessageBox::question(parent, kTitle, text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Yes : No;
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
