#include "MailLauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <utility>

namespace {

// The desktop answers the handler lookup within this bound or not at all.
constexpr int kLookupTimeoutMs = 5000;

bool isControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

QString withoutControls(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!isControl(c))
            out += c;
    }
    return out;
}

// The escapes every string value of a desktop entry may hold; the Exec quoting comes after them.
QString unescapeValue(QStringView value)
{
    static constexpr std::pair<char16_t, char16_t> escapes[] = {
        {u's', u' '}, {u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}, {u'\\', u'\\'}};
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        out += value[i];
        if (value[i] != u'\\' || i + 1 == value.size())
            continue;
        // Any other backslash is left for the Exec quoting to read.
        for (const auto& [code, meaning] : escapes) {
            if (value[i + 1] == code) {
                out.back() = meaning;
                ++i;
                break;
            }
        }
    }
    return out;
}

// A terminal that runs the program given after its option, arguments and all.
QStringList terminalPrefix()
{
    static const struct
    {
        const char* program;
        const char* option; // before the program to run; empty when none is needed
    } terminals[] = {
        {"x-terminal-emulator", "-e"}, // the desktop's choice on Debian
        {"gnome-terminal", "--"},
        {"konsole", "-e"},
        {"xfce4-terminal", "-x"},
        {"mate-terminal", "-x"},
        {"alacritty", "-e"},
        {"kitty", ""},
        {"foot", ""},
        {"urxvt", "-e"},
        {"xterm", "-e"},
    };
    for (const auto& t : terminals) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(t.program));
        if (path.isEmpty())
            continue;
        QStringList prefix{path};
        if (*t.option)
            prefix << QString::fromLatin1(t.option);
        return prefix;
    }
    return {};
}

// Asks the desktop for the default handler of mailto: addresses without waiting for the
// answer; `found` hears the handler's desktop file, or an empty text when there is none.
bool findHandler(std::function<void(const QString& desktopFile)> found)
{
    auto* query = new QProcess(QCoreApplication::instance());
    auto finish = [query, found](const QString& file) {
        query->deleteLater();
        found(file);
    };
    QObject::connect(query, &QProcess::errorOccurred, query, [finish](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) // no finished() follows
            finish(QString());
    });
    QObject::connect(
        query, &QProcess::finished, query, [query, finish](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0) {
                finish(QString());
                return;
            }
            const QString answer = QString::fromLocal8Bit(query->readAllStandardOutput());
            finish(MailLauncher::findDesktopFile(answer.section(u'\n', 0, 0).trimmed()));
        });
    // A lookup that hangs is given up; the kill ends in finished() with a crash.
    QTimer::singleShot(kLookupTimeoutMs, query, [query] { query->kill(); });
    query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                              QStringLiteral("x-scheme-handler/mailto")});
    return query->state() != QProcess::NotRunning || query->error() != QProcess::FailedToStart;
}

MailLauncher::Outcome startHandler(const QString& file)
{
    if (file.isEmpty())
        return MailLauncher::Outcome::NoMailProgram;
    const QStringList command = MailLauncher::commandLine(MailLauncher::readDesktopEntry(file));
    return !command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1))
               ? MailLauncher::Outcome::Started
               : MailLauncher::Outcome::NotStarted;
}

} // namespace

namespace MailLauncher {

QUrl buildMailtoUrl(const QStringList& addresses)
{
    QByteArray encoded = "mailto:";
    bool first = true;
    for (const QString& field : addresses) {
        // "a@x.jp, b@y.jp" typed into one field is two recipients, not one invalid one.
        for (const QString& part : field.split(u',')) {
            const QString address = withoutControls(part).trimmed();
            if (address.isEmpty())
                continue;
            if (!first)
                encoded += ',';
            first = false;
            // Only "@" stays as it is; "?", "&", "#", ";", "%" and blanks are all encoded.
            encoded += QUrl::toPercentEncoding(address, "@");
        }
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QUrl mailtoFromJoined(const QString& joined)
{
    return buildMailtoUrl(joined.split(u';', Qt::SkipEmptyParts));
}

bool composeMail(const QUrl& url, std::function<void(Outcome)> done)
{
    // xdg-open without a handler only writes its complaint to standard error: ask first, so
    // that the user can be told.
    return findHandler([url, done](const QString& file) {
        Outcome outcome = Outcome::NoMailProgram;
        if (!file.isEmpty())
            outcome = url.isValid() && QDesktopServices::openUrl(url) ? Outcome::Started
                                                                      : Outcome::NotStarted;
        if (done)
            done(outcome);
    });
}

QStringList splitExecLine(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false; // something of the word was written, if only a pair of quotes
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'%' && i + 1 < exec.size()) {
            // "%%" is a percent sign; every other field code stands for what we never pass.
            if (exec[++i] == u'%') {
                word += u'%';
                inWord = true;
            }
        } else if (quoted) {
            if (c == u'"')
                quoted = false;
            else if (c == u'\\' && i + 1 < exec.size() &&
                     QStringView(u"\"`$\\").contains(exec[i + 1]))
                word += exec[++i];
            else
                word += c;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

DesktopEntry readDesktopEntry(const QString& desktopFile)
{
    DesktopEntry entry;
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QTextStream in(&file);
    bool inEntry = false;
    bool execSeen = false;
    bool terminalSeen = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inEntry || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QStringLiteral("Exec") && !std::exchange(execSeen, true))
            entry.exec = unescapeValue(value);
        else if (key == QStringLiteral("Terminal") && !std::exchange(terminalSeen, true))
            entry.terminal = value == QStringLiteral("true");
    }
    return entry;
}

QString findDesktopFile(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || desktopId.startsWith(u'.'))
        return {};
    QStringList candidates{desktopId};
    // "vendor-name.desktop" may also lie in the subfolder "vendor/name.desktop".
    for (qsizetype dash = desktopId.indexOf(u'-'); dash > 0;
         dash = desktopId.indexOf(u'-', dash + 1)) {
        QString sub = desktopId;
        sub[dash] = u'/';
        candidates.append(sub);
    }
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& dir : dirs) {
        for (const QString& name : candidates) {
            const QString path = dir + QStringLiteral("/applications/") + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

QStringList commandLine(const DesktopEntry& entry)
{
    const QStringList words = splitExecLine(entry.exec);
    if (words.isEmpty() || !entry.terminal)
        return words;
    // A terminal program started without one would run unseen.
    const QStringList terminal = terminalPrefix();
    if (terminal.isEmpty())
        return {};
    return terminal + words;
}

bool launchDefaultMailClient(std::function<void(Outcome)> done)
{
    return findHandler([done](const QString& file) {
        const Outcome outcome = startHandler(file);
        if (done)
            done(outcome);
    });
}

} // namespace MailLauncher
