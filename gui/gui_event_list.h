#pragma once

#include <QObject>
#include <QString>

#include "events/event_list_owner.h"

namespace qv {

class EventsModel;

// The window's side of the journal: every list step is queued to the GUI thread, in the order the
// journal hands them over (it calls in under its guard, so that is the order of the file's lines),
// and applied there to the events model.
class GuiEventList final : public QObject, public EventListOwner {
    Q_OBJECT
public:
    explicit GuiEventList(EventsModel& model, QObject* parent = nullptr);

    void appendEvent(const EventEntry& entry) override;
    void replaceEvents(std::vector<EventEntry> entries) override;
    void journalFailure(const std::string& message) override;

signals:
    // On the GUI thread.
    void failed(const QString& message);

private:
    EventsModel& m_model;
};

} // namespace qv
