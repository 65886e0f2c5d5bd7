#include "gui/cached_text_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace qv {
namespace {

// The focus frame as the style's item view control draws it, over the cell's text.
void drawFocus(const QStyle& style, const QStyleOptionViewItem& cell, QPainter& painter) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(cell);
    focus.rect = style.subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, cell.widget);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    const QPalette::ColorGroup group =
        (cell.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    focus.backgroundColor = cell.palette.color(
        group, (cell.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
    style.drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, cell.widget);
}

} // namespace

// The style's item view control in its parts, for a cell with nothing but a text: the panel
// (background and selection), the text, the focus frame. The control itself would lay the cell
// out three times over to place the icon and check it has none of, and lay the text out again.
void CachedTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const bool plain = cell.displayAlignment == (Qt::AlignLeft | Qt::AlignVCenter) &&
                       !(cell.features & (QStyleOptionViewItem::HasDecoration |
                                          QStyleOptionViewItem::HasCheckIndicator));
    if (!plain) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget* widget = cell.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    painter->save();
    painter->setClipRect(cell.rect, Qt::IntersectClip);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    if (!cell.text.isEmpty()) {
        drawText(*style, cell, *painter);
    }
    if (cell.state & QStyle::State_HasFocus) {
        drawFocus(*style, cell, *painter);
    }
    painter->restore();
}

void CachedTextDelegate::drawText(const QStyle& style, const QStyleOptionViewItem& cell,
                                  QPainter& painter) const {
    // Where the style draws the text of a cell with nothing else in it: the whole cell, within its
    // margins (asking the style for the place would lay the text out again).
    const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
    const QRect place = cell.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText& laid = laidOut(cell.text, place.width(), cell.font);
    const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (cell.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    painter.save();
    painter.setFont(cell.font);
    painter.setPen(cell.palette.color(
        group, (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter.setClipRect(place, Qt::IntersectClip);
    const qreal top = place.top() + (place.height() - laid.size().height()) / 2;
    painter.drawStaticText(QPointF(place.left(), top), laid);
    painter.restore();
}

const QStaticText& CachedTextDelegate::laidOut(const QString& text, int width,
                                               const QFont& font) const {
    if (font != m_font || m_texts.size() >= KEPT_TEXTS) {
        m_texts.clear();
        m_font = font;
    }
    const QString key = QString::number(width) + QChar(0x1F) + text;
    auto kept = m_texts.find(key);
    if (kept == m_texts.end()) {
        QStaticText laid(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        kept = m_texts.insert(key, laid);
    }
    return *kept;
}

} // namespace qv
