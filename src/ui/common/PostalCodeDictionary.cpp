#include "PostalCodeDictionary.h"

#include <QFile>
#include <cerrno>
#include <iconv.h>

namespace {

const char kPackagePath[] = "/usr/share/skk/SKK-JISYO.zipcode";

QString decodeEucJis2004(QByteArrayView bytes)
{
    iconv_t cd = iconv_open("UTF-8", "EUC-JISX0213");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out(static_cast<std::size_t>(bytes.size()) * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* dst = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return {}; // a damaged entry is not offered
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(dst - out.data()));
}

bool isHyphen(QChar c)
{
    switch (c.unicode()) {
    case u'-':
    case u'\u2010': // hyphen
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2212': // minus sign
    case u'\uFF0D': // full-width hyphen-minus
    case u'\u30FC': // prolonged sound mark, often typed for a hyphen
        return true;
    default:
        return false;
    }
}

} // namespace

PostalCodeDictionary& PostalCodeDictionary::instance()
{
    static PostalCodeDictionary dictionary;
    return dictionary;
}

PostalCodeDictionary::PostalCodeDictionary() : m_path(defaultPath()) {}

QString PostalCodeDictionary::defaultPath()
{
    const QString fromEnv = qEnvironmentVariable("VOK_ZIPCODE_DICT");
    return fromEnv.isEmpty() ? QString::fromLatin1(kPackagePath) : fromEnv;
}

void PostalCodeDictionary::setPath(const QString& path)
{
    m_path = path;
    m_loaded = false;
    m_data.clear();
    m_index.clear();
}

QString PostalCodeDictionary::normalize(const QString& postalCode)
{
    QString digits;
    int hyphens = 0;
    for (const QChar c : postalCode.trimmed()) {
        if (c.isDigit() && c.digitValue() >= 0) {
            digits += QChar(u'0' + c.digitValue());
        } else if (isHyphen(c) && digits.size() == 3 && hyphens == 0) {
            ++hyphens;
        } else {
            return {};
        }
    }
    return digits.size() == 7 ? digits : QString();
}

void PostalCodeDictionary::load()
{
    m_loaded = true;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_data = file.readAll();
    const char* p = m_data.constData();
    const int size = static_cast<int>(m_data.size());
    int pos = 0;
    while (pos < size) {
        int end = static_cast<int>(m_data.indexOf('\n', pos));
        if (end < 0)
            end = size;
        // "NNNNNNN /.../": seven digits, a space, then the candidates between slashes.
        if (end - pos >= 10 && p[pos + 7] == ' ' && p[pos + 8] == '/') {
            quint32 code = 0;
            bool digits = true;
            for (int i = 0; i < 7 && digits; ++i) {
                const char c = p[pos + i];
                digits = c >= '0' && c <= '9';
                code = code * 10 + static_cast<quint32>(c - '0');
            }
            int last = end;
            while (last > pos && (p[last - 1] == '\r' || p[last - 1] == ' '))
                --last;
            if (digits)
                m_index[code].append({pos + 8, last - (pos + 8)});
        }
        pos = end + 1;
    }
}

QStringList PostalCodeDictionary::lookup(const QString& postalCode)
{
    const QString code = normalize(postalCode);
    if (code.isEmpty())
        return {};
    if (!m_loaded)
        load();
    QStringList result;
    const auto it = m_index.constFind(code.toUInt());
    if (it == m_index.constEnd())
        return result;
    for (const auto& [offset, length] : *it) {
        const QString line = decodeEucJis2004(QByteArrayView(m_data.constData() + offset, length));
        for (const QString& candidate : line.split(u'/', Qt::SkipEmptyParts)) {
            // SKK annotations follow a semicolon; the address is what comes before.
            const QString address = candidate.section(u';', 0, 0).trimmed();
            if (!address.isEmpty() && !result.contains(address))
                result.append(address);
        }
    }
    return result;
}
