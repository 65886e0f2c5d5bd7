#pragma once

#include <atomic>

#include <QObject>
#include <QString>

#include "events/event_list_owner.h"
#include "events/flood_watch.h"
#include "tables/event_steps.h"

namespace qv {

class EventsModel;

// The window's side of the journal. The journal hands its list steps over under its guard, so
// they queue in the order of the file's lines, from any thread; the GUI thread applies them to
// the events model as soon as it can, or at once before the list rewrites the journal.
class GuiEventList final : public QObject, public EventListOwner {
    Q_OBJECT
public:
    explicit GuiEventList(EventsModel& model, QObject* parent = nullptr);

    void appendEvent(const EventEntry& entry, const Event& event) override;
    void replaceEvents(std::vector<EventEntry> entries) override;
    void journalFailure(const std::string& message) override;

    // GUI thread: applies every step handed over so far.
    void applyPending();
    // The floods its summary lines show.
    const FloodWatch& flood() const { return m_flood; }

signals:
    // On the GUI thread.
    void failed(const QString& message);

private:
    void schedule();

    EventsModel& m_model;
    EventSteps m_steps;
    FloodWatch m_flood;
    std::atomic<bool> m_scheduled{false};
};

} // namespace qv
