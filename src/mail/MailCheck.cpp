#include "MailCheck.h"

#include "CMailNoticeDlg.h"
#include "DesktopNotice.h"
#include "MailCheckRequest.h"
#include "MailText.h"
#include "resource.h"
#include "settings/MailAccount.h"
#include "settings/OptionSettings.h"
#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

namespace {

const int kAnimationIcons[] = {IDI_ANIMATION, IDI_ANIMATION_2, IDI_ANIMATION_3, IDI_ANIMATION_4};

} // namespace

MailCheck::MailCheck(QWidget* frame)
    : QObject(frame), m_frame(frame), m_connectTimeout(Pop3Client::DefaultConnectTimeout),
      m_replyTimeout(Pop3Client::DefaultReplyTimeout), m_beep([] { QApplication::beep(); })
{
    // Wayland has no bell for Qt to ring: the desktop's notification (and its sound) says that
    // the check has ended instead.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        m_notify = [](const QString& text) { DesktopNotice::show(MailText::NoticeTitle, text); };
    setIntervals(AnimationInterval, BeepInterval, TipResetInterval);
    connect(&m_animTimer, &QTimer::timeout, this, &MailCheck::OnAnimationTimer);
    m_tipTimer.setSingleShot(true);
    connect(&m_tipTimer, &QTimer::timeout, this, &MailCheck::OnTipResetTimer);
    m_resultTimer.setSingleShot(true);
    connect(&m_resultTimer, &QTimer::timeout, this, &MailCheck::nextResultStep);
}

MailCheck::~MailCheck()
{
    shutdown();
}

void MailCheck::shutdown()
{
    m_closing = true;
    m_abort = true;
    m_animTimer.stop();
    m_tipTimer.stop();
    m_resultTimer.stop();
    m_results.clear();
    for (QThread* worker : std::as_const(m_workers)) {
        // A worker may be blocked handing us its result: dropping the queued call releases it.
        while (!worker->wait(QDeadlineTimer(20)))
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        delete worker;
    }
    m_workers.clear();
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

QString MailCheck::iconPath(int iconId)
{
    switch (iconId) {
    case IDI_ANIMATION:
        return QStringLiteral(":/icons/tray_check1.svg");
    case IDI_ANIMATION_2:
        return QStringLiteral(":/icons/tray_check2.svg");
    case IDI_ANIMATION_3:
        return QStringLiteral(":/icons/tray_check3.svg");
    case IDI_ANIMATION_4:
        return QStringLiteral(":/icons/tray_check4.svg");
    default:
        return QStringLiteral(":/icons/app.svg");
    }
}

QIcon MailCheck::icon(int iconId)
{
    return QIcon(iconPath(iconId));
}

void MailCheck::setTimeouts(int connectMs, int replyMs)
{
    m_connectTimeout = connectMs;
    m_replyTimeout = replyMs;
}

void MailCheck::setIntervals(int animationMs, int beepMs, int tipResetMs)
{
    m_animTimer.setInterval(animationMs);
    m_resultTimer.setInterval(beepMs);
    m_tipTimer.setInterval(tipResetMs);
}

void MailCheck::OnMailCheck()
{
    if (m_closing)
        return;
    const MailAccount account = MailAccount::load();
    m_strUserName = account.userName;
    m_strPassword = account.password;
    m_strPopServer = account.popServer;
    if (!account.isComplete()) {
        MessageBox::information(m_frame, MailText::AccountMissing);
        return;
    }

    CMailNoticeDlg notice;
    OptionSettings options = OptionSettings::load();
    notice.m_bNoShow = options.noMailNotice;
    if (!notice.m_bNoShow) {
        const QPointer<MailCheck> self(this);
        notice.exec();
        if (!self || m_closing)
            return;                       // the program ended while the notice was open
        options = OptionSettings::load(); // the sheet may have stored others meanwhile
        options.noMailNotice = notice.m_bNoShow;
        options.save();
    }

    // A result still waiting for its beeps is shown now, before this check's own texts, so
    // that it cannot overwrite them later.
    showPendingResults();
    m_nAnimFrame = 0;
    m_animTimer.start();

    auto* request = new MailCheckRequest;
    request->server = m_strPopServer;
    request->user = m_strUserName;
    request->password = m_strPassword;
    request->frame = this;
    request->abort = &m_abort;
    request->connectTimeout = m_connectTimeout;
    request->replyTimeout = m_replyTimeout;
    QThread* worker = QThread::create(MailCheckThreadProc, request);
    connect(worker, &QThread::finished, this, [this, worker] {
        if (m_workers.removeOne(worker))
            worker->deleteLater();
    });
    m_workers.append(worker);
    worker->start();

    emit mailPaneTextChanged(MailText::Checking);
}

void MailCheck::OnMailCheckResult(int resultId, int value)
{
    if (m_closing)
        return;
    Result result;
    switch (resultId) {
    case ID_MAILCHECK_COUNT:
        result = {MailText::Count.arg(value), value};
        break;
    case ID_MAILCHECK_FAILED:
        result.text = MailText::Failed;
        break;
    default:
        result.text = MailText::NoConnect;
        break;
    }
    m_animTimer.stop();
    // Two beeps half a second apart, then the result; the window stays responsive meanwhile.
    m_results.append(result);
    if (!m_resultTimer.isActive())
        nextResultStep();
}

void MailCheck::nextResultStep()
{
    if (m_results.isEmpty())
        return;
    if (m_resultStep < 2) {
        if (!m_notify)
            m_beep();
        else if (m_resultStep == 0)
            m_notify(m_results.first().text);
        ++m_resultStep;
    } else {
        showResult(m_results.takeFirst());
        m_resultStep = 0;
    }
    m_resultTimer.start(); // after a result: the pause before the next pair
}

void MailCheck::showPendingResults()
{
    m_resultTimer.stop();
    m_resultStep = 0;
    while (!m_results.isEmpty())
        showResult(m_results.takeFirst());
}

void MailCheck::showResult(const Result& result)
{
    emit trayIconChanged(IDI_TRAY);
    emit trayTipChanged(result.text);
    emit mailPaneTextChanged(result.text);
    emit mailCountChanged(result.count);
    m_tipTimer.start();
}

void MailCheck::OnAnimationTimer()
{
    emit trayIconChanged(kAnimationIcons[m_nAnimFrame]);
    m_nAnimFrame = (m_nAnimFrame + 1) % 4;
}

void MailCheck::OnTipResetTimer()
{
    m_tipTimer.stop();
    emit trayTipChanged(MailText::IdleTip);
}
