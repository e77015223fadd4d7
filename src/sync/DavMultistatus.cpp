#include "DavMultistatus.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCard = QStringLiteral("urn:ietf:params:xml:ns:carddav");
const QString kCalendarServer = QStringLiteral("http://calendarserver.org/ns/");

int statusOf(const QString& line)
{
    // "HTTP/1.1 404 Not Found"
    const QStringList parts = line.trimmed().split(u' ', Qt::SkipEmptyParts);
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

// The text of the element the reader stands on, its children's text included.
QString textOf(QXmlStreamReader& xml)
{
    return xml.readElementText(QXmlStreamReader::IncludeChildElements);
}

// The first DAV:href inside the element the reader stands on.
QString hrefInside(QXmlStreamReader& xml)
{
    QString href;
    while (xml.readNextStartElement()) {
        if (href.isEmpty() && xml.namespaceUri() == kDav && xml.name() == u"href")
            href = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    return href;
}

void readProp(QXmlStreamReader& xml, DavMultistatus::Response& r)
{
    while (xml.readNextStartElement()) {
        const auto ns = xml.namespaceUri();
        const auto name = xml.name();
        if (ns == kDav && name == u"getetag") {
            r.etag = textOf(xml).trimmed().toUtf8();
        } else if (ns == kCard && name == u"address-data") {
            r.addressData = textOf(xml).toUtf8();
        } else if (ns == kDav && name == u"displayname") {
            r.displayName = textOf(xml).trimmed();
        } else if (ns == kDav && name == u"sync-token") {
            r.syncToken = textOf(xml).trimmed();
        } else if (ns == kCalendarServer && name == u"getctag") {
            r.ctag = textOf(xml).trimmed();
        } else if (ns == kDav && name == u"current-user-principal") {
            r.principal = QUrl::fromPercentEncoding(hrefInside(xml).toUtf8());
        } else if (ns == kCard && name == u"addressbook-home-set") {
            r.home = QUrl::fromPercentEncoding(hrefInside(xml).toUtf8());
        } else if (ns == kDav && name == u"resourcetype") {
            while (xml.readNextStartElement()) {
                if (xml.namespaceUri() == kDav && xml.name() == u"collection")
                    r.collection = true;
                else if (xml.namespaceUri() == kCard && xml.name() == u"addressbook")
                    r.addressBook = true;
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

std::optional<DavMultistatus> DavMultistatus::parse(const QByteArray& body)
{
    DavMultistatus result;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.namespaceUri() != kDav || xml.name() != u"multistatus")
        return std::nullopt;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == kDav && xml.name() == u"sync-token") {
            result.syncToken = xml.readElementText().trimmed();
            continue;
        }
        if (xml.namespaceUri() != kDav || xml.name() != u"response") {
            xml.skipCurrentElement();
            continue;
        }
        Response r;
        int propStatus = 0;
        while (xml.readNextStartElement()) {
            const auto name = xml.name();
            if (xml.namespaceUri() != kDav) {
                xml.skipCurrentElement();
            } else if (name == u"href") {
                r.href = QUrl::fromPercentEncoding(xml.readElementText().trimmed().toUtf8());
            } else if (name == u"status") {
                r.status = statusOf(xml.readElementText());
            } else if (name == u"propstat") {
                Response found;
                int status = 0;
                while (xml.readNextStartElement()) {
                    if (xml.namespaceUri() == kDav && xml.name() == u"prop")
                        readProp(xml, found);
                    else if (xml.namespaceUri() == kDav && xml.name() == u"status")
                        status = statusOf(xml.readElementText());
                    else
                        xml.skipCurrentElement();
                }
                if (status / 100 == 2) {
                    propStatus = status;
                    if (!found.etag.isEmpty())
                        r.etag = found.etag;
                    if (!found.addressData.isEmpty())
                        r.addressData = found.addressData;
                    if (!found.displayName.isEmpty())
                        r.displayName = found.displayName;
                    if (!found.principal.isEmpty())
                        r.principal = found.principal;
                    if (!found.home.isEmpty())
                        r.home = found.home;
                    if (!found.syncToken.isEmpty())
                        r.syncToken = found.syncToken;
                    if (!found.ctag.isEmpty())
                        r.ctag = found.ctag;
                    r.collection = r.collection || found.collection;
                    r.addressBook = r.addressBook || found.addressBook;
                } else if (propStatus == 0) {
                    propStatus = status;
                }
            } else {
                xml.skipCurrentElement();
            }
        }
        if (r.status == 0)
            r.status = propStatus;
        result.responses.push_back(std::move(r));
    }
    if (xml.hasError())
        return std::nullopt;
    return result;
}

QString DavMultistatus::errorOf(const QByteArray& body)
{
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.name() != u"error")
        return {};
    if (xml.readNextStartElement())
        return xml.name().toString();
    return {};
}

QString DavMultistatus::errorHref(const QByteArray& body)
{
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.name() != u"error")
        return {};
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"href")
            return QUrl::fromPercentEncoding(xml.readElementText().trimmed().toUtf8());
    }
    return {};
}
