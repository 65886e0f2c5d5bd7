#pragma once

#include <array>
#include <optional>

#include <QFrame>

namespace qv {

class ClickableLabel;

// The pages of the main window, in the order of the navigation panel and of the page stack.
enum class Page { Events, ArpLog, IpMac, Options, About };
inline constexpr int PAGE_COUNT = 5;

// The white panel down the main window's left edge (pLeft): per page a pale rounded square
// (shown only behind the current page's picture), a picture and a caption (bold for the current
// page). A click on a picture or a caption chooses its page, and so does a click on the panel
// inside a page's square; a click elsewhere on the panel changes nothing.
class NavigationPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int WIDTH = 98;

    explicit NavigationPanel(QWidget* parent = nullptr);

    // The page whose square holds `point`, in the panel's coordinates, both edges included.
    std::optional<Page> pageAt(QPoint point) const;
    // Shows the page's square and makes its caption bold; the others are hidden and plain.
    void mark(Page page);
    std::optional<Page> marked() const { return m_marked; }

signals:
    void pageChosen(qv::Page page);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Entry {
        QWidget* shape;
        ClickableLabel* image;
        ClickableLabel* caption;
    };
    std::array<Entry, PAGE_COUNT> m_entries{};
    std::optional<Page> m_marked;
};

} // namespace qv
