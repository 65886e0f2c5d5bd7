#pragma once

#include <QWidget>

class QLabel;
class QTableView;

namespace qv {

class EventsModel;

// The Events page (tsEvents): the events list (lvEvents) and its status line (sbEvents), which
// follows every change of the list and of its selection.
class EventsPage : public QWidget {
    Q_OBJECT
public:
    explicit EventsPage(EventsModel& model, QWidget* parent = nullptr);

    QTableView* list() const { return m_list; }
    QString statusText() const;

private:
    void updateStatus();

    EventsModel& m_model;
    QTableView* m_list;
    QLabel* m_status;
};

} // namespace qv
