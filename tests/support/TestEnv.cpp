#include "TestEnv.h"

#include <QDir>
#include <QFile>

namespace TestEnv {
namespace {

QTemporaryDir*& tempDir()
{
    static QTemporaryDir* dir = nullptr;
    return dir;
}

} // namespace

QString setUp()
{
    // Lives until the process ends; QTemporaryDir removes the tree then.
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vok-test-XXXXXX"));
    tempDir() = &dir;
    const QString base = dir.path();
    const struct
    {
        const char* var;
        const char* sub;
    } dirs[] = {
        {"HOME", "home"},
        {"XDG_CONFIG_HOME", "home/.config"},
        {"XDG_DATA_HOME", "home/.local/share"},
        {"XDG_CACHE_HOME", "home/.cache"},
        {"XDG_RUNTIME_DIR", "runtime"},
        {"VOK_ADDRESS_DIR", "data"},
    };
    for (const auto& d : dirs) {
        const QString path = base + u'/' + QString::fromLatin1(d.sub);
        QDir().mkpath(path);
        qputenv(d.var, QFile::encodeName(path));
    }
    // The password stays in the settings file: no test asks the desktop's keyring.
    qputenv("VOK_PASSWORD_STORE", "file");
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return base;
}

QString root()
{
    return tempDir() ? tempDir()->path() : QString();
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = root() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

} // namespace TestEnv

void TestEnv::removeBook(const QString& path)
{
    for (const char* suffix : {"", ".bak", ".bak.1", ".extra", ".extra.bak", ".extra.bak.1"})
        QFile::remove(path + QString::fromLatin1(suffix));
}
