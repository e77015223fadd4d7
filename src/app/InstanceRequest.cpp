#include "InstanceRequest.h"

#include <QElapsedTimer>
#include <QList>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>

namespace {

constexpr char kImport[] = "IMPORT";

QByteArray encode(const QByteArray& value)
{
    return value.toPercentEncoding();
}

// The blank-separated values of a line; empty ones too.
QList<QByteArray> values(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line.split(' ');
}

} // namespace

namespace InstanceRequest {

QByteArray importLine(const Import& request)
{
    return QByteArray(kImport) + ' ' + encode(request.path.toUtf8()) + ' ' +
           encode(request.group.toUtf8()) + '\n';
}

std::optional<Import> parseImport(const QByteArray& line)
{
    const QList<QByteArray> parts = values(line);
    if (parts.size() < 2 || parts.size() > 3 || parts[0] != kImport || parts[1].isEmpty())
        return std::nullopt;
    return Import{QString::fromUtf8(QByteArray::fromPercentEncoding(parts[1])),
                  QString::fromUtf8(QByteArray::fromPercentEncoding(parts.value(2)))};
}

QByteArray answerLine(const CommandLine::Result& result)
{
    return QByteArray::number(result.status) + ' ' + encode(result.out) + ' ' + encode(result.err) +
           '\n';
}

std::optional<CommandLine::Result> parseAnswer(const QByteArray& line)
{
    const QList<QByteArray> parts = values(line);
    bool number = false;
    const int status = parts.value(0).toInt(&number);
    if (parts.size() != 3 || !number)
        return std::nullopt;
    return CommandLine::Result{status, QByteArray::fromPercentEncoding(parts[1]),
                               QByteArray::fromPercentEncoding(parts[2])};
}

bool connect(QLocalSocket& socket, const QString& serverPath, int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        socket.connectToServer(serverPath);
        if (socket.waitForConnected(std::max(int(waitMs - waited.elapsed()), 1)))
            return true;
        socket.abort();
        if (waited.elapsed() >= waitMs)
            return false;
        QThread::msleep(100);
    }
}

std::optional<QByteArray> ask(const QString& serverPath, const QByteArray& line, int connectWaitMs,
                              int answerWaitMs)
{
    QLocalSocket socket;
    if (!connect(socket, serverPath, connectWaitMs))
        return std::nullopt;
    socket.write(line);
    if (!socket.waitForBytesWritten(answerWaitMs))
        return std::nullopt;
    QElapsedTimer answering;
    answering.start();
    while (!socket.canReadLine()) {
        const qint64 left = answerWaitMs - answering.elapsed();
        if (left <= 0 || socket.bytesAvailable() > MaxLine || !socket.waitForReadyRead(int(left)))
            return std::nullopt;
    }
    return socket.readLine(MaxLine + 1);
}

} // namespace InstanceRequest
