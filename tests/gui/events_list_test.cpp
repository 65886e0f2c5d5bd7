// The events list: its model and the journal's steps arriving from other threads.

#include <QAbstractItemModelTester>
#include <QTest>
#include <thread>

#include "common/clock.h"
#include "events/event_journal.h"
#include "gui/events_model.h"
#include "gui/gui_event_list.h"
#include "tests/support/recording_owner.h"
#include "tests/support/temp_folder.h"

namespace qv {

class EventsListTest : public QObject {
    Q_OBJECT

private slots:
    void theModelShowsTheEntriesWithAlternatingRows() {
        EventsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.replaceAll(
            {{"12/06/26 18:01:52", "New station", "10.0.0.7, hwaddr: 02-00-00-00-00-07"}});
        model.append({"12/06/26 18:01:53", "Flip flop", "x"});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString("Details"));
        QCOMPARE(model.index(1, 1).data().toString(), QString("Flip flop"));
        QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
        QCOMPARE(model.index(1, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(244, 244, 255));
    }

    // Four threads journal at once: the list ends up holding every event once, in the order of
    // the file's lines.
    void eventsFromManyThreadsArriveInTheFilesOrder() {
        test::TempFolder root;
        EventsModel model;
        GuiEventList list(model);
        ManualClock clock(46000.0);
        EventJournal journal(DataFolder(root / "Quorvane"), clock, list);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&journal, t] {
                for (int i = 0; i < 100; ++i) {
                    journal.JournalAppend(
                        test::eventOf("New station", std::to_string(t) + "/" + std::to_string(i)));
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        QTRY_COMPARE(model.rowCount(), 400);
        const auto fromFile = parseEventsText(test::readText(root / "Quorvane" / "Events.csv"));
        QCOMPARE(fromFile.size(), std::size_t{400});
        QVERIFY(model.entries() == fromFile);
    }
};

} // namespace qv

QTEST_MAIN(qv::EventsListTest)
#include "events_list_test.moc"
