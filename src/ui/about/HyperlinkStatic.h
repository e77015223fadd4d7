#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// A text that opens itself when clicked: a web address as it stands, or, with mailLink set,
// "MAILTO:" followed by the text. Colour, underline and the cursor over it are the owner's
// choice; every setter returns the control so that calls can be chained.
class HyperlinkStatic : public QLabel
{
    Q_OBJECT
public:
    explicit HyperlinkStatic(QWidget* parent = nullptr);

    // Without it the control takes no clicks and opens nothing.
    HyperlinkStatic& SetClickable(bool clickable);
    HyperlinkStatic& SetLinkColor(const QColor& color);
    HyperlinkStatic& SetUnderline(bool underline);
    HyperlinkStatic& SetHoverCursor(const QCursor& cursor);

    bool isClickable() const { return m_clickable; }
    QColor linkColor() const { return m_linkColor; }
    // What a click opens.
    QString target() const;

    bool mailLink = false;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void redrawNow();

    bool m_clickable = false;
    QColor m_linkColor;
    QFont m_font;
};
