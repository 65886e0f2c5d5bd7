#pragma once

#include <memory>

#include <QPointer>
#include <QWidget>

class QComboBox;
class QItemSelection;
class QLabel;
class QTableView;
class QToolButton;

namespace qv {

class EventJournal;
class EventsModel;
class GuiEventList;
class TableMenu;
class TableSource;

// The Events page (tsEvents): the events list (lvEvents) with its custom-event marking, filter
// box and "Go to next" (ToolBar2), and its status line (sbEvents). Delete and Clear All rewrite
// Events.csv through the journal.
class EventsPage : public QWidget {
    Q_OBJECT
public:
    EventsPage(EventsModel& model, GuiEventList& eventList, EventJournal& journal,
               QWidget* parent = nullptr);
    ~EventsPage() override;

    // FormShow: the marking button shows ShowCustomEvents.
    void showSettings();
    void attachMenu(TableMenu& menu);

    QTableView* list() const { return m_list; }
    QString statusText() const;
    // While a flood goes on, the status line says so.
    void setFlood(bool goingOn);

    void tbEnableFilterClick();
    void tbGotoNextClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildToolBar();
    void showNewest();
    void cbFilterChange();
    void lvEventsSelectItem(const QItemSelection& selected, const QItemSelection& deselected);
    void updateStatus();
    void deleteRows(const std::vector<int>& rows);
    void clearAll();

    EventsModel& m_model;
    GuiEventList& m_eventList;
    EventJournal& m_journal;
    bool m_showCustomEvents = false;
    bool m_newestPending = false;
    bool m_flood = false;
    QToolButton* m_enableFilter = nullptr;
    QToolButton* m_gotoNext = nullptr;
    QComboBox* m_filter = nullptr;
    QTableView* m_list;
    QLabel* m_status;
    QPointer<TableMenu> m_menu;
    std::unique_ptr<TableSource> m_source;
};

} // namespace qv
