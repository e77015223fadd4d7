#include "HyperlinkStatic.h"

#include "AboutText.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QUrl>

HyperlinkStatic::HyperlinkStatic(QWidget* parent)
    : QLabel(parent), m_linkColor(palette().color(QPalette::WindowText)),
      m_font(QFontDatabase::systemFont(QFontDatabase::GeneralFont))
{
    setTextFormat(Qt::PlainText);
    setFont(m_font);
    // The dialog's face colour behind the text.
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
}

HyperlinkStatic& HyperlinkStatic::SetClickable(bool clickable)
{
    m_clickable = clickable;
    return *this;
}

HyperlinkStatic& HyperlinkStatic::SetLinkColor(const QColor& color)
{
    m_linkColor = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    redrawNow();
    return *this;
}

HyperlinkStatic& HyperlinkStatic::SetUnderline(bool underline)
{
    m_font.setUnderline(underline);
    setFont(m_font);
    redrawNow();
    return *this;
}

HyperlinkStatic& HyperlinkStatic::SetHoverCursor(const QCursor& cursor)
{
    setCursor(cursor);
    return *this;
}

QString HyperlinkStatic::target() const
{
    return mailLink ? AboutText::MailtoPrefix + text() : text();
}

void HyperlinkStatic::redrawNow()
{
    if (isVisible())
        repaint();
}

void HyperlinkStatic::mousePressEvent(QMouseEvent* event)
{
    if (!m_clickable) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton)
        QDesktopServices::openUrl(QUrl(target()));
    QLabel::mousePressEvent(event);
}
