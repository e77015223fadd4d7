#include "SyncMode.h"

#include "CMainFrame.h"
#include "CommandLineText.h"
#include "InstanceRequest.h"
#include "SingleInstance.h"
#include "SyncLog.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "settings/SyncAccount.h"
#include "sync/DavClient.h"
#include "sync/Discovery.h"
#include "sync/SyncEngine.h"
#include "sync/SyncMessages.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <cstring>

namespace {

using CommandLine::Result;

constexpr int kConnectWaitMs = 5000;
constexpr int kAnswerWaitMs = 30 * 60 * 1000; // a first sync of a large book takes a while
constexpr char kSyncLine[] = "SYNC";

QByteArray message(const QString& text)
{
    return (CommandLineText::SyncPrefix + text).toUtf8();
}

int statusOf(SyncEngine::Outcome outcome)
{
    switch (outcome) {
    case SyncEngine::Outcome::Ok:
        return SyncMode::Done;
    case SyncEngine::Outcome::NeedsDecision:
    case SyncEngine::Outcome::FirstSyncDecision:
        return SyncMode::NeedsDecision;
    case SyncEngine::Outcome::AuthFailed:
        return SyncMode::AuthFailed;
    case SyncEngine::Outcome::Offline:
        return SyncMode::Offline;
    case SyncEngine::Outcome::Failed:
        break;
    }
    return SyncMode::Failed;
}

int statusOf(const DavClient::Answer& a)
{
    if (a.status == 0 || a.tls)
        return SyncMode::Offline;
    return a.authFailed ? SyncMode::AuthFailed : SyncMode::Failed;
}

QString password()
{
    const QString fromEnvironment = qEnvironmentVariable("VOK_SYNC_PASSWORD");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(in.readLine()).trimmed();
}

} // namespace

namespace SyncMode {

Result runEngine(SyncEngine& engine)
{
    QEventLoop loop;
    QObject::connect(&engine, &SyncEngine::finished, &loop, &QEventLoop::quit);
    engine.start();
    if (engine.isRunning())
        loop.exec();
    const SyncEngine::Summary& s = engine.lastSummary();
    Result result;
    result.status = statusOf(s.outcome);
    for (const QString& note : s.notes)
        result.err += message(note + u'\n');
    if (!s.message.isEmpty())
        result.err += message(s.message + u'\n');
    if (s.outcome == SyncEngine::Outcome::FirstSyncDecision)
        result.err += message(CommandLineText::SyncFirstMerge);
    result.err += (s.line() + u'\n').toUtf8();
    return result;
}

Result setup(const QStringList& options)
{
    QStringList rest;
    SyncAccount account = SyncAccount::load();
    account.trustedCert.clear();
    QString wanted;
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& o = options.at(i);
        if ((o == QStringLiteral("--trust-cert") || o == QStringLiteral("--address-book")) &&
            i + 1 < options.size()) {
            (o == QStringLiteral("--trust-cert") ? account.trustedCert : wanted) = options.at(++i);
        } else {
            rest << o;
        }
    }
    if (rest.size() != 2)
        return {Failed, {}, message(CommandLineText::SyncSetupMissing)};
    account.server = rest.at(0);
    account.user = rest.at(1);
    account.password = password();
    if (account.password.isEmpty())
        return {Failed, {}, message(CommandLineText::SyncNoPassword)};

    DavClient client;
    client.setCredentials(account.user, account.password);
    client.setTrustedFingerprint(account.trustedCert);
    Discovery discovery(client);
    Discovery::Result found;
    QEventLoop loop;
    discovery.start(account.server, [&](const Discovery::Result& r) {
        found = r;
        loop.quit();
    });
    loop.exec();
    if (found.books.isEmpty()) {
        const QString text = Discovery::failureText(found, account.server);
        return {statusOf(found.failure), {}, message(text + u'\n')};
    }
    const Discovery::Book* chosen = &found.books.front();
    if (!wanted.isEmpty()) {
        chosen = nullptr;
        for (const Discovery::Book& b : found.books) {
            if (b.name == wanted || b.url.toString() == wanted ||
                b.url.path().section(u'/', -2, -2) == wanted)
                chosen = &b;
        }
        if (!chosen)
            return {Failed, {}, message(CommandLineText::SyncNoSuchBook.arg(wanted))};
    }
    Result result;
    for (const Discovery::Book& b : found.books)
        result.out += CommandLineText::SyncBookLine.arg(b.url.toString(), b.name).toUtf8();
    account.addressBook = chosen->url.toString();
    if (!account.save())
        result.err += message(CommandLineText::SyncKeyringFallback);
    result.out += CommandLineText::SyncChosen.arg(account.addressBook).toUtf8();
    return result;
}

Result run(const QStringList& options)
{
    const bool force = options.contains(QStringLiteral("--force-delete"));
    const bool merge = options.contains(QStringLiteral("--first-sync-merge"));
    const QString bookPath = DataLocation::addressFilePath();
    SingleInstance instance(bookPath);
    if (!instance.tryLock()) {
        if (instance.outcome() == SingleInstance::Refused)
            return {
                Failed,
                {},
                message(CommandLineText::LockRefused.arg(
                    instance.lockPath(), QString::fromLocal8Bit(std::strerror(instance.error()))))};
        const QString server = instance.holderServerPath();
        const QByteArray line =
            QByteArray(kSyncLine) + (force ? " force" : "") + (merge ? " merge" : "") + '\n';
        const std::optional<QByteArray> answer =
            server.isEmpty() ? std::nullopt
                             : InstanceRequest::ask(server, line, kConnectWaitMs, kAnswerWaitMs);
        const std::optional<Result> result =
            answer ? InstanceRequest::parseAnswer(*answer) : std::nullopt;
        return result ? *result : Result{Failed, {}, message(CommandLineText::SyncNoAnswer)};
    }
    const SyncAccount account = SyncAccount::load();
    if (!account.isComplete())
        return {Failed, {}, message(SyncMessages::NoAccount + u'\n')};
    CVOK_AddressDoc book;
    if (!book.LoadAddressFile(bookPath))
        return {Failed, {}, message(CommandLineText::BookUnreadable.arg(book.addressFilePath()))};
    SyncEngine engine(book);
    engine.setAccount(account);
    engine.setForceDeletes(force);
    engine.setFirstSyncMerge(merge);
    const Result result = runEngine(engine);
    // The window's 同期ログ lists the scripts' runs as well.
    SyncLog(DataLocation::syncLogPath(bookPath))
        .append(QDateTime::currentDateTime(), engine.lastSummary());
    return result;
}

std::optional<QByteArray> answer(CMainFrame& frame, const QByteArray& line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.value(0) != kSyncLine)
        return std::nullopt;
    const bool force = words.contains("force");
    const bool merge = words.contains("merge");
    if (words.size() != 1 + int(force) + int(merge))
        return std::nullopt;
    if (frame.isExiting())
        return InstanceRequest::answerLine({Failed, {}, message(CommandLineText::ImportEnding)});
    SyncEngine* engine = frame.syncEngine();
    if (engine->isRunning())
        return InstanceRequest::answerLine({Failed, {}, message(CommandLineText::SyncBusy)});
    engine->setAccount(SyncAccount::load());
    engine->setForceDeletes(force);
    engine->setFirstSyncMerge(merge);
    const Result result = runEngine(*engine);
    engine->setForceDeletes(false);
    engine->setFirstSyncMerge(false);
    return InstanceRequest::answerLine(result);
}

} // namespace SyncMode
