#include "gui/about_page.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

#include "gui/clickable_label.h"
#include "gui/svg_pixmap.h"
#include "gui/web_pages.h"

namespace qv {
namespace {

constexpr QSize PICTURE_SIZE(629, 382);
constexpr int LINKS_CENTRE = 481; // the middle of the picture's frame for the links

struct Link {
    const char* name;
    const char* text;
    int top;
};
const Link LINKS[] = {
    {"lFeedback", "Send e-mail to technical support", 242},
    {"lMore", "Want more useful features? Just mail us!", 272},
    {"lThink", "Tell us what you think about this program!", 302},
};

} // namespace

// The picture and what lies on it keep their places on a canvas of the picture's size, centred
// on the page, whatever size the desktop's font gives the window.
AboutPage::AboutPage(OpenPage openPage, QWidget* parent)
    : QWidget(parent), m_openPage(std::move(openPage)) {
    setObjectName("tsAbout");
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    auto* canvas = new QWidget(this);
    canvas->setFixedSize(PICTURE_SIZE);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas, 0, 0, Qt::AlignCenter);
    auto* picture = new QLabel(canvas);
    picture->setObjectName("Image1");
    picture->setGeometry(QRect(QPoint(0, 0), PICTURE_SIZE));
    picture->setPixmap(svgPixmap(":/pictures/about.svg", PICTURE_SIZE));
    auto* notice = new QLabel(tr("Quorvane 1.20. Copyright (C) 2026 the Quorvane team."), canvas);
    notice->setObjectName("lCopyright");
    QFont bold = notice->font();
    bold.setBold(true);
    notice->setFont(bold);
    notice->setGeometry(QRect(QPoint(140, 350), notice->sizeHint()));
    for (const Link& link : LINKS) {
        auto* label = new ClickableLabel(tr(link.text), canvas);
        label->setObjectName(link.name);
        label->setStyleSheet("color: blue");
        label->setCursor(Qt::PointingHandCursor);
        const QSize size = label->sizeHint();
        label->setGeometry(LINKS_CENTRE - size.width() / 2, link.top, size.width(), size.height());
        label->installEventFilter(this);
        connect(label, &ClickableLabel::clicked, this,
                [this, label] { lClick(label->objectName()); });
    }
}

// Underlined while the mouse is over a link, plain again when it leaves.
bool AboutPage::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != nullptr && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        QFont font = label->font();
        font.setUnderline(event->type() == QEvent::Enter);
        label->setFont(font);
    }
    return QWidget::eventFilter(watched, event);
}

void AboutPage::lClick(const QString& name) {
    m_openPage(productPage(), name == "lFeedback");
}

} // namespace qv
