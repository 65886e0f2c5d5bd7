#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace qv {

// Paints a list's cell as the style does, but draws its text from laid-out texts it keeps: a list
// repaints the same texts every second (the ARP log page), and laying a text out (shaping it,
// eliding it to its column) is most of a repaint's cost. Cells of other alignments than the
// lists' left and centred are painted as the style paints them.
class CachedTextDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The laid-out texts kept, at most; past it they are laid out afresh.
    static constexpr qsizetype KEPT_TEXTS = 16'384;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    void drawText(const QStyle& style, const QStyleOptionViewItem& cell, QPainter& painter) const;
    const QStaticText& laidOut(const QString& text, int width, const QFont& font) const;

    mutable QHash<QString, QStaticText> m_texts; // by width and text, in m_font
    mutable QFont m_font;
};

} // namespace qv
