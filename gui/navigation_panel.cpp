#include "gui/navigation_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/clickable_label.h"
#include "gui/svg_pixmap.h"

namespace qv {
namespace {

constexpr int SHAPE_LEFT = 14;
constexpr int SHAPE_SIZE = 70;
constexpr int IMAGE_LEFT = 33;
constexpr int IMAGE_SIZE = 32;
constexpr int CAPTION_LEFT = 14;
constexpr int CAPTION_WIDTH = 70;
const QColor SHAPE_FILL(240, 240, 240);

struct PageLook {
    const char* name; // the controls are s<name>, i<name> and l<name>
    const char* caption;
    const char* picture;
    int shapeTop;
};

const PageLook PAGES[PAGE_COUNT] = {
    {"Events", "Events", ":/icons/page-events.svg", 12},
    {"ARPLog", "ARPlLog", ":/icons/page-arplog.svg", 86},
    {"IPMAC", "IP - MAC", ":/icons/page-ipmac.svg", 160},
    {"Options", "Options", ":/icons/page-options.svg", 234},
    {"About", "About", ":/icons/page-about.svg", 308},
};

// The pale rounded square behind the current page's picture.
class RoundedShape : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(SHAPE_FILL.darker(110));
        painter.setBrush(SHAPE_FILL);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

} // namespace

NavigationPanel::NavigationPanel(QWidget* parent) : QFrame(parent) {
    setObjectName("pLeft");
    setFixedWidth(WIDTH);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setMouseTracking(true);
    for (int i = 0; i < PAGE_COUNT; ++i) {
        const PageLook& look = PAGES[i];
        Entry& e = m_entries[static_cast<std::size_t>(i)];
        e.shape = new RoundedShape(this);
        e.shape->setObjectName(QString("s") + look.name);
        e.shape->setGeometry(SHAPE_LEFT, look.shapeTop, SHAPE_SIZE, SHAPE_SIZE);
        e.shape->setAttribute(Qt::WA_TransparentForMouseEvents);
        e.shape->hide();
        e.image = new ClickableLabel(this);
        e.image->setObjectName(QString("i") + look.name);
        e.image->setGeometry(IMAGE_LEFT, look.shapeTop + 10, IMAGE_SIZE, IMAGE_SIZE);
        e.image->setPixmap(svgPixmap(look.picture, QSize(IMAGE_SIZE, IMAGE_SIZE)));
        e.caption = new ClickableLabel(tr(look.caption), this);
        e.caption->setObjectName(QString("l") + look.name);
        e.caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        e.caption->setGeometry(CAPTION_LEFT, look.shapeTop + 48, CAPTION_WIDTH,
                               e.caption->sizeHint().height());
        for (ClickableLabel* label : {e.image, e.caption}) {
            label->setCursor(Qt::PointingHandCursor);
            connect(label, &ClickableLabel::clicked, this,
                    [this, i] { emit pageChosen(static_cast<Page>(i)); });
        }
    }
}

std::optional<Page> NavigationPanel::pageAt(QPoint point) const {
    for (int i = 0; i < PAGE_COUNT; ++i) {
        const QRect shape = m_entries[static_cast<std::size_t>(i)].shape->geometry();
        if (point.x() >= shape.left() && point.x() <= shape.left() + shape.width() &&
            point.y() >= shape.top() && point.y() <= shape.top() + shape.height()) {
            return static_cast<Page>(i);
        }
    }
    return std::nullopt;
}

void NavigationPanel::mark(Page page) {
    for (int i = 0; i < PAGE_COUNT; ++i) {
        const Entry& e = m_entries[static_cast<std::size_t>(i)];
        const bool current = i == static_cast<int>(page);
        e.shape->setVisible(current);
        QFont font = e.caption->font();
        font.setBold(current);
        e.caption->setFont(font);
    }
    m_marked = page;
}

void NavigationPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const auto page = pageAt(event->position().toPoint())) {
            emit pageChosen(*page);
        }
    }
    QFrame::mousePressEvent(event);
}

void NavigationPanel::mouseMoveEvent(QMouseEvent* event) {
    setCursor(pageAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QFrame::mouseMoveEvent(event);
}

} // namespace qv
