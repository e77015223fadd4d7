#pragma once

#include "PrintOptions.h"
#include "ScaledFont.h"

#include <QRectF>
#include <QStringList>
#include <utility>

class QPainter;
struct Addressee;

// An A4 sheet of address labels, written horizontally: 〒 and postal code, the address wrapped
// to the label's width, the company, the name with its honorific. Text that does not fit
// shrinks as a whole.
class LabelPage
{
public:
    static constexpr QSizeF SizeMm{210.0, 297.0};

    explicit LabelPage(const PrintOptions& options);

    int labelsPerPage() const { return m_sheet.labelsPerPage(); }
    // The label at `index` on the sheet, row by row from the top left, in millimetres.
    QRectF labelRect(int index) const;
    // Draws one addressee onto the label at `index`; the painter works in millimetres.
    void draw(QPainter& painter, const Addressee& addressee, int index) const;

private:
    // The text's lines at `scale` times the normal sizes, wrapped to `width`.
    struct Block
    {
        struct Line
        {
            QString text;
            qreal size = 0;
            bool centred = false;
            // A name of several pieces set at fixed places (family, given name, 敬称), so that
            // the names of a 連名 line up; offsets from the line's start.
            QList<std::pair<qreal, QString>> pieces;
            qreal width = 0; // of the pieces
        };
        QList<Line> lines;
        qreal height = 0;
    };
    Block layout(const Addressee& addressee, qreal width, qreal scale) const;
    QStringList wrap(const QString& paragraph, qreal size, qreal width) const;
    QStringList greedyWrap(const QString& paragraph, qreal size, qreal width) const;

    PrintOptions m_options;
    LabelSheet m_sheet;
    ScaledFont m_font;
};
