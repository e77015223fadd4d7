#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

class QDeadlineTimer;
class QHostAddress;
class QSslSocket;
class Pop3Endpoint;

// The few POP3 steps the mail check needs: log in with USER and PASS, ask STAT, end with RSET
// and QUIT. Blocking: it runs on the mail-check worker thread, which it holds until a reply
// arrives or a bound runs out, so a silent server ends as a failed check.
class Pop3Client
{
public:
    enum class Step
    {
        Greeting,
        User,
        Password,
        Status,
        Reset,
        End
    };

    static constexpr int DefaultConnectTimeout = 20000; // ms
    static constexpr int DefaultReplyTimeout = 30000;   // ms
    // RFC 1939: a reply line is at most 512 octets, CR LF included.
    static constexpr int MaxReplyLength = 512;

    explicit Pop3Client(int connectTimeoutMs = DefaultConnectTimeout,
                        int replyTimeoutMs = DefaultReplyTimeout);
    virtual ~Pop3Client();
    Pop3Client(const Pop3Client&) = delete;
    Pop3Client& operator=(const Pop3Client&) = delete;

    // Port used when the server text names none (110 unless changed).
    void setDefaultPort(quint16 port) { m_defaultPort = port; }
    // When the flag turns true (from any thread), every wait ends at once as a failure.
    void setAbortFlag(const std::atomic<bool>* flag) { m_abort = flag; }

    bool Login(const QString& server, const QString& user, const QString& password);
    bool Stat();
    int GetMessageCount() const { return m_nMessageCount; }
    bool Reset();
    bool Quit();

private:
    bool Connect(const Pop3Endpoint& endpoint);
    bool ConnectTo(const QHostAddress& address, const Pop3Endpoint& endpoint,
                   const QDeadlineTimer& deadline);
    bool SendCommand(const QByteArray& command);
    bool ReadReply(Step step);
    bool ReadLine(QByteArray& line);
    void Drop();
    bool aborted() const { return m_abort && m_abort->load(); }

    std::unique_ptr<QSslSocket> m_socket;
    int m_nMessageCount = 0;
    int m_connectTimeout;
    int m_replyTimeout;
    quint16 m_defaultPort;
    const std::atomic<bool>* m_abort = nullptr;
};
