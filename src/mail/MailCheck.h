#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>

class QThread;
class QWidget;

// The mail check the user starts with command 32782: reads the account, shows the dial-up
// notice, animates the notification icon and runs the POP3 dialogue on a worker thread per
// check. The frame shows what this object announces through its three signals.
//
// The object waits for its workers when it is destroyed (after telling them to give up), so a
// result never reaches a frame that is gone, and ending the program never waits on a server.
class MailCheck : public QObject
{
    Q_OBJECT
public:
    static constexpr int AnimationInterval = 500;  // ms
    static constexpr int TipResetInterval = 60000; // ms
    static constexpr int BeepInterval = 500;       // ms, between the two beeps and after them

    // The frame is the parent and the owner of the message box.
    explicit MailCheck(QWidget* frame);
    ~MailCheck() override;

    void OnMailCheck();
    // Result of one worker (ID_MAILCHECK_COUNT, _NOCONNECT or _FAILED); runs on the user
    // interface thread while the worker waits.
    void OnMailCheckResult(int resultId, int value);

    // Tells running workers to give up and waits for them; no signal follows. Idempotent.
    void shutdown();
    int runningChecks() const { return static_cast<int>(m_workers.size()); }

    // The picture of a notification icon: 134 (normal), 153, 156, 157, 158 (animation).
    static QIcon icon(int iconId);
    static QString iconPath(int iconId);

    // For tests and tuning.
    void setTimeouts(int connectMs, int replyMs);
    // The animation's frame time, the pause around the beeps and the tooltip's reset (ms).
    void setIntervals(int animationMs, int beepMs, int tipResetMs);
    void setBeeper(std::function<void()> beep) { m_beep = std::move(beep); }
    // Where the desktop rings no bell (Wayland): one notice with the result's text takes the
    // place of the two beeps. Empty: the beeps.
    void setNotifier(std::function<void(const QString&)> notify) { m_notify = std::move(notify); }

    // The account read at the start of the last check.
    QString m_strUserName;
    QString m_strPassword;
    QString m_strPopServer;
    int m_nAnimFrame = 0;

signals:
    void trayIconChanged(int iconId);
    void trayTipChanged(const QString& text);
    void mailPaneTextChanged(const QString& text);
    // The number of waiting messages with each result; -1 when the check failed.
    void mailCountChanged(int count);

private:
    void OnAnimationTimer();
    void OnTipResetTimer();
    struct Result
    {
        QString text;
        int count = -1;
    };
    void showResult(const Result& result);
    void nextResultStep();
    void showPendingResults();

    QWidget* m_frame;
    QTimer m_animTimer;
    QTimer m_tipTimer;
    // Results waiting for their two beeps, oldest first; each pair of beeps ends in its own
    // result, and a pause follows before the next pair, so two checks never sound as one.
    QList<Result> m_results;
    QTimer m_resultTimer;
    int m_resultStep = 0; // 0: first beep next, 1: second beep, 2: the result
    QList<QThread*> m_workers;
    std::atomic<bool> m_abort{false};
    bool m_closing = false;
    int m_connectTimeout;
    int m_replyTimeout;
    std::function<void()> m_beep;
    std::function<void(const QString&)> m_notify;
};
