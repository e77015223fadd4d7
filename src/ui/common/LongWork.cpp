#include "LongWork.h"

#include <QCoreApplication>
#include <algorithm>

int LongWork::s_running = 0;

namespace {

int& delay()
{
    static int ms = 500;
    return ms;
}

constexpr int kSteps = 1000;

} // namespace

LongWork::LongWork(QWidget* parent, const QString& label)
    : m_dialog(label, QString(), 0, kSteps, parent)
{
    ++s_running;
    m_dialog.setWindowModality(Qt::ApplicationModal);
    m_dialog.setCancelButton(nullptr);
    m_dialog.setMinimumDuration(delay());
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0);
    m_sinceEvents.start();
}

LongWork::~LongWork()
{
    --s_running;
}

void LongWork::update(int part, int parts, std::uint64_t done, std::uint64_t total)
{
    if (total == 0 || parts <= 0)
        return;
    const int share = kSteps / parts;
    const auto within = std::min<std::uint64_t>(done * share / total, share - 1);
    m_dialog.setValue(part * share + static_cast<int>(within));
    if (m_sinceEvents.elapsed() >= 20)
        letWindowAnswer();
}

void LongWork::letWindowAnswer()
{
    QElapsedTimer turn;
    turn.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // A paint of a large window takes a while: the timers that came due meanwhile run before
    // the work goes on, not after its next step.
    if (turn.elapsed() >= 4)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceEvents.restart();
}

void LongWork::setDelayForTesting(int ms)
{
    delay() = ms;
}
